// The palette editor's arithmetic: bins over an interval, levels onto the output range, the strips'
// scale and the zones a press falls in.
#include <gtest/gtest.h>

#include <functional>

#include "colour/PaletteLogic.h"

using namespace lib3d::palette;

namespace {

Palette256 grey_base() {
  Palette256 p{};
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, i, i);
  return p;
}

// Filled from the grey base over [lo, hi] in `bins` bins; entries outside keep a value no fill makes.
Palette256 filled(int lo, int hi, int bins) {
  Palette256 p{};
  p.fill(0xABCDEF);
  fill_interval(p, lo, hi, bins, grey_base());
  return p;
}

}  // namespace

TEST(IntervalFill, BinsTakeTheirFirstLevelAndOnlyTheIntervalChanges) {
  const struct { int lo, hi, bins; std::function<int(int k)> grey; /* -1: left alone */ } cases[] = {
      {0, 255, 256, [](int k) { return k; }}, {0, 255, 255, [](int k) { return k == 0 ? 0 : k - 1; }},
      {0, 255, 1, [](int) { return 0; }},     {0, 255, 3, [](int k) { return k <= 85 ? 0 : k <= 170 ? 85 : 170; }},
      // step 28.33 exceeds width 25.6: one threshold per entry, so the end is never reached.
      {0, 9, 10, [](int k) { return k < 10 ? int(k * 25.6) : -1; }},
      {10, 10, 1, [](int k) { return k == 10 ? 0 : -1; }}, {200, 100, 1, [](int) { return -1; }}};  // reversed: nothing
  for (const auto& c : cases) {
    const Palette256 p = filled(c.lo, c.hi, c.bins);
    for (int k = 0; k < 256; ++k) {
      const int g = c.grey(k);
      ASSERT_EQ(p[k], g < 0 ? 0xABCDEFu : rgb(g, g, g)) << c.lo << ".." << c.hi << " k " << k;
    }
  }
  // n entries and b bins (b <= n) always show exactly b bands.
  for (int n : {1, 2, 3, 5, 10, 17, 64, 100, 128, 200, 255, 256})
    for (int b = 1; b <= n; ++b) {
      const Palette256 p = filled(256 - n, 255, b);
      int bands = 1;
      for (int k = 257 - n; k < 256; ++k) bands += p[k] != p[k - 1];
      ASSERT_EQ(std::make_pair(bands, p[256 - n]), std::make_pair(b, 0u)) << "n " << n << " bins " << b;
    }
}

TEST(LevelMapping, RangesSelectAndReverseTheEditedPalette) {
  const Palette256 edited = grey_base();
  const struct { int inLo, inHi, outLo, outHi; std::function<int(int k)> grey; } cases[] = {
      {0, 255, 0, 255, [](int k) { return k; }},           {0, 255, 255, 0, [](int k) { return 255 - k; }},
      {100, 100, 7, 9, [](int k) { return k < 100 ? 7 : 9; }},
      {200, 50, 3, 250, [](int k) { return k < 50 ? 3 : 250; }},  // reversed input: the last loop wins from b on
      // 255/128 per step is exact in binary; -1: not checked.
      {0, 128, 0, 255, [](int k) { return k >= 128 ? 255 : k == 64 ? 127 : k == 127 ? 253 : -1; }}};
  for (const auto& c : cases) {
    const Palette256 f = map_levels(edited, c.inLo, c.inHi, c.outLo, c.outHi);
    for (int k = 0; k < 256; ++k)
      ASSERT_TRUE(c.grey(k) < 0 || f[k] == edited[c.grey(k)]) << c.inLo << ".." << c.inHi << " k " << k;
  }
}

TEST(Geometry, ScaleAndBandsFollowThePlaceholders) {
  // Strips 258 pixels wide: one level per pixel; a captured drag far off the window stays in range.
  const Geometry g = Geometry::from_placeholders({12, 70, 48, 90}, {12, 30, 270, 48}, {12, 150, 270, 168},
                                                 {13, 31, 269, 47}, {13, 151, 269, 167});
  EXPECT_EQ(std::make_tuple(g.levelsPerPixel, g.marker_x(255), g.value_at(13), g.value_at(12), g.value_at(-2000000000)),
            std::make_tuple(1.0, 268, 0, -1, -1000000));
  // Input reaches six pixels above its band (into the strip), output six below, interval six above;
  // the strip and the swatch take their edges; a press beside a band is nothing.
  const struct { int x, y; Zone zone; } hits[] = {
      {100, 43, Zone::Input},     {100, 42, Zone::None},      {100, 62, Zone::Input},    {7, 50, Zone::Input},
      {6, 50, Zone::None},        {275, 50, Zone::Input},     {276, 50, Zone::None},     {100, 168, Zone::Strip},
      {100, 169, Zone::Output},   {100, 182, Zone::Output},   {100, 183, Zone::None},    {100, 136, Zone::Interval},
      {100, 135, Zone::None},     {100, 149, Zone::Interval}, {100, 150, Zone::Strip},   {12, 160, Zone::Strip},
      {270, 160, Zone::Strip},    {271, 160, Zone::None},     {12, 70, Zone::Swatch},    {48, 90, Zone::Swatch},
      {49, 90, Zone::None}};
  for (const auto& h : hits) EXPECT_EQ(g.hit(h.x, h.y), h.zone) << h.x << "," << h.y;
  // A narrower strip: 172 pixels inside the frame, several levels per column (later ones overwrite).
  const Geometry n = Geometry::from_placeholders({}, {0, 0, 174, 10}, {0, 40, 174, 50}, {}, {});
  EXPECT_EQ(std::tuple(n.levelsPerPixel, n.marker_x(255), n.value_at(87), n.strip_column(1, 511), n.strip_column(1, 2)),
            std::tuple(256.0 / 172, 172, 128, 172, 1));
}
