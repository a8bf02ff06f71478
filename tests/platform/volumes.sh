#!/usr/bin/env bash
# Runs a Windows test program under Wine with two more drives in the project's prefix: O: on
# another file system than the prefix's (moves between them cannot be one rename) and S:, a
# volume with room for 1 MiB. The program finds them in VANTREL_OTHER_VOLUME and
# VANTREL_SMALL_VOLUME. The small volume is a tmpfs of its own, which only root can mount; without
# it the program runs without either drive and says so.
#   volumes.sh program.exe args...
set -euo pipefail

scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)"
prefix="$("$scripts/wine-prefix.sh")"
devices="$prefix/dosdevices"

other="" small=""
cleanup() {
    rm -f "$devices/o:" "$devices/s:"
    [ -z "$small" ] || { umount "$small" 2>/dev/null || true; rmdir "$small" 2>/dev/null || true; }
    [ -z "$other" ] || rm -rf "$other"
}
trap cleanup EXIT

# Another file system: /dev/shm where it is one, else a tmpfs of its own.
prefix_device="$(stat -c %d "$prefix")"
other="$(mktemp -d /dev/shm/vantrel-other.XXXXXX 2>/dev/null || true)"
if [ -z "$other" ] || [ "$(stat -c %d "$other")" = "$prefix_device" ]; then
    [ -z "$other" ] || rm -rf "$other"
    other="$(mktemp -d)"
    mount -t tmpfs -o size=64m tmpfs "$other" 2>/dev/null || { rm -rf "$other"; other=""; }
fi
small="$(mktemp -d)"
if ! mount -t tmpfs -o size=1m tmpfs "$small" 2>/dev/null; then
    rmdir "$small"
    small=""
fi

if [ -n "$other" ] && [ -n "$small" ]; then
    ln -sfn "$other" "$devices/o:"
    ln -sfn "$small" "$devices/s:"
    export VANTREL_OTHER_VOLUME='O:\' VANTREL_SMALL_VOLUME='S:\'
else
    echo "volumes.sh: cannot mount a small volume here (root only): the cases that need one are skipped" >&2
fi
"$scripts/wine-run.sh" "$@"
