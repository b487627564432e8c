#!/usr/bin/env bash
# Builds every fuzz target fuzz/<name>_fuzz.cpp (clang, libFuzzer, ASan + UBSan) and runs each from
# its committed seed corpus fuzz/corpus/<name>_fuzz/ for SECONDS (default 60).
#   scripts/fuzz.sh [SECONDS] [TARGET...]              all targets, or the named ones
#   FUZZ_ARGS="-runs=10000000" scripts/fuzz.sh 0 T     extra libFuzzer options (a long run)
# Output in build-fuzz/: the binaries, corpus/<target>/ (the seeds plus what the run found) and any
# crash-* / leak-* / timeout-* reproducers. Exits non-zero when a target finds anything.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
shift || true
out="$here/build-fuzz"

packages=(clang libclang-rt-14-dev libgdal-dev libwxgtk3.2-dev)
"$here/scripts/ensure-packages.sh" "${packages[@]}"

# The sources each target is built from, besides its own file; a new target gets a line here.
declare -A sources=(
  [palette_reader_fuzz]="colour/PaletteFile.cpp colour/PaletteLogic.cpp colour/BasePalettes.cpp"
  [palette_roundtrip_fuzz]="colour/PaletteFile.cpp colour/PaletteLogic.cpp colour/BasePalettes.cpp"
  [colour_table_fuzz]="colour/ColourTable.cpp colour/PaletteFile.cpp colour/PaletteLogic.cpp colour/BasePalettes.cpp"
  [open_factors_fuzz]="dialogs/open/OpenDlgLogic.cpp host/common/Resources.cpp terrain/MemoryFit.cpp"
  [raster_load_fuzz]="terrain/Loading.cpp terrain/MemoryFit.cpp terrain/RasterProblem.cpp host/common/FileLayer.cpp
                      host/common/TiffLayout.cpp host/common/WorkShare.cpp"
  [command_line_fuzz]="host/app/CommandLine.cpp"
)
declare -A libs=(
  [open_factors_fuzz]="$(wx-config --cxxflags) $(wx-config --libs core,base)"
  [raster_load_fuzz]="$(gdal-config --cflags) $(gdal-config --libs)"
)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$here"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

mkdir -p "$out"
flags=(-std=c++17 -O1 -g -I"$here" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
# The targets build side by side; the runs below are one at a time.
builds=()
for t in "${targets[@]}"; do
  if [ -z "${sources[$t]+x}" ]; then echo "fuzz: $t has no source list in scripts/fuzz.sh" >&2; exit 2; fi
  src=()
  for s in ${sources[$t]}; do src+=("$here/$s"); done
  # shellcheck disable=SC2086  # the library flags are word lists
  clang++ "${flags[@]}" -o "$out/$t" "$here/fuzz/$t.cpp" "${src[@]}" ${libs[$t]:-} &
  builds+=($!)
done
for b in "${builds[@]}"; do wait "$b"; done

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export GDAL_PAM_ENABLED=NO
status=0
for t in "${targets[@]}"; do
  corpus="$out/corpus/$t"
  mkdir -p "$corpus"
  cp -n "$here/fuzz/corpus/$t"/* "$corpus/" 2>/dev/null || true
  echo "== $t (${seconds}s)"
  # -timeout (one input) only catches hangs: a busy machine runs an input many times slower.
  # shellcheck disable=SC2086
  if ! (cd "$out" && "./$t" -max_total_time="$seconds" -max_len=16384 -timeout=120 -rss_limit_mb=2048 \
          -print_final_stats=1 ${FUZZ_ARGS:-} "$corpus" 2>"$out/$t.log"); then
    echo "fuzz: $t failed, see $out/$t.log" >&2
    tail -n 40 "$out/$t.log" >&2
    status=1
  fi
  grep -E "^(Done|stat::number_of_executed_units|#[0-9]+ +DONE)" "$out/$t.log" | tail -n 2 || true
done
exit $status
