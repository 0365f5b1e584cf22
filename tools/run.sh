#!/usr/bin/env bash
# Builds Nimbrel and runs it under Wine. With an X display it runs there until you choose Exit
# from its tray menu; without one it runs for a while in a Wine virtual desktop on a private
# Xvfb, saves a screenshot of that desktop, and exits it cleanly.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/tools/setup.sh"
bash "$root/tools/build.sh" windows

program="$root/build/windows/Nimbrel/Nimbrel.exe"
control="$root/build/windows/tools/control/NimbrelControl.exe"
export WINEPREFIX="$root/build/wine/run-prefix"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Nimbrel runs on $DISPLAY; choose Exit from its tray menu to end it."
    exec "$root/tools/wine-run" explorer /desktop=Nimbrel,1280x800 "$program"
fi

state="$root/build/wine/run-display"
screenshot="$root/build/screenshots/run.png"
mkdir -p "$(dirname "$screenshot")"
NIMBREL_SCREEN=1280x800x24 "$root/tools/xvfb-fixture" start "$state" >/dev/null
trap '"$root/tools/xvfb-fixture" stop "$state"' EXIT
export NIMBREL_DISPLAY_FILE="$state/display"
export DISPLAY=$(cat "$state/display")

echo "No display: running Nimbrel in a Wine virtual desktop on Xvfb $DISPLAY."
"$root/tools/wine-run" explorer /desktop=Nimbrel,1280x800 "$program" &
seconds=${NIMBREL_RUN_SECONDS:-20}
sleep "$seconds"
import -window root "$screenshot"
echo "Screenshot of the running program: $screenshot"
# Windows on a virtual desktop are only visible from that desktop: ask from inside it.
"$root/tools/wine-run" explorer /desktop=Nimbrel,1280x800 "$control" exit 30 || true
wait || true
