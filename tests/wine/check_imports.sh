#!/usr/bin/env bash
# check_imports.sh EXE - the import table names only DLLs that Windows loads from the system
# folder whatever folder the program runs from (the known DLLs). Anything else, the version
# library and the common controls among them, must be loaded by full path at run time.
set -euo pipefail
exe=${1:?usage: check_imports.sh EXE}
[ -f "$exe" ] || { echo "check_imports.sh: $exe: expected the built executable, found nothing" >&2; exit 1; }
known=" kernel32.dll user32.dll gdi32.dll shell32.dll msvcrt.dll advapi32.dll ole32.dll oleaut32.dll shlwapi.dll comdlg32.dll "
dump=$(objdump -p "$exe")
names=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
[ -n "$names" ] || { echo "check_imports.sh: $exe: expected an import table, objdump -p shows none" >&2; exit 1; }
status=0
for dll in $names; do
  case $known in
    *" $dll "*) ;;
    *) echo "check_imports.sh: $exe: expected only known DLLs in the import table, found $dll" >&2; status=1 ;;
  esac
done
# The entries that the binding forwards must not be imported under any DLL's name either.
for entry in VerInstallFileA InitCommonControlsEx InitCommonControls; do
  if printf '%s\n' "$dump" | grep -Eq "^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+$entry\$"; then
    echo "check_imports.sh: $exe: expected $entry to be bound at run time, found it in the import table" >&2; status=1
  fi
done
[ $status = 0 ] && echo "$exe: imports $(echo $names)"
exit $status
