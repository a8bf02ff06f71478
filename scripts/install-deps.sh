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

# What every build and test needs. wine64 runs the 64-bit build on its own; clang and lld make
# the second compiler's Windows build; nsis makes the installers.
need=()
for p in cmake ninja-build g++ clang lld nsis googletest \
         g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         wine wine64 fonts-wine xvfb xauth x11-utils imagemagick; do
    have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    apt_update
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# wine32 runs the 32-bit release build, but only where the kernel runs 32-bit x86 programs: a
# 93-byte 32-bit Linux program that only exits tells (many 64-bit hosts cannot, and there the
# package installs but never runs).
runs_i386() {
    local dir ok=1
    dir="$(mktemp -d "${TMPDIR:-/tmp}/i386-probe.XXXXXX")" || return 0
    base64 -d >"$dir/exit" <<<'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAMdu4AQAAAM2A'
    cp /bin/true "$dir/true"
    chmod +x "$dir/exit" "$dir/true"
    # A folder that runs no program at all (noexec) tells nothing: then try the package.
    if ! "$dir/true" 2>/dev/null || "$dir/exit" 2>/dev/null; then ok=0; fi
    rm -rf "$dir"
    return "$ok"
}
if ! have wine32:i386; then
    if ! runs_i386; then
        echo "install-deps: this kernel cannot run 32-bit x86 programs, so wine32 is not installed; the 32-bit build is compiled, not run" >&2
    else
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            $SUDO dpkg --add-architecture i386
            updated=""
        fi
        apt_update
        # When the i386 package lists are out of step with the amd64 ones (a mirror mid-sync),
        # it cannot be installed; the tests then run the 64-bit build.
        if ! $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1; then
            echo "install-deps: wine32:i386 is not installable now; the 32-bit build is compiled but not run" >&2
        fi
    fi
fi
