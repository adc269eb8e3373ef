#!/bin/sh
# The DLLs as a host's loader sees them, read with objdump -p: Dravik.dll
# exports exactly its fifteen names (on 32 bits the decorated stdcall ones,
# on 64 bits the plain ones), the C host built against the import library
# asks for nothing else, and neither DLL needs anything beside it but system
# DLLs.
# Usage: check_exports.sh OBJDUMP POINTER-SIZE Dravik.dll host.exe Velmo_dsp_video_mjpeg.dll
set -eu
objdump=$1 pointer=$2 dll=$3 host=$4 converter=$5
status=0
fail() { echo "FAIL: $*"; status=1; }

exports() {  # the export name table
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}
imports() {  # the names imported from DLL $2
  "$objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { on = ($3 == dll); next }
    on && /^$/ { on = 0 }
    on && NF >= 3 && $1 != "vma:" { print $3 }' | sort
}
dlls() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u; }

want=$(printf '%s\n' _Dravik_DrawLine@32 _Dravik_DrawRectangle@40 \
  _Dravik_DrawPloygon@32 _Dravik_DrawWord@56 _Dravik_DrawEnd@4 \
  _Dravik_GdiplusDrawLine@40 _Dravik_GdiplusDrawRectangle@48 \
  _Dravik_GdiplusDrawRectangleWithType@52 _Dravik_GdiplusDrawPloygon@40 \
  _Dravik_GdiplusDrawBrokenLine@32 _Dravik_GdiplusDrawLineLabelLine@36 \
  _Dravik_GdiplusDrawRectLabelLine@28 _Dravik_GdiplusOSD@48 \
  _Dravik_StartTextEngine@0 _Dravik_StopTextEngine@0 |
  if [ "$pointer" = 8 ]; then sed 's/^_//; s/@.*//'; else cat; fi | sort)
got=$(exports "$dll")
[ "$got" = "$want" ] || fail "Dravik.dll exports:
$got
want:
$want"

asked=$(imports "$host" Dravik.dll)
[ -n "$asked" ] || fail "the host imports nothing from Dravik.dll"
for name in $asked; do
  echo "$want" | grep -qx -- "$name" || fail "the host asks for $name"
done

[ "$(exports "$converter")" = DSP_bgr24toyuv420 ] ||
  fail "the converter exports: $(exports "$converter")"

for f in "$dll" "$converter"; do
  for d in $(dlls "$f"); do
    case $d in
      KERNEL32.dll | GDI32.dll | gdiplus.dll | msvcrt.dll) ;;
      *) fail "$(basename "$f") needs $d" ;;
    esac
  done
done

[ $status -eq 0 ] && echo "exports, host imports and dependencies as expected"
exit $status
