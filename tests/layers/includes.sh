#!/usr/bin/env bash
# Fails when a folder of the program includes a folder above it, and prints each such include.
# What each checked folder may include of ours (app/ and windows/ may include all of these):
#   store/     platform/
#   calendar/  platform/
#   platform/  nothing
#
#   tests/layers/includes.sh [source folder]
set -euo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
cd "$root"

declare -A allowed=([store]="platform" [calendar]="platform" [platform]="")
ours='app|windows|calendar|store|platform'
status=0
for folder in store calendar platform; do
    if [[ ! -d $folder ]]; then
        echo "no folder $root/$folder" >&2
        exit 1
    fi
    while IFS= read -r line; do
        # path:number:#include "folder/..."
        target=$(sed -E "s%^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]([.][.]/)*($ours)/.*%\\2%" <<<"$line")
        if [[ $target != "$folder" && " ${allowed[$folder]} " != *" $target "* ]]; then
            echo "$line"
            status=1
        fi
    done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]([.][.]/)*($ours)/" \
        --include='*.cpp' --include='*.h' "$folder" || true)
done
if ((status != 0)); then
    echo "store/ and calendar/ may include only platform/; platform/ nothing of ours" >&2
fi
exit "$status"
