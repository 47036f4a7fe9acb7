#!/usr/bin/env bash
# Installs what is needed, builds tarvox twice (plain, then with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs every test of each build.
set -eu
cd "$(dirname "$0")/.."
TARVOX_EXTRA_PKGS="rsyslog" scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}
run_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVOX_SANITIZE=ON
echo "tarvox: all tests passed (plain and sanitizer builds)"
