#!/usr/bin/env bash
# Installs what is missing, builds Velmora絵日記 afresh with warnings as errors and checks the
# built program from outside (under Xvfb and a headless Weston, and as an installed package).
# Then builds it with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test there,
# the unit tests and the program's own, and runs each fuzz target for a short while.
#
#   scripts/test.sh --quick   the normal build with every test, no sanitizers: everyday work
#   JOBS=2 scripts/test.sh    limits the parallel compile and test jobs (default: all cores)
#   FUZZ_SECONDS=60 scripts/test.sh
#                             fuzzes each target that long (default 15 seconds)
set -euo pipefail
quick=false
[ "${1:-}" = --quick ] && quick=true
jobs=${JOBS:-$(nproc)}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-test"
sanitize="$root/build-sanitize"
fuzz="$root/build-fuzz"

"$root/scripts/install-deps.sh"
# The figures the proofs reach: steps of the random walk, kills amid a commit, power cuts.
figures() {
    grep -h -E '^(model steps|kills amid a commit|power cuts): ' "$1/Testing/Temporary/LastTest.log" || true
}
# Line tables only: a failure's backtrace keeps its files and lines, and the builds take far less
# time than with full debug information. Files are compiled a dozen at a time (a unity build):
# the Qt headers they share are read once per dozen.
common=(-G Ninja -DORVANE_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON
    -DCMAKE_UNITY_BUILD_BATCH_SIZE=12)
# The full run builds the unit tests once, with the sanitizers (below); this build is the program
# as it ships, checked from outside: started under X and Wayland, packaged and installed.
units=OFF
$quick && units=ON
rm -rf "$build"
cmake -S "$root" -B "$build" "${common[@]}" -DORVANE_UNIT_TESTS=$units \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build "$build" --parallel "$jobs"
(cd "$build" && ctest --output-on-failure --parallel "$jobs")
if $quick; then
    figures "$build"
    echo "test: all passed (quick: no sanitizer or fuzz stage)"
    exit 0
fi

# Any finding of a sanitizer fails the test it happens in; leaks count too, except those the
# suppression file lists inside the system's own libraries.
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0
rm -rf "$sanitize"
# Optimised a little less: a much quicker build, and reports that point closer to their lines.
cmake -S "$root" -B "$sanitize" "${common[@]}" -DORVANE_SANITIZE=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
cmake --build "$sanitize" --parallel "$jobs"
# The fuzz targets are built while the sanitizer suite runs, which leaves cores idle.
rm -rf "$fuzz" && mkdir -p "$fuzz"
(cmake -S "$root/fuzz" -B "$fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ &&
    cmake --build "$fuzz" --parallel "$jobs") >"$fuzz/build.log" 2>&1 &
fuzz_build=$!
trap 'kill "$fuzz_build" 2>/dev/null || true' EXIT
(cd "$sanitize" && ctest --output-on-failure --parallel "$jobs")
figures "$sanitize"

# The fuzz targets: each starts from its seeds in fuzz/corpus (left untouched) and fails on any
# crash, hang (over 5 seconds for one input), broken rule or sanitizer finding.
if ! wait "$fuzz_build"; then
    cat "$fuzz/build.log" >&2
    echo "fuzz: the targets did not build" >&2
    exit 1
fi
mkdir -p "$fuzz/artifacts"
fuzz_target() {
    local seeds=$1 target
    target=$(basename "$seeds")
    mkdir -p "$fuzz/found/$target"
    if ! "$fuzz/fuzz_$target" -max_total_time="${FUZZ_SECONDS:-15}" -timeout=5 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$fuzz/artifacts/$target-" \
        "$fuzz/found/$target" "$seeds" >"$fuzz/$target.log" 2>&1; then
        tail -n 60 "$fuzz/$target.log" >&2
        echo "fuzz: $target failed; the input is in $fuzz/artifacts" >&2
        return 1
    fi
    echo "fuzz: $target, ${FUZZ_SECONDS:-15} seconds, $(grep -o -E '^stat::number_of_executed_units: *[0-9]+' "$fuzz/$target.log" | grep -o -E '[0-9]+$') inputs"
}
# As many targets at a time as there are jobs, each with a core of its own for its seconds.
export -f fuzz_target
export fuzz FUZZ_SECONDS
if ! printf '%s\n' "$root"/fuzz/corpus/*/ | xargs -P "$jobs" -I{} bash -c 'fuzz_target "$1"' _ {}; then
    exit 1
fi
echo "test: all passed"
