#pragma once
// Colour tables of GIS tools: the text `gdaldem color-relief` reads ("height R G B [A]" lines) and
// GMT's colour palette tables (*.cpt, "z0 colour z1 colour" slices). Either is read into one
// ColourTable of heights and colours, which becomes the viewer's 256-entry palette only once the
// relief's height range is known: entry i stands for height min + i * (max - min) / 255. No toolkit.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "colour/PaletteFile.h"

namespace lib3d {
namespace palette {

// Which reader and writer a path takes, from its extension alone (letter case aside): ".pal" the
// palette editor's own files, ".cpt" GMT, anything else (.txt, .clr, none) gdaldem's text.
enum class TableFormat { Palette, Gdaldem, Cpt };
TableFormat format_of_path(const std::string& path);

struct ColourStop {
  double value = 0;      // a height, or a percentage of the relief's range when `percent`
  bool percent = false;  // gdaldem's "50%"
  std::uint32_t colour = 0;  // 0x00BBGGRR; an alpha given in the file is read and dropped
};

struct ColourTable {
  TableFormat format = TableFormat::Gdaldem;
  // In file order; a cpt slice gives two stops, so that a colour jump between slices is two stops
  // at one height.
  std::vector<ColourStop> stops;
  // GMT's B and F: the colours below and above the table. Without them the end colours continue,
  // as gdaldem clamps (GMT itself would fall back to its black and white defaults).
  std::optional<std::uint32_t> below, above;
  // gdaldem's "nv", GMT's N. Holes are not drawn, so this colour colours nothing in the view; it is
  // kept so that a table saved again still holds it.
  std::optional<std::uint32_t> noData;
};

// Why a table was refused; `line` is 1-based, 0 for the file as a whole.
enum class TableProblem {
  None,
  Unreadable,        // the file could not be opened or read (`system` says why)
  NotRegularFile,
  TooLarge,          // beyond kMaxPaletteFileBytes
  ExpectedEntry,     // gdaldem: not "height R G B [A]" or "height name"
  BadHeight,         // not a number, "nv" or a percentage
  BadColourValue,    // a colour component outside 0..255 or not a number
  BadHsv,            // hue outside 0..360, saturation or value outside 0..1
  UnknownColourName,
  ExpectedSlice,     // cpt: not "z0 colour z1 colour"
  DescendingSlice,   // cpt: z1 below z0
  UnsupportedModel,  // cpt: a COLOR_MODEL other than RGB or HSV
  NoEntries,         // nothing but comments, blank lines and no-data or background colours
};

struct TableError {
  TableProblem problem = TableProblem::None;
  int line = 0;
  std::string system;  // strerror's text for Unreadable
};

// The reason alone, in English ("expected a height and three colour values").
std::string problem_text(TableProblem problem);
// "line 7: expected a height and three colour values" (without "line" for the whole file).
std::string describe(const TableError& error);

// Reads a table's text in `format` (Gdaldem or Cpt). gdaldem's fields are separated by blanks, tabs,
// commas or colons; '#' starts a comment; a height may be "nv" (the no-data colour) or a percentage
// of the relief's range ("50%"); the colour is R G B [A] or one of the names white, black, red,
// green, blue, yellow, cyan (aqua) and magenta (fuchsia). A cpt line is a slice "z0 C z1 C" with an
// optional trailing L, U or B and ";label", or B, F or N with one colour; a colour is R G B, R/G/B,
// H-S-V, one grey level, #rrggbb or a name above ("@transparency" dropped); "# COLOR_MODEL = HSV"
// makes R G B and R/G/B hue, saturation and value. Hinges ("# HARD_HINGE", "# SOFT_HINGE",
// "# HINGE = z") only tell GMT how to stretch a table onto another range; the heights in the file are
// taken as they stand, so each side of the hinge keeps its colours where the file puts them.
// On a refusal `out` is untouched.
bool read_colour_table(const std::string& text, TableFormat format, ColourTable& out, TableError& error);

// Reads `path` (a regular file of at most kMaxPaletteFileBytes, never blocking) in the format of its
// extension (Gdaldem for .pal too: callers read those with load_palette_file).
bool load_colour_table(const std::string& path, ColourTable& out, TableError& error);

// The colour of height h for a relief spanning min..max (percentages resolve against that range):
// linear between stops, B/F or the end colours outside, at a step (two stops at one height) the
// upper colour for a cpt (its slices are z0 <= z < z1) and the lower one for gdaldem.
std::uint32_t colour_at(const ColourTable& table, double h, double min, double max);

// The 256 entries for a relief spanning min..max, ranges 0..255. A relief without a range (max not
// above min) takes the table's own range of absolute heights, so that a table shown without a relief,
// or saved from a flat one, reads back alike.
PaletteFileData to_palette(const ColourTable& table, double min, double max);

// The palette as a table over min..max: only the entries where the colour changes its slope, chosen so
// that reading the table back over the same range gives every entry within one level (the kept ones
// exactly). A range that is not positive is written over min..min + 1. The no-data colour is written
// when given.
std::string format_gdaldem(const std::array<std::uint32_t, 256>& palette, double min, double max,
                           const std::optional<std::uint32_t>& noData = std::nullopt);
std::string format_cpt(const std::array<std::uint32_t, 256>& palette, double min, double max,
                       const std::optional<std::uint32_t>& noData = std::nullopt);

}  // namespace palette
}  // namespace lib3d
