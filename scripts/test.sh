#!/usr/bin/env bash
# Builds and runs every test: the native unit tests (under ASan+UBSan and under TSan), the 64-bit
# Windows build's tests under Wine, and the 32-bit release build's end-to-end tests where wine32
# runs. Ends with one line "N passed, N failed" over all CTest runs and exits non-zero when
# anything failed or did not build, or when the run made the user's default Wine prefix. Each
# CTest run's verdict is its exit status; its counts come from the JUnit report it writes
# (build/test-logs/PRESET-ctest.xml).
#   VANTREL_PRESETS  the presets to run, space-separated (default: all that this machine can run);
#                    a preset named here runs all its tests (mingw-i686 too, where wine32 runs)
#   VANTREL_JOBS     build jobs (default 2)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
jobs="${VANTREL_JOBS:-2}"
logs="$repo/build/test-logs"
mkdir -p "$logs"

# Never a default prefix. Every script that starts Wine (wine-prefix.sh, wine-run.sh,
# with-display.sh, the end of this one) gives it the project's prefix itself. Anything else that
# starts Wine during the run (a script, a CMake step, a test) finds WINEPREFIX inside a file, which
# Wine can neither use nor create: it fails at once, naming this path, instead of making ~/.wine
# or using the caller's own prefix.
no_prefix="$logs/wine-started-without-a-project-prefix"
echo "WINEPREFIX during scripts/test.sh for any Wine command not given the project's prefix" >"$no_prefix"
export WINEPREFIX="$no_prefix/prefix"
# Each build's tests choose their own prefixes and their kind (a caller's VANTREL_WINEPREFIX would
# put the 32-bit and the 64-bit tests in one).
unset WINEARCH VANTREL_WINEARCH VANTREL_WINEPREFIX
# And should the user's default prefix appear all the same, the run fails: Wine's default is
# $HOME/.wine, or the account's home folder's without HOME.
account_home="$(getent passwd "$(id -u)" 2>/dev/null | cut -d: -f6 || true)"
default_prefixes=()
for p in "${HOME:-$account_home}/.wine" "$account_home/.wine"; do
    if [ "$p" != /.wine ] && [ ! -e "$p" ] && [ "$p" != "${default_prefixes[0]:-}" ]; then
        default_prefixes+=("$p")
    fi
done

if ! scripts/install-deps.sh; then
    echo "test.sh: installing the dependencies failed" >&2
    exit 1
fi

# Both Windows builds are always made, so each proves it compiles. The 64-bit one, which wine64
# alone can run, runs every Wine test. The 32-bit one is the release build: where wine32 runs it
# (a kernel that runs 32-bit x86 programs), its end-to-end tests run too, the real program and
# its installer driven from the outside in 32-bit prefixes, without the GoogleTest programs
# (VANTREL_E2E_ONLY); all its tests run with VANTREL_PRESETS="mingw-i686" scripts/test.sh. The
# sanitizer builds run the same native programs as a plain native build would (that preset stays
# for developers). The clang build is made for its warnings, with warnings as errors, without tests.
wine_preset=mingw-x86_64
release_preset=mingw-i686
build_only=(clang-mingw-x86_64)
presets=(${VANTREL_PRESETS:-native-asan native-tsan $wine_preset $release_preset ${build_only[*]}})
is_build_only() {
    local b
    for b in "${build_only[@]}"; do [ "$b" = "$1" ] && return 0; done
    return 1
}
# Presets named by the caller run all their tests; by default the release build runs its
# end-to-end ones.
e2e_only_preset=""
[ -n "${VANTREL_PRESETS:-}" ] || e2e_only_preset=$release_preset

# The kind of Wine prefix a Windows build's tests run in (scripts/wine-prefix.sh); its CTest files
# say the same to every test (tests/CMakeLists.txt), this is for the display's end around them.
wine_arch() {
    case "$1" in
        mingw-i686) echo win32 ;;
        *) echo win64 ;;
    esac
}

