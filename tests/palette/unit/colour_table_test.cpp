// Colour tables of gdaldem and GMT: what a table means at a height, tables written and read back,
// refusals with their lines, and gdaldem's own colours for the same table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "colour/ColourTable.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/RunCommand.h"

using namespace lib3d::palette;

namespace {

std::uint32_t rgb(int r, int g, int b) { return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16; }

ColourTable read(TableFormat f, const std::string& text) {
  ColourTable t;
  TableError e;
  EXPECT_TRUE(read_colour_table(text, f, t, e)) << describe(e) << " in\n" << text;
  return t;
}

}  // namespace

// Heights over a relief 1000..3000: interpolation, percentages, steps, B/F, the colour forms, nv/N.
TEST(ColourTable, ColoursAtHeights) {
  const auto G = TableFormat::Gdaldem, C = TableFormat::Cpt;
  const struct { TableFormat f; const char* text; double h; std::uint32_t want; } cases[] = {
      {G, "1000 0 0 0\n# note\n\n2000,255:255\t255 # white\n", 1500, rgb(128, 128, 128)},
      {G, "2000 0 0 0 255\n1000 255 0 0\n", 900, rgb(255, 0, 0)},  // unsorted; clamped below
      {G, "1000 0 0 0\n2000 white\n", 5000, rgb(255, 255, 255)},   // clamped above
      {G, "0% 0 0 0\n50% 0 0 255\n100% blue\n", 1500, rgb(0, 0, 128)},
      {G, "0% black\n2000 0 255 0\n2000 255 0 0\n3000 red\n", 2000, rgb(0, 255, 0)},  // a step: the lower side
      {C, "1000 0/0/0 2000 255/255/255\n2000 255 0 0 3000 255 0 0 L ;top\n", 2000, rgb(255, 0, 0)},  // upper
      {C, "1000 0/0/0 2000 255/255/255\n", 1500, rgb(128, 128, 128)},
      {C, "1000 red 2000 blue\nB 1/2/3\nF 4 5 6\nN 7/8/9\n", 999, rgb(1, 2, 3)},
      {C, "1000 red 2000 blue\nB 1/2/3\nF 4 5 6\n", 2001, rgb(4, 5, 6)},
      {C, "1000 0-1-1 2000 120-1-1\n", 2000, rgb(0, 255, 0)},
      {C, "# COLOR_MODEL = +HSV\n1000 240 1 1 1500 240 1 1\n1500 240/1/1 2000 120/1/0.5\n", 1000, rgb(0, 0, 255)},
      {C, "# COLOR_MODEL = +HSV\n1000 240 1 1 1500 240 1 1\n1500 240/1/1 2000 120/1/0.5\n", 2000, rgb(0, 128, 0)},
      {C, "1000 #ff8000 2000 100@50\n", 2000, rgb(100, 100, 100)},
      // A hinge only guides GMT's stretching: the heights stand as written, each side keeps its colours.
      {C, "# HARD_HINGE\n-500 blue 0 white\n0 green 3000 red\n", 1000, rgb(85, 170, 0)},
  };
  for (const auto& c : cases) EXPECT_EQ(colour_at(read(c.f, c.text), c.h, 1000, 3000), c.want) << c.text << " at " << c.h;
  EXPECT_EQ(read(G, "nv 1 2 3\n0 black\n").noData, rgb(1, 2, 3));
  EXPECT_EQ(read(C, "0 red 1 red\nN 7/8/9\n").noData, rgb(7, 8, 9));
}

// A table read, written in either format and read again gives the same colours at the same heights
// (within the level a written ramp may round differently), in few lines, and keeps its no-data colour.
TEST(ColourTable, WrittenTablesReadBackAlike) {
  const ColourTable tables[] = {
      read(TableFormat::Gdaldem, "-12.5 0 0 255\n0 0 90 255\n0 20 160 40\n800 230 220 60\n2e3 white\nnv 9 9 9\n"),
      read(TableFormat::Cpt, "-20 0/0/80 0 0/128/255\n0 0/100/0 1000 200/180/50\n1000 200/180/50 1987.2 128\n"
                             "B black\nF white\nN 7/8/9\n"),
  };
  for (const ColourTable& t : tables) {
    for (double max : {1987.2, -12.5}) {  // the second: a flat relief takes the table's own range
      const PaletteFileData p = to_palette(t, -12.5, max);
      for (TableFormat f : {TableFormat::Gdaldem, TableFormat::Cpt}) {
        const std::string text = f == TableFormat::Cpt ? format_cpt(p.palette, -12.5, max, t.noData)
                                                       : format_gdaldem(p.palette, -12.5, max, t.noData);
        const ColourTable back = read(f, text);
        const PaletteFileData again = to_palette(back, -12.5, max);
        for (int i = 0; i < 256; ++i)
          for (int shift : {0, 8, 16})
            ASSERT_LE(std::abs(int(again.palette[i] >> shift & 0xFF) - int(p.palette[i] >> shift & 0xFF)), 1) << i << text;
        EXPECT_EQ(back.noData, t.noData);
        EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 20) << text;  // breakpoints, not 256 lines
      }
    }
  }
}

