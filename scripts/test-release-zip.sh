#!/usr/bin/env bash
# The release zip as a simmer gets it, tried under Wine (a test of the
# Windows stage): packed from dist/ by scripts/release.sh into WORK, checked,
# unpacked into WORK/unpacked, and the three commands INSTALL.md shows run
# with the panelbench.exe unpacked there and nothing else present:
#   validate   the gauge file copied to WORK/installed/Gauges, as installed,
#   run        a scenario against that gauge file (its `expect chimes` lines
#              need the stand-in sound library reached by the module),
#   place      a gauge into a copy of the example panel, written back in place.
# Beside the installed gauge file, in the folder the programs run in, lies a
# file named FSSound.dll that is no library: had a program or the module
# looked for the sound library on the search path, validate would fail to
# load it and the scenario's chimes would stay silent.
#   test-release-zip.sh WORK WINE_PREFIX OBJDUMP
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: test-release-zip.sh WORK WINE_PREFIX OBJDUMP" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(realpath -m -- "$1")
prefix=$2
objdump=$3
session=$root/scripts/wine-session

fail() {
  echo "release zip: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
"$root/scripts/release.sh" "$work" >"$work/release.log" 2>&1 || { cat "$work/release.log"; fail "packing failed"; }
zip=$(ls "$work"/vmq_Tavok22ap-*.zip)
echo "packed $zip"

# What the zip holds: panelbench.exe, and never a file named FSSound.dll in
# any case or folder.
listing=$(/usr/bin/python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
grep -qx panelbench.exe <<<"$listing" || fail "no panelbench.exe in the zip"
if named=$(grep -i -E '(^|/)fssound\.dll$' <<<"$listing"); then fail "the zip holds $named"; fi

unpacked=$work/unpacked
/usr/bin/python3 -m zipfile -e "$zip" "$unpacked"
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) || fail "the unpacked files do not match SHA256SUMS"
exe=$unpacked/panelbench.exe
if "$objdump" -f "$exe" | grep -q HAS_SYMS || "$objdump" -h "$exe" | grep -q '\.debug'; then
  fail "panelbench.exe is not stripped"
fi
echo "panelbench.exe: $(stat -c %s "$exe") bytes, stripped"

gauges=$work/installed/Gauges
panel=$work/installed/panel
mkdir -p "$gauges" "$panel"
cp "$unpacked/vmq_Tavok22ap.gau" "$gauges/"
echo "not a library" >"$gauges/FSSound.dll"
cp "$unpacked/example_panel/panel.cfg" "$panel/"

run() { "$session" run "$prefix" "$exe" "$@"; }

echo "== panelbench.exe validate vmq_Tavok22ap.gau"
(cd "$gauges" && run validate vmq_Tavok22ap.gau) >"$work/validate.log" 2>&1 || {
  cat "$work/validate.log"
  fail "validate did not pass"
}
tail -n 1 "$work/validate.log"

echo "== panelbench.exe run default.pbs --module vmq_Tavok22ap.gau --no-snapshots"
(cd "$gauges" && run run "Z:$root/scenarios/default.pbs" --module vmq_Tavok22ap.gau --no-snapshots) \
  >"$work/run.log" 2>&1 || {
  cat "$work/run.log"
  fail "the scenario did not pass"
}
tail -n 1 "$work/run.log"

echo "== panelbench.exe place panel.cfg --window 1 autopilot 12 34 500"
(cd "$panel" && run place panel.cfg --window 1 autopilot 12 34 500) >"$work/place.log" 2>&1 || {
  cat "$work/place.log"
  fail "place failed"
}
cat "$work/place.log"
changed=$(diff "$unpacked/example_panel/panel.cfg" "$panel/panel.cfg" | grep '^[<>]' || true)
expected="< gauge00=vmq_Tavok22ap!autopilot,      20,  30, 500
> gauge00=vmq_Tavok22ap!autopilot,      12,  34, 500"
[ "$changed" = "$expected" ] || fail "place changed other than the autopilot's line: $changed"
[ -z "$(find "$panel" -mindepth 1 ! -name panel.cfg)" ] || fail "place left files behind: $(ls "$panel")"
echo "release zip: passed"
