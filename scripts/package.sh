#!/usr/bin/env bash
# Builds the release of both Windows builds into build/package/:
#   DesktopVantrel-<version>-win64.zip and -win32.zip     the program and the README, portable
#   DesktopVantrel-<version>-win64-setup.exe and -win32-setup.exe   the installers
# The version is the one in CMakeLists.txt's project() call.
#   VANTREL_JOBS  build jobs (default 2)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
scripts/install-deps.sh

mkdir -p build
for preset in mingw-x86_64 mingw-i686; do
    log="build/package-$preset.log"
    if ! { [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"; } >"$log" 2>&1 ||
        ! cmake --build --preset "$preset" --target package -j"${VANTREL_JOBS:-2}" >>"$log" 2>&1; then
        tail -n 40 "$log"
        echo "package.sh: the $preset release did not build ($log)" >&2
        exit 1
    fi
    grep '^package: ' "$log"
done
ls -l build/package
