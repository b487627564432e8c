// The drawn toolbar strip and icons (pure images: no display needed).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "resources/frame_images.h"
#include "resources/module_images.h"

// Seven cells of 17 x 16 on the transparent grey, each with a motif and no two alike (the
// magnifiers differ by the bar).
TEST(ToolbarStrip, SevenDistinctCellsOnTheTransparentGrey) {
  wxImage strip = lib3d::draw_toolbar_strip();
  ASSERT_EQ(strip.GetSize(), wxSize(7 * 17, 16));
  std::set<std::vector<unsigned char>> distinct;
  for (int cell = 0; cell < 7; ++cell) {
    const wxImage part = strip.GetSubImage(wxRect(cell * 17, 0, 17, 16));
    const unsigned char* p = part.GetData();
    int transparent = 0;
    for (int i = 0; i < 17 * 16; ++i) transparent += p[3 * i] == 192 && p[3 * i + 1] == 192 && p[3 * i + 2] == 192;
    EXPECT_TRUE(transparent > 30 && transparent < 17 * 16 - 30) << cell << ": " << transparent;
    distinct.insert(std::vector<unsigned char>(p, p + 17 * 16 * 3));
  }
  EXPECT_EQ(distinct.size(), 7u);
}

// Opaque at both sizes; the grey one truly grey; a yellow iris and a dark pupil at the centre.
TEST(ViewerIcons, OpaqueColourAndGreyAtBothSizes) {
  for (int size : {16, 32}) {
    const wxImage colour = lib3d::draw_viewer_icon(size, false), grey = lib3d::draw_viewer_icon(size, true);
    ASSERT_TRUE(colour.GetSize() == wxSize(size, size) && grey.GetSize() == wxSize(size, size) && colour.HasAlpha() &&
                grey.HasAlpha());
    int yellowish = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        EXPECT_TRUE((colour.GetAlpha(x, y) & grey.GetAlpha(x, y)) == 255 && grey.GetRed(x, y) == grey.GetGreen(x, y) &&
                    grey.GetGreen(x, y) == grey.GetBlue(x, y)) << x << "," << y;
        yellowish += colour.GetRed(x, y) > 200 && colour.GetGreen(x, y) > 130 && colour.GetBlue(x, y) < 80;
      }
    EXPECT_GT(yellowish, size * size / 12) << size;
    EXPECT_LT(std::max(colour.GetRed(size / 2 - 1, size / 2 - 1), grey.GetRed(size / 2 - 1, size / 2 - 1)), 60);
  }
}
