#!/usr/bin/env bash
# The real program under Wine: the first start writes the default settings file, runs hidden and
# moves a new desktop file into the target folder;
# a second start is refused with its message box and leaves the first alone; the Exit hotkey and
# the end of the Windows session each close the log ("-> Log stopped" and the separator) and
# leave the settings file as it was.
#   EndToEnd.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
run="$here/../../scripts/wine-run.sh"
prefix="$("$here/../../scripts/wine-prefix.sh")"
user_dir="$(find "$prefix/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)"
data="$user_dir/AppData/Local/Vantrel"
settings="$data/Settings.xml"
log="$data/Log.txt"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
passed=0
check() {  # check NAME COMMAND...
    local name="$1"
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failures=$((failures + 1))
        echo "FAILED: $name" >&2
    fi
}
text_of() { iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r'; }
probe() { "$run" "$probe" "$@" 2>/dev/null | tr -d '\r'; }

start_program() {
    "$run" "$exe" >/dev/null 2>&1 &
    program=$!
}

# --- first start: default settings file, window hidden ---
rm -rf "$data"
start_program
state="$(probe wait-main 30)"
check "main window exists and is hidden" test "$state" = "hidden"
check "settings file written at the first start" test -s "$settings"
check "settings file begins with the byte-order mark" test "$(head -c 2 "$settings" | od -An -tx1 | tr -d ' ')" = "fffe"
check "log started" grep -q -- "-> Log started by: " <(text_of "$log")
# ... and it is moving: a file saved on the desktop arrives in the default target folder.
desktop="$user_dir/Desktop"
target="$user_dir/Documents/Vantrel"
rm -f "$target/report from e2e.txt"
sleep 1
echo "moved by the running program" >"$desktop/Report From E2E.txt"
for _ in $(seq 1 100); do
    [ -f "$target/report from e2e.txt" ] && break
    sleep 0.2
done
check "a new desktop file is moved into the target, lower-cased" test -f "$target/report from e2e.txt"
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
probe hotkey X >/dev/null
check "main window gone after the Exit hotkey" probe wait-gone 30
wait "$program"
check "program ends with 0" test $? -eq 0
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
probe command 103 >/dev/null  # the Exit action's command id
check "main window gone after the Exit command" probe wait-gone 30
wait "$program"
check "log closed by the Exit command" test "$(text_of "$log" | tail -n 1)" = "==============================="

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
