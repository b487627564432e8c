// The drawn toolbar strip and icons (pure images: no display needed).
#include <gtest/gtest.h>

#include <set>

#include "resources/frame_images.h"
#include "resources/module_images.h"

namespace {

bool is_transparent_grey(const wxImage& im, int x, int y) {
  return im.GetRed(x, y) == 192 && im.GetGreen(x, y) == 192 && im.GetBlue(x, y) == 192;
}

}  // namespace

TEST(ToolbarStrip, SevenDrawnCellsOnTheTransparentGrey) {
  wxImage strip = lib3d::draw_toolbar_strip();
  ASSERT_EQ(strip.GetWidth(), 119);
  ASSERT_EQ(strip.GetHeight(), 16);
  std::set<std::vector<unsigned char>> distinct;
  for (int cell = 0; cell < 7; ++cell) {
    int drawn = 0, transparent = 0;
    std::vector<unsigned char> pixels;
    for (int y = 0; y < 16; ++y)
      for (int x = cell * 17; x < cell * 17 + 17; ++x) {
        (is_transparent_grey(strip, x, y) ? transparent : drawn)++;
        pixels.push_back(strip.GetRed(x, y));
        pixels.push_back(strip.GetGreen(x, y));
        pixels.push_back(strip.GetBlue(x, y));
      }
    EXPECT_GT(drawn, 30) << "cell " << cell;        // a motif is there
    EXPECT_GT(transparent, 30) << "cell " << cell;  // and the background shows through
    distinct.insert(pixels);
  }
  EXPECT_EQ(distinct.size(), 7u);  // no two buttons look alike (the magnifiers differ by the bar)
}

TEST(ViewerIcons, OpaqueColourAndGreyAtBothSizes) {
  for (int size : {16, 32}) {
    wxImage colour = lib3d::draw_viewer_icon(size, false);
    wxImage grey = lib3d::draw_viewer_icon(size, true);
    ASSERT_EQ(colour.GetWidth(), size);
    ASSERT_EQ(grey.GetHeight(), size);
    ASSERT_TRUE(colour.HasAlpha());
    int yellowish = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        EXPECT_EQ(colour.GetAlpha(x, y), 255);
        EXPECT_EQ(grey.GetAlpha(x, y), 255);
        EXPECT_EQ(grey.GetRed(x, y), grey.GetGreen(x, y));
        EXPECT_EQ(grey.GetGreen(x, y), grey.GetBlue(x, y));
        if (colour.GetRed(x, y) > 200 && colour.GetGreen(x, y) > 130 && colour.GetBlue(x, y) < 80) ++yellowish;
      }
    EXPECT_GT(yellowish, size * size / 12) << size;  // the iris is yellow
    // The pupil at the centre is dark in both.
    EXPECT_LT(colour.GetRed(size / 2 - 1, size / 2 - 1), 60);
    EXPECT_LT(grey.GetRed(size / 2 - 1, size / 2 - 1), 60);
  }
}
