#!/usr/bin/env bash
# The real program under Wine: the first start writes the default settings file, runs hidden and
# moves a new desktop file into the target folder;
# a second start is refused with its message box and leaves the first alone; the Exit hotkey and
# the end of the Windows session each close the log ("-> Log stopped" and the separator) and
# leave the settings file as it was; Exit while a held file is being tried again ends at once and
# leaves the file whole on the desktop.
#   EndToEnd.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# --- first start: default settings file, window hidden ---
rm -rf "$data"
start_program
state="$(probe wait-main 60)"
check "main window exists and is hidden" test "$state" = "hidden"
check "settings file written at the first start" test -s "$settings"
check "settings file begins with the byte-order mark" test "$(head -c 2 "$settings" | od -An -tx1 | tr -d ' ')" = "fffe"
check "log started" grep -q -- "-> Log started by: " <(text_of "$log")
# ... and it is moving: a file saved on the desktop arrives in the default target folder.
rm -f "$target/report from e2e.txt"
check "the program watches the desktop" watching
echo "moved by the running program" >"$desktop/Report From E2E.txt"
check "a new desktop file is moved into the target, lower-cased" arrives "$target/report from e2e.txt"
check "and is gone from the desktop" test ! -e "$desktop/Report From E2E.txt"
cp "$settings" "$tmp/settings.before"
cp "$log" "$tmp/log.before"

# --- second start: refused with the message box, the first untouched ---
"$run" "$exe" >/dev/null 2>&1 &
second=$!
box="$(probe answer-box Error 30)"
check "refusal message" test "$box" = "Another instance of Desktop Vantrel already running."
wait "$second"
check "refused instance ends with 0" test $? -eq 0
check "first instance still there" test "$(probe wait-main 5)" = "hidden"
check "first instance still running" kill -0 "$program"
check "log untouched by the refused start" cmp -s "$log" "$tmp/log.before"
check "settings untouched by the refused start" cmp -s "$settings" "$tmp/settings.before"

# --- Exit by the hotkey Ctrl+Alt+Shift+X ---
ends_by_x "main window gone after the Exit hotkey"
tail2="$(text_of "$log" | tail -n 2)"
check "log ends with Log stopped and the separator" \
    test "$(echo "$tail2" | head -n 1 | sed 's/.*-> //')" = "Log stopped" -a \
    "$(echo "$tail2" | tail -n 1)" = "==============================="
check "settings unchanged by Exit" cmp -s "$settings" "$tmp/settings.before"

# --- logging off ends the program as Exit does ---
start_program
check "started again" test "$(probe wait-main 30)" = "hidden"
before_lines="$(text_of "$log" | wc -l)"
probe endsession >/dev/null
check "main window gone after the session ended" probe wait-gone 30
wait "$program"
check "log closed at the end of the session" test "$(text_of "$log" | tail -n 1)" = "==============================="
check "log grew at the end of the session" test "$(text_of "$log" | wc -l)" -gt "$before_lines"
check "settings unchanged by the end of the session" cmp -s "$settings" "$tmp/settings.before"

# --- Exit through the window's own command ---
start_program
check "started a third time" test "$(probe wait-main 30)" = "hidden"
# The window's buttons are made when it is first shown.
probe hotkey H >/dev/null
check "H shows the window" becomes shown
check "the window's Exit button is there to press" probe command "&Exit"
check "main window gone after the Exit command" probe wait-gone 30
wait "$program"
check "log closed by the Exit command" test "$(text_of "$log" | tail -n 1)" = "==============================="

# --- Exit while a file held open is being tried again ---
# Thirty further attempts, a second apart: the end must not wait for them.
text_of "$settings" | sed -e 's#<TryToMove>[^<]*<#<TryToMove>true<#' -e 's#<TryCount>[^<]*<#<TryCount>30<#' |
    sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE >"$tmp/body"
{ printf '\xff\xfe'; cat "$tmp/body"; } >"$settings"
start_program
check "started a fourth time" test "$(probe wait-main 30)" = "hidden"
check "the program watches the desktop again" watching
"$run" "$probe" hold "Held Open.txt" 6 >/dev/null 2>&1 &
holder=$!
check "the holder made the file" arrives "$desktop/Held Open.txt"
# Nothing outside shows the batch's attempts: this gives it time for its first ones. Any time
# within the 30 s of retries would do.
sleep 2
exit_started=$SECONDS
probe hotkey X >/dev/null
check "main window gone after Exit during the retries" probe wait-gone 30
wait "$program"
check "program ends with 0 after Exit during the retries" test $? -eq 0
# Waiting for the retries would take half a minute; the bound leaves room for a loaded machine.
check "Exit did not wait for the retries" test $((SECONDS - exit_started)) -le 10
wait "$holder"
check "held file stays whole on the desktop" test "$(cat "$desktop/Held Open.txt")" = "held by the probe"
check "held file did not reach the target" test ! -e "$target/held open.txt"
tail4="$(text_of "$log" | tail -n 5)"
check "the report says the held file was not moved" \
    grep -q "^File: held open.txt not moved. Error code: 32$" <<<"$tail4"
check "log ends with Log stopped after the report" \
    test "$(echo "$tail4" | tail -n 2 | head -n 1 | sed 's/.*-> //')" = "Log stopped" -a \
    "$(echo "$tail4" | tail -n 1)" = "==============================="
rm -f "$desktop/Held Open.txt"
cp "$tmp/settings.before" "$settings"

finish
