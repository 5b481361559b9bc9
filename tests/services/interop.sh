#!/usr/bin/env bash
# shapelib's dbfcreate/dbfadd make a table that our tests read and update;
# the table our tests create and the updated one are read back with dbfdump.
# Usage: interop.sh WORK_DIR COMMAND... (the interop test executable, maybe
# behind an emulator)
set -euo pipefail
work=$1
shift
rm -rf "$work"
mkdir -p "$work"
cd "$work"

dbfcreate PEER.dbf -s NAME 12 -n QTY 6 0 -n PRICE 9 2 -s NOTE 30
dbfadd PEER.dbf "alpha" 12 3.5 "first note"
dbfadd PEER.dbf "beta gamma" -7 100.25 ""
dbfadd PEER.dbf "" 0 0 ""

"$@"

expect() {  # file, expected dump
  local got
  got=$(dbfdump -m -r "$1" | sed 's/ *$//')
  if [ "$got" != "$2" ]; then
    echo "dbfdump $1 differs:"
    diff <(echo "$2") <(echo "$got") || true
    exit 1
  fi
}

expect OURS.DBF "
Record: 0
NAME: first
COUNT: 111
AMOUNT: 0.00

Record: 1
NAME: second one
COUNT: 222
AMOUNT: -1.00

Record: 2
NAME: x
COUNT: 333
AMOUNT: -2.00"

expect PEER.dbf "
Record: 0
NAME: alpha
QTY: 12
PRICE: 3.50
NOTE: first note

Record: 1
NAME: beta gamma
QTY: 4321
PRICE: -3.00
NOTE: from us

Record: 2
NAME:
QTY: 0
PRICE: 0.00
NOTE:"
echo "shapelib interop: both tables agree"
