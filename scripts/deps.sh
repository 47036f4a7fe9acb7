#!/usr/bin/env bash
# Installs what tarvox needs to build and test, from Debian's packages.
# As root it installs what is missing; otherwise it says what to install.
set -eu
pkgs="g++ cmake ninja-build python3 libboost-dev libloki-dev libgtest-dev libgmock-dev libbenchmark-dev"
[ "${TARVOX_EXTRA_PKGS:-}" ] && pkgs="$pkgs $TARVOX_EXTRA_PKGS"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "tarvox: missing Debian packages:$missing" >&2
  echo "tarvox: install them with: sudo apt-get install -y$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q </dev/null || echo "tarvox: apt-get update failed; trying the install anyway" >&2
apt-get install -y -q --no-install-recommends $missing </dev/null
