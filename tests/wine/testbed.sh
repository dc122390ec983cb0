# Sourced by wine-run, desktop-up and desktop-down: where the Wine test bed
# of one build tree lives and how to tell whether it is up.
#
# Layout of the test bed root (default: <build dir>/wine-testbed):
#   prefix/        the private WINEPREFIX, kept between runs (cold setup is slow)
#   display        ":N", the X display the virtual desktop lives on
#   xvfb.pid       our Xvfb, absent when PLINTH_WINE_DISPLAY named a display
#   keeper.pid     deskkeeper.exe, which holds the virtual desktop open
#   *.log          output of everything started in the background
#   lock           serialises desktop-up and desktop-down

# Never the user's ~/.wine, and no debug chatter on the tests' output. Mono
# and Gecko are not installed here; without the override wineboot asks for them.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH WINESERVER WINELOADER

testbed_die() {
    echo "wine test bed: $*" >&2
    exit 1
}

# The build tree that holds PATH (a file or directory), found by walking up to
# its CMakeCache.txt; empty when there is none.
testbed_build_dir_of() {
    local dir
    dir=$(cd "$(dirname -- "$1")" 2>/dev/null && pwd -P) || return 0
    [ -d "$1" ] && dir=$(cd -- "$1" && pwd -P)
    while [ -n "$dir" ] && [ "$dir" != / ]; do
        if [ -f "$dir/CMakeCache.txt" ]; then
            echo "$dir"
            return 0
        fi
        dir=$(dirname -- "$dir")
    done
}

# Sets TESTBED_ROOT, TESTBED_BUILD and WINEPREFIX. PLINTH_WINE_ROOT wins, so a
# user and ctest that both set it agree; otherwise the root belongs to the
# build tree of the first hint that lies in one (an exe, a build dir, the cwd).
testbed_locate() {
    local hint build=
    for hint in "$@" "$PWD"; do
        [ -n "$hint" ] || continue
        build=$(testbed_build_dir_of "$hint")
        [ -n "$build" ] && break
    done
    TESTBED_BUILD=$build
    if [ -n "${PLINTH_WINE_ROOT:-}" ]; then
        TESTBED_ROOT=$PLINTH_WINE_ROOT
    elif [ -n "$build" ]; then
        TESTBED_ROOT=$build/wine-testbed
    else
        testbed_die "no build tree found; run from one or set PLINTH_WINE_ROOT"
    fi
    mkdir -p "$TESTBED_ROOT" || testbed_die "cannot create $TESTBED_ROOT"
    TESTBED_ROOT=$(cd "$TESTBED_ROOT" && pwd -P)
    export WINEPREFIX=$TESTBED_ROOT/prefix
}

# True when PID runs. A dead child that nobody reaped still answers kill -0,
# so the state letter decides.
testbed_pid_alive() {
    local pid=$1 state
    [ -n "$pid" ] && [ -r "/proc/$pid/stat" ] || return 1
    state=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | cut -c1)
    case $state in Z|X|x|"") return 1 ;; esac
}

# True when PID runs and its command line contains WHAT, so that a recorded
# pid that the system gave to another program since is left alone.
testbed_pid_runs() {
    testbed_pid_alive "$1" || return 1
    tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null | grep -qF -- "$2"
}

testbed_read() {
    [ -f "$TESTBED_ROOT/$1" ] && cat "$TESTBED_ROOT/$1" 2>/dev/null
}

# Up means: the display answers and the keeper still holds the desktop.
testbed_is_up() {
    local display xvfb
    display=$(testbed_read display) || return 1
    [ -n "$display" ] || return 1
    xvfb=$(testbed_read xvfb.pid)
    if [ -n "$xvfb" ]; then
        testbed_pid_runs "$xvfb" Xvfb || return 1
    fi
    testbed_pid_runs "$(testbed_read keeper.pid)" deskkeeper.exe || return 1
    DISPLAY=$display timeout 5 xdpyinfo >/dev/null 2>&1
}
