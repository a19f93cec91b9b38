#!/usr/bin/env bash
# Checks the Windows gauge file from outside, as a loader would see it:
#   check_gau.sh OBJDUMP GAUGE_FILE BITMAPS_H
# - a 32-bit PE DLL (pei-i386, PE32), with no link time and no debug directory;
# - its export table names exactly ImportTable and Linkage;
# - it imports only DLLs that a stock Windows has (FSSound.dll is bound at
#   run time, never imported);
# - every bitmap id listed in BITMAPS_H is an RT_BITMAP resource in language
#   1033 and no other bitmap is there; a version resource in 1033 says
#   1,0,0,0 and "1.0.0".
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: check_gau.sh OBJDUMP GAUGE_FILE BITMAPS_H" >&2
  exit 2
fi
objdump=$1 gau=$2 bitmaps_h=$3
dump=$("$objdump" -p "$gau")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

grep -q 'file format pei-i386$' <<<"$dump" || fail "not a pei-i386 file"
grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" || fail "not PE32"
sed -n '/^Characteristics/,/^$/p' <<<"$dump" | grep -qx $'\tDLL' || fail "not marked as a DLL"

# Export names: the lines after "[Ordinal/Name Pointer] Table" up to a blank line.
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort | tr '\n' ' ')
[ "$exports" = "ImportTable Linkage " ] || fail "exports are '$exports', not exactly ImportTable and Linkage"

# No link time in the header and no debug directory (build-id): the same
# sources build to the same bytes.
grep -Eq $'^Time/Date\t+Thu Jan  1 00:00:00 1970$' <<<"$dump" || fail "the PE header carries a link time"
if grep -q 'There is a debug directory' <<<"$dump"; then fail "the file carries a debug directory"; fi

# Imports: only system DLLs.
system_dlls='^(kernel32|user32|gdi32|advapi32|msvcrt|ntdll|shell32|ole32|oleaut32|winmm|comctl32|comdlg32|version|ws2_32|shlwapi|rpcrt4)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
[ -n "$imports" ] || fail "no import table found"
while read -r dll; do
  [ -z "$dll" ] && continue
  grep -Eqi "$system_dlls" <<<"$dll" || fail "imports $dll, which a stock Windows does not have"
done <<<"$imports"

# Resources as type/id/language triples, from the nesting of the directory
# entries (type, name and language entries sit 3, 5 and 7 spaces in).
resources=$(awk '
  /^[0-9a-f]+ +Entry: ID: / {
    match($0, /^[0-9a-f]+ +/); depth = RLENGTH - length($1)
    id = $4; sub(/,$/, "", id)
    if (depth == 3) type = id
    else if (depth == 5) name = id
    else if (depth == 7) print type, name, id
  }' <<<"$dump" | while read -r type name lang; do echo $((type)) $((name)) $((lang)); done)
want=$(grep -oE '^[[:space:]]*BITMAP_[A-Z_]+ = [0-9]+,' "$bitmaps_h" | grep -oE '[0-9]+' | sort -n)
[ "$(wc -l <<<"$want")" -eq 31 ] || fail "expected 31 bitmap ids in $bitmaps_h"
have=$(awk '$1 == 2 && $3 == 1033 { print $2 }' <<<"$resources" | sort -n)
missing=$(comm -23 <(sed '/^$/d' <<<"$want" | sort) <(sed '/^$/d' <<<"$have" | sort) | tr '\n' ' ')
extra=$(comm -13 <(sed '/^$/d' <<<"$want" | sort) <(sed '/^$/d' <<<"$have" | sort) | tr '\n' ' ')
[ -z "$missing" ] || fail "bitmaps missing in language 1033: $missing"
[ -z "$extra" ] || fail "bitmaps not in the module's list: $extra"
other_lang=$(awk '$1 == 2 && $3 != 1033 { print $2 "/" $3 }' <<<"$resources" | tr '\n' ' ')
[ -z "$other_lang" ] || fail "bitmaps in another language: $other_lang"
awk '$1 == 16 && $3 == 1033' <<<"$resources" | grep -q . || fail "no version resource in language 1033"

# Version 1.0.0: the fixed file information (signature 0xFEEF04BD, then file
# and product version 1,0,0,0) and the texts "1.0.0" (file and product).
rsrc=$(mktemp)
trap 'rm -f "$rsrc"' EXIT
"${objdump%objdump}objcopy" -O binary --only-section=.rsrc "$gau" "$rsrc"
hex=$(od -An -v -tx1 "$rsrc" | tr -d ' \n')
grep -q 'bd04effe00000100''00000100''00000000''00000100''00000000' <<<"$hex" ||
  fail "the version resource does not say file and product version 1,0,0,0"
[ "$(grep -o '31002e0030002e0030000000' <<<"$hex" | wc -l)" -ge 2 ] ||
  fail "the version resource's texts do not say 1.0.0"

if [ "$failures" -ne 0 ]; then
  echo "$gau: $failures check(s) failed" >&2
  exit 1
fi
echo "$gau: PE32 i386 DLL; exports ImportTable, Linkage; imports $(tr '\n' ' ' <<<"$imports"); $(wc -l <<<"$have") bitmaps and version 1.0.0 in language 1033"
