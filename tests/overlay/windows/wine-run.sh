#!/bin/sh
# Runs a Windows program under Wine, headless, in a Wine prefix of the
# build's own: wine-run.sh LOADER ARCH PREFIX PROGRAM [ARGS...], with LOADER
# Wine's 32-bit loader and ARCH win32 for the 32-bit build, wine64 and win64
# for the 64-bit one. The first run makes the prefix (a few seconds) and
# installs Wine's Tahoma into it, the family Wine's GDI+ takes for the
# generic sans-serif one. The programs run in a Chinese locale, ANSI code
# page 936, like the hosts' systems.
set -eu
loader=$1 arch=$2 prefix=$3
shift 3
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all \
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
server=$(dirname "$loader")/wineserver
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/drive_c/windows/Fonts/tahoma.ttf" ]; then
    # What Wine says goes to the test's output when the prefix is not made.
    boot=$(mktemp)
    status=0
    "$loader" wineboot.exe --init </dev/null >"$boot" 2>&1 9>&- || status=$?
    "$server" -w
    if [ ! -d "$prefix/drive_c/windows/Fonts" ]; then
      echo "wine-run.sh: $loader wineboot.exe --init made no Wine prefix in $prefix" \
           "(exit status $status); Wine said:"
      cat "$boot"
      rm -f "$boot"
      exit 1
    fi
    rm -f "$boot"
    cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
      "$prefix/drive_c/windows/Fonts/"
  fi
  # One server (and with it Wine's own processes) for a whole test run: it
  # stays 10 s after its last program, so the next test starts at once. It
  # must not hold the lock (fd 9) or the test's output open meanwhile.
  "$server" -p10 </dev/null >/dev/null 2>&1 9>&- || true
) 9>"$prefix.lock"
# Wine's own processes, started with the first program, live on with the
# server and keep the error output they were given open; CTest would wait
# for them. The program's output goes to a file, shown when it is done.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
"$loader" "$@" </dev/null >"$log" 2>&1 || status=$?
cat "$log"
[ $status -eq 0 ] || echo "wine-run.sh: $loader $* ended with exit status $status"
exit $status
