#!/usr/bin/env bash
# The real program under Wine where a careless mover loses data: a new folder whose name a folder
# or a file in the target already has, names ending in a dot beside the same name without it, and
# a settings file whose target is the desktop itself. Every byte of both sides stays, nothing is
# left under a holding name, and "moved" is logged only for a folder that is in the target.
#   DataSafety.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

user="$(basename "$user_dir")"
win_desktop="C:\\users\\$user\\Desktop"
win_target="C:\\users\\$user\\Documents\\Vantrel\\"

# write_settings TARGET RENAMEFOLDER: folders moved after one quiet second, renamed items too.
write_settings() {
    settings_with "<DestinationFolder>$1</DestinationFolder>" "<MoveFolder>true</MoveFolder>" \
        "<MoveFolderDelay>1000</MoveFolderDelay>" "<RenameFolder>$2</RenameFolder>" \
        "<MoveRenamed>true</MoveRenamed>" "<RenameFile>true</RenameFile>"
}
stop_program() {
    # What the program did, for a reader of a failed run.
    [ "$failures" -eq 0 ] || { echo "--- log:" >&2; log_text | tail -n 40 >&2; ls -laR "$desktop" "$target" >&2; }
    ends_by_x
}
log_text() { text_of "$log"; }
no_holding_names() { ! ls -a "$desktop" "$target" "$target"/* 2>/dev/null | grep -qi '~dvrename'; }
content_is() { test -f "$1" && test "$(cat "$1")" = "$2"; }

clean() {
    rm -rf "$data" "$desktop"/safe-* "$desktop"/a "$desktop"/a. "$target"/safe-* "$target"/a. "$target"/[Rr]ename*_safe-*
    mkdir -p "$desktop" "$target"
}

# --- a folder clash with RenameFolder clear, and a file of the folder's name in the target ---
clean
mkdir -p "$target/safe-photos"
echo "old photo" >"$target/safe-photos/b.jpg"
echo "a file named like the folder" >"$target/safe-notes"
echo "plain a" >"$desktop/a"  # there before the program starts: not new
write_settings "$win_target" false
run_program
check "the program watches the desktop" watching
mkdir "$desktop/safe-photos" && echo "new photo" >"$desktop/safe-photos/a.jpg"
mkdir "$desktop/safe-notes" && echo "new note" >"$desktop/safe-notes/n.txt"
echo "dotted a" >"$desktop/a."
# A quiet second, the take, the refused move and the name given back, for each folder.
logged 'Folder: safe-\(photos\|notes\) not moved. Error code: 183' 2
logged "File: a. moved"
# The names given back are read by the monitor before a file saved now: once that file's report
# is in the log, a new attempt for either folder would have begun.
echo "after the refusals" >"$desktop/safe-after.txt"
logged "File: safe-after.txt moved"

check "the target's folder keeps its file" content_is "$target/safe-photos/b.jpg" "old photo"
check "nothing was put inside the target's folder" test "$(ls -A "$target/safe-photos")" = "b.jpg"
check "the new folder is back on the desktop, whole" content_is "$desktop/safe-photos/a.jpg" "new photo"
check "the target's file is untouched" content_is "$target/safe-notes" "a file named like the folder"
check "the folder named like it is back on the desktop" content_is "$desktop/safe-notes/n.txt" "new note"
check "no holding name is left anywhere" no_holding_names
check "the refused folders are logged with 183" test "$(log_text | grep -c 'Folder: safe-\(photos\|notes\) not moved. Error code: 183')" -eq 2
check "no folder is logged as moved" test "$(log_text | grep -c 'Folder: safe-[a-z]* moved')" -eq 0
check "giving a folder its name back starts no new attempt" test "$(log_text | grep -c 'Folder: safe-photos movement initialized')" -eq 1
check "a. is moved as itself" content_is "$target/a." "dotted a"
check "a stays where it was" content_is "$desktop/a" "plain a"
check "a. is logged as moved" grep -q "File: a. moved" <(log_text)
stop_program

# --- the same folder clash with RenameFolder set: the old one aside, the new one in ---
clean
mkdir -p "$target/safe-photos"
echo "old photo" >"$target/safe-photos/b.jpg"
write_settings "$win_target" true
run_program
check "the program watches the desktop" watching
mkdir "$desktop/safe-photos" && echo "new photo" >"$desktop/safe-photos/a.jpg"
check "moved is logged" logged "Folder: safe-photos moved"
check "and the folder is in the target" content_is "$target/safe-photos/a.jpg" "new photo"
check "the old folder is renamed aside, whole" content_is "$(ls -d "$target"/Rename*_safe-photos | head -n 1)/b.jpg" "old photo"
check "no holding name is left anywhere" no_holding_names
stop_program

# --- a settings file whose target is the desktop ---
clean
write_settings "$win_desktop" true
cp "$settings" "$settings.before"
run_program
# Watching: a marker saved once a second until a batch reports that it moved nothing.
for i in $(seq 1 30); do
    echo "is it watching?" >"$desktop/safe-watching-$i.txt"
    waits_for 2 log_shows 'Nothing moved' && break
done
rm -f "$desktop"/safe-watching-*.txt
check "the program watches the desktop" logged 'Nothing moved'
batches="$(log_count 'Nothing moved')"
echo "keep me" >"$desktop/safe-keep.txt"
check "the file's batch says why it moved nothing" logged 'Nothing moved' $((batches + 1))
mkdir "$desktop/safe-folder"
check "the folder's batch says why it moved nothing" logged 'Nothing moved' $((batches + 2))
check "the new file stays, whole" content_is "$desktop/safe-keep.txt" "keep me"
check "no renamed copy appears" test -z "$(ls "$desktop" | grep -i 'rename.*safe-keep')"
check "each batch wrote one line" test "$(log_count 'Nothing moved')" -eq $((batches + 2))
check "the new folder stays" test -d "$desktop/safe-folder"
check "one line says why" grep -qF "Nothing moved: the target folder $win_desktop\\ is the desktop folder." <(log_text)
check "the program keeps running" test "$(probe wait-main 5)" = "hidden"
check "the settings file is not rewritten" cmp -s "$settings" "$settings.before"
stop_program
rm -f "$settings.before"
clean

finish
