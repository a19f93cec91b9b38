#!/bin/sh
# The checked stages of the test command:
#  1. the module, the host, the sound stand-in, the test suite and the panel
#     bench built with AddressSanitizer and UndefinedBehaviorSanitizer (any
#     report fatal), and their tests run against the checked module;
#  2. the fuzz targets (the module through the host; the host's reading of
#     bitmap resources; the bench's readers of panel configurations and
#     scenario scripts; the server's request handling) built with clang's
#     libFuzzer and the same sanitizers,
#     and a bounded pass of each over its checked-in seeds (fixed seed and
#     number of runs).
# Build folders: build/asan and build/fuzz (or under $HARDENING_BUILD).
#   test-hardening.sh [sanitizers|fuzzing|all]     (default all)
set -eu
what=${1:-all}
case $what in
  sanitizers|fuzzing|all) ;;
  *) echo "usage: test-hardening.sh [sanitizers|fuzzing|all]" >&2; exit 2 ;;
esac
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
build=${HARDENING_BUILD:-$root/build}
jobs=${JOBS:-$(nproc)}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}

sanitizers() {
  echo "== sanitizer build: ASan + UBSan"
  # The browser test flies the page file of the plain build's web build.
  cmake -C "$root/hardening/sanitize.cmake" -S "$root" -B "$build/asan" -DDIST_DIR="$build/asan/dist" \
    -DPAGE_FILE="$root/dist/try-in-browser.html" >/dev/null
  cmake --build "$build/asan" -j "$jobs"
  # The validator's own tests are not built here (bench/validate/CMakeLists.txt).
  ctest --test-dir "$build/asan" --output-on-failure
}

fuzzing() {
  echo "== fuzzing build: libFuzzer + ASan + UBSan"
  cmake -C "$root/hardening/fuzz.cmake" -S "$root" -B "$build/fuzz" -DDIST_DIR="$build/fuzz/dist" >/dev/null
  cmake --build "$build/fuzz" -j "$jobs" --target panel_fuzz bitmap_fuzz
  # The bench's readers (panel configurations, scenario scripts).
  cmake --build "$build/fuzz" -j "$jobs" --target panel_config_fuzz script_fuzz
  # Background pictures and the panel writer.
  cmake --build "$build/fuzz" -j "$jobs" --target bmp_fuzz panel_writer_fuzz
  # The validator's checks of a gauge file's own headers.
  cmake --build "$build/fuzz" -j "$jobs" --target pe_fuzz
  # The server's request handling, with the simulation behind it.
  cmake --build "$build/fuzz" -j "$jobs" --target serve_fuzz
  ctest --test-dir "$build/fuzz" --output-on-failure -R '^hardening\.'
}

case $what in
  sanitizers) sanitizers ;;
  fuzzing) fuzzing ;;
  all) sanitizers; fuzzing ;;
esac
