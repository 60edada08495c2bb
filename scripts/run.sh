#!/usr/bin/env bash
# Installs what is missing (a small paint program included), builds Velmora絵日記 and starts it.
# Only the program is built, so the first start comes soon; the test command builds the rest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$root/scripts/install-deps.sh" --with-paint
cmake -S "$root" -B "$root/build" -G Ninja
# Sources are globbed: have moc look at every header again, so a class added since the last
# build is not missed.
find "$root/build" -path '*_autogen/timestamp' -delete
cmake --build "$root/build" --target orvane
exec "$root/build/orvane"
