#!/usr/bin/env bash
# Configures and builds the suite in ./build (Ninja, with tests; options such as
# -DLUMO_BUILD_BENCHMARKS=ON are passed on to CMake). The build runs
# CMAKE_BUILD_PARALLEL_LEVEL jobs when it is set, else one per core.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
