#!/usr/bin/env bash
# A soak of the real program: a producer enqueueing jobs in bursts, up to
# 120 ms apart (the program takes each at once, so the producer's pace is
# what makes the soak last long enough to be sampled), four line servers (one
# of them on line 8, outside the watched lines 1..6, reached by jobs that ask
# for it) and the program with "/LOG" and a refresh of one second, sampled
# from outside by soak_driver. At the end every job reached
# exactly one line intact, the log holds one line per job and the queue's
# positions agree. Every process started here is stopped here, by its pid.
# Usage: Soak.sh PROGRAM DRIVER AGENT TOOL WORKDIR JOBS SECONDS [RUNNER]
set -u
program=$1 driver=$2 agent=$3 tool=$4 work=$5 jobs=$6 limit=$7 runner=${8:-}
first=1 last=6 outside=8

. "$(dirname "$0")/../Processes.sh"

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
$runner "$tool" create --queue 40 --lines 10 --force >/dev/null || exit 1

$runner "$driver" "$program" $jobs $limit $((jobs / 5)) &
driver_pid=$!
pids+=($driver_pid)
for i in $(seq 1 200); do [ -e started ] && break; sleep 0.1; done
[ -e started ] || { echo "the program did not start"; exit 1; }

n=0
for lines in "1 2" "3 4" "5 6" "$outside"; do
  n=$((n + 1))
  $runner "$agent" serve s$n $((200 + n)) 40 $limit $lines &
  pids+=($!)
done
$runner "$agent" produce $jobs 17 120 $last $outside $limit 25 || { echo "producer failed"; exit 1; }

wait $driver_pid
status=$?
touch stop
stop_all
[ $status -eq 0 ] || { echo "the soak driver failed"; exit 1; }
$runner "$agent" verify $jobs $first $last
