#!/usr/bin/env bash
# Makes, starts and stops the Wine prefixes the tests run in.
#   wine-prefix.sh ensure DIR win64|win32   create once (reused afterwards)
#   wine-prefix.sh start DIR                start a persistent server and session
#   wine-prefix.sh ensure-start DIR ARCH    both
#   wine-prefix.sh stop DIR                 end the session and wait for it
set -euo pipefail
cmd=${1:?command}; dir=${2:?prefix directory}
export WINEDEBUG=-all
# No menu entries or file associations on the host.
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
dir=$(mkdir -p "$dir" && cd "$dir" && pwd)
export WINEPREFIX="$dir"
case "$dir" in "$HOME/.wine"|"$HOME/.wine/"*) echo "refusing to use $dir" >&2; exit 2;; esac

# Where Z: points: the project tree, not the host's root, so that no path a test
# or a broken walk can name through Z: leaves the project.
ztarget=${TOLM_ZDRIVE:-$(cd "$(dirname "$0")/.." && pwd)}

quiet() { "$@" </dev/null >/dev/null 2>&1; }

# New prefixes link the per-user folders (Desktop, Documents, ...) to the host's
# home, and Z: to the host's root: make the folders real, empty ones, and Z: the
# project tree. Done again at every start, in case Wine made the links anew.
unlink_host_folders() {
  for u in "$dir"/drive_c/users/*/; do
    for f in "$u"*; do
      if [ -L "$f" ]; then rm -f "$f"; mkdir -p "$f"; fi
    done
  done
  ln -sfn "$ztarget" "$dir/dosdevices/z:"
}

case "$cmd" in
ensure)
  arch=${3:?arch}
  if [ -f "$dir/.tolm-ready" ] && [ "$(cat "$dir/.tolm-ready")" = "$arch $ztarget" ]; then exit 0; fi
  if [ ! -f "$dir/system.reg" ]; then
    if [ "$arch" = win32 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
    quiet wineboot -i
    quiet wineserver -w
  fi
  unlink_host_folders
  # Invisible but real windows: message boxes and dialogs exist without an X server.
  # TOLM_GRAPHICS=x11 keeps Wine's X11 driver instead (the demo, under Xvfb).
  if [ "${TOLM_GRAPHICS:-null}" = null ]; then
    quiet wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
  fi
  quiet wineserver -k || true
  quiet wineserver -w || true
  echo "$arch $ztarget" > "$dir/.tolm-ready"
  ;;
start)
  unlink_host_folders
  # The first program of a session starts Wine's background services, which keep
  # its standard output: start the session with a program whose output goes nowhere.
  # A server already running (persistent, or started by hand) is reused; one of an
  # earlier session may still be going away, so try twice.
  for attempt in 1 2; do
    quiet wineserver -p || true
    if quiet wine cmd /c exit; then exit 0; fi
    sleep 1
  done
  echo "could not start a Wine session in $dir" >&2
  exit 1
  ;;
ensure-start)
  "$0" ensure "$dir" "${3:?arch}"
  "$0" start "$dir"
  ;;
stop)
  quiet wineserver -k || true
  quiet wineserver -w || true
  ;;
*) echo "unknown command $cmd" >&2; exit 2;;
esac
