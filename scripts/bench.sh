#!/usr/bin/env bash
# Builds the engine benchmark (MinGW, 64-bit, Release) and runs it under Wine in a prefix of
# its own, then prints the figures as a Markdown table.
#   scripts/bench.sh [--idle-seconds 60] [--latency-files 200] [--bursts 100,1000,10000]
#   VANTREL_BENCH_BUILD  build directory (default: <repo>/build/bench-mingw64)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VANTREL_BENCH_BUILD:-$repo/build/bench-mingw64}"

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" -DVANTREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target engine_bench >/dev/null

# The benchmark redirects the desktop and removes the settings file and log: never in a user's prefix.
export VANTREL_WINEPREFIX="${VANTREL_WINEPREFIX:-$build/wineprefix-bench}"

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
echo "wine: $(wine --version 2>/dev/null || wine64 --version)"
echo "command: scripts/bench.sh $*"
"$repo/scripts/wine-run.sh" "$build/bench/engine_bench.exe" "$@"
