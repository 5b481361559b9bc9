#!/usr/bin/env bash
# The layout shows the architecture: the product's folders include nothing of
# the tests, the benchmarks or the harness, and the benchmarks and the
# harness nothing of the tests.
# Usage: check-layout.sh SOURCE_DIR
set -euo pipefail
cd "$1"
status=0
check() {  # what "pattern" folders...
  local what=$1 pattern=$2 found
  shift 2
  found=$(grep -rlE "^#include \"($pattern)/" "$@" || true)
  if [ -n "$found" ]; then
    echo "FAIL: $what: $(echo $found)"
    status=1
  fi
}
check "product sources that include tests, benchmarks or the harness" 'tests|bench|harness' \
  engine services dispatch shell framework controls spinctl lang tools
check "benchmarks or harness programs that include tests" 'tests' bench harness
[ $status -eq 0 ] && echo "layout: the product needs no test, benchmark or harness code; bench/ and harness/ no tests"
exit $status
