#!/usr/bin/env bash
# The real program under Wine with its target on another drive, where a move is a copy and a
# careless mover loses data: items arrive byte for byte; on a full drive they stay whole on the
# desktop and no copy is left behind; a file a Windows program is still writing (sharing it even
# for deletion) ends up whole in exactly one place; a folder given back keeps the letter case of
# its name; Exit during a long copy leaves the original whole and no partial copy; and after the
# program was killed during a copy, its next start removes what the copy left.
#   CrossVolume.sh DesktopVantrel.exe vantrel_probe.exe
# Two drive letters of the prefix are mapped for the run: M: to a folder on another filesystem
# than the desktop's, N: to a 1 MiB tmpfs mounted for the run (it needs root; without it the
# full-drive cases are skipped and say so).
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

tmp="$(mktemp -d)"
wide=""         # M:, on another filesystem than the desktop
wide_mount=""   # set when M: is a tmpfs mounted here
full=""         # N:, 1 MiB
full_mount=""
program=""
drive_m="$prefix/dosdevices/m:"
drive_n="$prefix/dosdevices/n:"

cleanup() {
    # A program still running would hold files on the drives.
    if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
    fi
    rm -f "$drive_m" "$drive_n"
    rm -rf "$desktop"/xv-* "$desktop"/XV* "$desktop"/"Holiday Snaps"* "$desktop"/~dv*
    [ -z "$full_mount" ] || umount "$full_mount" 2>/dev/null || umount -l "$full_mount" 2>/dev/null
    [ -z "$wide_mount" ] || umount "$wide_mount" 2>/dev/null || umount -l "$wide_mount" 2>/dev/null
    [ -z "$full" ] || rmdir "$full" 2>/dev/null
    [ -z "$wide" ] || rm -rf "$wide"
    rm -rf "$tmp"
}
trap cleanup EXIT
# Ended from outside (a time-out), the script still cleans up.
trap 'exit 1' TERM INT HUP

# --- the drives ---
desktop_device="$(stat -c %d "$desktop")"
for place in /dev/shm /run/shm /var/tmp /tmp; do
    [ -d "$place" ] && [ -w "$place" ] && [ "$(stat -c %d "$place")" != "$desktop_device" ] || continue
    wide="$(mktemp -d "$place/vantrel-xv-m.XXXXXX")" && break
done
if [ -z "$wide" ]; then
    wide="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-xv-m.XXXXXX")"
    if mount -t tmpfs tmpfs "$wide" 2>/dev/null; then
        wide_mount="$wide"
    else
        echo "SKIPPED: every case (no other filesystem than the desktop's, and no tmpfs can be mounted: not root)"
        finish
        exit
    fi
fi
full="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-xv-n.XXXXXX")"
mount -t tmpfs -o size=1m tmpfs "$full" 2>/dev/null && full_mount="$full"
check "M: is on another filesystem than the desktop" test "$(stat -c %d "$wide")" != "$desktop_device"
mkdir -p "$wide/Inbox"
ln -sfn "$wide" "$drive_m"
if [ -n "$full_mount" ]; then
    mkdir -p "$full/Inbox"
    ln -sfn "$full" "$drive_n"
fi

