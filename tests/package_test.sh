#!/usr/bin/env bash
# The release package: the one command builds it and prints its SHA-256, it
# holds exactly plinthwise.exe, README.md and LICENSE, and the program in it
# starts under Wine (the main process up and its watcher started, which it
# does last before it waits for messages).
#
#   tests/package_test.sh BUILD_DIR WINDRES   (the mingw build and its resource
#                                             compiler; the Wine bed up)
set -uo pipefail
here=$(cd "$(dirname -- "${BASH_SOURCE[0]}")" && pwd -P)
build=$(cd "${1:?usage: package_test.sh BUILD_DIR WINDRES}" && pwd -P)
windres=${2:?usage: package_test.sh BUILD_DIR WINDRES}
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
grep -q '^## Install on Windows' "$unpacked/README.md" || fail "the README has no install section"
# Markdown links and pictures name files beside the README: each must be there.
while read -r target; do
    case $target in http*://*) continue ;; esac
    [ -e "$unpacked/${target%%#*}" ] || fail "the README refers to $target, which the package lacks"
done < <(grep -o '](\([^)]*\))' "$unpacked/README.md" | sed 's/^](\(.*\))$/\1/')

# The resources, as windres reads them back from the file.
resources=$("$windres" -i "$unpacked/plinthwise.exe" -O rc 2>&1) || fail "cannot read the resources: $resources"
expect() {
    echo "$resources" | grep -qF -- "$1" || fail "plinthwise.exe lacks $2 ($1)"
}
expect 'level=""asInvoker""' "its execution level"
expect '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' "the Windows 10 and 11 entry"
expect '>PerMonitorV2</dpiAwareness>' "its DPI awareness"
expect '>UTF-8</activeCodePage>' "its code page"
expect "FILEVERSION ${version//./, }, 0" "its file version"
expect "VALUE \"ProductVersion\", \"$version\"" "its product version"
expect 'VALUE "ProductName", "Plinthwise"' "its product name"
expect 'VALUE "OriginalFilename", "plinthwise.exe"' "its file name"
expect 'VALUE "FileDescription", "Plinthwise' "its description"
expect 'MIT License' "its copyright"
expect 'RT_GROUP_ICON' "its icon"

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
