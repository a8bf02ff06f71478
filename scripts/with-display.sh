#!/usr/bin/env bash
# Runs a command with an X display for Wine's windows and tray icons: the one in DISPLAY when
# there is one, else a private Xvfb for this run. After a private display the prefix's Wine
# server is ended, so no Wine process outlives its X server (a later run could not open windows).
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@" || status=$?
WINEPREFIX="${VANTREL_WINEPREFIX:-$repo/build/wineprefix}" wineserver -k >/dev/null 2>&1 || true
exit "$status"
