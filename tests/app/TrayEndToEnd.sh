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
# A file saved on the desktop; the name the program gives it in the target is in lower case.
save() { echo "saved by the tray test" >"$desktop/$1"; }
# Nothing outside shows the monitor reading a change it does not act on: a file saved while moving
# is paused is given a second for that before the pause ends. Whether it stayed is checked once a
# file saved later has arrived, which the monitor reads after it.
unread() { sleep 1; }

rm -rf "$data"
mkdir -p "$desktop"
rm -f "$desktop"/tray-*.txt "$target"/tray-*.txt 2>/dev/null
start_program
state="$(probe wait-main 60)"
check "started hidden (state: ${state:-no main window})" test "$state" = "hidden"
check "the program watches the desktop" watching

# Running: a new file is moved.
save "Tray-Before.txt"
check "a file is moved while the window is hidden" arrives "$target/tray-before.txt"

# Shown: paused.
probe hotkey H >/dev/null
check "H shows the window" becomes shown
save "Tray-While-Shown.txt"
unread

# Hidden again: new files are moved, the one saved meanwhile stays.
probe hotkey H >/dev/null
check "H hides the window" becomes hidden
save "Tray-After.txt"
check "a file saved after hiding is moved" arrives "$target/tray-after.txt"
check "the file saved while shown stays after hiding" stays "Tray-While-Shown.txt"

# The user's pause from the tray menu holds across show and hide.
# The probe returns once the menu has closed on the chosen entry, which the program carries out
# before it reads its next message.
check "the tray menu's Paused entry is chosen" probe command "&Paused"
save "Tray-Paused.txt"
unread
probe hotkey H >/dev/null
check "shown while paused" becomes shown
probe hotkey H >/dev/null
check "hidden while paused" becomes hidden
save "Tray-Still-Paused.txt"
unread
check "the tray menu's Paused entry is chosen again" probe command "&Paused"
save "Tray-Resumed.txt"
check "unchecking the pause resumes moving" arrives "$target/tray-resumed.txt"
check "a file saved while paused stays" stays "Tray-Paused.txt"
check "still paused after hiding" stays "Tray-Still-Paused.txt"

# I: the icon off, written at once.
probe hotkey I >/dev/null
icon_off() { text_of "$settings" | grep -qi "<ShowIcon>false</ShowIcon>"; }
check "I writes ShowIcon off into the settings file" waits_for 20 icon_off
cp "$settings" "$settings.after-i"

# X: the program ends and the settings file stays as I left it.
ends_by_x
check "X writes no settings" cmp -s "$settings" "$settings.after-i"
rm -f "$settings.after-i" "$desktop"/Tray-*.txt "$target"/tray-*.txt

finish
