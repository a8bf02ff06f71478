#!/usr/bin/env bash
# Runs a command with an X display: the caller's when it has one, else a private Xvfb.
# Windows programs that create windows (or a tray icon) under Wine need one.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
