#!/usr/bin/env bash
# Real processes on the same two tables: a producer, four line servers and
# the dispatcher. Bounded in jobs and in time; every process started here is
# stopped here, by its pid.
# Usage: EndToEnd.sh TOOL AGENT WORKDIR [RUNNER]   (RUNNER: the Wine wrapper)
set -u
tool=$1 agent=$2 work=$3 runner=${4:-}
jobs=300 first=1 last=6 outside=8 limit=150

. "$(dirname "$0")/../Processes.sh"

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
$runner "$tool" create --queue 40 --lines 10 --force || exit 1

$runner "$tool" dispatch --first $first --last $last --rate 1 --pause-ms 20 --log >dispatch.out 2>&1 &
dispatcher=$!
pids+=($dispatcher)
n=0
for lines in "1 2" "3 4" "5 6" "$outside"; do
  n=$((n + 1))
  $runner "$agent" serve s$n $((100 + n)) 30 $limit $lines &
  pids+=($!)
done

start=$SECONDS
$runner "$agent" produce $jobs 7 15 $last $outside $limit || { echo "producer failed"; exit 1; }
echo "produced $jobs jobs in $((SECONDS - start)) s"

served() { cat served-*.txt 2>/dev/null | wc -l; }
while [ "$(served)" -lt $jobs ] && [ $((SECONDS - start)) -lt $limit ]; do sleep 0.2; done
echo "served $(served) jobs after $((SECONDS - start)) s"

# The servers end at the stop file, the dispatcher at Ctrl+C after its cycle.
touch stop
kill -INT $dispatcher
for i in $(seq 1 100); do kill -0 $dispatcher 2>/dev/null || break; sleep 0.1; done
if kill -0 $dispatcher 2>/dev/null; then echo "the dispatcher ignored Ctrl+C"; exit 1; fi
wait $dispatcher
status=$?
grep -q '^stopped' dispatch.out || { echo "the dispatcher did not stop cleanly (status $status)"; cat dispatch.out; exit 1; }
stop_all

$runner "$agent" verify $jobs $first $last
