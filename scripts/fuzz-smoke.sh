#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each one briefly over its seeds.
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
seconds=${FUZZ_SECONDS:-10}
for src in "${targets[@]}"; do
    name=$(basename "$src" .cpp)
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
    echo "fuzz smoke: $name for ${seconds}s"
    build/fuzz/fuzz_"$name" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 \
        "$corpus" "${seeds[@]}" >build/fuzz/"$name".log 2>&1 || {
        tail -n 40 build/fuzz/"$name".log
        echo "fuzz smoke: $name FAILED"
        exit 1
    }
done
echo "fuzz smoke: ${#targets[@]} targets ran clean"
