// The picture a window presents (read from the X server) against the same state drawn offscreen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "tests/support/ShownView.h"
#include "view/OffscreenRender.h"

namespace {

constexpr int kW = 400, kH = 300;

// Pixels where the frame a window presents differs from its view's state drawn offscreen (the
// window's context is current on this thread meanwhile); -1 when either is missing or the frame
// shows no relief to compare (a twentieth of its pixels or fewer unlike the first).
int Mismatch(const r3dtest::ShownView& w) {
  lib3d::Picture p;
  std::string error;
  EXPECT_TRUE(lib3d::render_offscreen(w.view->scene(), kW, kH, p, error)) << error;
  const wxImage shown = w.Presented();
  auto unlike = [&](const unsigned char* b, int step) {
    int n = 0;
    for (int i = 0; i < kW * kH * 3; i += 3) n += !std::equal(b + i / 3 * step, b + i / 3 * step + 3, shown.GetData() + i);
    return n;
  };
  if (!shown.IsOk() || p.rgb.size() != kW * kH * 3u || unlike(shown.GetData(), 0) <= kW * kH / 20) return -1;
  return unlike(p.rgb.data(), 3);
}

// A view set up while hidden (as the viewer's frame does before it first shows) presents, once shown,
// the picture of its state; made with a relief, it keeps it until given another, and the height under
// a cursor set while hidden is stored although nothing was drawn. Zoom, pan, height scale, light and
// background are matched by the batch picture test; here the states it cannot reach: straight down,
// a cursor over a colour matrix, and the still picture after a coarse drag. The frame's close: the
// surface goes while hidden and a palette then compiles nothing.
TEST(ViewMatch, WindowAndOffscreenDrawTheSamePixels) {
  r3dtest::ShownView win(kW, kH, false, {1, 2, 3, 4}, 2, 2);
  lib3d::View* view = win.view;
  EXPECT_EQ(2u, view->get_width());
  float height = -1;
  view->set_cursor_notify([&](std::size_t, std::size_t) { height = view->cursor_height(); });
  std::vector<float> relief(120 * 90);
  for (std::size_t i = 0; i < relief.size(); ++i)
    relief[i] = 40.0f * std::sin(int(i % 120) * 0.21f) * std::cos(int(i / 120) * 0.17f) + 0.5f * int(i % 120);
  std::vector<std::uint32_t> ramp(256), checker(relief.size());
  std::iota(ramp.begin(), ramp.end(), 0x204000u);
  for (std::size_t i = 0; i < checker.size(); ++i) checker[i] = (i / 3 + i / 360) % 2 ? 0x30C0F0 : 0x802010;
  view->set_rotation(30, 20);
  view->set_palette(ramp);
  view->set_matrix(relief, 120, 90);
  view->set_bgColor(0x105010);
  view->set_cursor(3, 4);
  EXPECT_TRUE(relief[4 * 120 + 3] == height && view->has_surface());
  ASSERT_TRUE(win.Show());
  ASSERT_TRUE(r3dtest::WaitFor([&] { return view->read_last_frame().IsOk(); }));
  EXPECT_EQ(0, Mismatch(win)) << "set up while hidden";
  view->set_rotation(0, 0);
  EXPECT_EQ(0, Mismatch(win)) << "palette, straight down";
  view->set_rotation(60, 30);
  view->set_color_matrix(checker);  // shown with the next paint, which the cursor brings
  view->set_cursor(10, 20);
  EXPECT_EQ(0, Mismatch(win)) << "turned, colour matrix, cursor";
  view->renderer().set_frame_budget_ms(0.0);  // every grid counts as slow to paint
  win.Mouse({{wxEVT_RIGHT_DOWN, 200, 150}, {wxEVT_MOTION, 230, 130}});
  EXPECT_GE(view->renderer().coarse_step(), 2u);
  EXPECT_GT(Mismatch(win), 0);  // the coarse surface is what shows
  win.Mouse({{wxEVT_MOTION, 260, 100}, {wxEVT_RIGHT_UP, 260, 100}});
  EXPECT_EQ(0, Mismatch(win)) << "still after a coarse drag";
  view->set_coarse_drags(false);  // switched off, a drag shows the full surface all along
  win.Mouse({{wxEVT_RIGHT_DOWN, 260, 100}, {wxEVT_MOTION, 200, 160}});
  EXPECT_EQ(0, Mismatch(win)) << "no coarse drags";
  win.Mouse({{wxEVT_RIGHT_UP, 200, 160}});
  win.frame->Hide();
  view->delete_surface();
  view->set_palette(ramp);
  EXPECT_FALSE(view->has_surface());
}

}  // namespace