# Why the 32-bit build cannot run here, or nothing when it can. wine32's loader is itself a 32-bit
# x86 program: it is run for real, briefly, the way the tests start it (Debian's `wine` takes it
# when it is installed); a kernel that cannot execute 32-bit programs answers "Exec format error".
# (--version starts no Windows program and leaves the prefix alone.)
wine32_blocker() {
    local out status=0
    if [ ! -x /usr/lib/wine/wine ]; then
        echo "wine32 is not installed (scripts/install-deps.sh installs it where the kernel runs 32-bit programs)"
        return
    fi
    out="$(WINEPREFIX="$(VANTREL_WINEARCH=win32 scripts/wine-prefix.sh --path)" \
        timeout 20 wine --version 2>&1 </dev/null)" || status=$?
    if [ "$status" -eq 0 ]; then
        return
    elif grep -q "Exec format error" <<<"$out"; then
        echo "this host cannot execute 32-bit programs (wine32: Exec format error)"
    elif [ "$status" -eq 124 ]; then
        echo "wine32 did not answer within 20 s"
    else
        echo "wine32 does not start ($(head -n 1 <<<"$out"))"
    fi
}

total_passed=0
total_failed=0
summaries=("packages: checked or installed in $SECONDS s")
started=$SECONDS

# Runs one preset's tests: shows CTest's output and keeps it in PRESET-ctest.log, then adds the
# run to the totals. A run that fails without a failed test in its report (CTest itself failed,
# or wrote no report) counts as one failure.
run_ctest() {
    local preset="$1" what="$2"
    local junit="$logs/$preset-ctest.xml" status passed failed
    local -a run=(ctest --preset "$preset" --output-junit "$junit")
    case "$preset" in
        native-asan) run=(env UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" "${run[@]}" -j"$jobs") ;;
        native-tsan) run=(env TSAN_OPTIONS="halt_on_error=1" "${run[@]}" -j"$jobs") ;;
        # One test at a time: they share Wine prefixes; the programs that make windows need a display.
        mingw-*) run=(env VANTREL_WINEARCH="$(wine_arch "$preset")" scripts/with-display.sh "${run[@]}") ;;
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
        summaries+=("$preset: $built, $what $passed passed, $failed failed in $((SECONDS - ctest_started)) s (CTest exit status $status)")
    else
        summaries+=("$preset: CTest did not finish (exit status $status, no report)")
    fi
}

for preset in "${presets[@]}"; do
    echo "=== $preset"
    tests=ON e2e_only=OFF what=tests not_run=""
    if is_build_only "$preset"; then tests=OFF; fi
    if [ "$preset" = "$e2e_only_preset" ]; then e2e_only=ON what="end-to-end tests"; fi
    if [ "$(wine_arch "$preset")" = win32 ]; then
        not_run="$(wine32_blocker)"
        # Built all the same, without its tests, so it proves it compiles.
        if [ -n "$not_run" ]; then tests=OFF e2e_only=OFF; fi
    fi
    # Configure once (and again when the tests it has are not the ones wanted now); later runs let
    # the build re-run CMake when a CMakeLists.txt changed.
    if [ ! -f "build/$preset/build.ninja" ] ||
        ! grep -qx "VANTREL_TESTS:BOOL=$tests" "build/$preset/CMakeCache.txt" 2>/dev/null ||
        ! grep -qx "VANTREL_E2E_ONLY:BOOL=$e2e_only" "build/$preset/CMakeCache.txt" 2>/dev/null; then
        if ! cmake --preset "$preset" -DVANTREL_TESTS=$tests -DVANTREL_E2E_ONLY=$e2e_only \
            >"$logs/$preset-configure.log" 2>&1; then
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
        summaries+=("$preset: $built with no warnings")
        continue
    fi
    if [ -n "$not_run" ]; then
        summaries+=("$preset: $built; $what not run: $not_run")
        continue
    fi

    run_ctest "$preset" "$what"
done

# The test prefixes' servers linger for a minute after their last program: end those of this
# run's builds, and the default prefixes.
prefixes=(build/wineprefix*)
for preset in "${presets[@]}"; do prefixes+=("build/$preset"/wineprefix*); done
for prefix in "${prefixes[@]}"; do
    if [ -f "$prefix/system.reg" ]; then
        WINEPREFIX="$repo/$prefix" wineserver -k >/dev/null 2>&1 || true
    fi
done

# A Wine command that ran without the project's prefix would have made the user's default one.
for p in "${default_prefixes[@]}"; do
    if [ -e "$p" ]; then
        summaries+=("$p was made during this run: a Wine command ran without the project's prefix")
        total_failed=$((total_failed + 1))
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
