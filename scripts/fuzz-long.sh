#!/usr/bin/env bash
# A long fuzzing campaign for people (CI runs scripts/fuzz-smoke.sh):
#   scripts/fuzz-long.sh [SECONDS] [JOBS]
# runs every target for SECONDS (default 300) over its corpus, JOBS targets at a time (default 1),
# each on one core. The corpus grows under build/fuzz/corpus/<target>/; crashes are written to
# build/fuzz/artifacts/. Prints one line per target: inputs run, inputs per second, corpus size,
# coverage features, and any crash with its reproducer's path. Exits non-zero if any target failed.
# BUILD_JOBS limits the parallel compile (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
jobs=${2:-1}
shopt -s nullglob
targets=()
for src in fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
[ ${#targets[@]} -eq 0 ] && { echo "fuzz long: no targets"; exit 0; }
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON \
    -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "${BUILD_JOBS:-$(nproc)}" >/dev/null
mkdir -p build/fuzz/artifacts build/fuzz/long

run_one() {
    local name=$1 seconds=$2
    local corpus=build/fuzz/corpus/$name log=build/fuzz/long/$name.log
    mkdir -p "$corpus"
    local seeds=() dict=()
    [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
    [ -f "fuzz/seeds/$name.dict" ] && dict=(-dict="fuzz/seeds/$name.dict")
    local status=0
    build/fuzz/fuzz_"$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
        -artifact_prefix=build/fuzz/artifacts/"$name"- "${dict[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
    local runs features files crash=""
    runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    features=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    files=$(find "$corpus" -type f | wc -l)
    if [ "$status" -ne 0 ]; then
        crash=$(grep -o 'Test unit written to .*' "$log" | tail -n 1 | sed 's/Test unit written to //')
        crash=" CRASH (exit $status) ${crash:-see $log}"
    fi
    printf '%-20s %12s inputs %8s/s %6s corpus %7s features%s\n' "$name" "${runs:-0}" \
        "$(( ${runs:-0} / seconds ))" "$files" "${features:-0}" "$crash"
    [ "$status" -eq 0 ]
}
export -f run_one

echo "fuzz long: ${#targets[@]} targets, ${seconds}s each, $jobs at a time"
status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$seconds" || status=1
exit $status
