#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds Nimbrel and runs it under Wine. With an X display it runs there until you choose Exit
# from its tray menu; without one it runs for a while in a Wine virtual desktop on a private
# Xvfb, saves a screenshot of that desktop, and exits it cleanly. When the weather service cannot
# be reached (and no NIMBREL_OBSERVATION_URL or NIMBREL_FORECAST_URL is set), Nimbrel gets
# made-up weather from a local stand-in (tools/weather-standin), so the map is filled all the same.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" windows

program="$root/build/windows/Nimbrel/Nimbrel.exe"
control="$root/build/windows/tools/control/NimbrelControl.exe"
export WINEPREFIX="$root/build/wine/run-prefix"

# A quick look at the observation server: an answer of any kind within a few seconds will do.
weather_service_reachable() {
    python3 - <<'PROBE' >/dev/null 2>&1
import urllib.error, urllib.request
try:
    urllib.request.urlopen("https://tgftp.nws.noaa.gov/data/observations/metar/stations/KLAX.TXT", timeout=5)
except urllib.error.HTTPError:
    pass
PROBE
}

standin="$root/build/wine/run-standin"
if [ -z "${NIMBREL_OBSERVATION_URL:-}${NIMBREL_FORECAST_URL:-}" ] && ! weather_service_reachable; then
    # It ends by itself with this script (or with the process an exec below turns it into).
    "$root/tools/weather-standin" start "$standin" --owner $$ >/dev/null
    NIMBREL_OBSERVATION_URL=$(cat "$standin/observation-url")
    NIMBREL_FORECAST_URL=$(cat "$standin/forecast-url")
    NIMBREL_API_URL=$(cat "$standin/api-url")
    export NIMBREL_OBSERVATION_URL NIMBREL_FORECAST_URL NIMBREL_API_URL
    echo "The weather service cannot be reached: Nimbrel gets made-up weather from a local stand-in."
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Nimbrel runs on $DISPLAY; choose Exit from its tray menu to end it."
    # A display of one's own has a window manager, which the headless run below tells Wine to do
    # without.
    "$root/tools/wine-run" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
    exec "$root/tools/wine-run" explorer /desktop=Nimbrel,1280x800 "$program"
fi

state="$root/build/wine/run-display"
screenshot="$root/build/screenshots/run.png"
mkdir -p "$(dirname "$screenshot")"
NIMBREL_SCREEN=1280x800x24 "$root/tools/xvfb-fixture" start "$state" >/dev/null
trap '"$root/tools/xvfb-fixture" stop "$state"; "$root/tools/weather-standin" stop "$standin"' EXIT
export NIMBREL_DISPLAY_FILE="$state/display"
export DISPLAY=$(cat "$state/display")

echo "No display: running Nimbrel in a Wine virtual desktop on Xvfb $DISPLAY."
"$root/tools/wine-run" explorer /desktop=Nimbrel,1280x800 "$program" &
seconds=${NIMBREL_RUN_SECONDS:-20}
sleep "$seconds"
# Wine paints a new wallpaper over the windows of its virtual desktop: have them repaint first.
"$root/tools/wine-run" "$control" --desktop Nimbrel repaint || true
sleep 1
import -window root "$screenshot"
echo "Screenshot of the running program: $screenshot"
# Windows on a virtual desktop are only visible from that desktop: ask from inside it.
"$root/tools/wine-run" explorer /desktop=Nimbrel,1280x800 "$control" exit 30 || true
wait || true
