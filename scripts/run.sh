#!/usr/bin/env bash
# The README's run command: installs what is missing, builds the Windows program and runs it
# under Wine, in the project's own prefix (never ~/.wine), with Xvfb when there is no display.
#   VANTREL_RUN_PREFIX  the prefix (default: ~/.local/share/desktop-vantrel/wineprefix)
# The prefix's Desktop and Documents are links to ~/Desktop and ~/Documents (made when missing),
# so the program clears ~/Desktop into ~/Documents/Vantrel. End it with Ctrl+Alt+Shift+X or
# the tray menu's Exit.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
scripts/install-deps.sh

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
preset=mingw-x86_64
if have wine32:i386; then preset=mingw-i686; fi  # the 32-bit release build when Wine can run it

[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target DesktopVantrel -j2 >/dev/null
exe="$repo/build/$preset/src/app/DesktopVantrel.exe"

export WINEPREFIX="${VANTREL_RUN_PREFIX:-$HOME/.local/share/desktop-vantrel/wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w || true
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
        elif [ -e "$user_dir/$name" ]; then
            mv "$user_dir/$name" "$user_dir/$name.before-vantrel.$(date +%s)"  # never delete a user's files
        fi
        ln -s "$target" "$user_dir/$name"
    fi
done

echo "Desktop Vantrel is running: files saved to ~/Desktop move to ~/Documents/Vantrel."
echo "Log and settings: $WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Vantrel"
if [ -n "${DISPLAY:-}" ]; then
    exec wine "$exe"
else
    exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$exe"
fi
