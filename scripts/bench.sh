#!/usr/bin/env bash
# Sets everything up, then runs every benchmark in build/bench, the read benchmark first.
# Benchmarks that open windows run under Xvfb when there is no display.
#   scripts/bench.sh          (R3D_BENCH_DIR: where the read benchmark keeps its generated files)
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
status=0
for b in "${list[@]}"; do
  echo "== $(basename "$b")"
  "${run[@]}" "$b" || status=1
done
exit $status
