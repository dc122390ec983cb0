#!/usr/bin/env bash
# The release package: the one command builds it and prints its SHA-256, it
# holds exactly plinthwise.exe, README.md and LICENSE, and the program in it
# starts under Wine (the main process up and its watcher started, which it
# does last before it waits for messages).
#
#   tests/package_test.sh BUILD_DIR      (the mingw build; the Wine bed up)
set -uo pipefail
here=$(cd "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)
build=$(cd "${1:?usage: package_test.sh BUILD_DIR}" && pwd -P)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/Plinthwise-$version-win64.zip
rm -f "$zip"
out=$(cmake --build "$build" --target package 2>&1) || { echo "$out"; fail "the package did not build"; }
echo "$out" | grep -E 'package:|SHA-256'
[ -f "$zip" ] || fail "no $zip"
printed=$(echo "$out" | sed -n 's/.*SHA-256 \([0-9a-f]\{64\}\)  .*/\1/p')
[ "$printed" = "$(sha256sum "$zip" | cut -d' ' -f1)" ] || fail "printed SHA-256 '$printed' is not the zip's"

unpacked=$build/package-test
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
listing=$(cd "$unpacked" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "LICENSE README.md plinthwise.exe " ] || fail "the zip holds: $listing"
cmp -s "$unpacked/LICENSE" "$here/../LICENSE" || fail "LICENSE differs from the source's"
cmp -s "$unpacked/README.md" "$here/../README.md" || fail "README.md differs from the source's"

# Wine names the process by its Windows path, Z: being the root.
pattern='package-test.plinthwise\.exe'
"$here/wine/wine-run" "$unpacked/plinthwise.exe" >/dev/null 2>&1 &
watcher=
for _ in $(seq 1 80); do
    watcher=$(pgrep -f "$pattern --watch" | head -1)
    [ -n "$watcher" ] && break
    sleep 0.25
done
main=$(pgrep -f "$pattern" | grep -vx "${watcher:-none}" | head -1)
# Killed, the program leaves nothing: its watcher restores and ends.
[ -n "$main" ] && kill -9 "$main"
for _ in $(seq 1 40); do
    pgrep -f "$pattern" >/dev/null || break
    sleep 0.25
done
leftover=$(pgrep -f "$pattern")
[ -n "$leftover" ] && kill -9 $leftover
{ wait; } 2>/dev/null  # the killed job is no news
[ -n "$watcher" ] || fail "the program from the zip did not start (no watcher within 20 s)"
[ -n "$main" ] || fail "no main process beside the watcher"
[ -z "$leftover" ] || fail "the watcher did not end after the program was killed"
rm -rf "$unpacked"
echo "package ok: $(basename "$zip")"
