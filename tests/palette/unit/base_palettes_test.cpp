#include <gtest/gtest.h>

#include <cstdlib>

#include "dialogs/palette/BasePalettes.h"

using namespace lib3d::palette;

namespace {

struct Rgb {
  int r, g, b;
};

Palette256 base(PaletteKind kind, Colour swatch = 0xFFFFFF) {
  Palette256 edited{};
  return build_base_palette(static_cast<int>(kind), edited, 0, 255, swatch);
}

Rgb at(const Palette256& p, int i) { return {red_of(p[i]), green_of(p[i]), blue_of(p[i])}; }

void expect_entries(PaletteKind kind, std::initializer_list<std::pair<int, Rgb>> entries) {
  const Palette256 p = base(kind);
  for (const auto& e : entries) {
    const Rgb got = at(p, e.first);
    EXPECT_EQ(got.r, e.second.r) << "kind " << int(kind) << " entry " << e.first << " red";
    EXPECT_EQ(got.g, e.second.g) << "kind " << int(kind) << " entry " << e.first << " green";
    EXPECT_EQ(got.b, e.second.b) << "kind " << int(kind) << " entry " << e.first << " blue";
  }
}

Palette256 gradient(Colour c1, Colour c2, int lo = 0, int hi = 255) {
  Palette256 edited{};
  edited.fill(0x123456);
  edited[lo] = c1;
  edited[hi] = c2;
  return build_base_palette(static_cast<int>(PaletteKind::EndsGradient), edited, lo, hi, 0);
}

}  // namespace

TEST(BasePalettes, TellingEntriesOfTheComputedKinds) {
  expect_entries(PaletteKind::Grey, {{0, {0, 0, 0}}, {128, {128, 128, 128}}, {255, {255, 255, 255}}});
  expect_entries(PaletteKind::BlueToRed, {{0, {0, 0, 255}}, {63, {0, 252, 255}}, {64, {0, 255, 255}},
                                          {127, {0, 255, 3}}, {128, {0, 255, 0}}, {191, {252, 255, 0}},
                                          {192, {255, 255, 0}}, {255, {255, 3, 0}}});
  expect_entries(PaletteKind::SixHues, {{0, {0, 0, 0}}, {1, {0, 1, 1}}, {2, {0, 2, 0}}, {3, {3, 3, 0}},
                                        {4, {4, 0, 0}}, {5, {5, 0, 5}}, {6, {0, 0, 6}}, {7, {0, 7, 7}},
                                        {255, {255, 255, 0}}});
  expect_entries(PaletteKind::FixedTable, {{0, {30, 80, 165}}, {15, {236, 250, 255}}, {16, {88, 255, 191}},
                                           {183, {206, 44, 0}}, {200, {181, 72, 33}}, {255, {236, 251, 248}}});
  expect_entries(PaletteKind::PurpleToRed,
                 {{0, {203, 0, 204}}, {27, {105, 0, 204}}, {28, {101, 0, 204}}, {55, {3, 147, 204}},
                  {84, {0, 204, 204}}, {139, {0, 204, 5}}, {168, {147, 204, 49}}, {198, {204, 203, 51}},
                  {226, {204, 105, 1}}, {227, {204, 101, 0}}, {255, {204, 3, 0}}});
  expect_entries(PaletteKind::HueCycle, {{0, {0, 255, 255}}, {95, {252, 2, 255}}, {96, {255, 3, 252}},
                                         {175, {255, 255, 75}}, {176, {252, 255, 37}}, {255, {35, 255, 255}}});
  expect_entries(PaletteKind::BlueToPurple,
                 {{0, {0, 50, 107}}, {13, {0, 76, 133}}, {14, {0, 78, 135}}, {74, {180, 198, 255}},
                  {99, {255, 248, 154}}, {100, {255, 248, 150}}, {149, {255, 223, 3}}, {150, {255, 220, 0}},
                  {209, {255, 102, 0}}, {210, {255, 100, 2}}, {255, {120, 10, 92}}});
}

// The ramps change by a few levels from entry to entry; a component that wrapped around (a formula
// leaving 0..255 before it is packed into the colour word) shows up as a jump.
TEST(BasePalettes, RampsHaveNoJumpsAndNoTopByte) {
  for (PaletteKind kind : {PaletteKind::Grey, PaletteKind::BlueToRed, PaletteKind::PurpleToRed,
                           PaletteKind::HueCycle, PaletteKind::BlueToPurple}) {
    const Palette256 p = base(kind);
    for (int i = 0; i < 256; ++i) {
      EXPECT_EQ(p[i] >> 24, 0u) << int(kind) << " " << i;
      if (i == 0) continue;
      const bool hueSeam = kind == PaletteKind::HueCycle && i == 176;  // blue restarts at 37 there
      const int dr = std::abs(red_of(p[i]) - red_of(p[i - 1]));
      const int dg = std::abs(green_of(p[i]) - green_of(p[i - 1]));
      const int db = std::abs(blue_of(p[i]) - blue_of(p[i - 1]));
      EXPECT_LE(dr, 6) << int(kind) << " entry " << i;
      EXPECT_LE(dg, 6) << int(kind) << " entry " << i;
      if (!hueSeam) EXPECT_LE(db, 6) << int(kind) << " entry " << i;
    }
  }
}

TEST(BasePalettes, EndsGradientUsesRepeatedAddition) {
  const Palette256 up = gradient(rgb(0, 0, 0), rgb(255, 255, 255));
  const Palette256 down = gradient(rgb(255, 255, 255), rgb(0, 0, 0));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(up[i], rgb(i, i, i)) << i;
    EXPECT_EQ(down[i], rgb(255 - i, 255 - i, 255 - i)) << i;
  }
  // 10/255 added 255 times stays just below 10.
  const Palette256 small = gradient(rgb(10, 0, 0), rgb(20, 0, 0));
  EXPECT_EQ(red_of(small[0]), 10);
  EXPECT_EQ(red_of(small[255]), 19);
  for (int i = 1; i < 256; ++i) EXPECT_GE(red_of(small[i]), red_of(small[i - 1]));
  const Palette256 mixed = gradient(rgb(200, 10, 0), rgb(13, 77, 250));
  EXPECT_EQ(mixed[0], rgb(200, 10, 0));
  EXPECT_EQ(mixed[255], rgb(13, 77, 249));
}

TEST(BasePalettes, EndsGradientReadsTheIntervalEnds) {
  const Palette256 p = gradient(rgb(0, 0, 0), rgb(255, 0, 0), 40, 90);
  EXPECT_EQ(p[0], rgb(0, 0, 0));
  EXPECT_EQ(p[255], rgb(255, 0, 0));
  // One-entry interval: the colour of that entry throughout.
  Palette256 edited{};
  edited[77] = rgb(1, 2, 3);
  const Palette256 flat = build_base_palette(int(PaletteKind::EndsGradient), edited, 77, 77, 0);
  for (Colour c : flat) EXPECT_EQ(c, rgb(1, 2, 3));
}

TEST(BasePalettes, SolidColourIsTheSwatchAndUnknownKindsAreGrey) {
  const Palette256 p = base(PaletteKind::SolidColour, rgb(9, 8, 7));
  for (Colour c : p) EXPECT_EQ(c, rgb(9, 8, 7));
  Palette256 edited{};
  for (int kind : {-1, 9, 1000}) {
    const Palette256 q = build_base_palette(kind, edited, 0, 255, 0);
    EXPECT_EQ(q[200], rgb(200, 200, 200)) << kind;
  }
}
