#!/usr/bin/env bash
# Creates, once, the Wine prefix the tests run in, and prints its path.
#   VANTREL_WINEPREFIX  where the prefix lives (default: <repo>/build/wineprefix)
# The user's own ~/.wine is never touched. A new prefix links Desktop and Documents to $HOME;
# here they become real, separate folders inside the prefix, so a test that watches the
# desktop or moves into the documents folder never sees the home folder.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix="${VANTREL_WINEPREFIX:-$repo/build/wineprefix}"
ready="$prefix/.vantrel-ready"

export WINEPREFIX="$prefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
# A 64-bit prefix runs both kinds of program when wine32 is installed; with wine64 alone it runs 64-bit ones.
export WINEARCH=win64

# A prefix made before wine32 was installed lacks the 32-bit system files: note what it was made with.
if [ -x /usr/lib/wine/wine ]; then made_with="wine32 and wine64"; else made_with="wine64"; fi
# A prefix made by another version of Wine is brought up to date by the first Wine program run in
# it, with a display if it has one: the step below that runs one without a display does it here.
wine_version="$({ wine --version || wine64 --version; } 2>/dev/null | head -n 1)"
# What the prefix looks like when it is ready; a prefix from an older version of this script is brought up to date.
want="$made_with
user folders real
crash dialog off
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

# A crashing program gets a backtrace on stderr instead of a crash dialog that waits for a click
# (with a display) and would hold the test until its time-out.
if ! env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1; then
    echo "wine-prefix.sh: could not switch the crash dialog off in $prefix" >&2
    exit 1
fi

# Nothing started here without a display may live on: the desktop window would stay without one,
# and no later program could open a window. The first program run afterwards starts it afresh.
wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w >/dev/null 2>&1 || true

printf '%s\n' "$want" >"$ready"
echo "$prefix"
