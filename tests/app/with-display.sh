#!/usr/bin/env bash
# Runs a command with an X display for Wine's windows: the one in DISPLAY when there is one,
# else a private Xvfb for this run. Afterwards the Wine server of the prefix is ended when the
# display was private, so no Wine process outlives its X server.
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi

status=0
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@" || status=$?
if [ -n "${VANTREL_WINEPREFIX:-}" ]; then
    WINEPREFIX="$VANTREL_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
fi
exit "$status"
