#!/usr/bin/env bash
# Checks that a program is a 32-bit Windows GUI executable that imports only
# DLLs Windows itself carries.
set -euo pipefail
exe=${1:?executable}
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
grep -q 'Magic[[:space:]]*010b' <<<"$dump" || { echo "not a PE32 (32-bit) image"; fail=1; }
grep -q 'Subsystem[[:space:]]*00000002' <<<"$dump" || { echo "not a Windows GUI program"; fail=1; }
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comctl32.dll shlwapi.dll msvcrt.dll "
while read -r dll; do
  lower=$(tr 'A-Z' 'a-z' <<<"$dll")
  if [[ "$allowed" != *" $lower "* ]]; then echo "imports $dll, which is not one of Windows' own"; fail=1; fi
  echo "imports $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
exit $fail
