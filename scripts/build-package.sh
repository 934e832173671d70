#!/usr/bin/env bash
# Installs what is missing, builds a release and makes the Debian package
# build-package/pelublock_VERSION_ARCH.deb; install it with
#   sudo apt install ./build-package/pelublock_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELU_BUILD_TESTS=OFF \
  -DPELU_BUILD_BENCH=OFF
cmake --build build-package
cd build-package
cpack -G DEB
