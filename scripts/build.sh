#!/usr/bin/env bash
# Configures and builds the suite in ./build (Ninja, with tests; options such as
# -DLUMO_BUILD_BENCHMARKS=ON are passed on to CMake).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j "$(nproc)"
