#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need, from Debian's
# packages. Run as root; safe to run again (quick when all is present).
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix  # the two cross compilers
  wine64                                                # runs the x86_64 build
  locales                                               # ja_JP.UTF-8 -> ANSI code page 932
  googletest cmake make file
  xvfb xauth imagemagick x11-apps fonts-ipafont-gothic  # screenshots under a virtual display
  x11-utils                                             # xdpyinfo: is the demo's display reachable
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${missing[*]}); run this script as root" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
