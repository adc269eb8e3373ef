#!/bin/sh
# Runs a Windows program under wine64, headless, in a Wine prefix of the
# build's own: wine-run.sh PREFIX PROGRAM [ARGS...]. The first run makes the
# prefix (a few seconds) and installs Wine's Tahoma into it, the family
# Wine's GDI+ takes for the generic sans-serif one. The programs run in a
# Chinese locale, ANSI code page 936, like the hosts' systems.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
wine=/usr/lib/wine/wine64
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/drive_c/windows/Fonts/tahoma.ttf" ]; then
    "$wine" wineboot.exe --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
      "$prefix/drive_c/windows/Fonts/"
  fi
) 9>"$prefix.lock"
exec "$wine" "$@"
