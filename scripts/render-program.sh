#!/usr/bin/env bash
# Photographs the real program's windows so that a person can look at them:
# the main window, the about box, the settings dialog and the quit question,
# in English, German and French, at 96 and at 120 DPI. The program runs on
# example tables with a full queue and busy lines; harness/ProgramScenes.cpp
# opens each window as an operator does.
# Usage: scripts/render-program.sh [BUILD_DIR]   (the Windows build)
# Writes BUILD_DIR/render/program/<window>-<language>-<dpi>.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-builds.sh"
build=$(cd "${1:-$root/build/$(zq_runnable_windows_build)}" && pwd)
out="$build/render/program"
run="$build/wine-run.sh"
bin="$build/bin"
for program in zelqmngr zelqtool program_scenes; do
  [ -f "$bin/$program.exe" ] || { echo "render: build $program first" >&2; exit 1; }
done
rm -rf "$out" && mkdir -p "$out"
prefix=$(sed -n 's/^WINEPREFIX=//p' "$run")

. "$root/scripts/wine-session.sh"
# The prefix is the build's test prefix: it goes back to 96 DPI, whatever happens.
finish() {
  zq_wine_stop
  if [ -f "$prefix/user.reg" ]; then
    zq_wine_start "$build" >/dev/null
    "$run" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1 || true
    zq_wine_stop
  fi
}
trap finish EXIT
zq_wine_start "$build"

# The tables once: 115 jobs on a queue of 150, the first four served at once
# by the four watched lines of six, which leaves 111 waiting; the first and the
# fifth job are as long as the job field allows.
template="$out/tables"
mkdir -p "$template"
(
  cd "$template"
  tool() { "$run" "$bin/zelqtool.exe" "$@" >/dev/null; }
  tool create --queue 150 --lines 6
  tool enqueue "Rebuild the customer index of branch Berlin"
  for job in "Print invoices" "Nightly backup" "Send reminders" \
             "Export the general ledger for the auditors!"; do
    tool enqueue "$job"
  done
  for n in $(seq 6 115); do tool enqueue "Job $n" --num1 "$n"; done
)

languages=("en:" "de:/DT" "fr:/FR")
for dpi in 96 120; do
  # Each program reads the resolution when it starts; the session starts anew
  # too, so that its desktop has the same.
  zq_wine_stop
  zq_wine_start "$build" >/dev/null
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  zq_wine_stop
  zq_wine_start "$build" >/dev/null
  printf '[QueueManager]\r\nFirstLine=1\r\nLastLine=4\r\n' >"$prefix/drive_c/windows/zelQmngr.ini"
  for entry in "${languages[@]}"; do
    language=${entry%%:*}
    option=${entry#*:}
    work="$out/work-$language-$dpi"
    rm -rf "$work" && cp -r "$template" "$work"
    (cd "$work" && exec "$run" "$bin/program_scenes.exe" $option </dev/null >"$work/driver.txt" 2>&1) &
    driver=$!
    for scene in main about settings quit; do
      for _ in $(seq 1 1200); do
        [ -e "$work/$scene.ready" ] && break
        kill -0 "$driver" 2>/dev/null || break
        sleep 0.1
      done
      if [ ! -e "$work/$scene.ready" ]; then
        echo "render: $scene in $language at $dpi DPI did not come up: $(tr -d '\r' <"$work/driver.txt")" >&2
        break
      fi
      read -r x y w h <"$work/$scene.ready"
      shot="$out/$scene-$language-$dpi.png"
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
      echo "$shot"
      rm -f "$work/$scene.ready"
      touch "$work/$scene.done"
    done
    wait "$driver" || echo "render: $language at $dpi DPI: $(tr -d '\r' <"$work/driver.txt")" >&2
  done
done
rm -rf "$template"
