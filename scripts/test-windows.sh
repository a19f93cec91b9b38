#!/usr/bin/env bash
# The Windows tests of a built Windows build folder, in one Wine session:
# started before the first test (the prefix made first if missing) and ended
# after the last, pass, fail or interruption, leaving no Wine process behind.
#   test-windows.sh [BUILD_DIR]      (default build/win32)
# Among them wine.release_zip tries the release zip as a simmer gets it
# (scripts/test-release-zip.sh): it packs the zip from dist/, so the native
# and web builds must be there (make test builds them in its first stage).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m -- "${1:-$root/build/win32}")
prefix=$build/wineprefix
session=$root/scripts/wine-session

trap '"$session" end "$prefix"' EXIT
trap 'exit 130' INT TERM
"$session" start "$prefix" "$build/tests/wine/wine_session_keeper.exe" || exit 1
# The tests' own fixture finds the Wine session up and ends it after the last test;
# the trap above ends it too if ctest itself is interrupted.
ctest --test-dir "$build" --output-on-failure -j "${JOBS:-$(nproc)}"
