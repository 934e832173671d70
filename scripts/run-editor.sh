#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor in its run
# directory (build/run: the shipped data and the generated skin).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELU_BUILD_TESTS=OFF
cmake --build build
cd build/run
exec ../pelublock "$@"
