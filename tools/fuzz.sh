#!/usr/bin/env bash
# Builds the libFuzzer targets of the two parsers of downloaded text with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs each for a bounded time on inputs
# up to 100000 bytes, on a 1 MiB stack like a worker thread's. Any crash, sanitizer report,
# stray exception or input slower than the time-out fails the run; the input that did it is
# left in build/fuzz/artifacts.
#   FUZZ_SECONDS  how long each target runs (default 30)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/build/fuzz
seconds=${FUZZ_SECONDS:-30}
cxx=${CXX_FUZZ:-clang++-14}

# Only the portable sources the parsers need, named one by one.
core_sources="core/ApplicationException.cpp core/DateTime.cpp core/TimeSpan.cpp core/Util.cpp core/PlatformPosix.cpp"
metar_sources="tests/fuzz/FuzzMetar.cpp weather/MetarParser.cpp weather/RegEx.cpp $core_sources"
dwml_sources="tests/fuzz/FuzzDwml.cpp weather/NoaaDwml.cpp $core_sources"
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
    for source in $(echo "$metar_sources $dwml_sources" | tr ' ' '\n' | sort -u); do
        echo "build $(object "$source"): cxx $root/$source"
    done
    for name in metar dwml; do
        sources=${name}_sources
        echo "build fuzz-$name: link$(for source in ${!sources}; do printf ' %s' "$(object "$source")"; done)"
    done
} >"$out/build.ninja.new"
# Rewritten only when it changes, so that Ninja's own record stays valid.
cmp -s "$out/build.ninja.new" "$out/build.ninja" || mv "$out/build.ninja.new" "$out/build.ninja"
rm -f "$out/build.ninja.new"
ninja -C "$out" -j 2 --quiet

# Long inputs from the start: the bounds against deep recursion are what is being tried.
mkdir -p "$out/corpus/metar" "$out/corpus/dwml"
python3 - "$out/corpus" <<'EOF'
import sys
corpus = sys.argv[1]
with open(corpus + "/metar/long-groups", "wb") as f:
    f.write(b"2007/11/30 05:53\nKLAX 300553Z " + b"RA" * 2000 + b" " + b"9" * 2000 + b"Z -RA 14/11\n")
with open(corpus + "/dwml/deep", "wb") as f:
    f.write(b"<dwml><data>" + b"<a>" * 30000)
with open(corpus + "/dwml/at-the-limit", "wb") as f:
    f.write(b"<dwml>" + b"<a>" * 255 + b"</a>" * 255 + b"</dwml>")
EOF

for name in metar dwml; do
    echo "== fuzzing $name for ${seconds}s"
    # The worker thread's stack is about 1 MiB; the fuzzer's own thread gets no more.
    (ulimit -s 1024 && "$out/fuzz-$name" "$out/corpus/$name" "$root/tests/fuzz/corpus/$name" \
        -max_len=100000 -len_control=0 -timeout=10 -rss_limit_mb=2048 -max_total_time="$seconds" \
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" 2>"$out/$name.log") || {
        tail -n 60 "$out/$name.log" >&2
        echo "fuzz: $name failed; see $out/$name.log and $out/artifacts" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$out/$name.log" || true
done
