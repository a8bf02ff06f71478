#!/usr/bin/env bash
# Builds the program and its benchmark (MinGW, 64-bit, Release) and runs the benchmark under Wine
# in a prefix of its own: the program, a minimal mover and a bare MoveFileW loop on the same
# files, and a minimal tray program for memory and start-up; then the program with its target on
# another volume against a bare CopyFileW-then-DeleteFileW loop; last the desktop rescan the
# monitor makes after lost changes, on a folder of 10,000 items. Prints Markdown tables.
#   scripts/bench.sh [--idle-seconds 30] [--latency-files 200] [--bursts 100,1000,10000] [--starts 5]
#   scripts/bench.sh --across-only [--files 200] [--file-kib 256] [--big-mib 512]
#   scripts/bench.sh --rescan-only [--items 10000] [--new 100] [--repeats 9]
#   scripts/bench.sh --memory-only [--idle-seconds 30] [--latency-files 200] [--bursts ...] [--starts 5]
# Options after --across-only or --rescan-only go to that run alone; the others take their defaults.
# --memory-only measures the program alone (start-up, memory and threads at rest, during and after
# the bursts) and nothing else: a quick run for memory work.
#   VANTREL_BENCH_BUILD  build directory (default: <repo>/build/bench-mingw64)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTREL_BENCH_BUILD:-$repo/build/bench-mingw64}"

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" -DVANTREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target vantrel_bench vantrel_bench_across vantrel_bench_rescan >/dev/null

# The benchmark redirects the desktop and removes the settings file and log: never in a user's prefix.
export VANTREL_WINEPREFIX="${VANTREL_WINEPREFIX:-$build/wineprefix-bench}"

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
echo "wine: $(WINEPREFIX="$VANTREL_WINEPREFIX" wine --version 2>/dev/null || WINEPREFIX="$VANTREL_WINEPREFIX" wine64 --version)"
echo "command: scripts/bench.sh $*"
across_args=()
rescan_args=()
mode="${1:-}"
rescan() {
    "$repo/scripts/with-display.sh" "$repo/scripts/wine-run.sh" "$build/bench/vantrel_bench_rescan.exe" \
        "${rescan_args[@]}"
}
if [ "$mode" = "--rescan-only" ]; then
    shift
    rescan_args=("$@")
    rescan
    exit 0
elif [ "$mode" = "--memory-only" ]; then
    shift
    "$repo/scripts/with-display.sh" "$repo/scripts/wine-run.sh" "$build/bench/vantrel_bench.exe" \
        --program "$build/src/app/DesktopVantrel.exe" --mover "$build/bench/minimal_mover.exe" \
        --tray "$build/bench/minimal_tray.exe" --only memory "$@"
    exit 0
elif [ "$mode" = "--across-only" ]; then
    shift
    across_args=("$@")
else
    "$repo/scripts/with-display.sh" "$repo/scripts/wine-run.sh" "$build/bench/vantrel_bench.exe" \
        --program "$build/src/app/DesktopVantrel.exe" --mover "$build/bench/minimal_mover.exe" \
        --tray "$build/bench/minimal_tray.exe" "$@"
fi

# The other volume: drive O: on /dev/shm, a file system of its own (a tmpfs mounted for the run
# where /dev/shm shares the prefix's).
prefix="$("$repo/scripts/wine-prefix.sh")"
other="$(mktemp -d /dev/shm/vantrel-bench.XXXXXX)"
mounted=""
trap 'rm -f "$prefix/dosdevices/o:"; [ -z "$mounted" ] || umount "$other"; rm -rf "$other"' EXIT
if [ "$(stat -c %d "$other")" = "$(stat -c %d "$prefix")" ]; then
    mount -t tmpfs -o size=2g tmpfs "$other" && mounted=yes
fi
ln -sfn "$other" "$prefix/dosdevices/o:"
echo "other volume: O: on $(df --output=fstype "$other" | tail -n 1) ($other)"
"$repo/scripts/with-display.sh" "$repo/scripts/wine-run.sh" "$build/bench/vantrel_bench_across.exe" \
    --program "$build/src/app/DesktopVantrel.exe" --other 'O:\' "${across_args[@]}"
[ "$mode" = "--across-only" ] || rescan
