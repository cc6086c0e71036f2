#!/usr/bin/env bash
# Zivuvu, the program as installed, on a book of 500 two-minute
# constant-bitrate files without a VBR header (MPEG-2 32 kbit/s mono)
# against the same book whose files begin with an Info header, cold: the
# page cache is dropped before every run (root only; otherwise only the
# books' own files are dropped). The two sides alternate, the side that
# goes first changing every round; each prints median [min-max] of its
# wall times and the ratio of the medians, with the load before and after.
#
#   bash zivuvu/core/bench/side_by_side.sh [BUILD] [ROUNDS]
#
# BUILD is a tree configured with -DLUMO_BUILD_BENCHMARKS=ON (default
# build-release, the -O3 Release tree); ROUNDS defaults to 7. With
# STRACE=1 each side runs once more under `strace -c`, counting its reads
# and read-ahead hints. PROGRAM names another Zivuvu to time (an older
# build) instead of the tree's own.
set -euo pipefail
cd "$(dirname "$0")/../../.."
build="$(realpath "${1:-build-release}")"
rounds="${2:-7}"
program="${PROGRAM:-$build/zivuvu/window/dazide.zev}"
for needed in "$program" "$build/zivuvu/core/lumo_zivuvu_bench" "$build/tools/lumoreg/lumoreg"; do
  [ -x "$needed" ] || { echo "missing $needed (build $build with -DLUMO_BUILD_BENCHMARKS=ON)" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/zivuvu-side-by-side.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$build/zivuvu/core/lumo_zivuvu_bench" --write_books="$work/books"
# The program finds its folder from its own executable: a copy, beside a
# player that ends at once.
mkdir "$work/app"
cp "$program" "$work/app/dazide.zev"
printf '#!/bin/sh\nexit 0\n' >"$work/app/lumoplayer"
chmod +x "$work/app/lumoplayer"
export XDG_CONFIG_HOME="$work/config" LUMO_MACHINE_REGISTRY="$work/machine.sqlite" QT_QPA_PLATFORM=offscreen
sync

drop_caches() {
  sync
  if [ -w /proc/sys/vm/drop_caches ]; then
    echo 3 >/proc/sys/vm/drop_caches
  else
    find "$work/books" -type f -exec dd if=/dev/null of=/dev/null iflag=nocache status=none {} \; 2>/dev/null || true
  fi
}

use_book() { "$build/tools/lumoreg/lumoreg" set Zivuvu Default CD "$work/books/$1" >/dev/null; }

# One cold run of the program on a book; prints its wall time in seconds.
run_once() {
  use_book "$1"
  drop_caches
  local start end
  start=$(date +%s%N)
  "$work/app/dazide.zev" >/dev/null 2>&1
  end=$(date +%s%N)
  grep -q "Durata 2:00" "$work/app/BIG500/f1000.htm" || { echo "$1: the first file was not measured" >&2; exit 1; }
  echo "scale=3; ($end - $start) / 1000000000" | bc
}

# median [min-max] of the numbers on standard input.
summary() {
  sort -n | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f [%.3f-%.3f]", m, v[1], v[NR] }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(uptime)"
: >"$work/no-header.times"
: >"$work/info-header.times"
for ((r = 1; r <= rounds; r++)); do
  if ((r % 2)); then order="no-header info-header"; else order="info-header no-header"; fi
  line="round $r:"
  for side in $order; do
    t=$(run_once "$side")
    echo "$t" >>"$work/$side.times"
    line="$line $side $t"
  done
  echo "$line"
done
echo "load after:  $(uptime)"
without=$(median <"$work/no-header.times")
with=$(median <"$work/info-header.times")
echo "without a VBR header: $(summary <"$work/no-header.times") s"
echo "with Info headers:    $(summary <"$work/info-header.times") s"
echo "ratio of the medians: $(echo "scale=2; $without / $with" | bc)x ($rounds rounds)"

if [ "${STRACE:-0}" = 1 ]; then
  for side in no-header info-header; do
    use_book "$side"
    drop_caches
    echo "strace -c, $side:"
    strace -f -c -e trace=read,pread64,preadv,preadv2,readahead,fadvise64 -o "$work/$side.strace" \
      "$work/app/dazide.zev" >/dev/null 2>&1
    cat "$work/$side.strace"
  done
fi
