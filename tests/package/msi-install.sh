#!/usr/bin/env bash
# The MSI as an administrator deploys it, in a Wine prefix of its own made
# here: a mistyped property fails the install; a silent install with
# TABLESDIR, LOG and REFRESHRATE writes that one setting and a Start-menu
# shortcut, from which the installed program serves the jobs of the tables'
# folder until its quit question ends it; the next version's package
# upgrades it in place, keeping the shortcut's folder and options; removing it leaves the settings, the tables and the log.
# Usage: msi-install.sh MSI NEXT_MSI WORKDIR RUNNER DRIVER
set -u -o pipefail
msi=$(realpath -m "$1") next=$(realpath -m "$2") work=$3 runner=$4 driver=$(realpath -m "$5")

fail() { echo "FAIL: $*"; exit 1; }
[ -f "$msi" ] || fail "no package $msi (wixl and msitools installed?)"
[ -f "$next" ] || fail "no package of the next version $next"
rm -rf "$work" && mkdir -p "$work/tables" || exit 1

# The build's loader and server, on a new prefix; no menu entries in $HOME.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=$(sed -n 's/^WINEARCH=//p' "$runner")
export WINELOADER=$(sed -n 's/^WINELOADER=//p' "$runner")
export WINESERVER=$(sed -n 's/^WINESERVER=//p' "$runner")
mkdir -p "$WINEPREFIX"
"$WINESERVER" -p -f </dev/null >/dev/null 2>&1 &
server=$!
# The prefix holds over a gigabyte in a 64-bit build: it goes with the server.
trap '"$WINESERVER" -k </dev/null >/dev/null 2>&1; kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
wine() { "$WINELOADER" "$@" </dev/null | tr -d '\r'; }
started=$SECONDS
# Straight to /dev/null: the services it starts keep its handles open.
"$WINELOADER" wineboot -i </dev/null >/dev/null 2>&1
# Unmanaged windows close at once, without waiting for a window manager.
"$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
echo "fresh prefix: $((SECONDS - started)) s"
windows=$WINEPREFIX/drive_c/windows
msiexec() {
  local begun=$SECONDS rc
  "$WINELOADER" msiexec "$@" </dev/null >/dev/null 2>&1
  rc=$?
  echo "msiexec $*: status $rc, $((SECONDS - begun)) s" >&2
  return $rc
}
products() { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -c 'DisplayName.*ZEL Batch Queue Manager'; }

# Settings of the machine's own, which only the given property may change.
printf '[QueueManager]\r\nRefreshRate=15\r\nDefaultLanguage=\r\n' >"$windows/zelQmngr.ini"

msiexec /i "$(wine winepath -w "$msi")" REFRESHRATE=fast /qn && fail "an install with REFRESHRATE=fast succeeded"
[ "$(products)" -eq 0 ] || fail "the refused install left a product behind"

tables=$(wine winepath -w "$work/tables")
msiexec /i "$(wine winepath -w "$msi")" TABLESDIR="$tables" LOG=1 REFRESHRATE=20 /qn || fail "the silent install failed"
[ "$(products)" -eq 1 ] || fail "the install registered $(products) products"
ini=$(tr -d '\r' <"$windows/zelQmngr.ini")
[[ "$ini" == *RefreshRate=20* && "$ini" == *DefaultLanguage=* && "$ini" != *Line=* ]] \
  || fail "the settings after the install: $ini"

folder=$(find "$WINEPREFIX/drive_c" -maxdepth 2 -iname 'Program Files*' -print0 | xargs -0 -I{} find {} -maxdepth 1 -name 'ZEL Batch Queue Manager' | head -1)
[ -n "$folder" ] || fail "no program folder under Program Files"
found=$(ls "$folder" | LC_ALL=C sort | tr '\n' ' ')
[ "$found" = "CB5.dll GUIDE.TXT MUSCRL32.dll ZLQMN_DT.DLL ZLQMN_FR.DLL zelqmngr.exe zelqtool.exe " ] \
  || fail "the program folder holds: $found"
link=$(find "$WINEPREFIX/drive_c" -name 'ZEL Batch Queue Manager.lnk' | head -1)
[ -n "$link" ] || fail "no Start-menu shortcut"

cd "$work/tables" || exit 1
tool() { wine "$folder/zelqtool.exe" "$@"; }
tool create --queue 20 --lines 4 || fail "the installed zelqtool cannot make tables"
for job in "Print invoices" "Nightly backup" "Send reminders"; do
  tool enqueue "$job" >/dev/null || fail "the installed zelqtool cannot enqueue"
done
cd "$work" || exit 1
shortcut=$(wine "$driver" "$link" 3) || fail "the program of the shortcut did not run its course: $shortcut"
echo "$shortcut"
[[ "$shortcut" == *'/LOG'*" in $tables"* ]] || fail "the shortcut does not start the program with /LOG in $tables"
cd "$work/tables" || exit 1
[[ "$(tool show --first 1 --last 4 --json)" == *'"pending":0'* ]] || fail "jobs still wait after the run"
[[ "$(tool stats)" == "ZELQMNGR.LOG: 3 jobs"* ]] || fail "the log does not hold the three jobs"
cd "$work" || exit 1

# Only the new option: the folder and /LOG are remembered from the first install.
msiexec /i "$(wine winepath -w "$next")" LANGUAGE=DT /qn || fail "the upgrade failed"
[ "$(products)" -eq 1 ] || fail "after the upgrade $(products) products are installed"
version=$(basename "$next" | sed 's/^zelqmngr-\([0-9.]*\)-.*/\1/')
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -q "DisplayVersion.*$version" \
  || fail "the installed product is not version $version"
shortcut=$(wine "$driver" "$link" show)
[[ "$shortcut" == *"/LOG /DT in $tables"* ]] || fail "the upgraded shortcut: $shortcut"
[[ "$(tr -d '\r' <"$windows/zelQmngr.ini")" == *RefreshRate=20* ]] || fail "the upgrade lost the settings"

msiexec /x "$(wine winepath -w "$next")" /qn || fail "the silent removal failed"
[ "$(products)" -eq 0 ] || fail "after the removal $(products) products are installed"
[ ! -e "$link" ] || fail "the removal left the shortcut"
left=$(ls -A "$folder" 2>/dev/null | tr '\n' ' ')
[ -z "$left" ] || fail "the removal left in the program folder: $left"
[[ "$(tr -d '\r' <"$windows/zelQmngr.ini")" == *RefreshRate=20* ]] || fail "the removal took the settings"
for kept in ZELQUEUE.DBF ZELBATCH.DBF ZELQMNGR.LOG; do
  [ -f "$work/tables/$kept" ] || fail "the removal took $kept"
done
echo "msi install passed in $((SECONDS - started)) s"
