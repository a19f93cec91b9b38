#!/usr/bin/env bash
# The test command: every stage runs whatever the others gave, and the run
# fails if any failed. At the end one line per stage gives its outcome and
# wall time, so the cost of each stays visible.
#   native      the native build and its tests (suite, scenarios, validator),
#               and the web build (WebAssembly, the page file) and its tests;
#               the real-browser test flies both pages
#   windows     the Windows build and its tests, all in one Wine session,
#               against dist/vmq_Tavok22ap.gau itself (run last: its Wine session
#               starts in the background at the beginning, see below)
#   sanitizers  the ASan/UBSan build and its tests; the server's tests built
#               with ThreadSanitizer
#   fuzzing     the libFuzzer build and a bounded pass of each target
# Expects the dependencies installed (make test installs them first).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-$(nproc)}
native=${NATIVE_BUILD:-build/native}
win32=${WIN32_BUILD:-build/win32}
web=${WEB_BUILD:-build/web}
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

# The Windows stage's Wine session starts first, in the background: making the
# prefix (first run only) and booting Wine's system processes take many
# minutes of emulated work, much of it waiting, which the other stages fill.
# It is ended on the way out, whatever happened.
mkdir -p "$win32"
win_prefix=$(realpath -m -- "$win32/wineprefix")
session_log=$(realpath -m -- "$win32/wine-session.log")
scripts/wine-session start "$win_prefix" >"$session_log" 2>&1 &
session_pid=$!
end_session() {
  kill "$session_pid" 2>/dev/null
  wait "$session_pid" 2>/dev/null
  scripts/wine-session end "$win_prefix" >/dev/null 2>&1
}
trap end_session EXIT
trap 'exit 130' INT TERM

# The web build comes before the native tests: the browser test flies its page file too.
native_stage() {
  make --no-print-directory web NATIVE_BUILD="$native" WEB_BUILD="$web" || return 1
  local status=0
  ctest --test-dir "$native" --output-on-failure -j "$jobs" || status=1
  ctest --test-dir "$web" --output-on-failure -j "$jobs" || status=1
  return $status
}
sanitizer_stage() {
  local status=0
  scripts/test-hardening.sh sanitizers || status=1
  scripts/test-threads.sh || status=1
  return $status
}
windows_stage() {
  make --no-print-directory win32 NATIVE_BUILD="$native" WIN32_BUILD="$win32" || return 1
  local started=0
  wait "$session_pid" || started=$?
  cat "$session_log"
  [ "$started" -eq 0 ] || return 1
  scripts/test-windows.sh "$win32"
}

stage native native_stage
stage sanitizers sanitizer_stage
stage fuzzing scripts/test-hardening.sh fuzzing
stage windows windows_stage

echo "==== wall time per stage ===="
printf '%s\n' "${summary[@]}"
exit $failed