// A bad table names its line and reason, and leaves what it was read into alone.
TEST(ColourTable, RefusalsNameTheLine) {
  const auto G = TableFormat::Gdaldem, C = TableFormat::Cpt;
  const struct { TableFormat f; const char* text; const char* message; } cases[] = {
      {G, "0 0 0 0\n\n# c\n5 1 2\n", "line 4: expected a height and three colour values"},
      {G, "0 0 0 0\nhigh 1 2 3\n", "line 2: the height is not a number, nv or a percentage"},
      {G, "1 256 0 0\n", "line 1: colour values must be numbers from 0 to 255"},
      {G, "1 mauve\n", "line 1: unknown colour name"},
      {G, "# only\nnv 0 0 0\n", "no heights with colours"},
      {C, "0 red 10 blue\n10 red 20\n", "line 2: expected a slice: a height and a colour, twice"},
      {C, "10 red 0 blue\n", "line 1: the slice ends below its start"},
      {C, "# COLOR_MODEL = CMYK\n0 red 1 red\n", "line 1: only RGB and HSV colour models can be read"},
      {C, "0 400-1-1 1 0-0-0\n", "line 1: hue must be 0 to 360, saturation and value 0 to 1"},
      {C, "0 1/2/x 1 0/0/0\n", "line 1: colour values must be numbers from 0 to 255"},
  };
  for (const auto& c : cases) {
    ColourTable t;
    t.stops.resize(1);
    TableError e;
    EXPECT_FALSE(read_colour_table(c.text, c.f, t, e)) << c.text;
    EXPECT_EQ(describe(e), c.message) << c.text;
    EXPECT_EQ(t.stops.size(), 1u);
  }
  r3dtest::TempDir dir;
  ColourTable t;
  TableError e;
  EXPECT_FALSE(load_colour_table(dir.path(), t, e));
  EXPECT_EQ(e.problem, TableProblem::NotRegularFile);
}

// gdaldem color-relief colours a DEM whose cells lie at the palette's heights as to_palette does.
// Largest difference seen: 1 level (gdaldem rounds a blend up from .55, the palette from .5).
TEST(ColourTable, AgreesWithGdaldem) {
  GDALAllRegister();
  r3dtest::TempDir dir;
  const double lo = -40, hi = 2510;  // cell x holds the height of entry x
  const auto height = [&](int x, int, double*) { return lo + x * (hi - lo) / 255; };
  const double transform[6] = {500000, 30, 0, 4600000, 0, -30};
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("dem.tif"), 256, 1, GDT_Float64, height) &&
              r3dtest::Georeference(dir.file("dem.tif"), transform, "EPSG:32633"));
  const std::string table = "-40 10 20 200\n0 0 120 60\n25% 240 230 90\n1800,160:70:20\n2510 white\nnv 0 0 0\n";
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("table.txt"), table));
  const r3dtest::Outcome run =
      r3dtest::RunCommand("gdaldem color-relief -q " + dir.file("dem.tif") + " " + dir.file("table.txt") + " " + dir.file("out.tif"));
  ASSERT_EQ(run.status, 0) << run.out;
  const PaletteFileData p = to_palette(read(TableFormat::Gdaldem, table), lo, hi);
  int worst = 0;
  for (int band = 1; band <= 3; ++band) {
    const std::vector<double> got = r3dtest::ReadWholeRaster(dir.file("out.tif"), nullptr, nullptr, band);
    ASSERT_EQ(got.size(), 256u);
    for (int x = 0; x < 256; ++x) worst = std::max(worst, std::abs(int(got[x]) - int((p.palette[x] >> (8 * (band - 1))) & 0xFF)));
  }
  EXPECT_LE(worst, 1);
}
