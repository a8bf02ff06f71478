#!/usr/bin/env bash
# Runs the tray, log page and start-at-logon tests of the real main window. While the test of
# the tray menu holds the menu open it names the menu's screen area in OUTDIR/tray-menu.area;
# this script then photographs the display there as OUTDIR/tray-menu.png, which the test waits for.
#   TrayTests.sh "app tray test.exe" OUTDIR
set -uo pipefail

exe="$1"
out="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
run="$here/../../scripts/wine-run.sh"
mkdir -p "$out"
rm -f "$out/tray-menu.area" "$out/tray-menu.png"

# Drive Z: is the Unix root in every Wine prefix: the folder's Windows name needs no Wine start.
VANTREL_SCREENSHOT_DIR="Z:${out//\//\\}" "$run" "$exe" --gtest_brief=1 &
tests=$!
while kill -0 "$tests" 2>/dev/null; do
    if [ -s "$out/tray-menu.area" ]; then
        area="$(tr -d '\r\n' <"$out/tray-menu.area")"
        rm -f "$out/tray-menu.area"
        import -window root -crop "$area" +repage "$out/tray-menu.tmp.png" && mv "$out/tray-menu.tmp.png" "$out/tray-menu.png"
    fi
    sleep 0.2
done
wait "$tests"
status=$?
if [ "$status" -eq 0 ] && [ ! -s "$out/tray-menu.png" ]; then
    echo "TrayTests.sh: no screenshot of the tray menu in $out" >&2
    status=1
fi
exit "$status"
