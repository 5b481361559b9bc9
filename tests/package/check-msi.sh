#!/usr/bin/env bash
# Static checks of the MSI, no Wine needed: its platform and versions, the
# files it installs and where, the shortcut, the settings it may write and
# the upgrade that replaces older versions.
# Usage: check-msi.sh MSI VERSION
set -u -o pipefail
msi=$(realpath -m "$1") version=$2

fail() { echo "FAIL: $*"; exit 1; }
[ -f "$msi" ] || fail "no package $msi (wixl and msitools installed?)"
table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
case $msi in
  *-win64.msi) platform=x64 folder=ProgramFiles64Folder bits=256 ;;
  *) platform=Intel folder=ProgramFilesFolder bits=0 ;;
esac

msiinfo suminfo "$msi" | grep -qx "Template: $platform;1033" || fail "the package is not for $platform: $(msiinfo suminfo "$msi" | grep Template)"
properties=$(table Property)
grep -qx "ProductVersion	$version" <<<"$properties" || fail "ProductVersion is not $version"
grep -q "^SecureCustomProperties	.*TABLESDIR;LOG;LANGUAGE;REFRESHRATE;FIRSTLINE;LASTLINE" <<<"$properties" \
  || fail "the deployment properties are not secure"

files=$(table File | cut -f1,3,5 | LC_ALL=C sort)
expected=$(printf '%s\n' "CB5.dll	CB5.dll	$version.0" "GUIDE.TXT	GUIDE.TXT	" "MUSCRL32.dll	MUSCRL32.dll	$version.0" \
  "ZLQMN_DT.DLL	ZLQMN_DT.DLL	$version.0" "ZLQMN_FR.DLL	ZLQMN_FR.DLL	$version.0" \
  "zelqmngr.exe	zelqmngr.exe	$version.0" "zelqtool.exe	zelqtool.exe	$version.0" | LC_ALL=C sort)
[ "$files" = "$expected" ] || fail "the files and versions: $files"

table Directory | grep -qx "INSTALLDIR	$folder	ZEL Batch Queue Manager" || fail "the program does not go under $folder"
components=$(table Component)
for file in zelqmngr.exe CB5.dll MUSCRL32.dll ZLQMN_DT.DLL ZLQMN_FR.DLL zelqtool.exe GUIDE.TXT; do
  grep -qP "^\w+\t\{[0-9A-F-]{36}\}\tINSTALLDIR\t$bits\t\t\Q$file\E$" <<<"$components" || fail "no component installs $file"
done
table Shortcut | grep -qP '^\w+\tProgramMenuFolder\tZEL Batch Queue Manager\tProgram\t\[#zelqmngr.exe\]\t\[ZqLogOption\] \[ZqLanguageOption\]\t.*\tTABLESDIR\t' \
  || fail "the Start-menu shortcut: $(table Shortcut)"

# Each setting only when its property is given, and kept when the product goes.
ini=$(table IniFile)
for setting in RefreshRate:REFRESHRATE FirstLine:FIRSTLINE LastLine:LASTLINE; do
  key=${setting%:*} property=${setting#*:}
  grep -qx "$key	zelQmngr.ini	WindowsFolder	QueueManager	$key	\[$property\]	0	${key}Setting" <<<"$ini" \
    || fail "no row writes $key"
  grep -qP "^${key}Setting\t\{[0-9A-F-]{36}\}\tWindowsFolder\t$((bits + 16))\t$property\t$" <<<"$components" \
    || fail "the $key setting is not conditional and permanent"
done
sequence=$(table InstallExecuteSequence | cut -f1)
for action in WriteIniValues RemoveIniValues CreateShortcuts FindRelatedProducts RemoveExistingProducts; do
  grep -qx "$action" <<<"$sequence" || fail "the install does not run $action"
done

upgrade=$(table Upgrade)
code=$(sed -n 's/^UpgradeCode	//p' <<<"$properties")
grep -qx "$code		$version		1		WIX_UPGRADE_DETECTED" <<<"$upgrade" || fail "older versions are not upgraded: $upgrade"
table LaunchCondition | grep -q '^NOT WIX_DOWNGRADE_DETECTED	' || fail "a downgrade is not refused"
echo "$(basename "$msi"): $(table File | wc -l) files, version $version, $platform"
