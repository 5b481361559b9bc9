#!/usr/bin/env bash
# A ready-made example: builds zelqtool for Windows, and under Wine creates
# the two tables, enqueues a few jobs, runs one dispatch pass with the log on
# and shows the queue and the lines before and after. Run as root on a fresh
# machine (it installs what is missing first).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZQ_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
. "$root/scripts/windows-builds.sh"
# The 32-bit product where the host runs 32-bit code, else the 64-bit build.
windows=$(zq_runnable_windows_build)
zq_build_windows "$root" "$build/$windows" "$windows" zelqtool >/dev/null

. "$root/scripts/wine-session.sh"
trap zq_wine_stop EXIT
zq_wine_start "$build/$windows"

example="$build/example"
rm -rf "$example" && mkdir -p "$example" && cd "$example"
tool() { echo "\$ zelqtool $*"; "$build/$windows/wine-run.sh" "$build/$windows/bin/zelqtool.exe" "$@" | tr -d '\r'; }

tool create --queue 20 --lines 6
tool enqueue "Print invoices" --text1 invoices.txt --num1 42
tool enqueue "Nightly backup" --line 5 --text1 /data --num1 7 --num2 3
tool enqueue "Send reminders" --text1 "customers, overdue" --num3 12
tool enqueue "Rebuild index" --line 2
tool enqueue "Export ledger" --text2 2026
echo
tool show --first 1 --last 4
echo
tool dispatch --once --first 1 --last 4 --log
echo
tool show --first 1 --last 6
echo
# A line server finishes its job; the next pass serves the job that waited.
tool free 2
tool dispatch --once --first 1 --last 4 --log
tool show --first 1 --last 4
echo
echo "\$ cat ZELQMNGR.LOG"
tr -d '\r' < ZELQMNGR.LOG
