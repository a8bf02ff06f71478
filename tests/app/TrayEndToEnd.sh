#!/usr/bin/env bash
# The real program under Wine, driven as the user drives it from the tray and the keyboard:
# the H hotkey shows the window, which pauses moving, so a file saved on the desktop meanwhile
# stays there, also after the window is hidden again; once hidden, new files are moved again.
# The user's pause from the tray menu holds after hiding; the I hotkey writes the settings file
# with ShowIcon off; X ends the program and writes nothing more.
#   TrayEndToEnd.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"
# The window's state as the probe sees it, once it has become what is expected (up to 10 s).
becomes() {
    local state=""
    for _ in $(seq 1 20); do
        state="$(probe wait-main 5)"
        [ "$state" = "$1" ] && return 0
        sleep 0.5
    done
    return 1
}
# A file saved on the desktop; the name the program gives it in the target is in lower case.
save() { echo "saved by the tray test" >"$desktop/$1"; }
stays() {  # stays NAME: still on the desktop after the monitor had time to see it, not in the target
    sleep 3
    test -f "$desktop/$1" -a ! -e "$target/${1,,}"
}

rm -rf "$data"
mkdir -p "$desktop"
rm -f "$desktop"/tray-*.txt "$target"/tray-*.txt 2>/dev/null
start_program
state="$(probe wait-main 60)"
check "started hidden (state: ${state:-no main window})" test "$state" = "hidden"
sleep 1

# Running: a new file is moved (so the monitor is watching).
save "Tray-Before.txt"
check "a file is moved while the window is hidden" arrives "$target/tray-before.txt"

# Shown: paused.
probe hotkey H >/dev/null
check "H shows the window" becomes shown
save "Tray-While-Shown.txt"
check "a file saved while the window is shown stays on the desktop" stays "Tray-While-Shown.txt"

# Hidden again: the file saved meanwhile stays; new ones are moved.
probe hotkey H >/dev/null
check "H hides the window" becomes hidden
check "the file saved while shown still stays after hiding" stays "Tray-While-Shown.txt"
save "Tray-After.txt"
check "a file saved after hiding is moved" arrives "$target/tray-after.txt"

# The user's pause from the tray menu holds across show and hide.
check "the tray menu's Paused entry is chosen" probe command "&Paused"
sleep 1
save "Tray-Paused.txt"
check "a file saved while paused stays" stays "Tray-Paused.txt"
probe hotkey H >/dev/null
check "shown while paused" becomes shown
probe hotkey H >/dev/null
check "hidden while paused" becomes hidden
save "Tray-Still-Paused.txt"
check "still paused after hiding" stays "Tray-Still-Paused.txt"
check "the tray menu's Paused entry is chosen again" probe command "&Paused"
sleep 1
save "Tray-Resumed.txt"
check "unchecking the pause resumes moving" arrives "$target/tray-resumed.txt"

# I: the icon off, written at once.
probe hotkey I >/dev/null
sleep 2
check "I writes ShowIcon off into the settings file" grep -qi "<ShowIcon>false</ShowIcon>" <(text_of "$settings")
cp "$settings" "$settings.after-i"

# X: the program ends and the settings file stays as I left it.
probe hotkey X >/dev/null
check "X ends the program" probe wait-gone 30
wait "$program"
check "the program ends with 0" test $? -eq 0
check "X writes no settings" cmp -s "$settings" "$settings.after-i"
rm -f "$settings.after-i" "$desktop"/Tray-*.txt "$target"/tray-*.txt

finish
