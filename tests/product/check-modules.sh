#!/usr/bin/env bash
# Static checks of the built Windows modules, read from their PE tables with
# objdump; no Wine needed, so they also hold the 32-bit product to its
# interfaces on hosts that cannot run it.
# Usage: check-modules.sh CHECK OBJDUMP BITS BIN_DIR DEF_FILE
set -euo pipefail
check=$1 objdump=$2 bits=$3 bin=$4 def=$5

fail() { echo "FAIL: $*"; exit 1; }

# The programs that carry the class library and so its Win32 imports.
library_programs=("$bin/framework_app_tests.exe")
[ -f "$bin/zelqmngr.exe" ] && library_programs+=("$bin/zelqmngr.exe")

def_ordinals() { sed -n 's/.*@\([0-9]*\)[[:space:]]*NONAME.*/\1/p' "$def" | sort -n; }

# Hint/ordinal column of one DLL's import block, and the names imported from it.
import_block() {  # module dll
  "$objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { inside = (tolower($3) == tolower(dll)); next }
    inside && NF == 0 { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ { print }'
}
imported_names() { import_block "$1" "$2" | awk '$3 != "<none>" { print $3 }'; }

# A DLL's export table holds exactly the given ordinals and no name.
check_ordinal_exports() {  # dll "ordinals..."
  local dump got names
  dump=$("$objdump" -p "$bin/$1")
  got=$(echo "$dump" | sed -n 's/.*+base\[ *\([0-9]*\)\].*/\1/p' | sort -n | tr '\n' ' ')
  [ "$got" = "$2 " ] || fail "$1 exports ordinals $got, expected $2"
  names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 | grep -c '\[' || true)
  [ "$names" -eq 0 ] || fail "$1 exports $names names"
  echo "$1: $(wc -w <<<"$got") entries by ordinal, no names"
}

