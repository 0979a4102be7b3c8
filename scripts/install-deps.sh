#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need, when missing.
# Usage: install-deps.sh [extra packages...]
set -euo pipefail
want=(cmake make g++ clang pkg-config libsdl2-dev nettle-dev zlib1g-dev libgtest-dev libgmock-dev
      libbenchmark-dev ccache libmpg123-dev lame twolame sox libfluidsynth-dev timgm6mb-soundfont "$@")
missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: not root; please install: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
