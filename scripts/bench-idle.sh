#!/usr/bin/env bash
# The client at rest: the release client on the sample installation, in a window under a virtual X
# display, with the test server's demo beside it, left alone at its first screen. Prints the CPU
# time over wall time (% of one core), the peak resident memory and the main loop's wake-ups per
# second (its own counter, printed at exit with QV_LOOP_STATS=1) beside the main thread's
# voluntary context switches per second.
# Targets: at most 1 % of a core, peak RSS at most 48 MB, wake-ups about the deadlines due.
# Usage: scripts/bench-idle.sh [seconds]   (default 10; needs a release build, made when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
seconds=${1:-10}
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
cmake --build build/release -j 4 --target varnis mkinstall testshard >/dev/null
build/release/mkinstall "$top/build/sample-install" >/dev/null

work=$(mktemp -d)
testshard_pid=
cleanup() {
    if [ -n "$testshard_pid" ]; then
        kill "$testshard_pid" 2>/dev/null || true
        wait "$testshard_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export QV_REGISTRY="$work/registry.ini"
export QV_RUNTIME_DIR="$work/run"
export QV_DATA_DIR="$work/data"
export QV_LOOP_STATS=1
cat >"$QV_REGISTRY" <<REG
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0]
"ExePath"="$top/build/sample-install/client.exe"
REG
build/release/testshard >"$work/testshard.log" 2>&1 &
testshard_pid=$!

cd "$top/build/sample-install"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    "$1/build/release/varnis" 2>"$3/client.err" & pid=$!
    sleep 2 # start-up and the first frames
    hz=$(getconf CLK_TCK)
    cpu() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
    switches() { awk "/^voluntary_ctxt_switches/ { print \$2 }" /proc/$pid/task/$pid/status; }
    c0=$(cpu); s0=$(switches); t0=$(date +%s.%N)
    sleep "$2"
    c1=$(cpu); s1=$(switches); t1=$(date +%s.%N)
    peak=$(awk "/^VmHWM/ { print \$2 }" /proc/$pid/status)
    kill -TERM $pid # SDL turns this into a window close
    set +e
    wait $pid
    code=$?
    set -e
    awk -v c0=$c0 -v c1=$c1 -v hz=$hz -v t0=$t0 -v t1=$t1 -v s0=$s0 -v s1=$s1 -v kb=$peak -v code=$code "BEGIN {
        wall = t1 - t0
        printf \"first screen, %.1f s: CPU %.2f %% of a core, peak RSS %.1f MB, %.1f context switches/s, exit code %d\n\",
               wall, 100 * (c1 - c0) / hz / wall, kb / 1024, (s1 - s0) / wall, code
    }"
' _ "$top" "$seconds" "$work"
sed -n 's/^main loop: /main loop (whole run): /p' "$work/client.err"
