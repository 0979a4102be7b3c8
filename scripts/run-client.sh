#!/usr/bin/env bash
# `make run`: builds a release client, writes the sample installation and a settings store that
# points at it, and starts the client in a window. Without a display it runs the client for a
# few seconds under a virtual X display and saves a screenshot to build/run.png.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then headless=1; fi
if [ $headless -eq 1 ]; then
    scripts/install-deps.sh xvfb xauth imagemagick
else
    scripts/install-deps.sh
fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target varnis mkinstall testshard
build/release/mkinstall "$top/build/sample-install"

# The test server's demo stays up beside the client on the port of the installation's "login.cfg",
# and stops when the client ends.
build/release/testshard >"$top/build/testshard.log" 2>&1 &
testshard_pid=$!
trap 'kill "$testshard_pid" 2>/dev/null || true; wait "$testshard_pid" 2>/dev/null || true' EXIT
echo "test server: demo scenario, log in build/testshard.log"

# The settings store names the installation: "ExePath" is the client's path inside the folder.
export QV_REGISTRY="$top/build/registry.ini"
cat >"$QV_REGISTRY" <<REG
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0]
"ExePath"="$top/build/sample-install/client.exe"
REG
echo "settings store: $QV_REGISTRY"

cd build/sample-install
if [ $headless -eq 0 ]; then
    "$top/build/release/varnis"
    exit $?
fi

echo "no display: running the client under a virtual X display for a few seconds"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1/build/release/varnis" & pid=$!
    sleep "${QV_RUN_SECONDS:-4}"
    import -window root "$1/build/run.png"
    kill -TERM $pid  # SDL turns this into a window close: WM_CLOSE, then WM_QUIT with code 0
    wait $pid
    echo "client exit code: $?"
' _ "$top"
echo "screenshot: $top/build/run.png"
