#!/usr/bin/env bash
# Which byte-range locks reach whom: a Windows program under Wine holds a
# range (exclusive or shared) and a native program (open-file-description
# and classic record locks), a program of another Wine prefix and one of
# the same prefix try it; then a native program holds and the Windows ones
# try. Prints one line per pairing.
# Usage: lock-probe.sh BUILD_DIR NATIVE_PROBE WORKDIR  (BUILD_DIR/bin/lock_probe.exe)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd) native=$2 work=$3
. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
mkdir -p "$work" && work=$(cd "$work" && pwd)
zq_wine_start "$build"
zq_wine_machine "$build" "$work/other"
here="$build/wine-run.sh" there="$work/other/wine-run.sh" probe="$build/bin/lock_probe.exe"
file="$work/probe.dat"
: >"$file"

try() { "$@" 2>&1 | tr -d '\r' | head -1; }
# hold COMMAND...: starts the holder and waits until it tells; its pid in
# holder, what it told in held
hold() {
  : >"$work/hold.out"
  "$@" >"$work/hold.out" 2>&1 &
  holder=$!
  for _ in $(seq 1 200); do grep -q . "$work/hold.out" && break; sleep 0.05; done
  held=$(tr -d '\r' <"$work/hold.out" | head -1)
}
release() { kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null; }

for region in "0 1" "1000000000 1000000000" "0x7fffffff 2" "0x80000000 1" "0x100000000 1" "0x10000000000 1" \
              "0x7ffffffffffffffe 1" "0 0xffffffffffffffff"; do
  set -- $region
  for mode in ex sh; do
    hold "$here" "$probe" "$file" hold "$1" "$2" $mode 30
    printf '%-24s wine %s %-7s | native ofd ex: %-7s sh: %-7s posix ex: %-7s | other prefix ex: %-7s sh: %-7s | same prefix ex: %s\n' \
      "$region" $mode "$held" \
      "$(try "$native" "$file" try "$1" "$2" ex 0 ofd)" "$(try "$native" "$file" try "$1" "$2" sh 0 ofd)" \
      "$(try "$native" "$file" try "$1" "$2" ex 0 posix)" \
      "$(try "$there" "$probe" "$file" try "$1" "$2" ex)" "$(try "$there" "$probe" "$file" try "$1" "$2" sh)" \
      "$(try "$here" "$probe" "$file" try "$1" "$2" ex)"
    release
  done
  hold "$native" "$file" hold "$1" "$2" ex 30 ofd
  printf '%-24s native ofd ex %-7s | wine ex: %-7s sh: %s\n' "$region" "$held" \
    "$(try "$here" "$probe" "$file" try "$1" "$2" ex)" "$(try "$here" "$probe" "$file" try "$1" "$2" sh)"
  release
done