# Every program that imports the DLL does so by ordinal, and only known ones.
check_ordinal_imports() {  # dll "ordinals..."
  local count=0 exe block named thunk ordinal
  for exe in "$bin"/*.exe; do
    block=$(import_block "$exe" "$1")
    [ -n "$block" ] || continue
    count=$((count + 1))
    named=$(echo "$block" | awk '$3 != "<none>"' | wc -l)
    [ "$named" -eq 0 ] || fail "$(basename "$exe") imports $named $1 entries by name"
    # The thunk is 0x80...0 plus the ordinal; the printed ordinal column is
    # decimal in one width and hex in the other, the thunk is hex in both.
    while read -r thunk _; do
      ordinal=$((16#${thunk: -4}))
      [[ " $2 " == *" $ordinal "* ]] || fail "$(basename "$exe") imports unknown $1 ordinal $ordinal"
    done <<<"$block"
  done
  [ "$count" -gt 0 ] || fail "no program imports $1"
  echo "$count programs import $1 by ordinal only"
}

# The spin control's four entries are fixed by their users, not read from its .def.
muscrl32_ordinals="7 9 11 12"
# The closed engine an installation owns has these entries and no more; the
# program starts on it only if it imports none beside them. Our CB5.dll may
# export more, for zelqtool and the tests.
closed_cb5_ordinals="13 16 18 21 23 25 30 31 32 37 40 43 53 54 59 65 66 67 76 78 81 83 84 125 127 138 139 157 158"

# The product's own imports of a DLL lie within the given ordinals.
check_product_imports() {  # dll "ordinals..."
  local exe=$bin/zelqmngr.exe block thunk ordinal count=0
  [ -f "$exe" ] || fail "zelqmngr.exe was not built"
  block=$(import_block "$exe" "$1")
  [ -n "$block" ] || fail "zelqmngr.exe imports nothing from $1"
  while read -r thunk _; do
    ordinal=$((16#${thunk: -4}))
    [[ " $2 " == *" $ordinal "* ]] || fail "zelqmngr.exe imports $1 ordinal $ordinal, which the closed engine lacks"
    count=$((count + 1))
  done <<<"$block"
  echo "zelqmngr.exe: $count $1 entries, all of the closed engine's"
}

case $check in
  cb5-exports) check_ordinal_exports CB5.dll "$(echo $(def_ordinals))" ;;
  cb5-imports) check_ordinal_imports CB5.dll "$(echo $(def_ordinals))" ;;
  product-cb5-imports) check_product_imports CB5.dll "$closed_cb5_ordinals" ;;
  muscrl32-exports) check_ordinal_exports MUSCRL32.dll "$muscrl32_ordinals" ;;
  muscrl32-imports) check_ordinal_imports MUSCRL32.dll "$muscrl32_ordinals" ;;
  user32-imports)
    for exe in "${library_programs[@]}"; do
      names=$(imported_names "$exe" USER32.dll)
      if [ "$bits" = 32 ]; then
        want=(SetWindowLongA GetWindowLongA)
        ! grep -q 'LongPtr' <<<"$names" || fail "$(basename "$exe") imports a 64-bit-only call: $(grep LongPtr <<<"$names" | tr '\n' ' ')"
      else
        want=(SetWindowLongPtrA GetWindowLongPtrA)
      fi
      for call in "${want[@]}"; do
        grep -qx "$call" <<<"$names" || fail "$(basename "$exe") does not import $call"
      done
      echo "$(basename "$exe"): ${want[*]} from USER32.dll"
    done
    ;;
  library-exports)
    want=(_ZN7CObject6LookupEj _ZN7CWindow6CreateEPKciiiiS1_m _ZTV7CWindow _ZN7CWinApp9hInstanceE
          _ZN7CWinApp3RunEv _ZN7CWindowC2EPS_ _ZN7CWindowaSERKS_)
    # Every class of the library: its virtual table, and the destructor, copy
    # constructor and assignment that another module may call by name.
    for class in CObject CWindow CWinApp CText CGroupBox CGroup CFrameWin CPushButton CRadioButton CCheckBox CEntryField CMLE \
                 CListBox CComboBox CClientWindow CLine CMainWin CDialogWin CMenu CMenuItem CHeader CStatusBar \
                 CIcon CBitMap CVListBox CBlackText CCText CMonoText CSizedEF CMonoMLE CSortedLB CMonoLB \
                 CTogglePB CAHDialogWin CSpinButton CNSpinButton CLSpinButton CROPopup CPropertySheet CContainer \
                 CTableWindow CNoteBook CNoteBookPage CNoteBookMajorPage CNoteBookMinorPage; do
      symbol=${#class}${class}
      [ "$class" = CObject ] || want+=("_ZTV$symbol")
      want+=("_ZN${symbol}D1Ev" "_ZN${symbol}C1ERKS_" "_ZN${symbol}aSERKS_")
    done
    want+=(_ZN8CMainWinC1EP7CWinApp _ZN9CTogglePBC1EP7CWindowPi _ZN12CNSpinButton6CreateEiiiiii
           _ZN9CSortedLB16AppendItemAscendEPKc _ZN8CMonoMLE9GetBufferEv _Z23RegisterSpinButtonClassv
           _ZN14CPropertySheet10CreatePageEPKcP7CWindow _ZN12CTableWindow7SetLineEjjj _ZN9CNoteBook14GetCurrentPageEv
           _Z17BuildPageTemplateP6HWND__ _Z21RegisterVListBoxClassP11HINSTANCE__ _Z20RegisterROPopupClassP11HINSTANCE__)
    for exe in "${library_programs[@]}"; do
      names=$("$objdump" -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 | awk '{ print $NF }')
      for symbol in "${want[@]}"; do
        grep -qx "$symbol" <<<"$names" || fail "$(basename "$exe") does not export $symbol"
      done
      echo "$(basename "$exe"): $(grep -c '^_Z' <<<"$names") library symbols exported by name"
    done
    ;;
  language-imports)
    # Resource-only modules: no code, so nothing to import beyond KERNEL32.
    for module in ZLQMN_DT.DLL ZLQMN_FR.DLL; do
      [ -f "$bin/$module" ] || fail "$module was not built"
      dlls=$("$objdump" -p "$bin/$module" | awk '/DLL Name:/ { print $3 }')
      others=$(grep -vix KERNEL32.dll <<<"$dlls" || true)
      [ -z "$others" ] || fail "$module imports from $(echo $others)"
      echo "$module: imports ${dlls:-nothing}"
    done
    ;;
  *) fail "unknown check $check" ;;
esac
