#!/usr/bin/env bash
# Builds the gauge file a second time, in a build folder of its own from the
# same sources and bitmaps, and checks that both files are the same bytes:
#   check_reproducible.sh SOURCE_DIR BITMAP_FOLDER GAUGE_FILE SCRATCH_DIR
# The second build lies in another folder than the first, so a build path,
# a link time or any other value that differs between builds shows as a
# different SHA-256. Also checks that neither folder's path is in the file.
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: check_reproducible.sh SOURCE_DIR BITMAP_FOLDER GAUGE_FILE SCRATCH_DIR" >&2
  exit 2
fi
source_dir=$1 bitmaps=$2 first=$3 scratch=$4
again=$scratch/build

rm -rf "$scratch"
mkdir -p "$scratch"
cmake -S "$source_dir" -B "$again" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
  -DBITMAP_FOLDER="$bitmaps" -DDIST_DIR="$scratch/dist" >/dev/null
cmake --build "$again" --target vmq_Tavok22ap -j "${JOBS:-2}" >/dev/null
second=$scratch/dist/vmq_Tavok22ap.gau

sum() { sha256sum "$1" | cut -d' ' -f1; }
echo "first:  $(sum "$first")  $first"
echo "second: $(sum "$second")  $second"
status=0
if [ "$(sum "$first")" != "$(sum "$second")" ]; then
  echo "FAIL: the two builds differ:" >&2
  cmp -l "$first" "$second" | head -20 >&2 || true
  status=1
fi
for path in "$source_dir" "$(dirname "$first")" "$again"; do
  if grep -aqF "$path" "$first" "$second"; then
    echo "FAIL: the gauge file holds the path $path" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "the gauge file builds to the same bytes"
exit $status
