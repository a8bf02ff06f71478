#!/usr/bin/env bash
# Runs a Windows program in the project's test prefix and returns its exit code.
# CTest uses it as the emulator for cross-compiled tests: wine-run.sh program.exe args...
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# Never a default prefix: whatever WINEPREFIX the caller had (none, or the user's own), every Wine
# command below runs in the project's prefix, which wine-prefix.sh makes when it is missing and
# names (a 32-bit one with VANTREL_WINEARCH=win32). Without it nothing is started.
prefix="$("$here/wine-prefix.sh")"
if [ ! -f "$prefix/system.reg" ]; then
    echo "wine-run.sh: no Wine prefix to run in ('$prefix'); nothing started" >&2
    exit 1
fi
arch="${VANTREL_WINEARCH:-win64}"

export WINEPREFIX="$prefix"
export WINEARCH="$arch"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
export WINEDEBUG="${WINEDEBUG:--all}"

# Debian's `wine` takes the 32-bit loader when wine32 is installed (it runs PE32 and PE32+ in a
# 64-bit prefix, PE32 alone in a 32-bit one) and falls back to wine64 otherwise, which runs 64-bit
# programs only.
loader=wine
if ! command -v wine >/dev/null 2>&1; then
    loader=/usr/lib/wine/wine64
    [ -x "$loader" ] || loader=wine64
fi

# A program the prefix cannot run would fail with a loader error that names no cause: a 32-bit
# one without wine32 (Debian's layout: wine64 alone), a 64-bit one in a 32-bit prefix.
machine=""
if [ -f "${1:-}" ] && command -v od >/dev/null 2>&1; then
    pe_offset="$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')"
    if [ -n "$pe_offset" ]; then
        machine="$(od -An -t x2 -j $((pe_offset + 4)) -N 2 "$1" | tr -d ' ')"
    fi
fi
if [ "$machine" = 014c ] && [ -x /usr/lib/wine/wine64 ] && [ ! -x /usr/lib/wine/wine ]; then
    echo "wine-run.sh: $1 is a 32-bit program and wine32 is not installed (scripts/install-deps.sh)" >&2
    exit 1
fi
if [ "$machine" = 8664 ] && [ "$arch" = win32 ]; then
    echo "wine-run.sh: $1 is a 64-bit program and $prefix is a 32-bit prefix (VANTREL_WINEARCH=win32)" >&2
    exit 1
fi

# One server for the prefix, kept alive for a minute after its last program, so each test
# start does not pay for a new one. It exits non-zero at once when the server already runs.
if wineserver -p60 </dev/null >/dev/null 2>&1; then
    # A new server: bring up the prefix's background services now, away from our output.
    # Started by the test program itself they would inherit its stdout and stderr, and CTest
    # would wait for them to exit before it counts the test as finished.
    timeout 120 "$loader" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || true
fi

# Wine does not always hand a crash on as a failing exit status: a crashed program can end with 0.
# Its stderr is kept aside (and shown afterwards) so that a crash report in it fails the run.
errors="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")"
trap 'rm -f "$errors"' EXIT
# Whoever ends this script (a time-out, a test that kills its program) ends the program with it.
"$loader" "$@" <&0 2>"$errors" &
child=$!
trap 'kill -TERM "$child" 2>/dev/null' TERM INT HUP
status=0
wait "$child" || status=$?
while kill -0 "$child" 2>/dev/null; do
    # The wait was cut short by a signal we passed on; the program's own status comes next.
    status=0
    wait "$child" || status=$?
done
cat "$errors" >&2
if [ "$status" -eq 0 ] && grep -qE '^wine: Unhandled|^Unhandled exception' "$errors"; then
    echo "wine-run.sh: $1 crashed" >&2
    status=1
fi
exit "$status"
