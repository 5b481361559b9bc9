#!/usr/bin/env bash
# What idle managers cost: the processor time (user + system, from
# /proc/PID/stat) of one manager alone on a folder against two on another,
# at the default refresh rate, with free lines and nothing to move once one
# job has been taken and its line freed again. The program under Wine (each
# in a prefix of its own, its wineserver counted with it) and the native
# zelqtool dispatch, all at once. Two managers wake each other or not as
# their cycles happen to fall, so the native pair is run on four folders.
# Usage: IdleManagers.sh WINDOWS_BUILD NATIVE_ZELQTOOL WORKDIR [SECONDS] [PROGRAM_BIN]
#   PROGRAM_BIN: where zelqmngr.exe is, if not the build's own bin folder.
set -u -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd) tool=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") work=$3 seconds=${4:-90}
bin=$(cd "${5:-$build/bin}" && pwd)
ticks=$(getconf CLK_TCK)

. "$root/scripts/wine-session.sh"
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  zq_wine_stop
}
trap finish EXIT

# user + system ticks of a process, its threads included
cpu() { sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
# the wineserver of a prefix
server_of() {
  local p
  for p in /proc/[0-9]*; do
    case $(cat "$p/comm" 2>/dev/null) in wineserver*) ;; *) continue ;; esac
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$1" && { echo "${p#/proc/}"; return; }
  done
}

rm -rf "$work" && mkdir -p "$work" && work=$(cd "$work" && pwd)
folders="wine1 wine2 native1 native2a native2b native2c native2d"
for folder in $folders; do
  mkdir -p "$work/$folder"
  (cd "$work/$folder" && "$tool" create --queue 40 --lines 8 --force >/dev/null) || exit 1
done

# Machines m0 and m1 share a folder, m2 has one alone; the default settings.
declare -A watched=()
for m in 0 1 2; do
  zq_wine_machine "$build" "$build/machines/m$m" >/dev/null
  rm -f "$build/machines/m$m/wineprefix/drive_c/windows/zelQmngr.ini"
done
start_program() {  # MACHINE FOLDER
  (cd "$work/$2" && exec "$build/machines/m$1/wine-run.sh" "$bin/zelqmngr.exe") >/dev/null 2>&1 &
  pids+=($!)
  watched["program m$1 in $2"]=$!
  watched["wineserver m$1 in $2"]=$(server_of "$build/machines/m$1/wineprefix")
}
start_tool() {  # FOLDER N
  (cd "$work/$1" && exec "$tool" dispatch) >/dev/null 2>&1 &
  pids+=($!)
  watched["zelqtool $2 in $1"]=$!
}
start_program 2 wine1
start_program 0 wine2
start_program 1 wine2
start_tool native1 1
for folder in native2a native2b native2c native2d; do
  start_tool $folder 1
  start_tool $folder 2
done

# Start-up is not idleness; and the idleness measured is that after work:
# one job taken and its line freed again in each folder.
sleep 10
for folder in $folders; do
  (cd "$work/$folder" && "$tool" enqueue IDLE --wait 60 >/dev/null && "$tool" free 1 >/dev/null) ||
    { echo "no manager took the job in $folder"; exit 1; }
done
sleep 5
declare -A before=()
for name in "${!watched[@]}"; do before[$name]=$(cpu "${watched[$name]}"); done
t0=$(date +%s%N)
sleep "$seconds"
elapsed=$((($(date +%s%N) - t0) / 1000000))
echo "idle managers, default refresh rate, over $((elapsed / 1000)) s (% of one core):"
for name in $(printf '%s\n' "${!watched[@]}" | sed 's/ /_/g' | sort); do
  name=${name//_/ }
  now=$(cpu "${watched[$name]}" 2>/dev/null) || { echo "  $name ended during the measurement"; continue; }
  used=$((now - before[$name]))
  awk -v n="$name" -v u=$used -v t=$ticks -v e=$elapsed \
    'BEGIN { printf "  %-28s %7.2f s  %6.2f%%\n", n, u / t, 100 * u / t * 1000 / e }'
done
