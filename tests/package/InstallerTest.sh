#!/usr/bin/env bash
# The installer under Wine, in a prefix of its own: a silent install with the start at logon (the
# program, its shortcut, its uninstaller entry and the Run value its own box would write); the
# installed program moving a file; an upgrade over the running program, which is ended by its
# own Exit and started again; silent removals that keep the settings and the log, or remove them
# when asked, and leave another copy's start at logon alone.
#   InstallerTest.sh DesktopVantrel-<version>-win64-setup.exe vantrel_probe.exe VERSION
set -uo pipefail

setup="$1"
probe="$2"
version="$3"
exe=""  # set below, once installed
source "$(dirname "${BASH_SOURCE[0]}")/../app/e2e-lib.sh"

install_dir="$user_dir/AppData/Local/Programs/Desktop Vantrel"
exe="$install_dir/DesktopVantrel.exe"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Desktop Vantrel.lnk"
win_exe="C:\\users\\$(basename "$user_dir")\\AppData\\Local\\Programs\\Desktop Vantrel\\DesktopVantrel.exe"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\DesktopVantrel'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

reg() { "$run" reg "$@" 2>/dev/null | tr -d '\r'; }
# A value as `reg query` shows it: its type, four blanks, its data; nothing when it is missing.
value() { reg query "$1" /v "$2" | sed -n "s/^    $2    //p"; }
key_gone() { ! reg query "$1" >/dev/null; }
# Repeats a check for up to 30 s: the uninstaller goes on from a copy of itself after it returns.
eventually() {
    for _ in $(seq 1 60); do
        "$@" && return 0
        sleep 0.5
    done
    return 1
}
stopped_count() { text_of "$log" | grep -c -- "-> Log stopped"; }
# The window exists a moment before its constructor has set the box from the registry.
auto_start_ticked() { test "$(probe checked 'Aut&o start')" = "1"; }
log_closed() { test "$(text_of "$log" | tail -n 1)" = "==============================="; }

# --- a clean slate: what an earlier run left goes ---
rm -rf "$install_dir" "$data" "$target"
rm -f "$shortcut"
reg delete "$uninstall_key" /f >/dev/null
reg delete "$run_key" /v Vantrel /f >/dev/null

# --- silent install, start at logon ticked ---
"$run" "$setup" /S /AUTOSTART >/dev/null 2>&1
check "installer ends with 0" test $? -eq 0
check "program installed" test -f "$exe"
check "README installed as text" grep -q $'\r$' "$install_dir/README.txt"
check "uninstaller installed" test -f "$install_dir/Uninstall.exe"
check "Start menu shortcut" test -f "$shortcut"
check "shortcut points at the program" grep -qa "DesktopVantrel.exe" "$shortcut"
check "uninstaller entry: name" test "$(value "$uninstall_key" DisplayName)" = "REG_SZ    Desktop Vantrel"
check "uninstaller entry: version" test "$(value "$uninstall_key" DisplayVersion)" = "REG_SZ    $version"
check "uninstaller entry: icon" test "$(value "$uninstall_key" DisplayIcon)" = "REG_SZ    $win_exe,0"
check "uninstaller entry: command" test "$(value "$uninstall_key" UninstallString)" = \
    "REG_SZ    \"${win_exe%DesktopVantrel.exe}Uninstall.exe\""
check "start at logon: the bare path, as a string" test "$(value "$run_key" Vantrel)" = "REG_SZ    $win_exe"

# --- the installed program runs, takes the installer's start at logon for its own, and moves ---
start_program
check "installed program starts hidden" test "$(probe wait-main 60)" = "hidden"
# The window's pages are made when it is first shown; shown, it pauses moving, so it is hidden again.
probe hotkey H >/dev/null
check "H shows the installed program's window" becomes shown
check "its Auto start box is ticked by the installer's value" eventually auto_start_ticked
probe hotkey H >/dev/null
check "H hides it again" becomes hidden
check "installed program watches the desktop" watching
echo "moved by the installed program" >"$desktop/From Installed.txt"
check "installed program moves a new desktop file" arrives "$target/from installed.txt"

# --- upgrade over the running copy: ended by its own Exit, started again ---
stopped_before="$(stopped_count)"
rm -f "$install_dir/README.txt"
"$run" "$setup" /S >/dev/null 2>&1
check "upgrade ends with 0" test $? -eq 0
wait "$program"
check "running copy ended with 0" test $? -eq 0
check "running copy closed its log on the way out" test "$(stopped_count)" -eq $((stopped_before + 1))
check "files replaced" test -f "$install_dir/README.txt"
check "upgraded program started again" test "$(probe wait-main 60)" = "hidden"
check "start at logon kept by the upgrade" test "$(value "$run_key" Vantrel)" = "REG_SZ    $win_exe"

# --- silent removal: the program ended the same way; settings and log stay ---
"$run" "$install_dir/Uninstall.exe" /S >/dev/null 2>&1
check "uninstaller ends with 0" test $? -eq 0
check "running program ended by the uninstaller" probe wait-gone 30
check "program folder removed" eventually test ! -e "$install_dir"
check "uninstaller entry removed" eventually key_gone "$uninstall_key"
check "shortcut removed" test ! -e "$shortcut"
check "start at logon of this copy removed" test -z "$(value "$run_key" Vantrel)"
check "log closed by the program's own exit" log_closed
check "settings kept" test -s "$settings"
check "log kept" test -s "$log"

# --- another copy's start at logon is left alone; settings and log go when asked ---
elsewhere='C:\Elsewhere\DesktopVantrel.exe'
reg add "$run_key" /v Vantrel /t REG_SZ /d "$elsewhere" /f >/dev/null
"$run" "$setup" /S >/dev/null 2>&1
check "second install ends with 0" test $? -eq 0
check "install without the box leaves another copy's start at logon" \
    test "$(value "$run_key" Vantrel)" = "REG_SZ    $elsewhere"
"$run" "$install_dir/Uninstall.exe" /S /REMOVESETTINGS >/dev/null 2>&1
check "second removal: program folder removed" eventually test ! -e "$install_dir"
check "settings and log removed when asked" eventually test ! -e "$data"
check "removal leaves another copy's start at logon" test "$(value "$run_key" Vantrel)" = "REG_SZ    $elsewhere"
reg delete "$run_key" /v Vantrel /f >/dev/null

finish
