#!/bin/sh
# Lists the tests that the last run of scripts/test skipped, each with the
# reason it gave ("skipped: ..."), from the JUnit report CTest wrote
# (ctest --output-junit FILE). Prints nothing when none was skipped.
# Usage: skipped.sh FILE
[ -f "$1" ] || exit 0
awk '
  function unescape(t) {
    gsub(/&apos;/, "\047", t); gsub(/&quot;/, "\"", t); gsub(/&lt;/, "<", t)
    gsub(/&gt;/, ">", t); gsub(/&amp;/, "\\&", t); return t
  }
  /<testcase / { match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7); skip = 0; reason = "" }
  /<skipped/ { skip = 1 }
  { line = $0; sub(/^[ \t]*<system-out>/, "", line) }
  line ~ /^skipped: / && reason == "" { reason = unescape(substr(line, 10)) }
  /<\/testcase>/ && skip { skipped[++n] = name ": " (reason != "" ? reason : "(no reason given)") }
  END {
    if (n == 0) exit
    printf "%d test%s skipped on this machine:\n", n, n == 1 ? "" : "s"
    for (i = 1; i <= n; ++i) print "  " skipped[i]
  }' "$1"
