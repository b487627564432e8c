#include <gtest/gtest.h>

#include <set>

#include "dialogs/palette/PaletteLogic.h"

using namespace lib3d::palette;

namespace {

Palette256 grey_base() {
  Palette256 p{};
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, i, i);
  return p;
}

// Entries whose value is a marker that the fill cannot produce from the grey base.
Palette256 untouched() {
  Palette256 p{};
  p.fill(0xABCDEF);
  return p;
}

int grey_at(const Palette256& p, int k) { return red_of(p[k]); }

}  // namespace

TEST(IntervalFill, FullIntervalWithDefaultAndFullBins) {
  Palette256 p = untouched();
  fill_interval(p, 0, 255, 256, grey_base());
  for (int k = 0; k < 256; ++k) EXPECT_EQ(grey_at(p, k), k);

  p = untouched();
  fill_interval(p, 0, 255, 255, grey_base());
  EXPECT_EQ(grey_at(p, 0), 0);
  EXPECT_EQ(grey_at(p, 1), 0);
  for (int k = 2; k < 256; ++k) EXPECT_EQ(grey_at(p, k), k - 1) << k;
}

TEST(IntervalFill, FewBinsGiveEqualBands) {
  Palette256 p = untouched();
  fill_interval(p, 0, 255, 1, grey_base());
  for (int k = 0; k < 256; ++k) EXPECT_EQ(grey_at(p, k), 0);

  fill_interval(p, 0, 255, 2, grey_base());
  for (int k = 0; k < 256; ++k) EXPECT_EQ(grey_at(p, k), k < 128 ? 0 : 128) << k;

  fill_interval(p, 0, 255, 3, grey_base());
  for (int k = 0; k < 256; ++k) EXPECT_EQ(grey_at(p, k), k <= 85 ? 0 : (k <= 170 ? 85 : 170)) << k;

  // step 28.33 exceeds width 25.6: one threshold per entry, so the end is never reached.
  p = untouched();
  fill_interval(p, 0, 9, 10, grey_base());
  const int expected[10] = {0, 25, 51, 76, 102, 128, 153, 179, 204, 230};
  for (int k = 0; k < 10; ++k) EXPECT_EQ(grey_at(p, k), expected[k]) << k;
  for (int k = 10; k < 256; ++k) EXPECT_EQ(p[k], 0xABCDEFu) << k;
}

TEST(IntervalFill, OnlyTheIntervalChangesAndReversedChangesNothing) {
  Palette256 p = untouched();
  fill_interval(p, 10, 10, 1, grey_base());
  for (int k = 0; k < 256; ++k) EXPECT_EQ(p[k], k == 10 ? rgb(0, 0, 0) : 0xABCDEFu) << k;

  p = untouched();
  fill_interval(p, 50, 60, 11, grey_base());
  for (int k = 0; k < 256; ++k) {
    if (k < 50 || k > 60) EXPECT_EQ(p[k], 0xABCDEFu) << k;
    else EXPECT_NE(p[k], 0xABCDEFu) << k;
  }

  p = untouched();
  fill_interval(p, 200, 100, 1, grey_base());
  for (int k = 0; k < 256; ++k) EXPECT_EQ(p[k], 0xABCDEFu);
}

// n entries and b bins (b <= n) always show exactly b bands.
TEST(IntervalFill, BandCountEqualsBins) {
  for (int n : {1, 2, 3, 5, 10, 17, 64, 100, 128, 200, 255, 256}) {
    for (int b = 1; b <= n; ++b) {
      Palette256 p = untouched();
      const int lo = 256 - n;
      fill_interval(p, lo, 255, b, grey_base());
      int bands = 1;
      for (int k = lo + 1; k < 256; ++k) bands += p[k] != p[k - 1];
      ASSERT_EQ(bands, b) << "n " << n << " bins " << b;
      ASSERT_EQ(grey_at(p, lo), 0);
    }
  }
}

TEST(IntervalFill, BinsAndEditTextsAreLimited) {
  EXPECT_EQ(limit_bins(0, 256), 1);
  EXPECT_EQ(limit_bins(-5, 256), 1);
  EXPECT_EQ(limit_bins(256, 256), 256);
  EXPECT_EQ(limit_bins(300, 10), 10);
  EXPECT_EQ(limit_bins(7, 1), 1);
  EXPECT_EQ(limit_bins(7, -3), -3);  // raised first, then lowered: a reversed interval fills nothing

  EXPECT_EQ(read_edit_integer(""), 0);
  EXPECT_EQ(read_edit_integer("abc"), 0);
  EXPECT_EQ(read_edit_integer("-"), 0);
  EXPECT_EQ(read_edit_integer("  42"), 42);
  EXPECT_EQ(read_edit_integer("-7"), -7);
  EXPECT_EQ(read_edit_integer("+3x"), 3);
  EXPECT_EQ(read_edit_integer("12abc34"), 12);
  EXPECT_EQ(read_edit_integer("99999999999999999999"), 2147483647);
  EXPECT_EQ(read_edit_integer("-99999999999999999999"), -2147483647 - 1);
  // Only the first 254 characters reach the reader.
  EXPECT_EQ(read_edit_integer(std::string(253, '0') + "5"), 5);
  EXPECT_EQ(read_edit_integer(std::string(254, '0') + "5"), 0);
}

TEST(LevelMapping, RangesSelectAndReverseTheEditedPalette) {
  const Palette256 edited = grey_base();
  Palette256 f = map_levels(edited, 0, 255, 0, 255);
  for (int k = 0; k < 256; ++k) EXPECT_EQ(f[k], edited[k]) << k;

  f = map_levels(edited, 0, 255, 255, 0);
  for (int k = 0; k < 256; ++k) EXPECT_EQ(f[k], edited[255 - k]) << k;

  f = map_levels(edited, 100, 100, 7, 9);
  for (int k = 0; k < 256; ++k) EXPECT_EQ(grey_at(f, k), k < 100 ? 7 : 9) << k;

  // Input range reversed: the last loop wins from b on.
  f = map_levels(edited, 200, 50, 3, 250);
  for (int k = 0; k < 256; ++k) EXPECT_EQ(grey_at(f, k), k < 50 ? 3 : 250) << k;

  // Input 0..128 stretched over the whole palette: 255/128 per step is exact in binary.
  f = map_levels(edited, 0, 128, 0, 255);
  EXPECT_EQ(grey_at(f, 64), 127);
  EXPECT_EQ(grey_at(f, 127), 253);
  for (int k = 128; k < 256; ++k) EXPECT_EQ(grey_at(f, k), 255);

  // Input 20..219 onto outputs 10..30: ends clamp, middle rises monotonically within 10..30.
  f = map_levels(edited, 20, 220, 10, 30);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(grey_at(f, k), 10);
  for (int k = 21; k < 220; ++k) {
    EXPECT_GE(grey_at(f, k), grey_at(f, k - 1));
    EXPECT_LT(grey_at(f, k), 30);
  }
  for (int k = 220; k < 256; ++k) EXPECT_EQ(grey_at(f, k), 30);
}
