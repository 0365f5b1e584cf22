#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the libFuzzer targets of the parsers of downloaded text and of the weather cache's
# reader with clang under AddressSanitizer and UndefinedBehaviorSanitizer, and runs each for a
# bounded time on inputs up to 100000 bytes, on a 1 MiB stack like a worker thread's; then once
# more on inputs up to the size cap (1 MiB for an observation, 8 MiB for a forecast of either
# service, 2 MiB for alerts, 4 MiB for the cache file), starting from an answer just under it. Any
# crash, sanitizer report, stray exception or input slower than the time-out fails the run; the
# input that did it is left in build/fuzz/artifacts.
#   FUZZ_SECONDS        how long each target runs on short inputs (default 30)
#   FUZZ_LARGE_SECONDS  how long each runs on inputs up to the cap (default 20)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/build/fuzz
seconds=${FUZZ_SECONDS:-30}
large_seconds=${FUZZ_LARGE_SECONDS:-20}
cxx=${CXX_FUZZ:-clang++-14}

# Only the portable sources the parsers need, named one by one.
core_sources="core/ApplicationException.cpp core/Here.cpp core/DateTime.cpp core/TimeSpan.cpp core/Util.cpp core/PlatformPosix.cpp"
metar_sources="tests/fuzz/FuzzMetar.cpp weather/MetarParser.cpp weather/RegEx.cpp weather/CCurrentWeather.cpp \
weather/Atmosphere.cpp weather/Temperature.cpp weather/WeatherDump.cpp weather/EnumWeatherCode.cpp $core_sources"
dwml_sources="tests/fuzz/FuzzDwml.cpp weather/NoaaDwml.cpp $core_sources"
api_sources="tests/fuzz/FuzzApi.cpp weather/NoaaApi.cpp weather/CWeatherAlert.cpp weather/Temperature.cpp $core_sources"
alerts_sources="tests/fuzz/FuzzAlerts.cpp weather/NoaaApi.cpp weather/CWeatherAlert.cpp weather/Temperature.cpp $core_sources"
cache_sources="tests/fuzz/FuzzWeatherCache.cpp data/WeatherCache.cpp data/City.cpp data/CityRecord.cpp data/Tokenize.cpp \
weather/CCurrentWeather.cpp weather/CForecast.cpp weather/CForecastItem.cpp weather/CSun.cpp weather/Atmosphere.cpp \
weather/Temperature.cpp weather/WeatherDump.cpp weather/EnumWeatherCode.cpp $core_sources"
flags="-std=c++20 -O1 -gline-tables-only -Wall -Wextra -Werror -I$root -fsanitize=fuzzer,address,undefined \
-fno-sanitize-recover=all -fno-omit-frame-pointer"

# A small Ninja file does the rest: two compilers at a time, and only what changed since the
# last run, headers included.
mkdir -p "$out/artifacts"
object() { echo "obj/${1//\//_}.o"; }
{
    echo "rule cxx"
    echo "  command = $cxx $flags -MMD -MF \$out.d -c \$in -o \$out"
    echo "  depfile = \$out.d"
    echo "  deps = gcc"
    echo "rule link"
    echo "  command = $cxx $flags \$in -o \$out"
    for source in $(echo "$metar_sources $dwml_sources $api_sources $alerts_sources $cache_sources" | tr ' ' '\n' | sort -u); do
        echo "build $(object "$source"): cxx $root/$source"
    done
    for name in metar dwml api alerts cache; do
        sources=${name}_sources
        echo "build fuzz-$name: link$(for source in ${!sources}; do printf ' %s' "$(object "$source")"; done)"
    done
} >"$out/build.ninja.new"
# Rewritten only when it changes, so that Ninja's own record stays valid.
cmp -s "$out/build.ninja.new" "$out/build.ninja" || mv "$out/build.ninja.new" "$out/build.ninja"
rm -f "$out/build.ninja.new"
ninja -C "$out" -j 2 --quiet

# Long inputs from the start: the bounds against deep recursion are what is being tried.
mkdir -p "$out/corpus/metar" "$out/corpus/dwml" "$out/corpus/metar-large" "$out/corpus/dwml-large" \
    "$out/corpus/api" "$out/corpus/api-large" "$out/corpus/alerts" "$out/corpus/alerts-large" "$out/corpus/cache"
