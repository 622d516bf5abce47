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
  # A mirror caught mid-sync fails one index (seen: the security pocket's i386 list); the rest is still usable.
  $SUDO apt-get update -qq || echo "setup: apt-get update reported errors; trying with the indexes it has" >&2
  install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" "${pkgs[@]}" >/dev/null; }
  # Without the i386 half of an index, the two architectures' versions of a shared library disagree:
  # the release pocket alone has both.
  install || install -t bookworm
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


# Wine's 32-bit half is an i386 Linux program. Some virtual machines run 64-bit
# user code only (execve of an i386 ELF fails with ENOEXEC): there the kernel's
# binfmt_misc hands i386 programs to qemu's user-mode emulator. qemu 7.2 (the
# release pocket) ignores MAP_FIXED_NOREPLACE, which makes every 32-bit Wine
# process spend about a minute reserving its address space; 10.0 from backports
# starts one in a quarter of a second.
runs_i386() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if ! runs_i386; then
  if ! dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | grep -q '^1:1[0-9]'; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
        $SUDO tee /etc/apt/sources.list.d/tolm-backports.sources >/dev/null
    fi
    $SUDO apt-get update -qq || echo "setup: apt-get update reported errors; trying with the indexes it has" >&2
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static >/dev/null
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
  qemu=$(readlink -f /usr/bin/qemu-i386-static)
  # 'F' opens the emulator once, at registration: re-register when it was replaced.
  if [ -e "$binfmt/qemu-i386" ] && ! grep -qx "interpreter $qemu" "$binfmt/qemu-i386"; then
    echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
  fi
  if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' |
      $SUDO tee "$binfmt/register" >/dev/null
  fi
  runs_i386 || { echo "setup: this machine cannot run Wine's 32-bit half (i386 programs)" >&2; exit 1; }
fi
