#!/usr/bin/env bash
# Builds plinthwise.exe and starts it: under Wine on Linux (in a Wine virtual
# desktop of its own), natively on Windows. Installs what is missing first.
#
#   ./run.sh            on Linux: on your X display if DISPLAY is set, else on
#                       a private virtual one; Wine's own Notepad, Clock and
#                       Minesweeper open beside Plinthwise, windows to switch
#   ./run.sh --alone    Plinthwise alone
set -euo pipefail
cd "$(dirname "$0")"

alone=
case "${1:-}" in
"") ;;
--alone) alone=1 ;;
*)
    echo "usage: ./run.sh [--alone]" >&2
    exit 2
    ;;
esac

case "$(uname -s)" in
MINGW* | MSYS* | CYGWIN*)
    cmake --preset msvc
    cmake --build --preset msvc --target plinthwise
    exec ./build/msvc/Release/plinthwise.exe
    ;;
esac

tools/setup-deps
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target plinthwise deskkeeper
build=build/mingw
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export PLINTH_WINE_DISPLAY=$DISPLAY
    where="your display $DISPLAY"
else
    where="a virtual display"
fi
tests/wine/desktop-up --build "$build"
trap 'tests/wine/desktop-down --build "$build" >/dev/null 2>&1 || true' EXIT
display=$(cat "$build/wine-testbed/display")

# The system's own small programs, for windows to switch at once; they join
# group 1 when Plinthwise starts. Only those this Wine has.
opened=()
if [ -z "$alone" ]; then
    system32=$build/wine-testbed/prefix/drive_c/windows/system32
    for program in notepad clock winemine; do
        [ -f "$system32/$program.exe" ] || continue
        tests/wine/wine-run "$system32/$program.exe" >/dev/null 2>&1 &
        opened+=("$program")
    done
    sleep 2
fi

echo "Plinthwise runs in a Wine virtual desktop on $where${opened[*]:+, beside ${opened[*]}}."
echo "ALT+1..ALT+5 switch groups, ALT+SHIFT+digit carries the active window along;"
echo "Exit from the tray icon's menu (or Ctrl-C here) ends it and closes the desktop."
echo "Screenshot of the desktop:  DISPLAY=$display import -window root plinthwise.png"
set +e
# In the background, so that Ctrl-C reaches the shell at once (Wine's GUI
# processes ignore it) and the desktop comes down with everything in it.
trap 'exit 130' INT TERM
tests/wine/wine-run "$build/plinthwise.exe" &
wait $!
code=$?
echo "plinthwise.exe exited with $code"
exit $code
