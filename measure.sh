#!/usr/bin/env bash
# Measures each part of Plinthwise's promise and prints one table: every
# figure, what this run measured, its target, and whether it was met.
#
#   ./measure.sh
#
# Installs what is missing (tools/setup-deps), builds both presets, and runs
# the real plinthwise.exe under Wine in a private test bed of its own
# (build/mingw/measure-testbed), which it takes down again. Every step has a
# time limit; the whole run takes about 50 minutes on two cores. Each
# step's full output is kept in build/measure/<step>.log and the table in
# build/measure/table.md. The exit code is 0 when every step ran; the
# verdicts are in the table. Not part of ./test.sh or CI: the figures are
# timings, and a shared machine makes them vary from run to run.
set -uo pipefail
cd "$(dirname "$0")"
root=$PWD
out=$root/build/measure
started=$SECONDS

tools/setup-deps || exit 1
mkdir -p "$out"
rows=$out/rows.tsv
: >"$rows"
failed=()

say() { printf '== %s (%d s)\n' "$*" $((SECONDS - started)); }
row() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$rows"; }
verdict() { if [ "$1" = 1 ]; then echo met; else echo MISSED; fi; }

# step NAME LIMIT COMMAND...: runs a command for at most LIMIT seconds with
# its output in NAME.log, shows that output but for the table rows it
# prints (lines "ROW<tab>figure<tab>measured<tab>target<tab>verdict"), and
# collects those rows.
step() {
    local name=$1 limit=$2 status
    shift 2
    say "$name"
    timeout --kill-after=30 "$limit" "$@" >"$out/$name.log" 2>&1
    status=$?
    # Wine's C runtime ends lines with CR LF; the verdicts are read to the line end.
    sed -i 's/\r$//' "$out/$name.log"
    grep -v '^ROW' "$out/$name.log" | grep -v '^wine test bed' | tail -n 30 | sed 's/^/   /'
    grep '^ROW' "$out/$name.log" | cut -f2- >>"$rows"
    if [ $status -ne 0 ]; then
        failed+=("$name (exit $status)")
        row "$name" "did not finish (exit $status; see build/measure/$name.log)" "-" "FAILED"
    fi
    return $status
}

# ---- Builds ----------------------------------------------------------------
for preset in sim mingw; do
    say "build: $preset"
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$out/build-$preset.log" 2>&1; then
        tail -n 30 "$out/build-$preset.log"
        echo "measure.sh: the $preset build failed (build/measure/build-$preset.log)" >&2
        exit 1
    fi
done

# ---- Footprint of the file ---------------------------------------------------
say "footprint"
exe=build/mingw/plinthwise.exe
size=$(stat -c %s "$exe")
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort -f | paste -sd ' ')
# What every Windows installation ships; anything else would have to travel
# with the program.
others=$(tr ' ' '\n' <<<"$dlls" | grep -viE '^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|dwmapi|msvcrt)\.dll$')
row "Size of plinthwise.exe (release build)" "$size bytes ($(awk "BEGIN { printf \"%.1f\", $size / 1024 }") KiB)" \
    "<= 64 KiB" "$(verdict $((size <= 65536)))"
row "DLLs it imports" "$dlls" "system DLLs only" "$(verdict $([ -z "$others" ] && echo 1 || echo 0))"
echo "   $size bytes; imports $dlls"

# ---- Command-line fuzz (sim) ---------------------------------------------------
tails=10000
if step fuzz 300 env PLINTH_FUZZ_TAILS=$tails build/sim/tests/cmdline_fuzz_test; then :; fi
summary=$(grep -m1 -E '^[0-9]+ tails' "$out/fuzz.log")
if [ -n "$summary" ]; then
    bad=$(sed -E 's/.*; ([0-9]+) failed.*/\1/' <<<"$summary")
    row "Command-line fuzz: random tails through WinMain (sim)" "$summary" \
        "no crash; exit codes as the run-mode table, every tail" "$(verdict $((bad == 0)))"
fi

# ---- Under Wine ------------------------------------------------------------------
# A test bed of our own, so that a ctest run in build/mingw does not meet ours.
export PLINTH_WINE_ROOT=$root/build/mingw/measure-testbed
trap 'tests/wine/desktop-down --build build/mingw >/dev/null 2>&1' EXIT
say "Wine test bed"
if ! tests/wine/desktop-up --build build/mingw --keeper build/mingw/tests/deskkeeper.exe >"$out/testbed.log" 2>&1; then
    tail -n 20 "$out/testbed.log"
    echo "measure.sh: the Wine test bed did not come up" >&2
    exit 1
fi
m=build/mingw/bench/measure
wine=tests/wine/wine-run

# Idle first, while the bed is fresh: after many switches Wine's taskbar
# keeps working through what they told it for a while.
step idle 300 $wine $m/measure_speed.exe idle 60
step switch 1200 $wine $m/measure_speed.exe switch
# The same with small windows, three rounds: the repaints and the taskbar,
# which both contenders pay, no longer hide what the program adds.
step switch-small 1200 $wine $m/measure_speed.exe switch-small
# The bed where the program does worst: the same small windows, all of one
# thread of the process that watches them; 300 ms between switches, so that
# the program's timers fall inside some; over when the windows agree.
step switch-onethread 1500 $wine $m/measure_speed.exe switch-onethread
step engine-switch 300 bench/run-wine-bench 20
line=$(grep -m1 '^ratio of medians' "$out/engine-switch.log")
engine=$(awk '/^engine: SwitchToGroup/ { print $(NF - 2) }' "$out/engine-switch.log")
floor=$(awk '/^floor: / { print $(NF - 2) }' "$out/engine-switch.log")
if [ -n "$line" ] && [ -n "$engine" ] && [ -n "$floor" ]; then
    ratio=$(sed -E 's/^ratio of medians ([0-9.]+);.*/\1/' <<<"$line")
    # The benchmark's own verdict, taken on the unrounded ratio.
    row "Switch, engine alone in the benchmark's process, 2 x 50 windows (bench/switch_wine)" \
        "$(awk "BEGIN { printf \"%.1f ms vs floor %.1f ms\", $engine / 1000, $floor / 1000 }") = ${ratio}x" \
        "<= 1.25x floor" "$(verdict "$(grep -q ': within$' <<<"$line" && echo 1 || echo 0)")"
