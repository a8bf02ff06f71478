#!/usr/bin/env bash
# The real program under Wine putting batches back with Ctrl+Alt+Shift+Z and tidying the desktop
# with Ctrl+Alt+Shift+T. A batch of files and a folder, one of them clashing with a file in the
# target, comes back whole under the names the user gave it, the clashing file gets its name back,
# and the items stay; a second Z undoes the batch before; the journal outlives a restart; a tidy
# asks first, moves what the masks do not keep as one batch, and one Z puts the desktop back as it
# was; a damaged journal is set aside and the program goes on.
#   Undo.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

user="$(basename "$user_dir")"
win_target="C:\\users\\$user\\Documents\\Vantrel\\"
journal="$data/Journal.txt"
# What the test saves, kept aside to compare byte for byte; beside the desktop, not on it.
ref="$user_dir/undo-reference"
program=""
stopped=""

# The desktop and the target hold only what the test saves there, before and after.
empty() {
    mkdir -p "$desktop" "$target"
    find "$desktop" "$target" -mindepth 1 -delete
    rm -rf "$ref"
}
cleanup() {
    [ -z "$stopped" ] || kill -CONT "$stopped" 2>/dev/null
    if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
    fi
    empty
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

# Folders moved after one quiet second, a clashing file renamed aside.
write_settings() {
    settings_with "<DestinationFolder>$win_target</DestinationFolder>" "<MoveFolder>true</MoveFolder>" \
        "<MoveFolderDelay>1000</MoveFolderDelay>" "<RenameFile>true</RenameFile>"
}

# make_item NAME: random bytes under NAME in the reference folder; NAME/ makes a folder of two files.
make_item() {
    mkdir -p "$ref"
    if [ "${1%/}" != "$1" ]; then
        mkdir -p "$ref/$1"
        head -c 70000 /dev/urandom >"$ref/$1/inside.bin"
        echo "a note in the folder" >"$ref/$1/Note.txt"
    else
        head -c $((1000 + RANDOM)) /dev/urandom >"$ref/$1"
    fi
}
# save NAME...: made and copied onto the desktop.
save() {
    local name
    for name in "$@"; do
        make_item "$name"
        cp -r "$ref/${name%/}" "$desktop/"
    done
}
# back NAME...: on the desktop under exactly that name, byte for byte.
back() {
    local name
    for name in "$@"; do
        diff -r "$ref/${name%/}" "$desktop/${name%/}" >/dev/null 2>&1 || return 1
    done
}
# The names in the target, on one line.
target_holds() { test "$(LC_ALL=C ls "$target" | tr '\n' '|')" = "$1"; }
# moved NAME...: in the target (under its name in lower case), gone from the desktop.
moved() {
    local name
    for name in "$@"; do
        name="${name%/}"
        [ -e "$target/${name,,}" ] && [ ! -e "$desktop/$name" ] || return 1
    done
}
# The journal holds a move of NAME: the program has recorded what it did.
journaled() { text_of "$journal" 2>/dev/null | grep -qF -- "$1"; }
# The desktop as a listing of names and contents, to compare before and after.
picture() { (cd "$desktop" && find . -mindepth 1 -type d | sort && find . -type f -exec md5sum {} + | sort -k 2); }
desktop_is() { test "$(picture)" = "$1"; }
logged_line() { waits_for 20 log_shows "$1"; }
show_state() {
    new_failures || return 0
    echo "--- log:" >&2
    text_of "$log" | grep -v 'watching-' | tail -n 40 >&2
    echo "--- desktop and target:" >&2
    ls -laR "$desktop" "$target" 2>&1 | head -n 40 >&2
}

empty
rm -rf "$data"
write_settings

# --- 1. a batch of files and a folder, one file clashing, put back by Z; a second Z, the batch before ---
run_program
check "1: the program watches the desktop" watching
save "Undo First.txt"
check "1: the first batch is moved" waits_for 20 moved "Undo First.txt"
check "1: and journaled" waits_for 20 journaled "Undo First.txt"

# A file of the clashing name in the target, as an earlier day left it.
echo "the target's own clash file" >"$target/undo clash.txt"
cp "$target/undo clash.txt" "$ref/target clash.txt"
# The program stopped while the items arrive: they come to it in one read, as one batch.
pid="$(program_pid)"
check "1: the program's Wine process is found, once (${pid:-none})" test -n "$pid"
[ -z "$pid" ] || { kill -STOP "$pid" && stopped="$pid"; }
save "Undo Alpha.TXT" "Undo Beta.bin" "UNDO Clash.txt" "Undo Folder/"
[ -z "$stopped" ] || { kill -CONT "$stopped" && stopped=""; }
check "1: the files are moved" waits_for 20 moved "Undo Alpha.TXT" "Undo Beta.bin" "UNDO Clash.txt"
check "1: the folder is moved after its quiet second" waits_for 20 moved "Undo Folder"
check "1: the target's own file is renamed aside" \
    waits_for 20 test "$(ls "$target" | grep -c '^Rename-\?[0-9]*_undo clash\.txt$')" -eq 1
check "1: one batch of four" log_shows ">> Operation report for 4 files <<"
check "1: the folder is journaled" waits_for 20 journaled "Undo Folder"
show_state

probe hotkey Z >/dev/null
check "1: Z puts every item back, byte for byte, under its own name" \
    waits_for 20 back "Undo Alpha.TXT" "Undo Beta.bin" "UNDO Clash.txt" "Undo Folder"
check "1: the file renamed aside has its name back" waits_for 20 cmp -s "$ref/target clash.txt" "$target/undo clash.txt"
check "1: the target holds the first batch and its own file alone" target_holds "undo clash.txt|undo first.txt|"
check "1: the undo report" logged_line ">> Undo report for 4 items <<"
check "1: a file moved back" log_shows "^File: Undo Alpha.TXT moved back$"
check "1: the folder moved back" log_shows "^Folder: Undo Folder moved back$"
check "1: the renamed file's line" \
    log_shows "^File: .*\\\\Rename-\?[0-9]*_undo clash\.txt renamed back to: .*\\\\Vantrel\\\\undo clash\.txt$"
sleep 5
check "1: 5 s later every item is still on the desktop" back "Undo Alpha.TXT" "Undo Beta.bin" "UNDO Clash.txt" \
    "Undo Folder"
probe hotkey Z >/dev/null
check "1: a second Z puts the batch before back" waits_for 20 back "Undo First.txt"
check "1: the target holds its own file alone" waits_for 20 target_holds "undo clash.txt|"
check "1: its report" logged_line ">> Undo report for 1 items <<"
show_state

# --- 2. the journal outlives a restart ---
rm -rf "$desktop"/Undo* "$desktop"/UNDO* "$target/undo clash.txt"
save "Undo Restart.txt"
check "2: a file is moved" waits_for 20 moved "Undo Restart.txt"
check "2: and journaled" waits_for 20 journaled "Undo Restart.txt"
ends_by_x
run_program
probe hotkey Z >/dev/null
check "2: after the restart Z puts it back" waits_for 20 back "Undo Restart.txt"
check "2: the target is empty again" waits_for 20 target_holds ""
check "2: the program watches the desktop" watching
rm -f "$desktop/Undo Restart.txt"
show_state

# --- 3. tidy now: asked first, No moves nothing, Yes moves one batch that one Z puts back ---
# Saved while moving is paused, so they stay on the desktop until the tidy.
check "3: the tray menu's Paused entry is chosen" probe command "&Paused"
save "Tidy One.txt" "tidy two.TXT" "Tidy Three.doc" "TIDY FOUR.pdf" "Tidy Five" "Tidy Link.lnk" "Tidy Folder/"
sleep 1
check "3: the tray menu's Paused entry is chosen again" probe command "&Paused"
before="$(picture)"
probe hotkey T >/dev/null
question="$(probe answer-box "Desktop Vantrel" 20 no)"
check "3: the tidy asks ($question)" test "$question" = "Move 6 items from the desktop to ${win_target%\\}?"
sleep 1
check "3: No moves nothing" desktop_is "$before"
probe hotkey T >/dev/null
question="$(probe answer-box "Desktop Vantrel" 20 yes)"
check "3: asked again, the same ($question)" test "$question" = "Move 6 items from the desktop to ${win_target%\\}?"
check "3: Yes moves the five files and the folder" waits_for 20 moved "Tidy One.txt" "tidy two.TXT" "Tidy Three.doc" \
    "TIDY FOUR.pdf" "Tidy Five" "Tidy Folder"
check "3: the folder is journaled" waits_for 20 journaled "Tidy Folder"
check "3: the link stays" cmp -s "$ref/Tidy Link.lnk" "$desktop/Tidy Link.lnk"
probe hotkey Z >/dev/null
check "3: Z puts the desktop back as it was" waits_for 20 desktop_is "$before"
check "3: the target is empty again" waits_for 20 target_holds ""
check "3: the undo report" logged_line ">> Undo report for 6 items <<"
sleep 5
check "3: 5 s later it still is" desktop_is "$before"
ends_by_x
show_state

# --- 4. a damaged journal is set aside; the program moves and undoes as before ---
head -c 3000 /dev/urandom >"$journal"
cp "$journal" "$ref/damaged journal"
find "$desktop" -mindepth 1 -delete
run_program
check "4: the journal set aside is logged" logged_line "Journal of moves could not be read and was set aside as: "
aside="$(text_of "$log" | sed -n 's/.*Journal of moves could not be read and was set aside as: //p' | tail -n 1)"
check "4: the damaged journal is kept whole (${aside##*\\})" cmp -s "$ref/damaged journal" "$data/${aside##*\\}"
check "4: the program watches the desktop" watching
save "Undo After Damage.txt"
check "4: a file is moved" waits_for 20 moved "Undo After Damage.txt"
check "4: and journaled" waits_for 20 journaled "Undo After Damage.txt"
probe hotkey Z >/dev/null
check "4: Z puts it back" waits_for 20 back "Undo After Damage.txt"
check "4: the target is empty again" waits_for 20 target_holds ""
ends_by_x
rm -f "$data"/Journal\ \(damaged*
show_state

finish
