#!/usr/bin/env bash
# Static checks of the release ZIP, no Wine needed: it holds exactly the
# shipped files in one folder, its text files have Windows line ends, and no
# module imports a DLL that Windows does not ship, other than our own ones
# that travel in the package.
# Usage: check-package.sh ZIP OBJDUMP
set -euo pipefail
zip=$1 objdump=$2

fail() { echo "FAIL: $*"; exit 1; }
[ -f "$zip" ] || fail "no package $zip"
room=$(mktemp -d)
trap 'rm -rf "$room"' EXIT
(cd "$room" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"

top=$(basename "$zip" .zip)
[ "$(ls "$room")" = "$top" ] || fail "the package should hold one folder $top, not: $(ls "$room" | tr '\n' ' ')"
dir=$room/$top
shipped="CB5.dll GUIDE.TXT MUSCRL32.dll ZLQMN_DT.DLL ZLQMN_FR.DLL zelQmngr.ini zelqmngr.exe zelqtool.exe"
found=$(cd "$dir" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$found" = "$(tr ' ' '\n' <<<"$shipped" | LC_ALL=C sort | tr '\n' ' ')" ] || fail "the package holds: $found"

for text in GUIDE.TXT zelQmngr.ini; do
  lines=$(wc -l <"$dir/$text")
  crlf=$(grep -c $'\r$' "$dir/$text" || true)
  [ "$lines" -gt 0 ] && [ "$crlf" -eq "$lines" ] || fail "$text: $crlf of $lines lines end in CR LF"
done
grep -q '^\[QueueManager\]' "$dir/zelQmngr.ini" || fail "zelQmngr.ini has no [QueueManager] section"
version=${top#zelqmngr-}
version=${version%-win*}
grep -q "Queue Manager $version" "$dir/GUIDE.TXT" || fail "GUIDE.TXT does not name version $version"

# DLLs of every Windows version the program runs on, and ours.
system="kernel32.dll user32.dll gdi32.dll comctl32.dll msvcrt.dll advapi32.dll shell32.dll comdlg32.dll ole32.dll version.dll"
ours="cb5.dll muscrl32.dll"
status=0
for module in "$dir"/*.exe "$dir"/*.dll "$dir"/*.DLL; do
  imports=$("$objdump" -p "$module" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr '\n' ' ')
  echo "$(basename "$module"): ${imports:-no imports}"
  for dll in $imports; do
    if [[ " $ours " == *" $dll "* ]]; then
      ls "$dir" | tr 'A-Z' 'a-z' | grep -qx "$dll" || { echo "FAIL: $(basename "$module") needs $dll, which the package lacks"; status=1; }
    elif [[ " $system " != *" $dll "* ]]; then
      echo "FAIL: $(basename "$module") imports $dll, which Windows does not ship"
      status=1
    fi
  done
done
exit $status
