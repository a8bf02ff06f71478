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
# Waits up to 20 s for a file to appear.
arrives() {
    for _ in $(seq 1 100); do
        [ -f "$1" ] && return 0
        sleep 0.2
    done
    return 1
}
# Ends with the plain closing line and the script's status.
finish() {
    echo "$passed passed, $failures failed"
    [ "$failures" -eq 0 ]
}
