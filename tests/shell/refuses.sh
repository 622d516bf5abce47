#!/usr/bin/env bash
# Runs a check that must refuse what it is given. Passes only when the check
# exits with a failure and its output matches every --says pattern and no --not
# pattern (extended regular expressions, one line each).
#   refuses.sh [--says RE]... [--not RE]... -- CHECK [ARGS...]
set -uo pipefail
says=(); nots=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  case $1 in
    --says) says+=("$2"); shift 2 ;;
    --not) nots+=("$2"); shift 2 ;;
    *) echo "refuses.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
shift
[ $# -gt 0 ] || { echo "refuses.sh: no check to run" >&2; exit 2; }
out=$("$@" 2>&1); status=$?
echo "$out"
fail=0
[ "$status" -ne 0 ] || { echo "FAIL: the check exited with 0 (accepted what it must refuse)"; fail=1; }
for re in "${says[@]}"; do
  grep -Eq -- "$re" <<<"$out" || { echo "FAIL: nothing in the output matches: $re"; fail=1; }
done
for re in "${nots[@]}"; do
  ! grep -Eq -- "$re" <<<"$out" || { echo "FAIL: the output names what passes: $re"; fail=1; }
done
exit $fail
