#!/usr/bin/env bash
# The README's run command: installs what is missing, builds the Windows program and runs it
# under Wine, in the project's own prefix (never ~/.wine), with Xvfb when there is no display.
#   VANTREL_RUN_PREFIX  the prefix (default: ~/.local/share/desktop-vantrel/wineprefix)
# The prefix's Desktop and Documents are links to ~/Desktop and ~/Documents (made when missing),
# so the program clears ~/Desktop into ~/Documents/Vantrel. End it with Ctrl+C here, the tray
# menu's Exit or Ctrl+Alt+Shift+X: each closes its window, so its log is closed as on any exit.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

export WINEPREFIX="${VANTREL_RUN_PREFIX:-$HOME/.local/share/desktop-vantrel/wineprefix}"
# The prefix for the scripts this one calls (the prefix's set-up and the display's end).
export VANTREL_WINEPREFIX="$WINEPREFIX"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="  # no Mono or Gecko prompts, no menu entries
export WINEDEBUG=-all
export WINEARCH=win64
# On the user's own display a window manager places the windows; inside Xvfb there is none.
if [ -n "${DISPLAY:-}" ]; then export VANTREL_WINDOW_MANAGER=yes; fi

# One run per prefix: a second program would only show its refusal box, inside a private display
# nobody sees. The lock is this script's alone (no Wine process inherits it) and goes with it.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.run-lock"
if ! flock -n 9; then
    echo "run.sh: Desktop Vantrel is already running in $WINEPREFIX, from another scripts/run.sh." >&2
    echo "run.sh: end that one first (Ctrl+C there, or Ctrl+Alt+Shift+X)." >&2
    exit 1
fi

scripts/install-deps.sh 9>&-

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
preset=mingw-x86_64
if have wine32:i386; then preset=mingw-i686; fi  # the 32-bit release build when Wine can run it

[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target DesktopVantrel -j2 >/dev/null 9>&-
exe="$repo/build/$preset/src/app/DesktopVantrel.exe"

# The prefix is made, finished or brought up to date the tests' way, before Wine sees a display:
# wineboot with a display can hang on a crash dialog (see scripts/wine-prefix.sh). A ready prefix
# is left as it is.
# A prefix made for another set of Wine packages (wine32 installed or removed since) is made anew:
# the program's settings and log are carried over to the new one.
data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Vantrel"
kept=""
if [ -d "$data" ]; then
    kept="$(mktemp -d)"
    cp -a "$data/." "$kept/"
fi
scripts/wine-prefix.sh >/dev/null 9>&-
if [ -n "$kept" ]; then
    if [ ! -d "$data" ]; then
        mkdir -p "$data"
        cp -a "$kept/." "$data/"
    fi
    rm -rf "$kept"
fi

# Point the prefix's desktop and documents at the user's own folders.
mkdir -p "$HOME/Desktop" "$HOME/Documents"
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
for pair in "Desktop:$HOME/Desktop" "Documents:$HOME/Documents"; do
    name="${pair%%:*}"
    target="${pair#*:}"
    if [ "$(readlink "$user_dir/$name" 2>/dev/null)" != "$target" ]; then
        if [ -L "$user_dir/$name" ]; then
            rm -f "$user_dir/$name"
        elif [ -d "$user_dir/$name" ] && rmdir "$user_dir/$name" 2>/dev/null; then
            :  # the empty folder of a new prefix
        elif [ -e "$user_dir/$name" ]; then
            mv "$user_dir/$name" "$user_dir/$name.before-vantrel.$(date +%s)"  # never delete a user's files
        fi
        ln -s "$target" "$user_dir/$name"
    fi
done

echo "Desktop Vantrel is running: files saved to ~/Desktop move to ~/Documents/Vantrel. Ctrl+C ends it."
echo "Log and settings: $user_dir/AppData/Local/Vantrel"

# The program (and a private X server, when there is no display) run in a session of their own,
# so the terminal's Ctrl+C reaches this script only, which closes the program's windows as its
# Exit does.
setsid -w scripts/with-display.sh wine "$exe" </dev/null 9>&- &
session=$!
stop() {
    echo "run.sh: ending Desktop Vantrel"
    wine taskkill /IM DesktopVantrel.exe >/dev/null 2>&1 9>&- || true
}
trap stop INT TERM HUP
status=0
wait "$session" || status=$?
while kill -0 "$session" 2>/dev/null; do
    # The wait was cut short by a signal; the program's own status comes next.
    status=0
    wait "$session" || status=$?
done
exit "$status"