python3 - "$out/corpus" <<'EOF'
import sys
corpus = sys.argv[1]
# A forecast answer just under the 8 MiB cap: thousands of time layouts, temperature lists and
# periods, the shape whose lookups once made the reading quadratic.
layouts, temperatures, periods, conditions, icons = [], [], [], [], []
size, i = 0, 0
while size < 8 * 1024 * 1024 - 4096:
    date = "%04d-%02d-%02d" % (1900 + i // 360, 1 + i // 30 % 12, 1 + i % 28)
    parts = ("<time-layout><layout-key>k%08d</layout-key><start-valid-time>%sT06:00:00</start-valid-time>"
             "<end-valid-time>%sT18:00:00</end-valid-time></time-layout>\n" % (i, date, date),
             '<temperature type="%s" time-layout="k%08d"><value>%d</value></temperature>\n'
             % ("maximum" if i % 2 == 0 else "minimum", i, 40 + i % 50),
             "<start-valid-time>2100-01-01T06:00:00</start-valid-time><end-valid-time>2100-01-01T18:00:00</end-valid-time>",
             '<weather-conditions weather-summary="Chance Rain Showers"/>',
             "<icon-link>http://forecast.weather.gov/images/wtf/shra40.jpg</icon-link>")
    for target, part in zip((layouts, temperatures, periods, conditions, icons), parts):
        target.append(part)
    size += sum(len(part) for part in parts)
    i += 1
with open(corpus + "/dwml-large/near-the-cap", "w") as f:
    f.write('<dwml><data>' + "".join(layouts) + "<time-layout><layout-key>p</layout-key>" + "".join(periods) +
            '</time-layout><parameters>' + "".join(temperatures) + '<weather time-layout="p">' +
            "".join(conditions) + '</weather><conditions-icon time-layout="p">' + "".join(icons) +
            "</conditions-icon></parameters></data></dwml>\n")
with open(corpus + "/metar-large/long-file", "wb") as f:
    f.write(b"2007/11/30 05:53\nKLAX 300553Z 00000KT 10SM FEW008 14/11 A2992 " + b"TEMPO -RA " * 100000)
with open(corpus + "/metar/long-groups", "wb") as f:
    f.write(b"2007/11/30 05:53\nKLAX 300553Z " + b"RA" * 2000 + b" " + b"9" * 2000 + b"Z -RA 14/11\n")
with open(corpus + "/dwml/deep", "wb") as f:
    f.write(b"<dwml><data>" + b"<a>" * 30000)
# A JSON forecast just under the cap: tens of thousands of periods, each one a new half day.
with open(corpus + "/api-large/near-the-cap", "w") as f:
    periods, size, i = [], 0, 0
    while size < 8 * 1024 * 1024 - 4096:
        date = "%04d-%02d-%02d" % (1900 + i // 720, 1 + i // 60 % 12, 1 + i // 2 % 28)
        period = ('{"number": %d, "name": "Day", "startTime": "%sT%s:00:00-05:00", "isDaytime": %s, '
                  '"temperature": %d, "temperatureUnit": "F", "shortForecast": "Chance Rain Showers then Mostly Sunny"}'
                  % (i + 1, date, "06" if i % 2 == 0 else "18", "true" if i % 2 == 0 else "false", 40 + i % 50))
        periods.append(period)
        size += len(period) + 1
        i += 1
    f.write('{"type": "Feature", "properties": {"periods": [' + ",".join(periods) + "]}}\n")
# An alerts collection just under its 2 MiB download cap: thousands of actual alerts, every one
# with its times to read.
with open(corpus + "/alerts-large/near-the-cap", "w") as f:
    features, size, i = [], 0, 0
    while size < 2 * 1024 * 1024 - 4096:
        feature = ('{"type": "Feature", "properties": {"id": "urn:oid:%d", "status": "Actual", "event": "Flood Warning", '
                   '"severity": "Severe", "effective": "2026-12-09T13:02:00-08:00", "expires": "2026-12-09T13:45:00-08:00", '
                   '"headline": "Flood Warning", "description": "Flooding is ongoing."}}' % i)
        features.append(feature)
        size += len(feature) + 1
        i += 1
    f.write('{"type": "FeatureCollection", "features": [' + ",".join(features) + "]}\n")
with open(corpus + "/api/deep", "wb") as f:
    f.write(b'{"properties": ' + b"[" * 30000)
with open(corpus + "/dwml/at-the-limit", "wb") as f:
    f.write(b"<dwml>" + b"<a>" * 255 + b"</a>" * 255 + b"</dwml>")
EOF

# name, corpus folder, longest input, seconds
runs="metar metar 100000 $seconds
dwml dwml 100000 $seconds
api api 100000 $seconds
alerts alerts 100000 $seconds
cache cache 100000 $seconds
metar metar-large 1048576 $large_seconds
dwml dwml-large 8388608 $large_seconds
api api-large 8388608 $large_seconds
alerts alerts-large 2097152 $large_seconds
cache cache 4194304 $large_seconds"
while read -r name corpus max_len run_seconds; do
    echo "== fuzzing $name on inputs up to $max_len bytes for ${run_seconds}s"
    # The worker thread's stack is about 1 MiB; the fuzzer's own thread gets no more.
    (ulimit -s 1024 && "$out/fuzz-$name" "$out/corpus/$corpus" "$root/tests/fuzz/corpus/$name" \
        -max_len="$max_len" -len_control=0 -timeout=10 -rss_limit_mb=2048 -max_total_time="$run_seconds" \
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$corpus-" </dev/null 2>"$out/$corpus.log") || {
        tail -n 60 "$out/$corpus.log" >&2
        echo "fuzz: $name failed; see $out/$corpus.log and $out/artifacts" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$out/$corpus.log" || true
done <<<"$runs"
