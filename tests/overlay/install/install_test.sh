#!/usr/bin/env bash
# Installs Dravik from the build folder into a temporary prefix, then builds
# and runs the host program against it: through find_package(Dravik), and
# through pkg-config. Usage: install_test.sh <build-dir>
set -euo pipefail
build=$1
src=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/prefix" --component Dravik >/dev/null
libdir=$(dirname "$(find "$tmp/prefix" -name libDravik.so)")
test -f "$libdir/libVelmo_dsp_video_mjpeg.so"

cmake -S "$src/host" -B "$tmp/cmake-host" -G Ninja \
  -DCMAKE_PREFIX_PATH="$tmp/prefix" >/dev/null
cmake --build "$tmp/cmake-host" >/dev/null
"$tmp/cmake-host/dravik_host"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -o "$tmp/pc-host" "$src/host/host.c" \
  $(pkg-config --cflags --libs dravik)
LD_LIBRARY_PATH="$libdir" "$tmp/pc-host"
