#!/usr/bin/env bash
# Installs, on Debian 12, whatever the build and the tests need and is not there yet.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

for p in cmake ninja-build g++ clang googletest \
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         wine wine32:i386 wine64 xvfb xauth xdotool x11-apps imagemagick; do
    have "$p" || need+=("$p")
done

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync can fail one index; try again, then go on with what we have.
$SUDO apt-get update -qq || { sleep 5; $SUDO apt-get update -qq; } || true
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null ||
    $SUDO apt-get install -y -qq --no-install-recommends --fix-missing "${need[@]}" >/dev/null
