#!/usr/bin/env bash
# The test command: every stage runs whatever the others gave, and the run
# fails if any failed. At the end one line per stage gives its outcome and
# wall time, so the cost of each stays visible.
#   native      the native build and its tests (suite, scenarios, validator)
#   windows     the Windows build and its tests, all in one Wine session,
#               against dist/vmq_Tavok22ap.gau itself
#   sanitizers  the ASan/UBSan build and its tests
#   fuzzing     the libFuzzer build and a bounded pass of each target
# Expects the dependencies installed (make test installs them first).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-$(nproc)}
native=${NATIVE_BUILD:-build/native}
win32=${WIN32_BUILD:-build/win32}
export JOBS=$jobs

summary=()
failed=0
stage() {
  local name=$1
  shift
  echo "==== $name ===="
  local began=$SECONDS outcome=passed
  "$@" || { outcome=FAILED; failed=1; }
  local took=$((SECONDS - began))
  summary+=("$(printf 'stage %-10s %-6s %4d s (%dm%02ds)' "$name" "$outcome" "$took" $((took / 60)) $((took % 60)))")
}

native_stage() {
  make --no-print-directory native NATIVE_BUILD="$native" && ctest --test-dir "$native" --output-on-failure -j "$jobs"
}
windows_stage() {
  make --no-print-directory win32 NATIVE_BUILD="$native" WIN32_BUILD="$win32" && scripts/test-windows.sh "$win32"
}

stage native native_stage
stage windows windows_stage
stage sanitizers scripts/test-hardening.sh sanitizers
stage fuzzing scripts/test-hardening.sh fuzzing

echo "==== wall time per stage ===="
printf '%s\n' "${summary[@]}"
exit $failed
