#!/usr/bin/env bash
# Creates, once, the Wine prefix the tests run in, and prints its path.
#   VANTREL_WINEARCH    win64 (default): a 64-bit prefix, which runs 32-bit programs too when wine32
#                       is installed; win32: a 32-bit prefix, as 32-bit Windows is, for the 32-bit
#                       build's tests (it needs wine32)
#   VANTREL_WINEPREFIX  where the prefix lives (default: <repo>/build/wineprefix, or
#                       <repo>/build/wineprefix-win32 for a 32-bit one: the two kinds never share a
#                       folder, and a prefix found made for the other kind is made anew)
#   VANTREL_WINDOW_MANAGER  "yes" when a real desktop's window manager will place the prefix's
#                       windows (scripts/run.sh on the user's own display); otherwise the prefix's
#                       windows are unmanaged, as an Xvfb without a window manager needs
#   wine-prefix.sh --path   only prints the prefix's path; nothing is made and Wine is not started
# The user's own ~/.wine is never touched: every Wine command here runs with WINEPREFIX set to the
# prefix above. A new prefix links Desktop and Documents to $HOME; here they become real, separate
# folders inside the prefix, so a test that watches the desktop or moves into the documents
# folder never sees the home folder.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arch="${VANTREL_WINEARCH:-win64}"
case "$arch" in
    win64) prefix="${VANTREL_WINEPREFIX:-$repo/build/wineprefix}" ;;
    win32) prefix="${VANTREL_WINEPREFIX:-$repo/build/wineprefix-win32}" ;;
    *)
        echo "wine-prefix.sh: VANTREL_WINEARCH is win64 or win32, not '$arch'" >&2
        exit 1
        ;;
