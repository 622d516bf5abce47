#!/usr/bin/env bash
# Shows the tool's main window in Japanese and in Chinese, in a throwaway Wine
# prefix: on the display when there is one, else under Xvfb with a screenshot
# of each; what each window holds is printed as text either way.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$root/${1:-build}" && pwd)
tool="$build/TolmUnload.exe"
dump="$build/tools/demo/windump.exe"
out="$build/demo"
mkdir -p "$out"

prefix=$(mktemp -d "$build/demo-prefix.XXXXXX")
xvfb_pid=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in 97 98 99 96 95; do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      break
    fi
  done
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/${DISPLAY#:}" ] || [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
  shots=1
else
  shots=0
fi

echo "Making a throwaway Wine prefix..."
TOLM_GRAPHICS=x11 "$root/tools/wine-prefix.sh" ensure "$prefix" win64
"$root/tools/wine-prefix.sh" start "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
# No window manager runs under Xvfb: let Wine draw the window frames itself.
[ "$shots" -eq 1 ] && wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

for lang in ja_JP zh_CN; do
  echo
  echo "=== TolmUnload, $lang ==="
  LANG="$lang.UTF-8" LC_ALL="$lang.UTF-8" wine "$tool" </dev/null >/dev/null 2>&1 &
  tool_pid=$!
  LANG="$lang.UTF-8" LC_ALL="$lang.UTF-8" wine "$dump" </dev/null 2>/dev/null | tr -d '\r'
  if [ "$shots" -eq 1 ] && command -v import >/dev/null; then
    sleep 1
    import -display "$DISPLAY" -window root "$out/main-$lang.png" 2>/dev/null && echo "screenshot: $out/main-$lang.png"
  fi
  LANG="$lang.UTF-8" LC_ALL="$lang.UTF-8" wine "$dump" --about </dev/null 2>/dev/null | tr -d '\r'
  if [ "$shots" -eq 1 ] && command -v import >/dev/null; then
    sleep 1
    import -display "$DISPLAY" -window root "$out/about-$lang.png" 2>/dev/null && echo "screenshot: $out/about-$lang.png"
  elif [ "$shots" -eq 0 ]; then
    echo "(the window is on your display; close it to go on)"
    wait "$tool_pid" || true
    continue
  fi
  LANG="$lang.UTF-8" wine "$dump" --close </dev/null >/dev/null 2>&1 || true
  wait "$tool_pid" || true
done
