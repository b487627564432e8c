#!/usr/bin/env bash
# Builds with gcov instrumentation, runs the whole suite under Xvfb and prints line and branch coverage
# of the project's code (tests, benchmarks, fuzz targets and build-time tools excluded).
#   scripts/coverage.sh            -> build-cov/, summary on stdout, per-file table in build-cov/coverage.txt
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/ensure-packages.sh" gcovr
"$here/scripts/setup.sh" coverage
dir="$here/build-cov"
find "$dir" -name '*.gcda' -delete
# Notes of sources a target no longer builds (they moved to another target) would be merged with the
# current ones and stop gcovr: keep only those of objects the build still names.
python3 - "$dir" <<'PY'
import json, os, shlex, sys
build = sys.argv[1]
current = set()
for c in json.load(open(os.path.join(build, "compile_commands.json"))):
    words = shlex.split(c["command"])
    if "-o" in words:
        current.add(os.path.normpath(os.path.join(c["directory"], words[words.index("-o") + 1])))
for root, _, files in os.walk(build):
    for f in files:
        if f.endswith(".gcno") and os.path.abspath(os.path.join(root, f[:-5] + ".o")) not in current:
            os.remove(os.path.join(root, f))
PY
# Failing tests still leave their counts; the figures are what matters here, the suite's verdict is
# scripts/test.sh's.
xvfb-run -a -s "-screen 0 1600x1200x24" ctest --test-dir "$dir" -j 1 >"$dir/ctest.log" 2>&1 \
  || echo "coverage: some tests failed (see $dir/ctest.log)"
tail -n 3 "$dir/ctest.log"
# Branches the compiler adds for exceptions and that no source line shows are not counted.
cd "$here"
# desktop/ holds the icon renderer the build runs (its pictures are checked by the install test).
gcovr -r "$here" "$dir" --exclude "$here/tests/" --exclude "$here/bench/" --exclude "$here/fuzz/" --exclude "$here/desktop/" \
      --exclude "$dir/" --exclude-throw-branches --exclude-unreachable-branches \
      --txt "$dir/coverage.txt" --print-summary | tail -n 3
