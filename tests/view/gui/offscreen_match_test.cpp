// The picture a window presents (read from the X server) against the same state drawn offscreen,
// and the still picture after a coarse drag against one never dragged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/support/ShownView.h"
#include "view/OffscreenRender.h"

namespace {

constexpr int kW = 400, kH = 300;

std::vector<float> Terrain(int w, int h) {
  std::vector<float> m(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < m.size(); ++i)
    m[i] = 40.0f * std::sin(int(i % w) * 0.21f) * std::cos(int(i / w) * 0.17f) + 0.5f * int(i % w);
  return m;
}

// Pixels of a kW x kH picture `a` unlike those of `b`, or unlike b's first when `step` is 0.
int Unlike(const unsigned char* a, const unsigned char* b, int step) {
  int n = 0;
  for (int i = 0; i < kW * kH * 3; i += 3) n += !std::equal(a + i, a + i + 3, b + i / 3 * step);
  return n;
}

class ViewMatch : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(win.view->IsShownOnScreen());
    std::vector<std::uint32_t> ramp(256);
    for (unsigned i = 0; i < 256; ++i) ramp[i] = i | (255 - i) << 8 | (i / 2) << 16;
    view->set_palette(ramp);
  }
  // Pixels where the frame the window presents differs from the view's state drawn offscreen (the
  // window's context is current on this thread meanwhile); -1 when either is missing or the frame
  // shows no relief to compare (a tenth of its pixels or fewer unlike the first).
  int Mismatch() {
    lib3d::Picture p;
    std::string error;
    EXPECT_TRUE(lib3d::render_offscreen(view->scene(), kW, kH, p, error)) << error;
    const wxImage shown = win.Presented();
    if (!shown.IsOk() || p.rgb.size() != kW * kH * 3u || Unlike(shown.GetData(), shown.GetData(), 0) <= kW * kH / 10)
      return -1;
    return Unlike(p.rgb.data(), shown.GetData(), 3);
  }
  r3dtest::ShownView win{kW, kH};
  lib3d::View* view = win.view;
};

// Zoom, pan, height scale, light and background are matched by the batch picture test; here the
// states it cannot reach: straight down, and a cursor over a colour matrix.
TEST_F(ViewMatch, WindowAndOffscreenDrawTheSamePixels) {
  const std::vector<float> relief = Terrain(60, 40);
  std::vector<std::uint32_t> checker(relief.size());
  for (std::size_t i = 0; i < checker.size(); ++i) checker[i] = (i / 3 + i / 180) % 2 ? 0x30C0F0 : 0x802010;
  view->set_matrix(relief, 60, 40);
  view->set_rotation(0, 0);
  EXPECT_EQ(0, Mismatch()) << "palette, straight down";
  view->set_rotation(60, 30);
  view->set_color_matrix(checker);  // shown with the next paint, which the cursor brings
  view->set_cursor(10, 20);
  EXPECT_EQ(0, Mismatch()) << "turned, colour matrix, cursor";
}

TEST_F(ViewMatch, StillPictureAfterACoarseDragEqualsOneNeverDragged) {
  view->renderer().set_frame_budget_ms(0.0);  // every grid counts as slow to paint
  view->set_matrix(Terrain(120, 90), 120, 90);
  win.Mouse({{wxEVT_RIGHT_DOWN, 200, 150}, {wxEVT_MOTION, 230, 130}});
  EXPECT_GE(view->renderer().coarse_step(), 2u);
  EXPECT_GT(Mismatch(), 0);  // the coarse surface is what shows
  win.Mouse({{wxEVT_MOTION, 260, 100}, {wxEVT_RIGHT_UP, 260, 100}});
  EXPECT_EQ(0, Mismatch());
  // Switched off, a drag shows the full surface all along.
  view->set_coarse_drags(false);
  win.Mouse({{wxEVT_RIGHT_DOWN, 260, 100}, {wxEVT_MOTION, 200, 160}});
  EXPECT_EQ(0, Mismatch());
  win.Mouse({{wxEVT_RIGHT_UP, 200, 160}});
}

}  // namespace
