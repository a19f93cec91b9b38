#!/bin/sh
# panelbench validate, natively, on a gauge file whose start routine never
# returns, checked by the Windows validator under Wine: the file fails within
# the time limit on a line naming the call, and no process of the validator
# is left; and panelbench killed outright while the validator runs leaves
# none either.
#   check_loop.sh PANELBENCH VALIDATE_EXE GAUGE_FILE WINEPREFIX
set -u
panelbench=$1 validator=$2 gauge=$3 prefix=$4
export WINEPREFIX="$prefix" WINEDEBUG=-all PANELBENCH_WIN32_VALIDATOR="$validator"
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "check_loop: $*" >&2; exit 1; }

# The validator's processes in this prefix checking this gauge file (Wine
# names a Windows process by its command line), not other tests' at once.
name=$(basename "$gauge")
validators() {
  for pid in $(pgrep -f "validate\.exe.*$name"); do
    [ "$pid" = $$ ] && continue
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" || continue
    grep -q 'check_loop' "/proc/$pid/cmdline" 2>/dev/null && continue
    echo "$pid"
  done
}
none_left_within() {
  i=0
  while [ -n "$(validators)" ]; do
    i=$((i + 1))
    [ "$i" -gt $(($1 * 10)) ] && return 1
    sleep 0.1
  done
  return 0
}

start=$(date +%s)
out=$("$panelbench" validate --time-limit 1 "$gauge" 2>&1)
status=$?
took=$(($(date +%s) - start))
echo "$out"
[ "$status" = 1 ] || fail "status $status, not 1"
echo "$out" | grep -q "FAIL (module) load: loading the module and calling its start routine: the call did not return within 1 s" ||
  fail "no FAIL line naming the start routine"
echo "$out" | grep -q "VALIDATION FAILED" || fail "no verdict"
[ "$took" -lt 60 ] || fail "took $took s"
none_left_within 3 || fail "validator processes left: $(validators)"

"$panelbench" validate --time-limit 600 "$gauge" >/dev/null 2>&1 &
bench=$!
i=0
while [ -z "$(validators)" ]; do
  i=$((i + 1))
  [ "$i" -gt 600 ] && { kill -KILL "$bench"; fail "the validator never started"; }
  sleep 0.1
done
sleep 1
kill -KILL "$bench"
wait "$bench" 2>/dev/null
none_left_within 5 || fail "panelbench killed, validator processes left: $(validators)"
echo "check_loop: the looping gauge file failed in $took s; no validator process is left"
