#!/usr/bin/env bash
# The whole test suite: machine setup, the native build under sanitizers, both
# Windows builds, the fuzzer and the benchmarks' smoke run. The Windows tests
# run under Wine in each build this host can run; the static checks of the
# 32-bit product run everywhere.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZQ_BUILD_DIR:-$root/build}
jobs=$(nproc)

bash "$root/scripts/setup.sh"
. "$root/scripts/windows-builds.sh"

cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON
cmake --build "$build/native" -j "$jobs"

zq_build_windows "$root" "$build/win" win
zq_build_windows "$root" "$build/win64" win64

cmake -S "$root" -B "$build/clang" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DZQ_TESTS=OFF -DZQ_FUZZ=ON -DZQ_BENCH=ON
cmake --build "$build/clang" -j "$jobs"

. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
if zq_host_runs_32bit; then
  zq_wine_start "$build/win" "$build/win64"
  suites=(native win win64 clang)
else
  echo "== this host runs no 32-bit code: the i686 build gets its static checks only; native, win64 and clang run whole"
  zq_wine_start "$build/win64"
  suites=(native win:static win64 clang)
fi

status=0
for suite in "${suites[@]}"; do
  config=${suite%%:*}
  label=()
  [ "$suite" != "$config" ] && label=(-L "${suite#*:}")
  echo "== tests: $suite"
  ctest --test-dir "$build/$config" --output-on-failure -j "$jobs" "${label[@]}" || status=1
done

# Three managers on one folder, as on three machines: the program in two Wine
# prefixes of its own and zelqtool natively, so it needs the native build and
# a Windows build this host runs.
windows=$(zq_runnable_windows_build)
echo "== tests: three managers on one folder ($windows, native)"
bash "$root/tests/tools/ManyManagers.sh" "$build/$windows" "$build/native/bin" \
  "$build/$windows/testwork/many_managers" 150 15 100 || status=1
exit $status
