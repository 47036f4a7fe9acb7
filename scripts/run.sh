#!/usr/bin/env bash
# Installs what is needed, builds tarvox and starts it in the foreground on the
# simulated board: every board path lives under ./run-root instead of /.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
export TARVOX_ROOT="$PWD/run-root"
mkdir -p "$TARVOX_ROOT/dev/misc" "$TARVOX_ROOT/var/run" "$TARVOX_ROOT/var/log" \
         "$TARVOX_ROOT/var/monitoring" "$TARVOX_ROOT/usr/local/etc"
# The simulated watchdog is a plain file that collects what the loop writes.
: > "$TARVOX_ROOT/dev/misc/gw-wd"
exec build/tarvox "$@"
