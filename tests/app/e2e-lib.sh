# Shared by the end-to-end scripts that drive the real program under Wine; sourced after
# setting exe and probe (the program and the probe tool).
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
run="$here/../../scripts/wine-run.sh"
prefix="$("$here/../../scripts/wine-prefix.sh")"
user_dir="$(find "$prefix/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)"
data="$user_dir/AppData/Local/Vantrel"
settings="$data/Settings.xml"
log="$data/Log.txt"
desktop="$user_dir/Desktop"
target="$user_dir/Documents/Vantrel"

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
# Writes the settings file, UTF-16 with its byte-order mark, holding the given elements, one a line.
settings_with() {  # settings_with ELEMENT...
    mkdir -p "$data"
    {
        printf '\xff\xfe'
        { printf '<Vantrel>\r\n'; printf '\t%s\r\n' "$@"; printf '</Vantrel>\r\n'; } | iconv -f UTF-8 -t UTF-16LE
    } >"$settings"
}
# Starts the program and checks (WHAT says where) that its main window is there, hidden. A program
# that ended instead has its exit status shown: a crash reads 1 (wine-run.sh), a signal 128 and more.
run_program() {  # run_program [WHAT]
    start_program
    state="$(probe wait-main 60)"
    check "${1:+$1: }started (state: ${state:-no main window})" test "$state" = "hidden"
    if [ "$state" != hidden ] && ended; then
        wait "$program"
        echo "the program ended by itself with status $?" >&2
    fi
}
# Whether failures came since the last call: a script shows its state once for each such stretch.
new_failures() {
    [ "$failures" -ne "${shown:-0}" ] || return 1
    shown=$failures
}
# Waits up to SECONDS for COMMAND to succeed, looking every 0.1 s.
waits_for() {  # waits_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}
# Waits up to 20 s for a file to appear.
arrives() { waits_for 20 test -f "$1"; }
# How many lines of the log match a pattern; whether at least COUNT do (default 1).
log_count() { text_of "$log" 2>/dev/null | grep -c -- "$1"; }
log_shows() { [ "$(log_count "$1")" -ge "${2:-1}" ]; }
# Waits up to 20 s for at least COUNT log lines that match a pattern.
logged() { waits_for 20 log_shows "$@"; }  # logged PATTERN [COUNT]
# Waits until the started program moves new desktop files: a marker is saved, once a second, until
# one arrives in the target. A marker saved before the monitor watched is no new item and stays;
# every marker is removed afterwards.
watching() {
    local i ok=1
    for i in $(seq 1 30); do
        echo "is it watching?" >"$desktop/watching-$i.txt"
        if waits_for 1 test -f "$target/watching-$i.txt"; then
            ok=0
            break
        fi
    done
    rm -f "$desktop"/watching-*.txt "$target"/watching-*.txt
    return "$ok"
}
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
# A file that stays on the desktop and is not in the target (where its name would be lower case).
stays() { test -f "$desktop/$1" -a ! -e "$target/${1,,}"; }
# The Linux pid of the program's own Wine process: the one whose first argument is the program
# (Wine puts its Windows path there) and that runs in this prefix; not the shell that started it,
# nor one of another prefix. Empty unless there is exactly one.
program_pid() {
    local pid found=()
    for pid in $(pgrep -f 'DesktopVantrel\.exe'); do
        tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1 | grep -qi 'DesktopVantrel\.exe$' || continue
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" || continue
        found+=("$pid")
    done
    [ "${#found[@]}" -eq 1 ] && echo "${found[0]}"
}
# Whether the started program's process has ended.
ended() { ! kill -0 "$program" 2>/dev/null; }
# The stacks of the program's threads, for the reader of a run in which it did not end.
program_stacks() {
    printf 'bt all\nquit\n' | WINEPREFIX="$prefix" WINEDEBUG=-all timeout 60 wine winedbg 2>/dev/null |
        awk '/^Backtracing for thread/ { on = /DesktopVantrel\.exe/ } on'
}
# X ends the program (NAME says where): its window goes and its process ends with 0, each within
# 30 s. A program that has not ended by then has its stacks shown and is killed, so the script
# goes on.
ends_by_x() {  # ends_by_x [NAME]
    local what="${1:-X ends the program}" status
    probe hotkey X >/dev/null
    check "$what" probe wait-gone 30
    if ! waits_for 30 ended; then
        echo "--- the program did not end; its threads:" >&2
        program_stacks >&2
        kill "$program" 2>/dev/null
    fi
    wait "$program"
    status=$?
    check "the program ends with 0" test "$status" -eq 0
    program=""
}
# Ends with the plain closing line and the script's status.
finish() {
    echo "$passed passed, $failures failed"
    [ "$failures" -eq 0 ]
}
