#!/usr/bin/env bash
# The Windows program's figures under Wine, each a ratio or a share measured
# side by side in one run: the dispatcher's pass against raw positioned
# writes (zelqbench), the monitor's refresh of 10,000 entries against bare
# LB_ADDSTRING (monitor_bench), and the running program's idle processor
# time, table reads and enqueue-to-line latency (program_bench). Run on an
# otherwise idle machine, after the test command or on its own.
# Usage: scripts/bench.sh [BUILD_DIR]   (default: the Windows build this host runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-builds.sh"
name=$(zq_runnable_windows_build)
build=${1:-$root/build/$name}
[ -n "${1:-}" ] && name=$(basename "$build")
zq_build_windows "$root" "$build" "$name" zelqbench monitor_bench program_bench zelqmngr >/dev/null
build=$(cd "$build" && pwd)
work="$build/bench"
rm -rf "$work" && mkdir -p "$work"

. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
zq_wine_start "$build"
run() { (cd "$work" && "$build/wine-run.sh" "$@" </dev/null | tr -d '\r'); }

echo "== dispatch pass against raw writes"
run "$build/bin/zelqbench.exe"
echo "== monitor refresh against bare LB_ADDSTRING"
run "$build/bin/monitor_bench.exe"
echo "== the running program: idle for ${ZQ_IDLE_SECONDS:-60} s, latency of 20 jobs"
run "$build/bin/program_bench.exe" "$build/bin/zelqmngr.exe" "${ZQ_IDLE_SECONDS:-60}" 20
