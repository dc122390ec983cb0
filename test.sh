#!/usr/bin/env bash
# Runs every test: the sim build natively, then the Windows build under Wine.
# Installs what is missing first (Debian). Exit code 0 only if all passed.
set -uo pipefail
cd "$(dirname "$0")"

tools/setup-deps || exit 1

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0

run_preset() {
    local preset=$1
    echo "== $preset: configure and build"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
        echo "== $preset: build failed"
        status=1
        return
    fi
    echo "== $preset: test"
    ctest --preset "$preset" 2>&1 | tee -a "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
}

run_preset sim
run_preset mingw

# One closing line over both builds.
read -r passed failed <<<"$(awk '/tests passed, [0-9]+ tests failed out of/ {
    f += $4; n += $NF; } END { print n - f, f }' "$log")"
echo "${passed:-0} passed, ${failed:-0} failed"
[ "$status" -eq 0 ] && [ "${failed:-0}" -eq 0 ]
