#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build and the tests need and is not there yet.
# Safe to run again: it calls apt-get only when something is missing.
set -euo pipefail

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

updated=""
apt_update() {
    [ -n "$updated" ] && return 0
    # A mirror in the middle of a sync can fail one index; try again, then go on with what we have.
    $SUDO apt-get update -qq >/dev/null 2>&1 || { sleep 5; $SUDO apt-get update -qq >/dev/null 2>&1; } ||
        echo "install-deps: some package lists could not be updated; going on with the ones we have" >&2
    updated=1
}

# What every build and test needs. wine64 runs the 64-bit build on its own.
need=()
for p in cmake ninja-build g++ clang googletest \
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         wine wine64 fonts-wine xvfb xauth x11-utils imagemagick; do
    have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    apt_update
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# wine32 runs the 32-bit release build. When the i386 package lists are out of step with the
# amd64 ones (a mirror mid-sync), it cannot be installed; the tests then run the 64-bit build.
if ! have wine32:i386; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
        updated=""
    fi
    apt_update
    if ! $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1; then
        echo "install-deps: wine32:i386 is not installable now; the 32-bit build is compiled but not run" >&2
    fi
fi
