#!/usr/bin/env bash
# Runs a test only where the machine can give it what it needs: first the
# probe, then the test. Where the probe fails, the test is reported as
# skipped (exit status 77, the tests' SKIP_RETURN_CODE) with one line that
# says why, "skipped: ...", which scripts/test repeats at its end.
# Usage: skip-unless.sh WHAT -- PROBE [ARGS...] -- TEST [ARGS...]
# WHAT names what the test needs, as in "this kernel cannot run WHAT".
set -u
what=$1
shift
[ "${1:-}" = -- ] || { echo "usage: skip-unless.sh WHAT -- PROBE... -- TEST..." >&2; exit 2; }
shift
probe=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  probe+=("$1")
  shift
done
shift

skip() {
  echo "skipped: $*"
  exit 77
}
if ! command -v "${probe[0]}" >/dev/null 2>&1; then
  skip "$what: ${probe[0]} is not installed"
fi
out=$("${probe[@]}" </dev/null 2>&1)
status=$?
if [ $status -ne 0 ]; then
  case $out in
    *"Exec format error"*) skip "this kernel cannot run $what (${probe[0]}: Exec format error)" ;;
  esac
  skip "$what: ${probe[*]} failed with exit status $status: $(printf '%s' "$out" | tail -n 3 | tr '\n' ' ')"
fi
exec "$@"
