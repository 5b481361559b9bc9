#!/usr/bin/env bash
# The dispatcher killed at random moments of its pass, KILLS times: between
# two runs the line servers and the producer take their turn (e2e_agent
# round); at the end no job is lost, none reached a line twice, and each has
# one log line.
# Usage: KillDispatcher.sh TOOL AGENT WORKDIR KILLS [RUNNER]
set -u -o pipefail
tool=$1 agent=$2 work=$3 kills=$4 runner=${5:-}
first=1 last=16 pending=24 seed=11

# Wine's own errors are shown, so that a run Wine could not start says so
# rather than ending with a bare status.
[ -z "$runner" ] || export WINEDEBUG=-all,err+all
fail() { echo "$*"; exit 1; }

rm -rf "$work" && mkdir -p "$work" && cd "$work" || fail "cannot make $work"
$runner "$tool" create --queue 40 --lines $last --force >/dev/null || fail "create failed"

now_us() { echo $(($(date +%s%N) / 1000)); }
# One run to its end: how long start-up alone takes, and start-up with a pass.
timed() {
  local t0=$(now_us)
  "$@" >/dev/null 2>timed.err || fail "timed run failed: $* ($(tr -d '\r' <timed.err))"
  echo $(($(now_us) - t0))
}
$runner "$agent" round $pending $seed 0 >/dev/null || fail "the first round failed"
startup=$(timed $runner "$tool" dispatch --once --first 2 --last 1) || fail "$startup"
$runner "$agent" round $pending $seed 0 >/dev/null || fail "the second round failed"
whole=$(timed $runner "$tool" dispatch --once --first $first --last $last --log) || fail "$whole"
span=$((whole - startup))
[ $span -ge 10000 ] || span=10000  # timing noise: never aim narrower than 10 ms
echo "start-up ${startup} us, start-up with a pass of $last jobs ${whole} us"

# What a run wrote, both streams, for a failure's message.
said() { printf 'stderr "%s", stdout "%s"' "$(tr -d '\r' <run.err)" "$(tr -d '\r' <run.out)"; }

landed=0 finished=0 locked=0 round=1
pid=
trap '[ -n "$pid" ] && kill -KILL $pid 2>/dev/null' EXIT
# Start-up time drifts with the machine's load: the moment aimed at follows
# the run's end, moving earlier after a run that finished and later after a
# kill, and the kills fall over the two pass lengths before it.
end=$whole
inpass=0 previous=
while [ $landed -lt $kills ] && [ $round -le $((kills * 4)) ]; do
  # Under Wine a killed run's files may stay held a moment: one more try.
  taken=$($runner "$agent" round $pending $seed $round | tr -d "\r") ||
    { sleep 1; taken=$($runner "$agent" round $pending $seed $round | tr -d "\r"); } ||
    { echo "round $round failed after a kill (status $previous)"; exit 1; }
  # A kill after some but not all of the pass's jobs reached their lines.
  [ "$previous" = 137 ] && [ "$taken" -gt 0 ] && [ "$taken" -lt $last ] && inpass=$((inpass + 1))
  round=$((round + 1))
  delay=$((end - (RANDOM * 32768 + RANDOM) % (2 * span)))
  [ $delay -gt 0 ] || delay=0
  $runner "$tool" dispatch --once --first $first --last $last --log >run.out 2>run.err &
  pid=$!
  sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -KILL $pid 2>/dev/null
  wait $pid 2>/dev/null
  status=$?
  previous=$status
  pid=
  case $status in
    0) finished=$((finished + 1)); end=$((end - span / 4)) ;;
    137) landed=$((landed + 1)); end=$((end + span / 16)) ;;
    # The run before, killed, may hold its lock until the system has ended it:
    # this run moved nothing and said so, which is what it must do.
    1) grep -q "holds the lock" run.err || { echo "the dispatcher ended with status 1: $(said)"; exit 1; }
       locked=$((locked + 1)) ;;
    *) echo "the dispatcher ended with status $status: $(said)"; exit 1 ;;
  esac
done
echo "$landed kills landed ($inpass of them among the pass's writes), $finished runs ended before their kill," \
     "$locked found the lock still held, in $((round - 1)) rounds"
[ $landed -ge $kills ] || fail "too few kills landed"

# Unhurried passes drain what is left.
for i in $(seq 1 20); do
  $runner "$agent" round 0 $seed $round >/dev/null || fail "round $round of the drain failed"
  round=$((round + 1))
  $runner "$tool" dispatch --once --first $first --last $last --log >/dev/null || fail "pass $i of the drain failed"
done
$runner "$agent" round 0 $seed $round >/dev/null || fail "the last round failed"
$runner "$agent" verify-faults $landed $first $last
