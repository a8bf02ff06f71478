#!/usr/bin/env bash
# The real program under Wine with a log of seven years: 40 MiB, 200,000 entries, written as the
# program writes them before it starts. With the window shown (H), "&View log" returns within a
# second and the window keeps answering; the memo shows the log's last entry in view; a search up
# from there finds the log's very first entry; H hides the window and a file saved on the desktop
# then is moved into the target.
#   BigLog.sh DesktopVantrel.exe vantrel_probe.exe
set -uo pipefail

exe="$1"
probe="$2"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"

user="$(basename "$user_dir")"
program=""
cleanup() {
    if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
    fi
    rm -f "$desktop"/biglog-*.txt "$target"/biglog-*.txt
    rm -rf "$data"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

# The log as the program writes it: UTF-16 LE without a byte-order mark, each entry the stamp (the
# prefix's short date and time), "-> ", the text and CR LF. The first entry of 2019 is told apart.
write_log() {
    awk -v user="$user" 'BEGIN {
        printf "1/2/2019 9:00:00 AM-> File: first-of-2019.txt moved to C:\\users\\%s\\Documents\\Vantrel\\first-of-2019.txt\r\n", user
        for (i = 1; i < 200000; i++) {
            day = int(i / 80); year = 2019 + int(day / 365); month = 1 + int((day % 365) / 31); date = 1 + (day % 28)
            hour = 1 + int(i / 7) % 12; minute = int(i / 3) % 60; second = i % 60; half = (i % 2) ? "AM" : "PM"
            printf "%d/%d/%d %d:%02d:%02d %s-> File: report-%06d.pdf moved to C:\\users\\%s\\Documents\\Vantrel\\report-%06d.pdf\r\n",
                month, date, year, hour, minute, second, half, i, user, i
        }
    }' | iconv -f UTF-8 -t UTF-16LE >"$log"
}
show_state() {
    new_failures || return 0
    echo "--- the log's last lines:" >&2
    text_of "$log" | tail -n 10 >&2
}

mkdir -p "$desktop" "$target" "$data"
rm -f "$desktop"/biglog-*.txt "$target"/biglog-*.txt
settings_with "<DestinationFolder>C:\\users\\$user\\Documents\\Vantrel\\</DestinationFolder>"
write_log
check "the log written is 40 MiB" test "$(stat -c %s "$log")" -ge $((40 * 1024 * 1024))

run_program
check "the program watches the desktop" watching
probe hotkey H >/dev/null
check "H shows the window" becomes shown

# The click, and how long the window took to answer in the 3 s after it, while the log comes in.
timing="$(probe click-ms "&View log" 3)"
echo "View log with a log of $(($(stat -c %s "$log") / 1024 / 1024)) MiB: ${timing:-no answer}"
click_ms="$(sed -n 's/^click \([0-9]*\) ms.*/\1/p' <<<"$timing")"
wait_ms="$(sed -n 's/.*longest wait \([0-9]*\) ms$/\1/p' <<<"$timing")"
check "View log returns within 1 s (${click_ms:-none} ms)" test "${click_ms:-99999}" -lt 1000
check "the window answers within 1 s all along (${wait_ms:-none} ms)" test "${wait_ms:-99999}" -lt 1000
last="$(text_of "$log" | grep -v "^$" | tail -n 1)"
check "the memo shows the log's last entry in view ($last)" probe memo-shows "$last" 10
pid="$(program_pid)"
[ -z "$pid" ] || echo "the program's resident memory: $(awk '/VmRSS/ { print $2, $3 }' "/proc/$pid/status")"

found="$(probe search "FIRST-of-2019.txt" up)"
check "a search up finds the log's first entry (${found:-nothing})" \
    test "$found" = "1/2/2019 9:00:00 AM-> File: first-of-2019.txt moved to C:\\users\\$user\\Documents\\Vantrel\\first-of-2019.txt"
found="$(probe search "report-199999.pdf moved" down)"
check "and a search down its last report (${found:-nothing})" grep -q "report-199999.pdf moved" <<<"$found"
show_state

probe hotkey H >/dev/null
check "H hides the window" becomes hidden
echo "saved after the log was viewed" >"$desktop/BigLog-After.txt"
check "a file saved then is moved into the target" arrives "$target/biglog-after.txt"
show_state

ends_by_x
finish
