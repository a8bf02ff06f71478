#!/usr/bin/env bash
# Builds and runs every test: the native unit tests (under ASan+UBSan and under TSan) and the Windows
# build's tests under Wine. Ends with one line "N passed, N failed" over all CTest runs and
# exits non-zero when anything failed or did not build. Each CTest run's verdict is its exit
# status; its counts come from the JUnit report it writes (build/test-logs/PRESET-ctest.xml).
#   VANTREL_PRESETS  the presets to run, space-separated (default: all that this machine can run)
#   VANTREL_JOBS     build jobs (default 2)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
jobs="${VANTREL_JOBS:-2}"

if ! scripts/install-deps.sh; then
    echo "test.sh: installing the dependencies failed" >&2
    exit 1
fi

# Both Windows builds are always made, so each proves it compiles. The Wine tests run the 64-bit
# one, which wine64 alone can run. The sanitizer builds run the same native programs as a plain
# native build would (that preset stays for developers). A tree whose tests do not run is built
# without them: the 32-bit one (run its tests where wine32 can run, a kernel that runs 32-bit x86
# programs: VANTREL_PRESETS="mingw-i686" scripts/test.sh) and the clang one, made for its warnings,
# with warnings as errors.
wine_preset=mingw-x86_64
build_only=(mingw-i686 clang-mingw-x86_64)
presets=(${VANTREL_PRESETS:-native-asan native-tsan $wine_preset ${build_only[*]}})
# Presets named by the caller are run, not only built (the clang build has no tests to run).
[ -z "${VANTREL_PRESETS:-}" ] || build_only=(clang-mingw-x86_64)
is_build_only() {
    local b
    for b in "${build_only[@]}"; do [ "$b" = "$1" ] && return 0; done
    return 1
}

logs="$repo/build/test-logs"
mkdir -p "$logs"

total_passed=0
total_failed=0
summaries=("packages: checked or installed in $SECONDS s")
started=$SECONDS

# Runs one preset's tests: shows CTest's output and keeps it in PRESET-ctest.log, then adds the
# run to the totals. A run that fails without a failed test in its report (CTest itself failed,
# or wrote no report) counts as one failure.
run_ctest() {
    local preset="$1"
    local junit="$logs/$preset-ctest.xml" status passed failed
    local -a run=(ctest --preset "$preset" --output-junit "$junit")
    case "$preset" in
        native-asan) run=(env UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" "${run[@]}" -j"$jobs") ;;
        native-tsan) run=(env TSAN_OPTIONS="halt_on_error=1" "${run[@]}" -j"$jobs") ;;
        # One test at a time: they share Wine prefixes; the programs that make windows need a display.
        mingw-*) run=(scripts/with-display.sh "${run[@]}") ;;
        *) run+=(-j"$jobs") ;;
    esac
    rm -f "$junit"
    local ctest_started=$SECONDS
    set +e
    "${run[@]}" 2>&1 | tee "$logs/$preset-ctest.log"
    status=${PIPESTATUS[0]}
    set -e

    passed=0
    failed=0
    if [ -f "$junit" ]; then
        # One <testcase ... status="run|fail|notrun|disabled"> per test; a disabled one is neither.
        passed="$(grep -o '<testcase [^>]*status="run"' "$junit" | wc -l)"
        failed="$(grep -o '<testcase [^>]*status="[a-z]*"' "$junit" | grep -cv 'status="run"\|status="disabled"' || true)"
    fi
    if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
        failed=1
    fi
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
    if [ "$status" -eq 0 ] && [ "$passed" -eq 0 ]; then
        summaries+=("$preset: no tests")
    elif [ -f "$junit" ]; then
        summaries+=("$preset: $built, tests $passed passed, $failed failed in $((SECONDS - ctest_started)) s (CTest exit status $status)")
    else
        summaries+=("$preset: CTest did not finish (exit status $status, no report)")
    fi
}

for preset in "${presets[@]}"; do
    echo "=== $preset"
    if is_build_only "$preset"; then tests=OFF; else tests=ON; fi
    # Configure once (and again when its tests are wanted or not wanted now); later runs let the
    # build re-run CMake when a CMakeLists.txt changed.
    if [ ! -f "build/$preset/build.ninja" ] ||
        ! grep -qx "VANTREL_TESTS:BOOL=$tests" "build/$preset/CMakeCache.txt" 2>/dev/null; then
        if ! cmake --preset "$preset" -DVANTREL_TESTS=$tests >"$logs/$preset-configure.log" 2>&1; then
            tail -n 40 "$logs/$preset-configure.log"
            summaries+=("$preset: configure failed (build/test-logs/$preset-configure.log)")
            total_failed=$((total_failed + 1))
            continue
        fi
    fi
    build_started=$SECONDS
    if ! cmake --build --preset "$preset" -j"$jobs" >"$logs/$preset-build.log" 2>&1; then
        grep -E 'error|FAILED' "$logs/$preset-build.log" | head -n 40 || true
        summaries+=("$preset: build failed (build/test-logs/$preset-build.log)")
        total_failed=$((total_failed + 1))
        continue
    fi
    built="built in $((SECONDS - build_started)) s"

    if is_build_only "$preset"; then
        if [ "$preset" = mingw-i686 ]; then
            summaries+=("$preset: $built, without tests (they run with $wine_preset)")
        else
            summaries+=("$preset: $built with no warnings")
        fi
        continue
    fi

    run_ctest "$preset"
done

# The test prefixes' servers linger for a minute after their last program: end them now.
for prefix in build/wineprefix* build/*/wineprefix*; do
    if [ -f "$prefix/system.reg" ]; then
        WINEPREFIX="$repo/$prefix" wineserver -k >/dev/null 2>&1 || true
    fi
done

echo
echo "=== summary ($((SECONDS - started)) s)"
for s in "${summaries[@]}"; do echo "$s"; done
echo "$total_passed passed, $total_failed failed"

if [ "$total_failed" -ne 0 ] || [ "$total_passed" -eq 0 ]; then
    exit 1
fi
exit 0
