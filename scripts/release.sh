#!/usr/bin/env bash
# Packs the release from what the builds left in dist/:
#   dist/vmq_Tavok22ap-VERSION.zip holding
#     vmq_Tavok22ap.gau          the gauge file (Windows build)
#     panelbench.exe             the Windows panel bench, stripped: validate,
#                                run and place on the user's own machine; it
#                                carries the stand-in sound library inside
#                                itself, so no file named FSSound.dll is ever
#                                packed (one could be copied over the
#                                simulator's own)
#     INSTALL.md                 release/INSTALL.md
#     try-in-browser.html        the gauges in a browser, one file (web build)
#     DSEG-LICENSE.txt           the licence of the read-out typefaces that file carries
#     pictures/GAUGE.png         each gauge drawn by the native panel bench
#     example_panel/             the example aircraft panel and its pictures (native build)
#     SHA256SUMS                 the SHA-256 of each file above
# The zip's bytes depend only on those files (scripts/release_zip.py). The
# last two lines printed are the SHA-256 of the gauge file and of the zip.
#   release.sh [OUT_DIR]   the zip in OUT_DIR (default dist/), its files
#                          gathered in OUT_DIR/stage (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$root/dist
out=$(realpath -m -- "${1:-$dist}")
gau=$dist/vmq_Tavok22ap.gau
exe=$dist/win32/panelbench.exe
strip=${MINGW_STRIP:-i686-w64-mingw32-strip}
bench=$dist/panelbench
page=$dist/try-in-browser.html
example=$dist/example_panel
for needed in "$gau" "$exe" "$bench" "$page" "$example/panel.cfg" "$example/main_panel.bmp" "$example/stack_panel.bmp"; do
  if [ ! -f "$needed" ]; then
    echo "release: $needed is missing (make build makes it)" >&2
    exit 1
  fi
done
version=$(sed -n 's/.*VALUE "ProductVersion", "\([0-9.]*\)\\0".*/\1/p' "$root/resources/version.rc")
if [ -z "$version" ]; then
  echo "release: no ProductVersion in resources/version.rc" >&2
  exit 1
fi
name=vmq_Tavok22ap-$version
if [ $# -ge 1 ]; then stage=$out/stage/$name; else stage=$root/build/release/$name; fi
zip=$out/$name.zip
mkdir -p "$out"

rm -rf "$stage"
mkdir -p "$stage/pictures"
cp "$gau" "$stage/"
# Stripped with the time stamp the link left (0), or SOURCE_DATE_EPOCH:
# strip would otherwise write the time of day into the PE header.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-0} "$strip" -o "$stage/panelbench.exe" "$exe"
cp "$root/release/INSTALL.md" "$stage/"
cp "$page" "$stage/"
cp /usr/share/doc/fonts-dseg/copyright "$stage/DSEG-LICENSE.txt"
mkdir -p "$stage/example_panel"
cp "$example/panel.cfg" "$example/main_panel.bmp" "$example/stack_panel.bmp" "$stage/example_panel/"
# The pictures show a climb: autopilot engaged in HDG, the flight director
# on, 4500 ft and climbing at 500 ft/min (token units: 1/256 m/s) with
# 8000 ft selected.
state=(--set ap_master=1 --set ap_hdg=1 --set ap_fd=1 --set altitude=4500 --set vertical_speed=650.24
  --set ap_alt_ref=8000 --set ap_vs_ref=500 --set baro=29.92)
for gauge in $("$bench" gauges); do
  "$bench" render "$gauge" --out "$stage/pictures/$gauge.png" "${state[@]}" >/dev/null
done
# Every picture INSTALL.md shows is in the zip, and every picture in the zip is shown.
shown=$(grep -o 'pictures/[a-z]*\.png' "$stage/INSTALL.md" | sort -u)
packed=$(cd "$stage" && ls pictures/*.png | sort)
if [ "$shown" != "$packed" ]; then
  echo "release: INSTALL.md shows [$shown] but the pictures are [$packed]" >&2
  exit 1
fi
# Never a file named FSSound.dll, in any case: a user could copy it over the
# simulator's own sound library.
if [ -n "$(find "$stage" -iname fssound.dll)" ]; then
  echo "release: refusing to pack a file named FSSound.dll: $(find "$stage" -iname fssound.dll)" >&2
  exit 1
fi
(cd "$stage" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
/usr/bin/python3 "$root/scripts/release_zip.py" "$zip" "$stage"

echo "release: $zip (try-in-browser.html: $(stat -c %s "$page") bytes, panelbench.exe: $(stat -c %s "$stage/panelbench.exe") bytes)"
(cd "$root" && sha256sum "dist/vmq_Tavok22ap.gau" "$(realpath --relative-to="$root" "$zip")")
