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
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # No desktop: run headless and print the messages the programs show.
  export QT_QPA_PLATFORM=offscreen LUMO_UI_LOG=/dev/stderr
fi
"$prefix/dazide.zev"
echo "Pages written: $prefix/index.htm and $prefix/DEMO01/"
