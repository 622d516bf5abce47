#!/usr/bin/env bash
# The whole tool through a real restart, in a scratch prefix: a file in use keeps
# the program folder, Yes to the restart question restarts the prefix, the restart
# runs "TQMUNLOAD", and the tool, started with the folder as its argument, removes
# it once the user runs it again. The test program's two tests are the two
# halves (tests/e2e/RestartTest.cpp).
#   restart_e2e.sh PREFIX E2E_RESTART_EXE WINE_PREFIX_SH TOOL_DOS BIN_DOS
set -uo pipefail
prefix=$1; testexe=$2; prefixsh=$3
export TOLM_TOOL=$4 TOLM_BIN=$5 TOLM_PREFIX_KIND=win64 TOLM_LANG=ja LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
# Waits stretch where i386 programs are emulated (tools/wine-run says the same).
scale=${TOLM_WAIT_SCALE:-1}
grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 && [ -z "${TOLM_WAIT_SCALE:-}" ] && scale=6
export TOLM_WAIT_SCALE=$scale
fail() { echo "FAILED: $*"; echo "processes of the prefix:"; prefix_processes; exit 1; }
# pid and Windows command line of every process of our prefix.
prefix_processes() {
  local f pid
  for f in /proc/[0-9]*/environ; do
    { tr '\0' '\n' < "$f" | grep -qx "WINEPREFIX=${WINEPREFIX:-}"; } 2>/dev/null || continue
    pid=${f#/proc/}; pid=${pid%/environ}
    { echo "  $pid $(tr '\0' ' ' < "/proc/$pid/cmdline")"; } 2>/dev/null
  done
}
"$prefixsh" ensure "$prefix" win64 || fail "no scratch prefix"
"$prefixsh" start "$prefix" || fail "no Wine session"
export WINEPREFIX=$(cd "$prefix" && pwd)
trap '"$prefixsh" stop "$WINEPREFIX"' EXIT
record="$WINEPREFIX/drive_c/tolmtest/e2e-restart.txt"
rm -f "$record"

driven="$WINEPREFIX/drive_c/tolmtest/e2e-restart-driven.txt"
rm -f "$driven"
# Runs the test program's test $1, keeping its output in $2; fails with $3.
half() {
  timeout $((300 * scale)) wine "$testexe" --gtest_filter="$1" </dev/null > "$WINEPREFIX/$2" 2>&1
  local rc=$?
  tr -d '\r' < "$WINEPREFIX/$2" | grep -E 'OK|FAILED|Failure|Expected|Which|Value' || true
  [ "$rc" -eq 0 ] || fail "$3"
}
# Ends the session the restart left behind and starts a fresh one for the checks.
fresh_session() {
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
  "$prefixsh" start "$WINEPREFIX" || fail "no Wine session after the restart"
}

echo "before the restart: seed, run, Yes to every question"
timeout $((300 * scale)) wine "$testexe" --gtest_filter=Restart.BeforeTheRestart </dev/null > "$WINEPREFIX/before.log" 2>&1
[ -s "$record" ] || { cat "$WINEPREFIX/before.log"; fail "the run did not reach the restart question"; }
echo "the machine at the restart question: $(tr -d '\r' < "$record")"
[ "$(tr -d '\r' < "$record")" = "as expected" ] || fail "the run before the restart"

# The restart runs the test's driver first, which drives the tool that the
# restart starts next (Run, Yes, Yes, No) and writes down what it saw. Where
# the restart has not got under way by itself, boot.
wait_driven() {
  for _ in $(seq 1 "$1"); do [ -s "$driven" ] && return 0; sleep 0.2; done
  return 1
}
if ! wait_driven $((100 * scale)); then
  if ! prefix_processes | grep -q 'TolmUnload.exe'; then wineboot -r </dev/null >/dev/null 2>&1 & fi
  wait_driven $((600 * scale)) || fail "the tool started at the restart was not driven to its end"
fi
echo "the restart started the tool with the folder and it was driven: $(tr '\0' '|' < "$driven" | head -c 200)"
fresh_session
half Restart.AfterTheRestart after.log "after the restart"
echo "after the restart the tool removed the folder it was started with, and registered nothing again"

# The same through "/quiet": it ends with 3010 and registers itself to start
# unattended; nothing restarts the machine but this script, and the restart's
# tool must finish the folder without a window while the driver only watches.
rm -f "$record" "$driven"
echo "quiet: seed, remove unattended, register the watcher"
timeout $((300 * scale)) wine "$testexe" --gtest_filter=Restart.QuietBeforeTheRestart </dev/null > "$WINEPREFIX/quiet-before.log" 2>&1
[ "$(tr -d '\r' < "$record" 2>/dev/null)" = "as expected" ] || { tr -d '\r' < "$WINEPREFIX/quiet-before.log"; fail "the quiet run before the restart"; }
wineboot -r </dev/null >/dev/null 2>&1 &
wait_driven $((600 * scale)) || fail "the quiet tool started at the restart was not watched to its end"
echo "the restart started the quiet tool: $(cat "$driven")"
fresh_session
half Restart.QuietAfterTheRestart quiet-after.log "after the quiet restart"
echo "after the restart the quiet tool finished the folder unattended and appended to the same report"
