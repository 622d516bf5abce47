#!/usr/bin/env bash
# A real restart of a scratch prefix: a folder with a file in use is registered
# by ScheduleFolderRemoval, and Wine's restart runs the registered command line.
# Then the run's file step from a folder anyone may change (standing for
# Downloads): the copies RunOnce names lie in the administrators' folder, byte
# for byte the tool and its companion; files put in the first folder afterwards
# never start; the restart deletes the queued folder before RunOnce runs; the
# copies queue themselves once the logon that started them has passed.
# The tool is run as on Windows XP, where every program an administrator runs
# has the administrator's rights (so that Wine's folders, which the user owns,
# count as administrators' ones; see docs/PLATFORM.md).
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

runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'
wine reg add 'HKCU\Software\Wine\AppDefaults\restart_tool.exe' /v Version /d winxp /f </dev/null >/dev/null 2>&1
wine reg delete "$runonce" /v UnloadReboot /f </dev/null >/dev/null 2>&1 || true
admin="$WINEPREFIX/drive_c/ProgramData/TolmUnload"
rm -f "$admin/restart_tool.exe" "$admin/vista_i.exe" "$admin"/record-*.txt

set +e
wine 'C:\tolmrestart\bin\restart_tool.exe' --schedule 'C:\tolmrestart\ZRP2007\' </dev/null >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 0 ] || { echo "scheduling failed: $rc"; exit 1; }
[ ! -e "$root/bin/record-restart_tool.txt" ] || { echo "recorded before the restart"; exit 1; }

wineboot -r </dev/null >/dev/null 2>&1
for _ in $(seq 1 $((300 * scale))); do [ -s "$root/bin/record-restart_tool.txt" ] && break; sleep 0.2; done
[ -s "$root/bin/record-restart_tool.txt" ] || { echo "the registered command did not run at the restart"; exit 1; }
got=$(cat "$root/bin/record-restart_tool.txt")
want='"C:\tolmrestart\bin\restart_tool.exe" C:\tolmrestart\ZRP2007\'
echo "started as: $got"
[ "$got" = "$want" ] || { echo "expected: $want"; exit 1; }
# RunOnce values are consumed by the restart.
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v TQMUNLOAD </dev/null >/dev/null 2>&1; then
  echo "TQMUNLOAD still registered after the restart"; exit 1
fi
echo "restart ran the tool with the install directory"

# The run's file step from a folder anyone may change, with the companion beside the tool.
rm -rf "$root"; mkdir -p "$root/bin"
cp "$tool" "$root/bin/restart_tool.exe"; cp "$tool" "$root/bin/vista_i.exe"
chmod 777 "$root/bin"
set +e
wine 'C:\tolmrestart\bin\restart_tool.exe' --remove 'C:\tolmrestart\ZRP2007' </dev/null >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 0 ] || { echo "the run registered no second start: $rc"; exit 1; }
value() { wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
[ "$(value "$runonce" TQMUNLOAD)" = '"C:\ProgramData\TolmUnload\restart_tool.exe" C:\tolmrestart\ZRP2007\' ] ||
  { echo "TQMUNLOAD names: $(value "$runonce" TQMUNLOAD)"; exit 1; }
[ "$(value "$runonce" UnloadReboot)" = '"C:\ProgramData\TolmUnload\vista_i.exe"' ] ||
  { echo "UnloadReboot names: $(value "$runonce" UnloadReboot)"; exit 1; }
cmp "$tool" "$admin/restart_tool.exe" && cmp "$tool" "$admin/vista_i.exe" || { echo "the copies differ"; exit 1; }
queue=$(value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations)
case "$queue" in *'C:\tolmrestart\ZRP2007\sub\TQM32.EXE'*'C:\tolmrestart\ZRP2007\sub'*'C:\tolmrestart\ZRP2007'*) ;;
  *) echo "queued: $queue"; exit 1;; esac
# Any program of the user's may now put its own files where the tool was.
printf 'planted' > "$root/bin/planted.txt"
cp "$tool" "$root/bin/restart_tool.exe.new" && mv -f "$root/bin/restart_tool.exe.new" "$root/bin/restart_tool.exe"
rm -f "$root/bin/vista_i.exe"; cp "$root/bin/restart_tool.exe" "$root/bin/vista_i.exe"

# A restart as Windows makes one: every process ends (the holder of the file
# too), and the next session's boot runs the queue, then RunOnce.
wineboot --end-session --force --kill </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1
for _ in $(seq 1 $((300 * scale))); do [ -s "$admin/record-restart_tool.txt" ] && [ -s "$admin/record-vista_i.txt" ] && break; sleep 0.2; done
[ -s "$admin/record-restart_tool.txt" ] && [ -s "$admin/record-vista_i.txt" ] || { echo "the copies did not run at the restart"; exit 1; }
ls "$root/bin"/record-*.txt >/dev/null 2>&1 && { echo "a file of the user's folder was started"; exit 1; }
[ ! -e "$root/ZRP2007" ] || { echo "the queued folder is still there after the restart"; exit 1; }
echo "the copies ran at the restart, the queued folder went before"
# The copy the logon started, its work done, goes at the next restart, and the companion's copy with it.
wine 'C:\ProgramData\TolmUnload\restart_tool.exe' --gone 'C:\tolmrestart\ZRP2007' </dev/null >/dev/null 2>&1 ||
  { echo "the logon's copy failed"; exit 1; }
queue=$(value 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations)
case "$queue" in *'TolmUnload\restart_tool.exe'*'TolmUnload\vista_i.exe'*) ;; *) echo "queued: $queue"; exit 1;; esac
wine reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1
rm -rf "$root" "$admin/restart_tool.exe" "$admin/vista_i.exe" "$admin"/record-*.txt
