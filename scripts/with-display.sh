#!/usr/bin/env bash
# The one way the scripts and tests get an X display for Wine's windows and tray icons: the one
# in DISPLAY when there is one, else a private Xvfb for this command alone.
#   with-display.sh COMMAND [ARGS...]
#   VANTREL_WINEPREFIX, VANTREL_WINEARCH  the Wine prefix the command uses (as scripts/wine-prefix.sh
#                       takes them; default: <repo>/build/wineprefix)
# A private display ends with the command, and the prefix's Wine server ends just before it: a
# Wine process that outlived its X server would leave the prefix unable to open windows later.
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "with-display.sh: no DISPLAY and no xvfb-run (scripts/install-deps.sh installs it); running without a display" >&2
    exec "$@"
fi

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# The prefix whose server ends with the display: the one the command's Wine programs use.
prefix="$("$repo/scripts/wine-prefix.sh" --path)"
# -a takes a free display number, so runs side by side each have their own. The command's status
# is the script's; ending the server cannot fail the run.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash -c '
    prefix="$1"
    shift
    status=0
    "$@" || status=$?
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    exit "$status"' with-display.sh "$prefix" "$@"
