#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Idempotent; quick when all is present.
set -euo pipefail

need_apt=0
pkgs=(wine wine32:i386 wine64 g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake make
      googletest xvfb xauth x11-apps imagemagick locales fonts-noto-cjk python3)
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || { need_apt=1; break; }
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ "$need_apt" -eq 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
fi

# The two UI languages need their glibc locales, or Wine silently falls back to code page 1252.
gen=0
for loc in ja_JP zh_CN; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
    $SUDO sed -i "s/^# *\(${loc}\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${loc}\.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    gen=1
  fi
done
[ "$gen" -eq 0 ] || $SUDO locale-gen >/dev/null

# The cross compiler's posix thread model is not needed; the win32 one keeps the runtime static and small.
if command -v update-alternatives >/dev/null && [ -e /usr/bin/i686-w64-mingw32-g++-win32 ]; then
  :
fi
