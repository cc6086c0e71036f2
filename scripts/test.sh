#!/usr/bin/env bash
# Fresh machine to green tests: packages, a build with warnings as errors and
# every test (headless), then a second build with the address and
# undefined-behaviour sanitizers and every test once more under them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

bash scripts/build.sh -DLUMO_WERROR=ON
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The sanitizer tree is optimised lightly (-O1), which keeps its build short.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
  -DLUMO_SANITIZE=ON
cmake --build build-sanitize -j "$(nproc)"
# Leaks that system libraries keep for the process's life are suppressed
# (scripts/lsan.supp); every other leak, memory error or undefined behaviour
# fails its test.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1"
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
