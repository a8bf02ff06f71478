#!/usr/bin/env bash
# The real program under Wine when its watch of the desktop falls short. Changes it never heard
# of: the program is stopped (SIGSTOP) while a burst of new files arrives, so its next read
# overflows; it lists the desktop again and moves every item it did not know, and none it knew (one
# there before it started, one saved while its window was shown). A watch that fails: the desktop
# folder renamed away, then removed; the tray hint says it is not watching, the program opens the
# watch again once the folder is back, moves what arrived meanwhile, and goes on moving.
#   Rescan.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

away="$desktop.away"
hints="$(mktemp)"
program=""
stopped=""  # the Linux pid of the program's Wine process while it is stopped
hinter=""   # the probe standing in for the taskbar
burst=1500
# The burst's files: RS Burst Mixed Case Name 0001.Txt and on; in the target, in lower case.
burst_files() {
    local i name
    for i in $(seq 1 "$burst"); do
        printf -v name 'RS Burst Mixed Case Name %04d.Txt' "$i"
        echo "$i" >"$desktop/$name"
    done
}
burst_arrived() { ls "$target" | grep -c '^rs burst mixed case name [0-9]\{4\}\.txt$'; }
all_burst_arrived() { [ "$(burst_arrived)" -eq "$burst" ]; }
no_burst_left() { ! compgen -G "$desktop/RS Burst *" >/dev/null; }

# What the test leaves on the desktop and in the target, and the desktop where it belongs, whatever
# step a failed run ended in.
tidy() {
    if [ -d "$away" ]; then
        if [ -e "$desktop" ]; then
            rm -rf "$away"
        else
            mv "$away" "$desktop"
        fi
    fi
    mkdir -p "$desktop"
    rm -rf "$desktop"/RS* "$desktop"/"Kept Before.txt" "$desktop"/"While Shown.txt" "$target"/rs* \
        "$target"/"kept before.txt" "$target"/"while shown.txt"
}
cleanup() {
    [ -z "$stopped" ] || kill -CONT "$stopped" 2>/dev/null
    if [ -n "$hinter" ] && kill -0 "$hinter" 2>/dev/null; then
        kill "$hinter" 2>/dev/null
        wait "$hinter" 2>/dev/null
    fi
    if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
    fi
    tidy
    rm -f "$hints"
}
trap cleanup EXIT
# Ended from outside (a time-out), the script still cleans up.
trap 'exit 1' TERM INT HUP

# A file saved on the desktop (or in FOLDER); the name the program gives it in the target is in
# lower case.
save() { echo "saved by the rescan test" >"${2:-$desktop}/$1"; }
# The hints the program gave its tray icon, as the probe standing in for the taskbar saw them.
tips() { tr -d '\r' <"$hints"; }
tip_count() { tips | wc -l; }
# tip_after LINE TEXT: a hint TEXT came after the first LINE lines.
tip_after() { tips | tail -n "+$(($1 + 1))" | grep -qxF -- "$2"; }
# How many items the last rescan found.
rescanned() { text_of "$log" | sed -n 's/.*Desktop rescanned after missed changes: \([0-9]*\) new items.*/\1/p' | tail -n 1; }
# What the program did, for a reader of a failed run: once for each stretch with new failures.
show_state() {
    new_failures || return 0
    echo "--- log (without the moves):" >&2
    text_of "$log" | grep -v 'moved$' | tail -n 30 >&2
    echo "--- hints:" >&2
    tips >&2
    echo "--- desktop:" >&2
    ls -la "$desktop" "$away" 2>&1 | head -n 20 >&2
}

tidy
rm -rf "$data"

# --- 1. an item there before the start is kept ---
save "Kept Before.txt"
start_program
state="$(probe wait-main 60)"
check "started hidden (state: ${state:-no main window})" test "$state" = "hidden"
check "the program watches the desktop" watching

# --- 2. an item saved while the window is shown is kept; new ones move once it is hidden ---
probe hotkey H >/dev/null
check "H shows the window" becomes shown
save "While Shown.txt"
# Nothing outside shows the monitor reading a change it does not act on: a second for that.
sleep 1
probe hotkey H >/dev/null
check "H hides the window" becomes hidden
save "RS After Shown.txt"
check "2: a file saved after hiding is moved" arrives "$target/rs after shown.txt"
check "2: the file saved while shown stays" stays "While Shown.txt"
check "2: the file there before the start stays" stays "Kept Before.txt"
show_state

