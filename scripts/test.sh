#!/usr/bin/env bash
# Sets everything up and passes the tests: the whole suite under Xvfb, then again in an
# AddressSanitizer + UBSan build.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
xvfb=(xvfb-run -a -s "-screen 0 1600x1200x24")

"$here/scripts/setup.sh" release
echo "== tests (release build)"
"${xvfb[@]}" ctest --test-dir "$here/build" --output-on-failure -j 1

"$here/scripts/setup.sh" asan
echo "== tests (AddressSanitizer + UBSan)"
# Leak checking is off: GTK, fontconfig and Mesa keep process-lifetime allocations.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"${xvfb[@]}" ctest --test-dir "$here/build-asan" --output-on-failure -j 1

# Fuzz targets: each runs briefly from its committed seed corpus, so a regression in a parser or a
# loader fails here (scripts/fuzz.sh; reproducers land in build-fuzz/).
echo "== fuzz targets (30 s each)"
"$here/scripts/fuzz.sh" 30
