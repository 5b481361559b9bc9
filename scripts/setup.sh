#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine (run as root).
# Does nothing when everything is already there.
set -euo pipefail
. "$(dirname "$0")/windows-builds.sh"

packages=(cmake g++ clang libclang-rt-14-dev googletest libbenchmark-dev
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 fonts-wine xvfb xauth imagemagick
          shapelib libshp-dev msitools wixl)
# fonts-wine holds Wine's own fonts: without its Marlett the title bar's
# buttons read "0 1 r". Wine's 32-bit loader only where the kernel runs i386
# code: elsewhere it installs cleanly and then breaks Debian's wine script for
# 64-bit programs too.
zq_host_runs_32bit && packages+=(wine32:i386)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *:i386* ]]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails one index; the others still serve the install.
apt-get update -q || echo "setup: apt-get update reported errors; installing from the lists it fetched" >&2
apt-get install -y -q --no-install-recommends "${missing[@]}"
