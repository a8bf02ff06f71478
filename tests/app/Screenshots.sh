#!/usr/bin/env bash
# Screenshots of the three pages and the About box at 100 % and 150 %, as PNG files in OUTDIR.
#   Screenshots.sh vantrel_screens.exe OUTDIR
set -euo pipefail

screens="$1"
out="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
run="$here/../../scripts/wine-run.sh"
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png
# Drive Z: is the Unix root in every Wine prefix: the folder's Windows name needs no Wine start.
windir="Z:${out//\//\\}"

for scale in 100:96 150:144; do
    VANTREL_DPI="${scale#*:}" "$run" "$screens" "$windir" "${scale%%:*}"
done

count=0
for bmp in "$out"/*.bmp; do
    convert "$bmp" "${bmp%.bmp}.png"
    rm -f "$bmp"
    count=$((count + 1))
done
ls -l "$out"
echo "$count passed, $((8 - count)) failed"
[ "$count" -eq 8 ]
