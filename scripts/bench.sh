#!/usr/bin/env bash
# Sets everything up, then runs every benchmark in build/bench, the read benchmark first, and ends
# with one table of every goal the benchmarks checked: each prints a verdict as a line
# "RESULT<TAB>goal<TAB>measured<TAB>PASS|FAIL", gathered here from all of them.
# Benchmarks that open windows run under Xvfb when there is no display.
#   scripts/bench.sh          (R3D_BENCH_DIR: where the large generated rasters are kept)
# Exits non-zero when a benchmark failed to run or a goal was missed.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" release
bench_dir="$here/build/bench"
if [ ! -d "$bench_dir" ]; then
  echo "bench: no benchmarks built in $bench_dir" >&2
  exit 1
fi
run=()
if [ -z "${DISPLAY:-}" ]; then run=(xvfb-run -a -s "-screen 0 1280x1024x24"); fi
list=()
[ -x "$bench_dir/bench_read" ] && list+=("$bench_dir/bench_read")
for b in "$bench_dir"/bench_*; do
  [ -x "$b" ] && [ "$b" != "$bench_dir/bench_read" ] && list+=("$b")
done
results="$(mktemp)"
out="$(mktemp)"
trap 'rm -f "$results" "$out"' EXIT
status=0
for b in "${list[@]}"; do
  name="$(basename "$b")"
  echo "== $name"
  # Output goes to the terminal as it comes; the verdict lines are also kept, tagged by benchmark.
  "${run[@]}" "$b" | tee "$out" || status=1
  awk -F'\t' -v n="$name" '$1 == "RESULT" { print n "\t" $2 "\t" $3 "\t" $4 }' "$out" >>"$results"
done
echo
echo "== goals"
if [ -s "$results" ]; then
  awk -F'\t' '
    { rows[NR] = $0; for (i = 1; i <= 4; ++i) if (length($i) > w[i]) w[i] = length($i) }
    END {
      fmt = "%-" w[1] "s  %-" w[2] "s  %" w[3] "s  %s\n"
      printf fmt, "benchmark", "goal", "measured", "verdict"
      for (r = 1; r <= NR; ++r) { split(rows[r], f, "\t"); printf fmt, f[1], f[2], f[3], f[4] }
    }' "$results"
  if grep -q $'\tFAIL$' "$results"; then status=1; fi
else
  echo "(no benchmark printed a goal)"
fi
exit $status
