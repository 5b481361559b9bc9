#!/usr/bin/env bash
# The real zelqtool executable, natively or under Wine: cancel, show and
# check in JSON, watch (to a count of views and until Ctrl+C) and stats, each
# with its exit status. Every process started here is stopped here, by pid.
# Usage: ToolCommands.sh TOOL WORKDIR [RUNNER]   (RUNNER: the Wine wrapper)
set -u
tool=$1 work=$2 runner=${3:-}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Patterns are globs: a bracket of JSON is written \[ there.
# Runs the tool; its output without carriage returns in $out and $err, status in $status.
run() {
  $runner "$tool" "$@" >out.txt 2>err.txt </dev/null
  status=$?
  out=$(tr -d '\r' <out.txt)
  err=$(tr -d '\r' <err.txt)
}
expect() {  # status "stdout pattern" "stderr pattern" -- words
  local want=$1 outPattern=$2 errPattern=$3
  shift 4
  run "$@"
  [ "$status" -eq "$want" ] || fail "zelqtool $* ended with $status, not $want: $out $err"
  [[ "$out" == $outPattern ]] || fail "zelqtool $* wrote \"$out\""
  [[ "$err" == $errPattern ]] || fail "zelqtool $* said \"$err\" on stderr"
}

watcher=
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; wait 2>/dev/null' EXIT
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

expect 0 "created*" "" -- create --queue 6 --lines 2
expect 0 "enqueued at entry 2" "" -- enqueue "First job"
expect 0 "enqueued at entry 3" "" -- enqueue "Second job" --line 2
expect 0 "entry 2 cancelled: First job" "" -- cancel 2
expect 1 "" "zelqtool: entry 2 has been served or cancelled already" -- cancel 2
expect 1 "" "zelqtool: entry 5 is not pending;*" -- cancel 5
expect 2 "" "zelqtool: cancel needs one entry number" -- cancel
expect 2 "" "zelqtool: the entry wants a whole number*" -- cancel x

expect 0 '{"queue":{"records":6,"read":2,"write":4,"pending":2,"waiting":1,"entries":\[{"entry":2,"line":0,"job":""},{"entry":3,"line":2,"job":"Second job"}\]},"lines":{"first":1,"last":2,"free":2,"cut":false,"lines":\[{"line":1,"job":""},{"line":2,"job":""}\]}}' "" \
  -- show --first 1 --last 2 --json
expect 0 '{"ok":true,"queue":{"records":6,"read":2,"write":4,"pending":2},"lines":{"count":2},"problems":\[\]}' "" \
  -- check --first 1 --last 2 --json
expect 1 '{"ok":false,*"problems":\["the watched range 1..3 goes beyond the lines 1..2"\]}' "zelqtool: 1 problem found" \
  -- check --first 1 --last 3 --json
expect 2 "" "zelqtool: unknown option --xml" -- show --xml

# The cancelled job is skipped, the other one served, and the log says so.
expect 0 "dispatched 1 job" "" -- dispatch --once --first 1 --last 2 --log
expect 0 "ZELQMNGR.LOG: 1 job
jobs per line:
  line 2: 1
jobs per day:
  ??.??: 1
jobs per hour of the day:
  ??:00-??:59: 1
busiest hour: ??.?? ??:00-??:59 with 1 job" "" -- stats
printf 'not a log line\r\n' >>ZELQMNGR.LOG
expect 0 "ZELQMNGR.LOG: 1 job; 1 line not understood, the first is line 2*" "" -- stats
expect 1 "" "zelqtool: cannot open nothing.log" -- stats nothing.log
expect 2 "" "zelqtool: unexpected argument b" -- stats a b

# watch: a first view, a second one when a line is freed, then its count ends it.
$runner "$tool" watch --first 1 --last 2 --poll-ms 50 --redraws 2 >watch.txt 2>&1 </dev/null &
watcher=$!
views() { grep -c 'zelqtool watch, view' watch.txt 2>/dev/null; }
for i in $(seq 1 200); do [ "$(views)" -ge 1 ] && break; sleep 0.05; done
[ "$(views)" -eq 1 ] || fail "watch drew $(views) views before any change"
expect 0 "line 2 is free" "" -- free 2
for i in $(seq 1 200); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$watcher" 2>/dev/null; then fail "watch did not end after its second view"; kill "$watcher"; fi
wait "$watcher"; status=$?; watcher=
[ "$status" -eq 0 ] || fail "watch --redraws 2 ended with $status"
tr -d '\r' <watch.txt | grep -q '^2: Second job$' || fail "the first view lacks the busy line: $(cat watch.txt)"
tr -d '\r' <watch.txt | sed -n '/view 2/,$p' | grep -q '^First level (2 free)$' || fail "the second view lacks the freed line"

# Without a count it runs until Ctrl+C.
$runner "$tool" watch --poll-ms 50 >endless.txt 2>&1 </dev/null &
watcher=$!
for i in $(seq 1 200); do grep -q 'view 1' endless.txt 2>/dev/null && break; sleep 0.05; done
kill -INT "$watcher"
for i in $(seq 1 100); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$watcher" 2>/dev/null; then fail "watch ignored Ctrl+C"; kill "$watcher"; fi
wait "$watcher"; status=$?; watcher=
[ "$status" -eq 0 ] || fail "watch ended with $status on Ctrl+C"

[ "$failures" -eq 0 ] && echo "all zelqtool commands behaved"
exit $((failures > 0))
