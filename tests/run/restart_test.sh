#!/usr/bin/env bash
# A real restart of a scratch prefix: a folder with a file in use is registered
# by ScheduleFolderRemoval, and Wine's restart runs the registered command line.
#   restart_test.sh <prefix dir> <restart_tool.exe> <wine-prefix.sh>
set -euo pipefail
prefix=$1; tool=$2; prefixsh=$3
export WINEDEBUG=-all
# Waits stretch where i386 programs are emulated (tools/wine-run says the same).
scale=${TOLM_WAIT_SCALE:-1}
if [ -z "${TOLM_WAIT_SCALE:-}" ] && grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then scale=6; fi
"$prefixsh" ensure "$prefix" win64
"$prefixsh" start "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
trap '"$prefixsh" stop "$WINEPREFIX"' EXIT
root="$WINEPREFIX/drive_c/tolmrestart"
rm -rf "$root"; mkdir -p "$root/bin"
cp "$tool" "$root/bin/restart_tool.exe"
# Nothing from an earlier attempt may run at the restart.
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v TQMUNLOAD /f </dev/null >/dev/null 2>&1 || true
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v TQM7NEEDREBOOT /f </dev/null >/dev/null 2>&1 || true

set +e
wine 'C:\tolmrestart\bin\restart_tool.exe' --schedule 'C:\tolmrestart\ZRP2007\' </dev/null >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 0 ] || { echo "scheduling failed: $rc"; exit 1; }
[ ! -e "$root/bin/record.txt" ] || { echo "recorded before the restart"; exit 1; }

wineboot -r </dev/null >/dev/null 2>&1
for _ in $(seq 1 $((300 * scale))); do [ -s "$root/bin/record.txt" ] && break; sleep 0.2; done
[ -s "$root/bin/record.txt" ] || { echo "the registered command did not run at the restart"; exit 1; }
got=$(cat "$root/bin/record.txt")
want='"C:\tolmrestart\bin\restart_tool.exe" C:\tolmrestart\ZRP2007\'
echo "started as: $got"
[ "$got" = "$want" ] || { echo "expected: $want"; exit 1; }
# RunOnce values are consumed by the restart.
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v TQMUNLOAD </dev/null >/dev/null 2>&1; then
  echo "TQMUNLOAD still registered after the restart"; exit 1
fi
rm -rf "$root"
echo "restart ran the tool with the install directory"
