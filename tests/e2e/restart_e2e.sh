#!/usr/bin/env bash
# The whole tool through a real restart, in a scratch prefix: a file in use keeps
# the program folder, Yes to the restart question restarts the prefix, and the
# next start deletes the queued file and folder before anyone logs on. The test program's two tests are the two
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

# The tool's restart ends every process of the prefix; the next session's boot
# runs the queue of deletions, as Windows does before anyone logs on. Nothing
# is registered to start the tool again.
for _ in $(seq 1 $((100 * scale))); do prefix_processes | grep -q 'TolmUnload.exe' || break; sleep 0.2; done
fresh_session
half Restart.AfterTheRestart after.log "after the restart"
echo "after the restart the folder is gone, no one having logged on, and nothing is registered"

# The same through "/quiet": it ends with 3010 and queues the folder; nothing
# restarts the machine but this script.
rm -f "$record"
echo "quiet: seed, remove unattended"
timeout $((300 * scale)) wine "$testexe" --gtest_filter=Restart.QuietBeforeTheRestart </dev/null > "$WINEPREFIX/quiet-before.log" 2>&1
[ "$(tr -d '\r' < "$record" 2>/dev/null)" = "as expected" ] || { tr -d '\r' < "$WINEPREFIX/quiet-before.log"; fail "the quiet run before the restart"; }
wineboot --end-session --force --kill </dev/null >/dev/null 2>&1 || true
fresh_session
half Restart.QuietAfterTheRestart quiet-after.log "after the quiet restart"
echo "after the restart the queued folder is gone, without a second run"
