#!/usr/bin/env bash
# Three managers on one folder, as on three machines sharing a file server:
# the program with "/LOG" in two Wine prefixes (each its own wineserver, so
# their locks meet only as the system's record locks) and a native
# "zelqtool dispatch --log", watching lines 1..3, 4..6 and 7..9. A producer
# and line servers (one on line 10, which no manager watches) work while the
# managers are killed at random and started again. At the end no job is lost
# or served twice, the one log holds one line per job and the journal is clear.
# Usage: ManyManagers.sh WINDOWS_BUILD NATIVE_BIN WORKDIR JOBS KILLS SECONDS
set -u -o pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd) native=$(cd "$2" && pwd) work=$3 jobs=$4 kills=$5 limit=$6
program="$build/bin/zelqmngr.exe" tool="$native/zelqtool" agent="$native/e2e_agent"
names=("the program in the first prefix" "the program in the second prefix" "zelqtool dispatch")
firsts=(1 4 7) lasts=(3 6 9) outside=10

fail() { echo "managers: $*"; exit 1; }
ms() { echo $(($(date +%s%N) / 1000000)); }

. "$root/scripts/wine-session.sh"
pids=() mpid=()
finish() {
  local pid
  for pid in "${mpid[@]}" "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  for pid in "${mpid[@]}" "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  zq_wine_stop
}
trap finish EXIT

# The two machines keep their prefixes between runs: a new one takes seconds.
for m in 0 1; do
  zq_wine_machine "$build" "$build/machines/m$m" >/dev/null
  runner[$m]="$build/machines/m$m/wine-run.sh"
  printf '[QueueManager]\r\nRefreshRate=1\r\nFirstLine=%d\r\nLastLine=%d\r\n' ${firsts[$m]} ${lasts[$m]} \
    >"$build/machines/m$m/wineprefix/drive_c/windows/zelQmngr.ini"
done

rm -rf "$work" && mkdir -p "$work" && cd "$work" || fail "cannot make $work"
"$tool" create --queue 40 --lines $outside --force >/dev/null || fail "create failed"

started=()
start() {
  local m=$1
  if [ "$m" -lt 2 ]; then
    "${runner[$m]}" "$program" /LOG >"manager$m.out" 2>&1 &
  else
    "$tool" dispatch --first ${firsts[2]} --last ${lasts[2]} --rate 1 --log >"manager2.out" 2>&1 &
  fi
  mpid[$m]=$!
  started[$m]=$(ms)
}
running() { [ -d "/proc/$1" ] && [ "$(ps -o stat= -p "$1" | cut -c1)" != Z ]; }
for m in 0 1 2; do start $m; done

n=0
for lines in "1 2 3" "4 5 6" "7 8 9" "$outside"; do
  n=$((n + 1))
  "$agent" serve s$n $((300 + n)) 60 "$limit" $lines &
  pids+=($!)
done
# Bursts of jobs, so that the managers have moves to be killed among.
"$agent" produce "$jobs" 27 300 9 $outside "$limit" 10 >producer.out 2>&1 &
producer=$!
pids+=($producer)

