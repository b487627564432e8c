// Base palettes at every entry: the simple kinds against their formulas, the fixed table against a
// checksum of the published table, the other ramps by their smoothness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "colour/BasePalettes.h"

using namespace lib3d::palette;

namespace {

Palette256 base(int kind, Colour swatch = 0xFFFFFF) { return build_base_palette(kind, Palette256{}, 0, 255, swatch); }
Palette256 base(PaletteKind kind, Colour swatch = 0xFFFFFF) { return base(int(kind), swatch); }

Palette256 gradient(Colour c1, Colour c2, int lo = 0, int hi = 255) {
  Palette256 edited{};
  edited.fill(0x123456), edited[lo] = c1, edited[hi] = c2;
  return build_base_palette(int(PaletteKind::EndsGradient), edited, lo, hi, 0);
}

}  // namespace

TEST(BasePalettes, SimpleKindsFollowTheirFormulasAtEveryEntry) {
  const Palette256 grey = base(PaletteKind::Grey), b2r = base(PaletteKind::BlueToRed);
  const Palette256 six = base(PaletteKind::SixHues), solid = base(PaletteKind::SolidColour, rgb(9, 8, 7));
  const int hues[6] = {4, 6, 2, 3, 1, 5};  // per i mod 6, the components that are i: red 1, green 2, blue 4
  for (int i = 0; i < 256; ++i) {
    const int q = i % 64 * 4, h = hues[i % 6];
    const Colour ramp[4] = {rgb(0, q, 255), rgb(0, 255, 255 - q), rgb(q, 255, 0), rgb(255, 255 - q, 0)};
    const Colour hue = rgb(h & 1 ? i : 0, h & 2 ? i : 0, h & 4 ? i : 0);
    EXPECT_EQ(std::tuple(grey[i], b2r[i], six[i], solid[i]), std::tuple(rgb(i, i, i), ramp[i / 64], hue, rgb(9, 8, 7)))
        << i;
  }
  for (int kind : {-1, 9, 1000}) EXPECT_EQ(base(kind), grey) << kind;  // unknown kinds are grey
}

// FNV-1a over the 256 colour words (0xBBGGRR, little-endian bytes) of the published table: one
// wrong entry, or a stray top byte, anywhere changes it.
TEST(BasePalettes, FixedTableMatchesThePublishedTableWhole) {
  std::uint32_t hash = 0x811C9DC5u;
  for (Colour c : base(PaletteKind::FixedTable))
    for (int k = 0; k < 4; ++k) hash = (hash ^ ((c >> 8 * k) & 0xFF)) * 0x01000193u;
  EXPECT_EQ(hash, 0xD8A5C098u);
}

// The ramps change by a few levels from entry to entry; a component that wrapped around (a formula
// leaving 0..255 before it is packed into the colour word) shows up as a jump. One entry each
// anchors where the ramp runs.
TEST(BasePalettes, RampsAreSmoothAndNeverWrap) {
  const std::pair<PaletteKind, Colour> ramps[] = {{PaletteKind::PurpleToRed, rgb(203, 0, 204)},
                                                  {PaletteKind::HueCycle, rgb(35, 255, 255)},
                                                  {PaletteKind::BlueToPurple, rgb(120, 10, 92)}};
  for (const auto& [kind, anchor] : ramps) {
    const Palette256 p = base(kind);
    EXPECT_EQ(kind == PaletteKind::PurpleToRed ? p[0] : p[255], anchor) << int(kind);
    for (int i = 1; i < 256; ++i) {
      const bool hueSeam = kind == PaletteKind::HueCycle && i == 176;  // blue restarts at 37 there
      const int jump = std::max({std::abs(red_of(p[i]) - red_of(p[i - 1])),
                                 std::abs(green_of(p[i]) - green_of(p[i - 1])),
                                 hueSeam ? 0 : std::abs(blue_of(p[i]) - blue_of(p[i - 1]))});
      EXPECT_TRUE(jump <= 6 && (p[i] | p[0]) >> 24 == 0) << int(kind) << " entry " << i;
    }
  }
}

// Each component steps by (c2 - c1) / 255 by repeated addition from the interval's end colours.
TEST(BasePalettes, EndsGradientAddsItsStepFromTheIntervalEnds) {
  const Palette256 up = gradient(rgb(0, 0, 0), rgb(255, 255, 255)), down = gradient(rgb(255, 255, 255), 0);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(std::make_pair(up[i], down[i]), std::make_pair(rgb(i, i, i), rgb(255 - i, 255 - i, 255 - i))) << i;
  // 10/255 added 255 times stays just below 10.
  const Palette256 small = gradient(rgb(10, 0, 0), rgb(20, 0, 0));
  EXPECT_TRUE(red_of(small[255]) == 19 && std::is_sorted(small.begin(), small.end()));  // red only: words sort by it
  const Palette256 inner = gradient(0, rgb(255, 0, 0), 40, 90);
  EXPECT_EQ(std::make_pair(inner[0], inner[255]), std::make_pair(0u, rgb(255, 0, 0)));
  const Palette256 flat = gradient(rgb(1, 2, 3), rgb(1, 2, 3), 77, 77);  // one-entry interval
  EXPECT_EQ(std::count(flat.begin(), flat.end(), rgb(1, 2, 3)), 256);
}
