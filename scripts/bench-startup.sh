#!/usr/bin/env bash
# Start-up figures of the client: time from process start to the first presented frame, and the
# peak resident memory, measured with /usr/bin/time over a headless run against the sample
# installation. Targets: first frame within 300 ms, peak resident memory under 64 MB.
# Usage: scripts/bench-startup.sh [runs]   (default 5; needs a release build, made when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
runs=${1:-5}
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target varnis mkinstall >/dev/null
build/release/mkinstall "$top/build/sample-install" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QV_REGISTRY="$work/registry.ini"
export QV_RUNTIME_DIR="$work/run"
export QV_PLATFORM=headless
cat >"$QV_REGISTRY" <<REG
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0]
"ExePath"="$top/build/sample-install/client.exe"
REG

cd "$top/build/sample-install"
printf '%-4s %16s %14s %10s\n' run "first frame (ms)" "peak RSS (MB)" "exit code"
frames=()
rss=()
for i in $(seq 1 "$runs"); do
    out="$work/run$i.txt"
    set +e
    /usr/bin/time -f 'maxrss_kb=%M' "$top/build/release/varnis" --exit-after-first-frame 2>"$out"
    code=$?
    set -e
    frame=$(sed -n 's/^first frame: \([0-9]*\) ms$/\1/p' "$out")
    kb=$(sed -n 's/^maxrss_kb=\([0-9]*\)$/\1/p' "$out")
    mb=$(awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }')
    printf '%-4s %16s %14s %10s\n' "$i" "${frame:-?}" "$mb" "$code"
    frames+=("${frame:-99999}")
    rss+=("$kb")
done
worst_frame=$(printf '%s\n' "${frames[@]}" | sort -n | tail -1)
worst_kb=$(printf '%s\n' "${rss[@]}" | sort -n | tail -1)
worst_mb=$(awk -v kb="$worst_kb" 'BEGIN { printf "%.1f", kb / 1024 }')
echo "worst: first frame ${worst_frame} ms (target 300), peak RSS ${worst_mb} MB (target 64)"
