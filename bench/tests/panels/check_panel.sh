#!/bin/bash
# One panel configuration of the corpus, section by section: each window and
# virtual-cockpit section renders, the scenario flies every gauge of ours it
# places, and `place` in it changes exactly one line, in the file as it is
# and in copies with LF and with CRLF line ends.
#   check_panel.sh PANELBENCH PANEL_CFG OUT_DIR SCENARIO MODULE SOUND_LIBRARY
set -u
bench=$1 cfg=$2 out=$3 fly=$4 module=$5 sound=$6
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
mkdir -p "$out"
folder=$(dirname "$cfg")

# FILE with CRLF line ends, a last line without one left so.
crlf() { if [ -z "$(tail -c 1 "$1")" ]; then sed 's/$/\r/' "$1"; else sed '$!s/$/\r/' "$1"; fi; }

# The section names the file gives, each once, in any case.
sections=$(tr -d '\r' < "$cfg" | sed -n 's/^[[:space:]]*\[[[:space:]]*\(\([Ww][Ii][Nn][Dd][Oo][Ww]\|[Vv][Cc][Oo][Cc][Kk][Pp][Ii][Tt]\)[0-9][0-9]*\)[[:space:]]*\].*/\1/p' | awk '!seen[tolower($0)]++')
[ -n "$sections" ] || fail "$cfg: no sections found"

# The gauge lines of ours in the first section of that name, by key (the first of a key counts).
ours_in() {
    tr -d '\r' < "$cfg" | awk -v want="$(echo "$1" | tr A-Z a-z)" '
        /^[[:space:]]*\[/ { s = tolower($0); gsub(/^[[:space:]]*\[[[:space:]]*|[[:space:]]*\].*$/, "", s)
                            inside = (s == want && !done[s]); if (s == want) done[s] = 1; next }
        inside && tolower($0) ~ /^[[:space:]]*gauge[0-9]+[[:space:]]*=[[:space:]]*vmq_tavok22ap[[:space:]]*[!.]/ {
            k = tolower($0); sub(/[[:space:]]*=.*/, "", k); gsub(/[[:space:]]/, "", k)
            if (!keys[k]++) { g = $0; sub(/^[^!.]*[!.][[:space:]]*/, "", g); sub(/[[:space:]]*,.*/, "", g); print tolower(g) } }'
}

# AFTER (the file after place) against BEFORE: one line changed, or one
# added. A line added after a last line without a line end gives that line
# the file's line end, and nothing else.
one_line() {
    local before=$1 after=$2 what=$3
    one_change "$before" "$after" && return
    if [ -n "$(tail -c 1 "$before")" ]; then
        cp "$before" "$out/ended.cfg"
        if head -1 "$before" | grep -q $'\r$'; then printf '\r\n'; else printf '\n'; fi >> "$out/ended.cfg"
        one_change "$out/ended.cfg" "$after" && return
    fi
    fail "$what: not one line changed or added: $(diff "$before" "$after" | grep -c '^[<>]') lines differ"
}
one_change() {
    [ "$(diff "$1" "$2" | grep -c '^<')" -le 1 ] && [ "$(diff "$1" "$2" | grep -c '^>')" -eq 1 ]
}

for section in $sections; do
    name=$(basename "$folder")-$section
    "$bench" render panel --panel "$cfg" --window "$section" --out "$out/$name.png" --module "$module" --sound "$sound" >/dev/null ||
        fail "$cfg [$section] does not render"
    expected=$(ours_in "$section" | wc -l)
    flown=$("$bench" run "$fly" --panel "$cfg" --window "$section" --out "$out/$name" --module "$module" --sound "$sound") ||
        fail "$cfg [$section]: the scenario does not fly"
    placed=$(echo "$flown" | grep -c '^ *[0-9.]*s  *place ')
    [ "$placed" -eq "$expected" ] || fail "$cfg [$section]: $placed gauges of ours placed, the section has $expected"

    # Copies with LF and with CRLF line ends.
    tr -d '\r' < "$cfg" > "$out/$name.lf.cfg"
    crlf "$out/$name.lf.cfg" > "$out/$name.crlf.cfg"
    first=$(ours_in "$section" | head -1)
    for gauge in vcaltpreselector ${first:-autopilot}; do
        for copy in "$cfg" "$out/$name.lf.cfg" "$out/$name.crlf.cfg"; do
            what="place $copy --window $section $gauge"
            "$bench" place "$copy" --window "$section" "$gauge" -7 10 280 --out "$out/$name.placed.cfg" --module "$module" >/dev/null ||
                { fail "$what is refused"; continue; }
            one_line "$copy" "$out/$name.placed.cfg" "$what"
            case $copy in
            *.lf.cfg) ! grep -q $'\r' "$out/$name.placed.cfg" || fail "$what: a CR in the LF copy" ;;
            *.crlf.cfg) [ "$(grep -vc $'\r$' "$copy")" = "$(grep -vc $'\r$' "$out/$name.placed.cfg")" ] ||
                fail "$what: a line without CR in the CRLF copy" ;;
            esac
        done
    done
done
exit $status
