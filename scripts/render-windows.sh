#!/usr/bin/env bash
# Photographs scenes of the class library's windows on the test display, so
# that a person can look at what the library draws.
# Usage: scripts/render-windows.sh [BUILD_DIR]   (the Windows build)
# Writes BUILD_DIR/render/<scene>.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-builds.sh"
build=$(cd "${1:-$root/build/$(zq_runnable_windows_build)}" && pwd)
out="$build/render"
mkdir -p "$out"

. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
zq_wine_start "$build"

for scene in dialog focus units20 controls vlist sheet; do
  work="$out/$scene.work"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && exec "$build/wine-run.sh" "$build/bin/framework_gallery.exe" "$scene" </dev/null >/dev/null 2>&1) &
  gallery=$!
  for _ in $(seq 1 100); do [ -e "$work/ready" ] && break; sleep 0.1; done
  if [ -e "$work/ready" ]; then
    import -window root -crop 680x520+0+0 "$out/$scene.png"
    echo "$out/$scene.png"
  else
    echo "render: scene $scene did not come up" >&2
  fi
  touch "$work/done"
  wait "$gallery" || true
  rm -rf "$work"
done
