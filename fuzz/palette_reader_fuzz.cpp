// libFuzzer target: the palette file reader on arbitrary bytes. A refused file must leave the output
// untouched; an accepted one must hold ranges within 0..255 and colour words without a top byte, and
// must survive being written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "colour/PaletteFile.h"

using lib3d::palette::PaletteFileData;
using lib3d::palette::ReadError;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  PaletteFileData out;
  out.inMin = -7;
  out.palette.fill(0xDEADBEEF);
  const ReadError e = lib3d::palette::read_palette_file(text, out);
  if (e != ReadError::None) {
    if (out.inMin != -7 || out.palette[0] != 0xDEADBEEF) std::abort();
    return 0;
  }
  for (int v : {out.inMin, out.inMax, out.outMin, out.outMax})
    if (v < 0 || v > 255) std::abort();
  for (std::uint32_t c : out.palette)
    if (c >> 24) std::abort();
  PaletteFileData again;
  if (lib3d::palette::read_palette_file(lib3d::palette::format_palette_file(out), again) != ReadError::None)
    std::abort();
  if (again.palette != out.palette || again.inMin != out.inMin || again.outMax != out.outMax) std::abort();
  return 0;
}
