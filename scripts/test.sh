#!/usr/bin/env bash
# The whole test suite: machine setup, the native build under sanitizers, the
# Windows build under Wine, the fuzzer and the benchmarks' smoke run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZQ_BUILD_DIR:-$root/build}
jobs=$(nproc)

bash "$root/scripts/setup.sh"

cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON
cmake --build "$build/native" -j "$jobs"

cmake -S "$root" -B "$build/win" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
cmake --build "$build/win" -j "$jobs"

cmake -S "$root" -B "$build/clang" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DZQ_TESTS=OFF -DZQ_FUZZ=ON -DZQ_BENCH=ON
cmake --build "$build/clang" -j "$jobs"

. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
zq_wine_start "$build/win"

status=0
for config in native win clang; do
  echo "== tests: $config"
  ctest --test-dir "$build/$config" --output-on-failure -j "$jobs" || status=1
done
exit $status
