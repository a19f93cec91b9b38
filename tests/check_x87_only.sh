#!/usr/bin/env bash
# Checks that the gauge file runs on every i686-class processor, with or
# without SSE: its code holds no SSE or SSE2 instruction, and no MMX one
# (the first i686 processors had no MMX either).
#   check_x87_only.sh OBJDUMP GAUGE_FILE
# Fails naming each offending instruction with its address.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: check_x87_only.sh OBJDUMP GAUGE_FILE" >&2
  exit 2
fi
objdump=$1 gau=$2
dump=$("$objdump" -d --no-show-raw-insn "$gau")
grep -q '<.*>:$\|^[[:space:]]*[0-9a-f]\+:' <<<"$dump" || { echo "FAIL: no code disassembled from $gau" >&2; exit 1; }

# SSE and SSE2 registers (and their wider successors), the SSE control
# register, and the SSE instructions that work on MMX registers or on none.
sse_only='(ldmxcsr|stmxcsr|sfence|lfence|mfence|prefetch(nta|t0|t1|t2|w)?|movnt[a-z]*|maskmov[a-z]*|pshufw|pavg[bw]|pmin(ub|sw)|pmax(ub|sw)|psadbw|pextrw|pinsrw|pmovmskb|pmulhuw|clflush|emms|femms)'
found=$(grep -E "%[xyz]mm[0-9]|%mm[0-7]|[[:space:]]$sse_only([[:space:]]|$)" <<<"$dump" || true)
if [ -n "$found" ]; then
  echo "FAIL: $gau holds SSE or MMX instructions ($(wc -l <<<"$found") of them); the first:" >&2
  head -20 <<<"$found" >&2
  exit 1
fi
echo "$gau: x87 and integer code only, $(grep -c '^[[:space:]]*[0-9a-f]\+:' <<<"$dump") instructions"
