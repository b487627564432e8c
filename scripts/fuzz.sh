#!/usr/bin/env bash
# Builds and runs the palette file reader's fuzz target (libFuzzer, clang, ASan + UBSan).
#   scripts/fuzz.sh [SECONDS]     default 60
# Output in build-fuzz/: the binary, corpus/ (seeded from files the palette writer produces) and
# any crash-* / leak-* / timeout-* reproducers.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
out="$here/build-fuzz"

packages=(clang libclang-rt-14-dev)
"$here/scripts/ensure-packages.sh" "${packages[@]}"

mkdir -p "$out/corpus"
flags=(-std=c++17 -O1 -g -I"$here")
clang++ "${flags[@]}" -o "$out/palette_seed" "$here/fuzz/palette_seed.cpp" "$here/dialogs/palette/PaletteFile.cpp"
"$out/palette_seed" "$out/corpus"
clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -o "$out/palette_reader_fuzz" "$here/fuzz/palette_reader_fuzz.cpp" "$here/dialogs/palette/PaletteFile.cpp"

cd "$out"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
./palette_reader_fuzz -max_total_time="$seconds" -max_len=16384 -print_final_stats=1 corpus
