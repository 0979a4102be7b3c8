#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each one briefly over its seeds and corpus.
# The targets share one budget: FUZZ_BUDGET seconds in all (default 180), split evenly, at least
# FUZZ_MIN_SECONDS (default 3) each. FUZZ_SECONDS, when set, fixes the time per target instead.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
targets=(fuzz/*.cpp)
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz smoke: no targets"
    exit 0
fi
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON \
    -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "${JOBS:-$(nproc)}"
budget=${FUZZ_BUDGET:-180}
minimum=${FUZZ_MIN_SECONDS:-3}
seconds=${FUZZ_SECONDS:-$((budget / ${#targets[@]}))}
[ "$seconds" -lt "$minimum" ] && seconds=$minimum
echo "fuzz smoke: ${#targets[@]} targets, ${seconds}s each"
for src in "${targets[@]}"; do
    name=$(basename "$src" .cpp)
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus" build/fuzz/artifacts
    seeds=()
    [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
    dict=()
    [ -f "fuzz/seeds/$name.dict" ] && dict=(-dict="fuzz/seeds/$name.dict")
    build/fuzz/fuzz_"$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
        -artifact_prefix=build/fuzz/artifacts/"$name"- "${dict[@]}" "$corpus" "${seeds[@]}" \
        >build/fuzz/"$name".log 2>&1 || {
        tail -n 40 build/fuzz/"$name".log
        echo "fuzz smoke: $name FAILED"
        exit 1
    }
    runs=$(awk '/stat::number_of_executed_units/ {print $2}' build/fuzz/"$name".log)
    echo "fuzz smoke: $name ${runs:-0} inputs, $(( ${runs:-0} / seconds ))/s"
done
echo "fuzz smoke: ${#targets[@]} targets ran clean"
