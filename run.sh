#!/usr/bin/env bash
# Builds plinthwise.exe and starts it: under Wine on Linux (in a Wine virtual
# desktop of its own), natively on Windows. Installs what is missing first.
#
#   ./run.sh            on Linux: on your X display if DISPLAY is set, else on
#                       a virtual one (take a look with: import -window root x.png)
set -euo pipefail
cd "$(dirname "$0")"

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
echo "Plinthwise runs in a Wine virtual desktop on $where."
echo "ALT+1..ALT+5 switch groups; Exit from the tray icon's menu (or Ctrl-C here) ends it."
set +e
tests/wine/wine-run "$build/plinthwise.exe"
code=$?
echo "plinthwise.exe exited with $code"
exit $code
