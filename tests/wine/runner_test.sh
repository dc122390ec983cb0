#!/usr/bin/env bash
# The native runner (tests/run-tests.cmd) under Wine's own cmd.exe, run from
# the unpacked test package as a Windows user would: its closing line counts
# what the same executables give when run directly, passed when they exit
# with 0, as ctest counts them. A cheap few of them: testbed_test, and a
# stand-in that exits as a crashed test does, with a negative code.
#
#   tests/wine/runner_test.sh BUILD_DIR   (the mingw build; the Wine bed up)
set -uo pipefail
here=$(cd "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)
build=$(cd "${1:?usage: runner_test.sh BUILD_DIR}" && pwd -P)
. "$here/testbed.sh"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

out=$(cmake --build "$build" --target test_package 2>&1) || { echo "$out"; fail "the test package did not build"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/Plinthwise-$version-win64-tests.zip
[ -f "$zip" ] || fail "no $zip"
unpacked=$build/runner-test
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"

# The package holds the runner, the helpers and every test executable the
# build made, so that the runner there runs what ctest runs here.
for f in run-tests.cmd pwhelper.exe plinthwise.exe; do
    [ -f "$unpacked/$f" ] || fail "the test package lacks $f"
done
built=$(cd "$build/tests" && ls -- *_test.exe | LC_ALL=C sort | tr '\n' ' ')
packed=$(cd "$unpacked" && ls -- *_test.exe | LC_ALL=C sort | tr '\n' ' ')
[ "$built" = "$packed" ] || fail "the build has test executables $built, the package $packed"

cp "$unpacked/elevate_probe.exe" "$unpacked/zz_crashes_test.exe"
export PLINTHWISE_PROBE_EXIT=-1073741819  # STATUS_ACCESS_VIOLATION
chosen=(testbed_test zz_crashes_test)

testbed_locate "$build"
testbed_is_up || fail "the Wine test bed is not up"
export DISPLAY
DISPLAY=$(testbed_read display)
cd "$unpacked" || fail "cannot enter $unpacked"

passed=0 failed=0
for t in "${chosen[@]}"; do
    if wine "$t.exe" >"$t.log" 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
expected="$passed passed, $failed failed"
echo "run directly: $expected"

wine cmd /c run-tests.cmd "${chosen[@]}" >runner.log 2>&1
status=$?
tr -d '\r' <runner.log
last=$(tr -d '\r' <runner.log | sed '/^$/d' | tail -n 1)
[ "$last" = "$expected" ] || fail "the runner ends with '$last', the executables run directly give '$expected'"
[ "$status" -eq $((failed > 0 ? 1 : 0)) ] || fail "the runner exits with $status after '$last'"
cd "$build" && rm -rf "$unpacked"
echo "runner ok: $last"