served() { cat served-*.txt 2>/dev/null | wc -l; }
produced() { cat produced.txt 2>/dev/null | wc -l; }
landed=0 noted=0 themselves=0 seen=0 tick=0 counted=0 reads=0 each=(0 0 0)
# The log read, as an operator does, while the managers write it: it always
# opens and its count of jobs never goes back.
read_log() {
  [ -e ZELQMNGR.LOG ] || return 0
  "$tool" stats >stats.out 2>&1 || fail "stats failed while the managers wrote: $(cat stats.out)"
  local now
  now=$(sed -n '1s/^ZELQMNGR.LOG: \([0-9]*\) jobs*\(;.*\)*$/\1/p' stats.out)
  [ -n "$now" ] && [ "$now" -ge $counted ] || fail "stats read the log as: $(head -1 stats.out), after $counted jobs"
  counted=$now reads=$((reads + 1))
}
end=$(($(ms) + limit * 1000)) next=$(($(ms) + 500 + RANDOM % 2000))
while :; do
  now=$(ms)
  [ "$now" -lt "$end" ] || fail "not done after $limit s: $landed kills, $(served) of $jobs jobs served"
  for m in 0 1 2; do
    running "${mpid[$m]}" && continue
    wait "${mpid[$m]}"
    status=$?
    # A manager ends by itself only when it cannot work at all.
    themselves=$((themselves + 1))
    [ $themselves -le 10 ] ||
      fail "${names[$m]} ended by itself with status $status: $(tr -d '\r' <"manager$m.out" | tail -3)"
    grep -q "cannot open" "manager$m.out" && fail "${names[$m]}: $(tr -d '\r' <"manager$m.out" | tail -1)"
    start $m
  done
  # A kill falls due at a random moment; it lands when jobs have just come,
  # while they are being moved, in a manager that has begun its work.
  was=$seen seen=$(produced)
  if [ $landed -lt "$kills" ] && [ "$now" -ge $next ] && { [ "$seen" -gt "$was" ] || ! running $producer; }; then
    m=$((RANDOM % 3))
    if [ $((now - started[m])) -ge 1000 ]; then
      sleep "0.0$((RANDOM % 10))"
      kill -KILL "${mpid[$m]}" 2>/dev/null
      wait "${mpid[$m]}" 2>/dev/null
      landed=$((landed + 1)) each[m]=$((each[m] + 1))
      [ "$("$agent" journal)" = clear ] || noted=$((noted + 1))
      start $m
      next=$(($(ms) + 300 + RANDOM % 2200))
    fi
  fi
  tick=$((tick + 1))
  [ $((tick % 20)) -ne 0 ] || read_log
  if [ $landed -ge "$kills" ] && ! running $producer && [ "$(served)" -ge "$jobs" ]; then break; fi
  sleep 0.1
done
wait $producer || fail "the producer failed: $(cat producer.out)"
echo "$landed kills (${each[0]}, ${each[1]} and ${each[2]}; a note in the journal just after $noted of them)," \
     "$themselves ends by themselves," \
     "$jobs jobs served, the log read $reads times meanwhile"

# Every job has reached its line: the line servers stop, and with nothing
# left to move the managers are idle when they go.
touch stop
for pid in "${pids[@]}"; do wait "$pid"; done
pids=()
# The last lines freed are a change: each manager's next pass finds the
# queue empty and brings its read position up to the write position.
sleep 2.5
kill -INT "${mpid[2]}"
wait "${mpid[2]}" || fail "zelqtool dispatch did not stop cleanly: $(tail -3 manager2.out)"
for m in 0 1; do kill -KILL "${mpid[$m]}"; wait "${mpid[$m]}" 2>/dev/null; done
mpid=()

# Who logged what: a job that asked for no particular line can only have
# been moved by the manager watching the line it reached, so a manager whose
# log stayed off is named.
unlogged=()
for m in 0 1 2; do
  range="-v a=${firsts[$m]} -v b=${lasts[$m]}"
  reached=$(awk -F'|' $range 'FNR == NR { asked[$3] = $2; next } asked[$2] == 0 && $1 >= a && $1 <= b' \
    produced.txt served-*.txt | wc -l)
  logged=$(cat ZELQMNGR.LOG 2>/dev/null | tr -d '\r' | awk -F, $range '$(NF-2) == 0 && $(NF-1) >= a && $(NF-1) <= b' | wc -l)
  echo "lines ${firsts[$m]}..${lasts[$m]} (${names[$m]}): $reached jobs for any line reached them, $logged log lines"
  [ "$logged" -ge "$reached" ] || unlogged+=("${names[$m]}")
done
[ ${#unlogged[@]} -eq 0 ] ||
  fail "jobs that only $(printf '%s, ' "${unlogged[@]}" | sed 's/, $//') could move have no log line: is its \"/LOG\" off?"
"$tool" stats >stats.out 2>&1 && [ "$(head -1 stats.out)" = "ZELQMNGR.LOG: $jobs jobs" ] ||
  fail "stats reads the log as: $(head -1 stats.out)"
journal=$("$agent" journal) || fail "the journal cannot be read"
[ "$journal" = clear ] || fail "the journal still holds $journal"
"$agent" verify "$jobs" 1 9
