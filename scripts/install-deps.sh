#!/usr/bin/env bash
# Installs the Debian packages the suite builds, runs and is tested with.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config git clang-format
  qt6-base-dev qt6-base-private-dev qt6-translations-l10n libmpv-dev mpv libsqlite3-dev libxml2-dev libhivex-dev mp3splt
  libgtest-dev libbenchmark-dev
  sox lame libsox-fmt-mp3
  libxml2-utils python3-mutagen locales
  xdg-utils  # xdg-open: the programs open folders, logs and web links with it
  clang libclang-rt-14-dev  # the fuzz targets: clang 14 and its libFuzzer and sanitizer runtimes
)
as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
