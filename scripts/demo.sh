#!/usr/bin/env bash
# Fresh machine to a book on screen: packages, build, installation into a
# user-writable folder, a demo book, then the page builder on that book.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${LUMO_PREFIX:-$HOME/lumo}
demo=${LUMO_DEMO_BOOK:-$HOME/lumo-demo/Libro demo}
bash scripts/install-deps.sh
bash scripts/build.sh -DLUMO_BUILD_TESTS=OFF -DLUMO_BUILD_BENCHMARKS=OFF
cmake --install build --prefix "$prefix"
bash scripts/make-demo-book.sh "$demo"
"$prefix/lumoreg" set Zivuvu Default CD "$demo"
headless=
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # No desktop: run headless and print the messages the programs show.
  export QT_QPA_PLATFORM=offscreen LUMO_UI_LOG=/dev/stderr
  headless=1
fi
# Zivuvu writes the pages and starts LumoPlayer maximised on them.
"$prefix/dazide.zev"
echo "Pages written: $prefix/index.htm and $prefix/DEMO01/"
if [ -z "$headless" ]; then
  echo "LumoPlayer shows its about page, then the demo book's home page."
  exit 0
fi
# The about page stays 5 seconds, then the player opens the home page.
sleep 7
player=$(realpath "$prefix/LumoPlayer")
for proc in /proc/[0-9]*; do
  if [ "$(readlink "$proc/exe" 2>/dev/null)" = "$player" ]; then
    echo "LumoPlayer runs headless with the demo book's home page open (process ${proc#/proc/});"
    echo "stop it with: kill ${proc#/proc/}"
    exit 0
  fi
done
echo "LumoPlayer is not running: see the messages above." >&2
exit 1
