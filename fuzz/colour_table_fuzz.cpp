// libFuzzer target: both colour table readers on arbitrary bytes (the first byte picks gdaldem's or
// GMT's). A refused table must leave the output untouched and name a problem; an accepted one must
// give colour words without a top byte at any range, and its palette written in either format must
// read back within a level of it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "colour/ColourTable.h"

using namespace lib3d::palette;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const TableFormat format = data[0] & 1 ? TableFormat::Cpt : TableFormat::Gdaldem;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  ColourTable table;
  table.stops.resize(3);
  TableError error;
  if (!read_colour_table(text, format, table, error)) {
    if (table.stops.size() != 3 || error.problem == TableProblem::None || describe(error).empty()) std::abort();
    return 0;
  }
  if (table.stops.empty()) std::abort();
  for (const auto& range : {std::make_pair(-100.0, 2500.0), std::make_pair(5.0, 5.0), std::make_pair(0.0, 1e-3)}) {
    const PaletteFileData p = to_palette(table, range.first, range.second);
    for (std::uint32_t c : p.palette)
      if (c >> 24) std::abort();
    for (TableFormat f : {TableFormat::Gdaldem, TableFormat::Cpt}) {
      const std::string written = f == TableFormat::Cpt ? format_cpt(p.palette, range.first, range.second, table.noData)
                                                        : format_gdaldem(p.palette, range.first, range.second, table.noData);
      ColourTable back;
      if (!read_colour_table(written, f, back, error) || back.noData != table.noData) std::abort();
      const PaletteFileData again = to_palette(back, range.first, range.second);
      for (int i = 0; i < 256; ++i)
        for (int shift : {0, 8, 16})
          if (std::abs(int(again.palette[i] >> shift & 0xFF) - int(p.palette[i] >> shift & 0xFF)) > 1) std::abort();
    }
  }
  return 0;
}
