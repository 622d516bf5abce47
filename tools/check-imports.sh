#!/usr/bin/env bash
# Checks that a program is a 32-bit Windows GUI executable whose every import is
# on the checked-in list, that the list allows nothing newer than Windows 98 and
# Windows 2000, and that Windows 95 and NT 4 can load it (to refuse themselves):
# NT 4 exports every import, a plain Windows 95 all but msvcrt.dll's. Given the
# link map, also checks the code for instructions beyond the Pentium's.
#   check-imports.sh EXE LIST [MAP]
set -euo pipefail
exe=${1:?executable}; list=${2:?import list}; map=${3:-}
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
grep -q 'Magic[[:space:]]*010b' <<<"$dump" || { echo "not a PE32 (32-bit) image"; fail=1; }
grep -q 'Subsystem[[:space:]]*00000002' <<<"$dump" || { echo "not a Windows GUI program"; fail=1; }
if grep -qE '^[[:space:]]*[0-9]+ \.debug' <<<"$(i686-w64-mingw32-objdump -h "$exe")"; then
  echo "carries debug sections: the shipped program is stripped"; fail=1
fi

# The list's rows: "dll function 9x nt", DLL names in lower case.
bad=$(awk '!/^#/ && NF {
  if (NF != 4 || $3 !~ /^(95|98|stub)$/ || $4 !~ /^(3\.1|3\.5|3\.51|4\.0|2000)$/) print "  " $0 }' "$list")
[ -z "$bad" ] || { echo "rows of $list that allow a newer Windows or are malformed:"; echo "$bad"; fail=1; }
allowed=$(awk '!/^#/ && NF { print tolower($1) " " $2 }' "$list" | sort -u)

# The exe's imports, one "dll function" per line (by-name imports; an import by
# ordinal alone shows as "<none>").
imports=$(awk '/DLL Name:/ { dll = tolower($3); next }
  /^[[:space:]]*$/ { dll = "" }
  /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]/ && dll { print dll " " $NF }' <<<"$dump" | sort -u)
[ -n "$imports" ] || { echo "no imports read from $exe"; fail=1; }
missing=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [ -n "$missing" ]; then
  echo "imports not on $list (add each with the oldest Windows that exports it, or look it up at run time):"
  sed 's/^/  /' <<<"$missing"
  fail=1
fi
echo "$(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')"

# What the oldest systems lack, by the list's rows for the imports.
lacking=$(awk 'NR == FNR { want[$0] = 1; next }
  !/^#/ && NF == 4 && (tolower($1) " " $2) in want {
    if ($4 == "2000") print "  NT 4 lacks " $1 " " $2
    if ($3 == "98" && tolower($1) != "msvcrt.dll") print "  Windows 95 lacks " $1 " " $2
  }' <(echo "$imports") "$list")
if [ -n "$lacking" ]; then
  echo "imports that keep Windows 95 or NT 4 from loading the program (look them up at run time):"
  echo "$lacking"
  fail=1
fi

if [ -n "$map" ]; then
  "$(dirname "$0")/check-instructions.sh" "$exe" "$map" || fail=1
fi
exit $fail
