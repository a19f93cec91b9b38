#!/bin/bash
# `place CFG --window VCockpit01 vcaltpreselector 10 10 280` changes exactly
# one line, in a copy with LF line ends and in one with CRLF, and the line
# keeps the copy's line end.
#   place_vcockpit.sh PANELBENCH PANEL_CFG OUT_DIR MODULE
set -eu
bench=$1 cfg=$2 out=$3 module=$4
mkdir -p "$out"
tr -d '\r' < "$cfg" > "$out/lf.cfg"
sed 's/$/\r/' "$out/lf.cfg" > "$out/crlf.cfg"  # the file ends with a line end
for copy in lf crlf; do
    cp "$out/$copy.cfg" "$out/$copy.placed.cfg"
    "$bench" place "$out/$copy.placed.cfg" --window VCockpit01 vcaltpreselector 10 10 280 --module "$module"
    changed=$(diff "$out/$copy.cfg" "$out/$copy.placed.cfg" | grep -c '^[<>]' || true)
    [ "$changed" -eq 2 ] || { echo "FAIL: $copy copy: $changed lines differ, not one changed" >&2; exit 1; }
    now=$(diff "$out/$copy.cfg" "$out/$copy.placed.cfg" | sed -n 's/^> //p')
    end=lf; [[ $now == *$'\r' ]] && end=crlf
    [ "$end" = "$copy" ] || { echo "FAIL: the placed line ends in $end in the $copy copy" >&2; exit 1; }
    [[ $now == *vcaltpreselector,\ 10,\ 10,\ 280* ]] || { echo "FAIL: the placed line reads: $now" >&2; exit 1; }
done
echo "one line changed in both copies"