# --- 3. changes lost while the program was stopped are found by listing the desktop ---
pid="$(program_pid)"
check "3: the program's Wine process is found, once (${pid:-none})" test -n "$pid"
if [ -n "$pid" ]; then
    kill -STOP "$pid" && stopped="$pid"
    burst_started=$SECONDS
    burst_files
    kill -CONT "$pid" && stopped=""
    check "3: the overflow is logged" logged "Byte return error. Error code: 1022"
    check "3: the desktop is listed again" logged "Desktop rescanned after missed changes: "
    found="$(rescanned)"
    check "3: the rescan found new items (${found:-none} of $burst)" \
        test "${found:-0}" -ge 1 -a "${found:-0}" -le "$burst"
    waits_for 90 all_burst_arrived
    check "3: all $burst files arrive in the target, in lower case (arrived: $(burst_arrived))" all_burst_arrived
    echo "3: $burst files moved $((SECONDS - burst_started)) s after the burst began; the rescan found ${found:-none}"
    check "3: none is left on the desktop" no_burst_left
    check "3: the file there before the start stays" stays "Kept Before.txt"
    check "3: the file saved while shown stays" stays "While Shown.txt"
    check "3: no read error" test "$(log_count 'Read directory change error')" -eq 0
fi
show_state

# --- 4. the desktop folder renamed away, then removed: the watch is opened again ---
"$run" "$probe" tray-hints 90 >"$hints" 2>/dev/null &
hinter=$!
check "4: the probe stands in for the taskbar" waits_for 20 tip_after 0 "taskbar ready"

before="$(tip_count)"
failed_at=$SECONDS
mv "$desktop" "$away"
check "4: the failed watch is logged" logged "Read directory change error. Error code: "
check "4: the hint says the desktop is not watched" waits_for 20 tip_after "$before" "Desktop Vantrel - Not watching"
save "RS While Away.txt" "$away"
# Nothing outside shows the program not acting on it: a second for that, in which it also tries
# to open the watch again, and fails.
sleep 1
check "4: a file saved in the folder while it is not the desktop is not moved" \
    test -f "$away/RS While Away.txt" -a ! -e "$target/rs while away.txt"
check "4: nor logged" test "$(text_of "$log" | grep -ci 'rs while away')" -eq 0
check "4: the hint still says the desktop is not watched" \
    test "$(tips | tail -n 1)" = "Desktop Vantrel - Not watching"
before="$(tip_count)"
back_at=$SECONDS
mv "$away" "$desktop"
check "4: monitoring resumes once the desktop is back" waits_for 70 log_shows "Desktop monitoring resumed"
check "4: the hint says it runs again" waits_for 20 tip_after "$before" "Desktop Vantrel - Running"
echo "4: watching again $((SECONDS - back_at)) s after the desktop came back, $((SECONDS - failed_at)) s after it went"
check "4: the rescan is logged" logged "Desktop rescanned after missed changes: " 2
check "4: the file saved meanwhile is new on the desktop: it is moved" arrives "$target/rs while away.txt"
check "4: the rescan found it alone (found: $(rescanned))" test "$(rescanned)" = 1
save "RS Back.txt"
check "4: a new file is moved again" arrives "$target/rs back.txt"
check "4: the file there before the start stays" stays "Kept Before.txt"
check "4: the file saved while shown stays" stays "While Shown.txt"
show_state

before="$(tip_count)"
resumed="$(log_count "Desktop monitoring resumed")"
errors="$(log_count "Read directory change error")"
failed_at=$SECONDS
rm -rf "$desktop"
check "4: removed: the failed watch is logged" logged "Read directory change error. Error code: " $((errors + 1))
check "4: removed: the hint says the desktop is not watched" \
    waits_for 20 tip_after "$before" "Desktop Vantrel - Not watching"
before="$(tip_count)"
back_at=$SECONDS
mkdir "$desktop"
check "4: made anew: monitoring resumes" waits_for 70 log_shows "Desktop monitoring resumed" $((resumed + 1))
check "4: made anew: the hint says it runs again" waits_for 20 tip_after "$before" "Desktop Vantrel - Running"
echo "4: watching the new desktop $((SECONDS - back_at)) s after it was made, $((SECONDS - failed_at)) s after the old one went"
check "4: made anew: the empty desktop holds nothing new (found: $(rescanned))" test "$(rescanned)" = 0
save "RS Recreated.txt"
check "4: made anew: a new file is moved" arrives "$target/rs recreated.txt"
show_state
kill "$hinter" 2>/dev/null
wait "$hinter" 2>/dev/null
hinter=""

# --- 5. X ends the program ---
ends_by_x
show_state

finish
