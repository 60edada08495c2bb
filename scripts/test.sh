#!/usr/bin/env bash
# Installs what is missing, builds Velmora絵日記 afresh with warnings as errors and runs every
# test headless, the smoke test of the real program under Xvfb included.
#
#   JOBS=2 scripts/test.sh    limits the parallel compile jobs (default: all cores)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-test"

"$root/scripts/install-deps.sh"
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DORVANE_WERROR=ON
cmake --build "$build" ${JOBS:+--parallel "$JOBS"}
cd "$build"
ctest --output-on-failure
