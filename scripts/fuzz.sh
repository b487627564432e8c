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
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "fuzz: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then SUDO="sudo -n"; else
      echo "fuzz: missing packages and not root: ${missing[*]}" >&2; exit 1; fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

mkdir -p "$out/corpus"
flags=(-std=c++17 -O1 -g -I"$here")
clang++ "${flags[@]}" -o "$out/palette_seed" "$here/fuzz/palette_seed.cpp" "$here/dialogs/palette/PaletteFile.cpp"
"$out/palette_seed" "$out/corpus"
clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -o "$out/palette_reader_fuzz" "$here/fuzz/palette_reader_fuzz.cpp" "$here/dialogs/palette/PaletteFile.cpp"

cd "$out"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
./palette_reader_fuzz -max_total_time="$seconds" -max_len=16384 -print_final_stats=1 corpus
