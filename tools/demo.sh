#!/usr/bin/env bash
# The tool as a user meets it, in a Wine prefix of the demo's own (build/demo/prefix,
# made once and reused; never ~/.wine).
#   demo.sh run BUILD     lays down a complete installation of the suite, runs the tool
#                         on it (a driver presses Run and answers Yes, Yes, No; with a
#                         display and DEMO_INTERACTIVE=1 the person answers) and says
#                         what it removed, what it kept and why, what waits for the restart
#   demo.sh shots BUILD   pictures of the windows, cropped to each, into BUILD/screenshots
# Japanese by default; LANG=zh_CN.UTF-8 gives the Chinese run.
set -euo pipefail
mode=${1:?run or shots}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-build}
case "$build" in /*) ;; *) build="$root/$build";; esac
build=$(cd "$build" && pwd)
prefix="$build/demo/prefix"
mkdir -p "$build/demo"

# Windows paths of the build tree: Z: is the project tree in the prefix.
[ "${build#"$root"/}" != "$build" ] || { echo "the build tree must lie inside the project tree" >&2; exit 2; }
zpath() { local r=${1#"$root"/}; echo "Z:\\${r//\//\\}"; }
export TOLM_TOOL="$(zpath "$build")\\TolmUnload.exe" TOLM_BIN="$(zpath "$build")"
export WINEPREFIX="$prefix" WINEDEBUG=-all

case "${LANG:-}" in zh_CN*|zh_SG*) langs=zh;; *) langs=ja;; esac
[ "$mode" = shots ] && langs="ja zh"

# A virtual display unless the person watches (or answers) on theirs.
xvfb_pid=""
interactive=0
if [ "$mode" = run ] && [ "${DEMO_INTERACTIVE:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  interactive=1
else
  for n in 97 98 99 96 95 94 93; do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      break
    fi
  done
  [ -n "$xvfb_pid" ] || { echo "no free display number for Xvfb" >&2; exit 2; }
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi
cleanup() {
  "$root/tools/wine-prefix.sh" stop "$prefix" || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ ! -f "$prefix/.tolm-ready" ]; then
  echo "Making the demo's Wine prefix (once; later runs reuse it)..."
fi
TOLM_GRAPHICS=x11 "$root/tools/wine-prefix.sh" ensure "$prefix" win64

# Fonts for windows that are seen (not for the headless run), put into the
# demo's prefix only, so that the test prefixes keep the fonts they were
# measured with. Each comes from the host when it has the Debian package,
# else from the package's file fetched into the build tree (not installed).
fonts="$prefix/drive_c/windows/Fonts"
prefix_font() {  # PACKAGE FILE-IN-PACKAGE
  local package=$1 file=$2 cache="$build/demo/fonts/$1" deb src
  [ ! -f "$fonts/$(basename "$file")" ] || return 0
  src=$file
  if [ ! -f "$src" ]; then
    mkdir -p "$cache"
    ls "$cache/${package}"_*.deb >/dev/null 2>&1 || (cd "$cache" && apt-get download -qq "$package" >/dev/null 2>&1) ||
      { echo "($package not available: $(basename "$file") missing from the pictures)" >&2; return 0; }
    deb=$(ls "$cache/${package}"_*.deb | head -1)
    dpkg-deb -x "$deb" "$cache/x" && src="$cache/x$file"
  fi
  [ ! -f "$src" ] || { mkdir -p "$fonts" && cp "$src" "$fonts/"; }
}
if [ "$mode" = shots ] || [ "$interactive" = 1 ]; then
  # Wine's own Marlett draws the caption buttons' glyphs.
  prefix_font fonts-wine /usr/share/wine/fonts/marlett.ttf
  # The skinned buttons centre their captions by the GUI font's average
  # character width times the caption's bytes, as on a Japanese or Chinese
  # Windows, whose GUI fonts (MS UI Gothic, SimSun) average half their height.
  # IPA P Gothic and AR PL UMing average so too; Noto Sans CJK twice that.
  prefix_font fonts-ipafont-gothic /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
  prefix_font fonts-arphic-uming /usr/share/fonts/truetype/arphic/uming.ttc
fi

# The session's settings: window frames drawn by Wine when no window manager runs,
# and the dialog, GUI and caption fonts replaced by the language's font above.
settings() {
  local face=$1 managed=$2 f
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="%s"\r\n\r\n' "$managed"
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for f in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" "Microsoft Sans Serif" \
           "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "宋体" "SimSun" "NSimSun"; do
    printf '"%s"="%s"\r\n' "$f" "$face"
  done
}
session() {
  local lang=$1 face managed=N
  [ "$lang" = zh ] && face="AR PL UMing CN" || face="IPAPGothic"
  [ "$interactive" = 1 ] && managed=Y
  "$root/tools/wine-prefix.sh" stop "$prefix"
  "$root/tools/wine-prefix.sh" start "$prefix"
  settings "$face" "$managed" | iconv -f UTF-8 -t UTF-16 > "$build/demo/settings.reg"
  wine regedit /S "$(zpath "$build/demo/settings.reg")" </dev/null >/dev/null 2>&1
}
locale_of() { [ "$1" = zh ] && echo zh_CN.UTF-8 || echo ja_JP.UTF-8; }
driver="$build/tools/demo/demo_run.exe"

if [ "$mode" = run ]; then
  lang=$langs
  session "$lang"
  echo "TolmUnload demo ($(locale_of "$lang")), in the Wine prefix $prefix"
  echo
  args=(run)
  [ "$interactive" = 1 ] && args+=(--interactive)
  LANG=$(locale_of "$lang") LC_ALL=$(locale_of "$lang") "$root/tools/wine-run" "$driver" "${args[@]}" </dev/null 2>&1 | tr -d '\r'
  exit "${PIPESTATUS[0]}"
fi

# Pictures: BMP files from the driver, cropped to each window, made PNG here.
out="$build/screenshots"
raw="$build/demo/raw"
rm -rf "$raw" && mkdir -p "$raw" "$out"
status=0
for lang in $langs; do
  session "$lang"
  LANG=$(locale_of "$lang") LC_ALL=$(locale_of "$lang") "$root/tools/wine-run" "$driver" shots \
    "$(zpath "$raw")" "$lang-" </dev/null 2>&1 | tr -d '\r' | grep -v '^picture ' || true
  for bmp in "$raw/$lang-"*.bmp; do
    [ -f "$bmp" ] || { status=1; continue; }
    name=$(basename "$bmp" .bmp)
    convert "$bmp" "$out/${name#"$lang"-}-$lang.png"
    echo "$out/${name#"$lang"-}-$lang.png"
  done
done
exit "$status"