esac
# Wine takes only an absolute WINEPREFIX.
case "$prefix" in
    /*) ;;
    *) prefix="$PWD/$prefix" ;;
esac
prefix="${prefix%/}"
# Never the default prefix of the user running this, whatever the caller asked for: Wine takes
# $HOME/.wine, or the account's home folder's when HOME is not set.
account_home="$(getent passwd "$(id -u)" 2>/dev/null | cut -d: -f6 || true)"
for own in "${HOME:-$account_home}/.wine" "$account_home/.wine"; do
    if [ "$prefix" = "$own" ]; then
        echo "wine-prefix.sh: $prefix is the user's own Wine prefix; the project makes its own" >&2
        exit 1
    fi
done
if [ "${1:-}" = --path ]; then
    echo "$prefix"
    exit 0
fi
ready="$prefix/.vantrel-ready"

export WINEPREFIX="$prefix"
# No Mono or Gecko prompts, and no winemenubuilder: it would write menu entries and file types
# for the prefix into the user's ~/.config and ~/.local/share.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEDEBUG=-all
# WINEARCH decides the kind of prefix wineboot makes; Wine then refuses to start, with WINEARCH
# set, in a prefix of the other kind: one made for the other kind (the ready file's first line
# tells) is made anew below.
export WINEARCH="$arch"

# A 64-bit prefix made before wine32 was installed lacks the 32-bit system files: note what it was
# made with. A 32-bit prefix needs wine32's loader.
if [ "$arch" = win32 ]; then
    if [ ! -x /usr/lib/wine/wine ]; then
        echo "wine-prefix.sh: a 32-bit prefix needs wine32, which is not installed (scripts/install-deps.sh)" >&2
        exit 1
    fi
    made_with="win32 prefix, wine32"
elif [ -x /usr/lib/wine/wine ]; then
    made_with="wine32 and wine64"
else
    made_with="wine64"
fi
# A prefix made by another version of Wine is brought up to date by the first Wine program run in
# it, with a display if it has one: the step below that runs one without a display does it here.
wine_version="$({ wine --version || wine64 --version; } 2>/dev/null | head -n 1)"
# What the prefix looks like when it is ready; a prefix from an older version of this script is brought up to date.
# Under Xvfb no window manager answers, and Wine waits about 2 s for one at every hide of a
# managed window: there the X11 driver is told to manage no window itself.
if [ "${VANTREL_WINDOW_MANAGER:-}" = yes ]; then
    managed="windows managed by the desktop" managed_value='-'  # Wine's default
else
    managed="windows unmanaged" managed_value='"N"'
fi
want="$made_with
user folders real
crash dialog off
menu builder off
$managed
$wine_version"

if [ "$(cat "$ready" 2>/dev/null)" = "$want" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$(dirname "$prefix")"
# Tests may start side by side: only one of them builds the prefix, the others wait for it.
exec 9>"$prefix.lock"
flock 9
if [ "$(cat "$ready" 2>/dev/null)" = "$want" ]; then
    echo "$prefix"
    exit 0
fi

if [ "$(head -n 1 "$ready" 2>/dev/null)" != "$made_with" ]; then
    # A server still running on an old prefix would hold on to its files.
    if [ -d "$prefix" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    # wineboot needs no X display, and must not have one: a program that crashes while the new
    # prefix is set up (it happens under load) would wait for a click on Wine's crash dialog, and
    # every later Wine start in the prefix would wait for wineboot. Without a display the crash
    # is only reported, and the attempt is timed out and repeated.
    boot() {
        # A half-made prefix from an interrupted run is not worth repairing.
        rm -rf "$prefix"
        env -u DISPLAY -u WAYLAND_DISPLAY timeout 300 wineboot -i </dev/null >/dev/null 2>&1 || return 1
        # Let the server write the registry out before we look at the user folders.
        timeout 120 wineserver -w || return 1
        [ -f "$prefix/system.reg" ] && [ -f "$prefix/user.reg" ] && [ -d "$prefix/drive_c/users" ]
    }
    if ! boot; then
        wineserver -k >/dev/null 2>&1 || true
        echo "wine-prefix.sh: setting up $prefix failed; trying once more" >&2
        if ! boot; then
            wineserver -k >/dev/null 2>&1 || true
            echo "wine-prefix.sh: wineboot failed for $prefix" >&2
            exit 1
        fi
    fi

    users="$prefix/drive_c/users"
    user_dir="$users/$(id -un)"
    if [ ! -d "$user_dir" ]; then
        # Wine names the folder after the Unix user; fall back to the one it made.
        user_dir="$(find "$users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)"
    fi
    if [ -z "$user_dir" ] || [ ! -d "$user_dir" ]; then
        echo "wine-prefix.sh: no user folder under $users" >&2
        exit 1
    fi

    # Desktop and Documents (and the other user folders Wine linked to $HOME) become real folders.
    for link in "$user_dir"/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
    mkdir -p "$user_dir/Desktop" "$user_dir/Documents"
fi

# The prefix's own settings, in one registry import:
# - a crashing program gets a backtrace on stderr instead of a crash dialog that waits for a click
#   (with a display) and would hold the test until its time-out;
# - winemenubuilder stays off for every program in the prefix, whatever its environment says;
# - windows are managed by Wine itself, or by the desktop's window manager (see $managed above).
settings_reg="$(mktemp "${TMPDIR:-/tmp}/vantrel-prefix.XXXXXX.reg")"
trap 'rm -f "$settings_reg"' EXIT
printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]' '"winemenubuilder.exe"=""' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' "\"Managed\"=$managed_value" '' >"$settings_reg"
if ! env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 wine regedit /S "Z:${settings_reg//\//\\}" \
    </dev/null >/dev/null 2>&1; then
    echo "wine-prefix.sh: could not write the prefix's settings into $prefix" >&2
    exit 1
fi

# Nothing started here without a display may live on: the desktop window would stay without one,
# and no later program could open a window. The first program run afterwards starts it afresh.
wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w >/dev/null 2>&1 || true
# regedit says nothing of a failed import: look at what the server wrote out.
if ! grep -q '^"ShowCrashDialog"=dword:00000000' "$prefix/user.reg" ||
    ! grep -q '^"winemenubuilder.exe"=""' "$prefix/user.reg"; then
    echo "wine-prefix.sh: the prefix's settings did not reach $prefix/user.reg" >&2
    exit 1
fi

printf '%s\n' "$want" >"$ready"
echo "$prefix"
