#!/usr/bin/env bash
# Fresh machine to green tests: packages, the format check, a build with
# warnings as errors and every test (headless), an optimised Release build
# with warnings as errors, a build with the address and undefined-behaviour
# sanitizers and every test once more under them, then a short run of every
# fuzz target (clang, libFuzzer, the same sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

# Every tracked C++ file as .clang-format formats it, by clang-format 14
# (Debian 12's): another version formats some lines otherwise.
clang_format=clang-format-14
if ! "$clang_format" --version | grep -q 'clang-format version 14\.'; then
  echo "test.sh: $clang_format is not clang-format 14: $("$clang_format" --version 2>&1 || true)" >&2
  exit 1
fi
git ls-files -z '*.cpp' '*.h' | xargs -0 "$clang_format" --dry-run --Werror

# Runs every test of a build tree, none for longer than 5 minutes. A test
# that skips (it lacks something of the machine: a private mount namespace,
# for one, which a container gets only with CAP_SYS_ADMIN) fails the run: it
# would otherwise pass without having run.
run_tests() {
  local log="$1/ctest.log"
  ctest --test-dir "$1" --output-on-failure --timeout 300 -j "$jobs" 2>&1 | tee "$log"
  if grep -E '\(Skipped\)|\[  SKIPPED \]' "$log" >/dev/null; then
    echo "test.sh: tests skipped in $1 (see above); on this machine they did not run:" >&2
    grep -E '\(Skipped\)' "$log" >&2 || true
    exit 1
  fi
}

bash scripts/build.sh -DLUMO_WERROR=ON
run_tests build

# -O3 inlines across the tree and GCC warns on what it then sees, so the
# Release tree is built with warnings as errors too, with the benchmarks, so
# that they cannot rot unbuilt. Its tests are not run:
# the tests run here already and under the sanitizers, which catch the
# undefined behaviour that optimisation would turn into a different result.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O3 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O3 -DNDEBUG" -DLUMO_WERROR=ON -DLUMO_BUILD_BENCHMARKS=ON
cmake --build build-release -j "$jobs"

# The sanitizer tree is optimised lightly (-O1), which keeps its build short.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
  -DLUMO_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
# Leaks that system libraries keep for the process's life are suppressed
# (scripts/lsan.supp); every other leak, memory error or undefined behaviour
# fails its test.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1"
run_tests build-sanitize

# The fuzz targets (lumo_fuzzer in cmake/Lumo.cmake) in their own clang tree,
# with the sanitizers; each makes LUMO_FUZZ_RUNS inputs (20,000) from a fixed
# seed, so that a run of the same tree tries the same inputs and its verdict
# is repeatable, for at most LUMO_FUZZ_SECONDS (60), from its corpus in
# build-fuzz/corpus, which later runs go on from. A failing input is left in
# build-fuzz/crashes. Longer runs by hand: LUMO_FUZZ_RUNS=-1 (no limit) and a
# larger LUMO_FUZZ_SECONDS.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DLUMO_SANITIZE=ON -DLUMO_BUILD_FUZZERS=ON -DLUMO_BUILD_TESTS=OFF
cmake --build build-fuzz -j "$jobs" --target lumo_fuzzers
mkdir -p build-fuzz/crashes
while read -r fuzzer; do
  [ -n "$fuzzer" ] || continue
  corpus="build-fuzz/corpus/$(basename "$fuzzer")"
  mkdir -p "$corpus"
  # Inputs of up to 512 bytes from the start: the targets build their
  # streams from a few hundred bytes of choices.
  "$fuzzer" -seed=1 -runs="${LUMO_FUZZ_RUNS:-20000}" -max_total_time="${LUMO_FUZZ_SECONDS:-60}" -len_control=0 -max_len=512 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/crashes/ "$corpus"
done <build-fuzz/lumo_fuzzers.txt
