#!/usr/bin/env bash
# The package as an operator receives it: unpacked into an empty folder and
# run from there under Wine on tables of a folder of their own, with nothing
# of the build tree beside it. zelqtool makes the tables and the jobs; the
# driver starts the program, sees the jobs on the lines and ends it through
# its quit question; zelqtool then reads the tables and the log.
# Usage: clean-room.sh ZIP WORKDIR RUNNER DRIVER
set -u -o pipefail
zip=$1 work=$2 runner=$3 driver=$4

fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work/room" "$work/tables" || exit 1
(cd "$work/room" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
program=$work/room/$(basename "$zip" .zip)
cd "$work/tables" || exit 1
# The settings, if any, are whatever the prefix holds: the first pass at
# start-up serves the jobs whatever the refresh rate, on lines 1..4.
tool() { "$runner" "$program/zelqtool.exe" "$@" </dev/null | tr -d '\r'; }

tool create --queue 20 --lines 4 || fail "zelqtool from the package cannot make tables"
for job in "Print invoices" "Nightly backup" "Send reminders"; do
  tool enqueue "$job" >/dev/null || fail "zelqtool cannot enqueue"
done
"$runner" "$driver" "$program/zelqmngr.exe" 3 </dev/null | tr -d '\r' || fail "the program did not run its course"

shown=$(tool show --first 1 --last 4 --json)
[[ "$shown" == *'"pending":0'*'"free":1'* ]] || fail "the tables after the run: $shown"
summary=$(tool stats)
echo "$summary"
[[ "$summary" == "ZELQMNGR.LOG: 3 jobs"$'\n'* ]] || fail "the log does not hold the three jobs"
tool check --first 1 --last 4 || fail "zelqtool check finds the tables damaged"
echo "clean room passed: $(ls "$program" | tr '\n' ' ')"