fi

# The long randomized engine run needs no Wine: it runs beside the fault runs,
# which measure no time.
say "randomized engine test, 1,000,000 steps (in the background)"
(
    random_start=$SECONDS
    timeout --kill-after=30 900 env PLINTH_STEPS=1000000 build/sim/tests/engine_random_test \
        --gtest_filter=EngineRandom.DefaultSeed >"$out/random.log" 2>&1
    echo "$? $((SECONDS - random_start))" >"$out/random.status"
) &
random_job=$!

step killstorm 600 $wine $m/measure_faults.exe killstorm 100
step killboth 300 $wine $m/measure_faults.exe killboth 20
step hang 180 $wine $m/measure_faults.exe hang 3000
step busy 900 $wine $m/measure_faults.exe busy 100
step secondcopy 600 $wine $m/measure_faults.exe secondcopy 20
# Which calls wait for a hung window, and what each way of calling costs:
# the figures behind the calls the program makes on other programs' windows.
step hangcalls 180 $wine $m/measure_faults.exe hangcalls
# The probe that tells a busy program from one that answers: what each
# threshold adds to a switch per busy thread, and how often it takes a
# healthy program working in bursts for one that does not answer.
step probe 720 $wine $m/measure_faults.exe probe 300 30
tests/wine/desktop-down --build build/mingw >/dev/null 2>&1
trap - EXIT

say "randomized engine test: waiting for it"
wait $random_job
read -r status seconds <"$out/random.status"
grep -E 'seed|replay|Failure|FAILED|PASSED' "$out/random.log" | tail -n 15 | sed 's/^/   /'
if [ "$status" = 0 ]; then
    row "Randomized engine test (sim), seed 20261208" "1,000,000 steps, every invariant held (${seconds} s)" \
        "no window lost, no invariant broken" met
else
    failed+=("random (exit $status)")
    row "Randomized engine test (sim), seed 20261208" \
        "FAILED (exit $status after ${seconds} s; the replay line is in build/measure/random.log)" \
        "no window lost, no invariant broken" MISSED
fi

# ---- Scale in the sim ---------------------------------------------------------------
step scale 600 bench/run-sim-bench '--benchmark_filter=^(MaintenancePass|Switch)/' \
    --benchmark_out="$out/scale.csv" --benchmark_out_format=csv
if [ -s "$out/scale.csv" ]; then
    for bench in MaintenancePass Switch; do
        # Columns by name: the counters follow Google Benchmark's own.
        awk -F, -v b="$bench" '
            /^name,/ { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); col[$i] = i } next }
            {
                gsub(/"/, "", $1)
                split($1, part, "/")
                if (part[1] != b || part[2] !~ /^[0-9]+$/) next
                n = part[2]; t = $(col["real_time"]); u = $(col["time_unit"]); c = $(col["calls/window"])
                if (u == "ns") t /= 1000; else if (u == "ms") t *= 1000
                if (first == "") { first = n; t0 = t; c0 = c }
                last = n; t1 = t; c1 = c
            }
            END {
                name = b == "Switch" ? "Scale (sim): switch between two halves" : "Scale (sim): maintenance pass"
                unit1 = t1 >= 1000 ? sprintf("%.1f ms", t1 / 1000) : sprintf("%.1f us", t1)
                printf "%s, %d to %d windows\t%.1f us to %s (x%.0f for x%d windows); platform calls per window %.2f to %.2f\tcalls per window flat (linear)\t%s\n",
                    name, first, last, t0, unit1, t1 / t0, last / first, c0, c1, (c1 <= c0 * 1.1 ? "met" : "MISSED")
            }' "$out/scale.csv" >>"$rows"
    done
fi

# ---- The table -------------------------------------------------------------------------
say "done"
# Speed, footprint and scale first, then the fault runs; anything else last.
{
    echo "| Figure | Measured | Target | Verdict |"
    echo "|---|---|---|---|"
    awk -F'\t' '
        BEGIN { n = split("Switch|Idle|Size|DLLs|Memory|Scale|Kill storm|Main and watcher|Command-line|Randomized|Hang", first, "|") }
        { rank[NR] = n + 1
          for (j = 1; j <= n; j++) if (index($1, first[j]) == 1) { rank[NR] = j; break }
          row[NR] = "| " $1 " | " $2 " | " $3 " | " $4 " |" }
        END { for (k = 1; k <= n + 1; k++) for (i = 1; i <= NR; i++) if (rank[i] == k) print row[i] }' "$rows"
} | tee "$out/table.md"
echo
echo "measure.sh: $((SECONDS - started)) s; logs and the table in build/measure/"
if [ ${#failed[@]} -gt 0 ]; then
    echo "measure.sh: steps that did not finish: ${failed[*]}" >&2
    exit 1
fi
