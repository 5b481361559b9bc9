#!/usr/bin/env bash
# The long runs of the load and fault proofs, beyond what the test command
# runs: the real program through a soak of ZQ_SOAK_JOBS jobs (5,000), the
# dispatcher killed ZQ_KILLS times (1,000) natively and under Wine, and the
# program's bad-input and damaged-table runs, and three managers on one
# folder (the program in two Wine prefixes of its own, zelqtool natively)
# through ZQ_MANAGERS_JOBS jobs (3,000) and ZQ_MANAGERS_KILLS kills (300).
# Run after the test command, which leaves the build trees this uses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZQ_BUILD_DIR:-$root/build}
jobs=${ZQ_SOAK_JOBS:-5000}
kills=${ZQ_KILLS:-1000}
managers_jobs=${ZQ_MANAGERS_JOBS:-3000}
managers_kills=${ZQ_MANAGERS_KILLS:-300}

. "$root/scripts/windows-builds.sh"
windows=$(zq_runnable_windows_build)
zq_build_windows "$root" "$build/$windows" "$windows" zelqtool zelqmngr e2e_agent soak_driver shell_program_tests \
  ZLQMN_DT ZLQMN_FR ZLQMN_XX >/dev/null
cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON >/dev/null
cmake --build "$build/native" -j "$(nproc)" --target zelqtool e2e_agent >/dev/null
bin="$build/$windows/bin"
run="$build/$windows/wine-run.sh"
work="$build/soak"

. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
zq_wine_start "$build/$windows"

echo "== fault runs: $kills kills, natively"
bash "$root/tests/tools/KillDispatcher.sh" "$build/native/bin/zelqtool" "$build/native/bin/e2e_agent" \
  "$work/kill-native" "$kills"
echo "== fault runs: $kills kills, under Wine"
bash "$root/tests/tools/KillDispatcher.sh" "$bin/zelqtool.exe" "$bin/e2e_agent.exe" "$work/kill-wine" "$kills" "$run" \
  | tr -d '\r'
echo "== bad input and damaged tables"
mkdir -p "$work/program"
(cd "$work/program" && "$run" "$bin/shell_program_tests.exe" \
  --gtest_filter='*Garbage*:*NoModules*:*Damaged*:*LogHeld*' | tr -d '\r')
echo "== soak: $jobs jobs"
bash "$root/tests/shell/Soak.sh" "$bin/zelqmngr.exe" "$bin/soak_driver.exe" "$bin/e2e_agent.exe" "$bin/zelqtool.exe" \
  "$work/soak" "$jobs" $((jobs + 600)) "$run" | tr -d '\r'
echo "== three managers: $managers_jobs jobs, $managers_kills kills"
bash "$root/tests/tools/ManyManagers.sh" "$build/$windows" "$build/native/bin" "$work/managers" \
  "$managers_jobs" "$managers_kills" $((managers_jobs / 3 + 300))
