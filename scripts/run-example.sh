#!/usr/bin/env bash
# A ready-made example: the queue manager itself at work. zelqtool makes the
# two tables and a few jobs; the program runs under Wine with the dispatch
# log on while a small producer adds jobs and line servers free their lines;
# after a bounded time the window is photographed to build/example/zelqmngr.png,
# five jobs show how soon the manager takes a job at its default refresh rate,
# and everything started here is ended. Run as root on a fresh machine (it
# installs what is missing first). The window appears on $DISPLAY when one is
# set, otherwise on an Xvfb display of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZQ_BUILD_DIR:-$root/build}
seconds=${ZQ_EXAMPLE_SECONDS:-25}

bash "$root/scripts/setup.sh"
. "$root/scripts/windows-builds.sh"
# The 32-bit product where the host runs 32-bit code, else the 64-bit build.
windows=$(zq_runnable_windows_build)
zq_build_windows "$root" "$build/$windows" "$windows" zelqtool zelqmngr ZLQMN_DT ZLQMN_FR >/dev/null
bin="$build/$windows/bin"
run="$build/$windows/wine-run.sh"

. "$root/scripts/wine-session.sh"
background=()
finish() {
  local pid
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null || true; done
  zq_wine_stop
}
trap finish EXIT
ZQ_USE_DISPLAY=1 zq_wine_start "$build/$windows"

example="$build/example"
rm -rf "$example" && mkdir -p "$example" && cd "$example"
tool() { "$run" "$bin/zelqtool.exe" "$@" | tr -d '\r'; }

# The settings file lives in the Windows folder of the prefix: the watched
# lines 1 to 4 of six, and the default refresh rate of 15 seconds, which a
# change of the tables does not wait for.
prefix=$(sed -n 's/^WINEPREFIX=//p' "$run")
printf '[QueueManager]\r\nFirstLine=1\r\nLastLine=4\r\n' >"$prefix/drive_c/windows/zelQmngr.ini"

tool create --queue 40 --lines 6
echo "\$ zelqmngr /LOG   (for $seconds seconds and more)"
"$run" "$bin/zelqmngr.exe" /LOG </dev/null >/dev/null 2>&1 &
background+=($!)
sleep 3

# How soon the manager takes a job at that rate: five jobs one by one, each
# line freed again as its server would.
echo
echo "\$ zelqtool enqueue \"Quick N\" --wait 20; zelqtool free 1   (five times)"
for n in 1 2 3 4 5; do
  tool enqueue "Quick $n" --wait 20 | tail -n 1
  tool free 1 >/dev/null
  sleep 1
done

for job in "Print invoices" "Nightly backup" "Send reminders" "Rebuild index" "Export ledger" "Archive mail"; do
  tool enqueue "$job" --text1 "$(echo "$job" | tr ' A-Z' '_a-z').txt" >/dev/null
done
tool enqueue "Payroll run" --line 5 --num1 12 >/dev/null
echo
echo "\$ zelqtool show   (seven more jobs enqueued, a moment later)"
tool show --first 1 --last 4

# A producer adding a job every second and line servers finishing theirs.
(
  for n in $(seq 1 $((seconds - 4))); do
    sleep 1
    tool enqueue "Job $n" --num1 "$n" >/dev/null 2>&1 || true
    [ $((n % 3)) -eq 0 ] && tool free $(((n / 3 - 1) % 4 + 1)) >/dev/null 2>&1 || true
  done
) &
background+=($!)

sleep "$seconds"
shot="$example/zelqmngr.png"
import -window root -crop 560x430+0+0 "$shot"
echo "screenshot: $shot"

echo
echo "\$ zelqtool show"
tool show --first 1 --last 6
echo
echo "\$ cat ZELQMNGR.LOG   ($(wc -l < ZELQMNGR.LOG) lines; the first ten)"
head -n 10 ZELQMNGR.LOG | tr -d '\r'