# write_settings TARGET TRYTOMOVE TRYCOUNT: folders moved after one quiet second, renamed items too.
write_settings() {
    settings_with "<DestinationFolder>$1</DestinationFolder>" "<MoveFolder>true</MoveFolder>" \
        "<MoveFolderDelay>1000</MoveFolderDelay>" "<MoveRenamed>true</MoveRenamed>" \
        "<TryToMove>$2</TryToMove>" "<TryCount>$3</TryCount>"
}
log_text() { text_of "$log"; }
# What the program did and where everything is, for a reader of a failed run: once for each
# stretch with new failures.
show_state() {
    new_failures || return 0
    echo "--- log:" >&2
    log_text | tail -n 40 >&2
    ls -laR "$desktop" "$wide" ${full_mount:+"$full"} >&2
}
run_watching() {  # run_watching WHAT
    run_program "$1"
    check "$1: the program watches the desktop" watching
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
stop_program() {
    show_state
    ends_by_x
}
# put NAME FROM: a file saved on the desktop whole: written under an excluded name, then renamed.
put() {
    cp "$2" "$desktop/$1.tmp" && mv "$desktop/$1.tmp" "$desktop/$1"
}
# random FILE SIZE
random() { head -c "$2" /dev/urandom >"$1"; }
copies_in() { compgen -G "$1/~dvcopy*" >/dev/null; }
no_copies_in() { ! copies_in "$1"; }
no_holding_names() { ! ls -a "$desktop" | grep -qi '~dvrename'; }
# The bytes the probe's write-slowly writes: byte i is i % 251.
pattern() {  # pattern FILE SIZE
    printf "$(printf '\\%03o' $(seq 0 250))" >"$1"
    while [ "$(stat -c %s "$1")" -lt "$2" ]; do
        cat "$1" "$1" >"$1.twice" && mv "$1.twice" "$1"
    done
    truncate -s "$2" "$1"
}
# whole_in_one_place EXPECTED PATH...: exactly one of the paths exists, and holds EXPECTED's bytes.
whole_in_one_place() {
    local expected="$1" found=0 path
    shift
    for path in "$@"; do
        [ -e "$path" ] || continue
        cmp -s "$expected" "$path" || return 1
        found=$((found + 1))
    done
    [ "$found" -eq 1 ]
}
# A large sparse file with random bytes at both ends, fast to make; its ends stand for it.
ends_of() { { head -c 1048576 "$1"; tail -c 1048576 "$1"; stat -c %s "$1"; } | md5sum; }

rm -rf "$data" "$desktop"/xv-* "$desktop"/XV* "$desktop"/"Holiday Snaps"*
# The pause after an item in use and TryCount more attempts, a second apart: a slow writer has
# time to finish.
write_settings 'M:\Inbox\' true 20
inbox="$wide/Inbox"
target="$inbox"  # where watching looks for its markers
run_watching "target on M:"

# --- 1. a file and a folder arrive on the other drive byte for byte ---
random "$tmp/random.bin" 2097152
mkdir -p "$tmp/album/Sub Folder/Deeper"
random "$tmp/album/Cover.jpg" 150000
echo "a note in the album" >"$tmp/album/Sub Folder/Notes.txt"
random "$tmp/album/Sub Folder/Deeper/Track 01.bin" 300000
: >"$tmp/album/Sub Folder/Empty.txt"
put "XV Random.bin" "$tmp/random.bin"
cp -r "$tmp/album" "$desktop/XV Album"
check "1: the file is logged as moved" logged "File: xv random.bin moved"
check "1: the folder is logged as moved" logged "Folder: xv album moved"
check "1: the file is in the target, byte for byte" cmp -s "$tmp/random.bin" "$inbox/xv random.bin"
check "1: the file is gone from the desktop" test ! -e "$desktop/XV Random.bin"
check "1: the folder is in the target, byte for byte" diff -r "$tmp/album" "$inbox/xv album"
check "1: the folder is gone from the desktop" test ! -e "$desktop/XV Album"
check "1: no temporary copy is left in the target" no_copies_in "$inbox"
check "1: no holding name is left on the desktop" no_holding_names

# --- 3. a file a Windows program writes slowly, sharing it even for deletion ---
slow_size=2621440
pattern "$tmp/slow.bin" "$slow_size"
"$run" "$probe" write-slowly "XV Slow.bin" 3 "$slow_size" >/dev/null 2>&1 &
writer=$!
check "3: the writer made the file" waits_for 20 test -e "$desktop/XV Slow.bin"
wait "$writer"
check "3: the writer wrote the whole file" test $? -eq 0
check "3: the file's batch ends" logged "File: xv slow.bin \(not \)\?moved"
check "3: the file is whole in exactly one place" \
    whole_in_one_place "$tmp/slow.bin" "$desktop/XV Slow.bin" "$inbox/xv slow.bin"
if log_shows "File: xv slow.bin moved"; then
    check "3: logged as moved, the target holds it whole" cmp -s "$tmp/slow.bin" "$inbox/xv slow.bin"
fi
check "3: tried again until the writer was done, it arrived" cmp -s "$tmp/slow.bin" "$inbox/xv slow.bin"
check "3: no temporary copy is left in the target" no_copies_in "$inbox"

# --- 5. Exit during a long copy ---
# A copy onto a tmpfs runs at some hundred MB/s under Wine: 4 GiB, sparse, take far longer to copy
# than the Exit takes, and only what was copied until then ever takes memory.
big_size=$((4 * 1024 * 1024 * 1024))
truncate -s "$big_size" "$desktop/XV Big.tmp"
head -c 1048576 /dev/urandom | dd of="$desktop/XV Big.tmp" bs=1048576 iflag=fullblock conv=notrunc status=none
head -c 1048576 /dev/urandom | dd of="$desktop/XV Big.tmp" bs=1048576 iflag=fullblock \
    seek=$((big_size / 1048576 - 1)) conv=notrunc status=none
big_ends="$(ends_of "$desktop/XV Big.tmp")"
mv "$desktop/XV Big.tmp" "$desktop/XV Big.bin"
check "5: the copy begins" waits_for 20 copies_in "$inbox"
probe hotkey X >/dev/null
exit_sent="$(now_ms)"
waits_for 4 ended
exit_ms=$(($(now_ms) - exit_sent))
check "5: the program ends within about 3 s of Exit (took $exit_ms ms)" test "$exit_ms" -le 3000
ended || kill "$program"
wait "$program"
check "5: the program ends with 0" test $? -eq 0
program=""
check "5: the original is whole on the desktop" test "$(ends_of "$desktop/XV Big.bin")" = "$big_ends"
check "5: no partial copy is left in the target" no_copies_in "$inbox"
check "5: nothing reached the target under its name" test ! -e "$inbox/xv big.bin"
check "5: the file is not logged as moved" test "$(log_count 'File: xv big.bin moved')" -eq 0
check "5: the log says it was not moved" log_shows "File: xv big.bin not moved. Error code: "
show_state

# --- 2. and 4. a full drive: everything stays whole on the desktop, the target gets nothing ---
if [ -n "$full_mount" ]; then
    full_inbox="$full/Inbox"
    write_settings 'N:\Inbox\' false 0
    target="$full_inbox"
    run_watching "target on the full N:"
    random "$tmp/toobig.bin" 3145728
    mkdir -p "$tmp/toobig-folder/Inner"
    random "$tmp/toobig-folder/Inner/Video.bin" 3145728
    echo "small" >"$tmp/toobig-folder/Readme.txt"
    put "XV Too Big.bin" "$tmp/toobig.bin"
    cp -r "$tmp/toobig-folder" "$desktop/xv-toobig-folder"
    check "2: the file is not moved, for want of room" logged "File: xv too big.bin not moved. Error code: 112"
    check "2: the folder is not moved, for want of room" \
        logged "Folder: xv-toobig-folder not moved. Error code: 112"
    check "2: the file stays whole on the desktop" cmp -s "$tmp/toobig.bin" "$desktop/XV Too Big.bin"
    check "2: the folder stays whole on the desktop" diff -r "$tmp/toobig-folder" "$desktop/xv-toobig-folder"
    check "2: the target holds nothing of them" test -z "$(ls -A "$full_inbox")"
    check "2: nor does the drive" test "$(ls -A "$full")" = "Inbox"
    check "2: no holding name is left on the desktop" no_holding_names
    check "2: neither is logged as moved" test "$(log_count 'xv[ -]too.* moved$')" -eq 0
    echo "a small file" >"$tmp/small.txt"
    put "XV Small.txt" "$tmp/small.txt"
    check "2: a small file still moves" logged "File: xv small.txt moved"
    check "2: and arrives whole" cmp -s "$tmp/small.txt" "$full_inbox/xv small.txt"

    mkdir -p "$tmp/Holiday Snaps"
    random "$tmp/Holiday Snaps/Beach.jpg" 3145728
    cp -r "$tmp/Holiday Snaps" "$desktop/Holiday Snaps"
    check "4: the folder is not moved" logged "Folder: holiday snaps not moved. Error code: 112"
    check "4: it has its own name back, letter case included" \
        test "$(ls "$desktop" | grep -i '^holiday snaps')" = "Holiday Snaps"
    check "4: whole" diff -r "$tmp/Holiday Snaps" "$desktop/Holiday Snaps"
    check "4: no holding name is left on the desktop" no_holding_names
    check "4: the target holds nothing of it" test "$(ls -A "$full_inbox")" = "xv small.txt"
    stop_program
else
    echo "SKIPPED: 2. and 4., the full drive (a 1 MiB tmpfs cannot be mounted: not root)"
fi

# --- 6. the program killed during a long copy; its next start clears up ---
write_settings 'M:\Inbox\' false 0
target="$inbox"
run_watching "target on M: again"
# Renamed on the desktop, the big file is a new item again.
mv "$desktop/XV Big.bin" "$desktop/XV Big Again.bin"
check "6: the copy begins" waits_for 20 copies_in "$inbox"
# The program's own Wine process, by force: the one whose first argument is the program (Wine
# puts its Windows path there) and that runs in this prefix; not the shell that started it, nor
# one of another prefix.
killed=0
for pid in $(pgrep -f 'DesktopVantrel\.exe'); do
    tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1 | grep -qi 'DesktopVantrel\.exe$' || continue
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" || continue
    kill -9 "$pid" && killed=$((killed + 1))
done
check "6: the program's process is killed" test "$killed" -eq 1
[ "$killed" -eq 1 ] || kill "$program"
wait "$program"
program=""
check "6: the killed copy is left in the target" copies_in "$inbox"
check "6: the original is whole on the desktop" test "$(ends_of "$desktop/XV Big Again.bin")" = "$big_ends"
run_watching "started after the kill"
check "6: the start reports the unfinished copy removed" logged "Unfinished copy removed: M:\\\\Inbox\\\\~dvcopy"
check "6: no temporary copy is left in the target" no_copies_in "$inbox"
check "6: nothing reached the target under its name" test ! -e "$inbox/xv big again.bin"
check "6: the original is still whole on the desktop" \
    test "$(ends_of "$desktop/XV Big Again.bin")" = "$big_ends"
stop_program

finish
