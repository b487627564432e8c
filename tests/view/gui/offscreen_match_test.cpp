// The picture a window presents (read from the X server) against the same state drawn offscreen,
// and the still picture after a coarse drag against one never dragged.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <wx/frame.h>

#include "tests/support/GuiTest.h"
#include "tests/support/WindowGrab.h"
#include "view/LightSettings.h"
#include "view/OffscreenRender.h"
#include "view/View.h"

using lib3d::Picture;
using lib3d::View;

namespace {

constexpr int kW = 400, kH = 300;

std::vector<float> Terrain(int w, int h) {
  std::vector<float> m(static_cast<std::size_t>(w) * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      m[static_cast<std::size_t>(r) * w + c] = 40.0f * std::sin(c * 0.21f) * std::cos(r * 0.17f) + 0.5f * c;
  return m;
}

std::vector<std::uint32_t> Ramp() {
  std::vector<std::uint32_t> p(256);
  for (unsigned i = 0; i < 256; ++i) p[i] = i | (255 - i) << 8 | (i / 2) << 16;
  return p;
}

class ViewMatch : public ::testing::Test {
protected:
  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "match");
    frame_->SetClientSize(kW, kH);
    view_ = View::make(frame_, {}, 0, 0, wxRect(0, 0, kW, kH));
    ASSERT_TRUE(r3dtest::ShowAndWait(frame_));
    view_->SetSize(0, 0, kW, kH);
    r3dtest::PumpEvents(30);
    ASSERT_TRUE(view_->IsShownOnScreen());
    view_->set_palette(Ramp());
  }
  void TearDown() override {
    frame_->Destroy();
    r3dtest::PumpEvents();
  }

  // What the X server shows in the view's window: the presented frame itself.
  Picture Presented() {
    const wxImage img = r3dtest::GrabWindow(view_->GetXWindow(), kW, kH);
    Picture p;
    if (img.IsOk()) p.rgb.assign(img.GetData(), img.GetData() + kW * kH * 3);
    return p;
  }

  // The view's state drawn offscreen (the window's context is current on this thread meanwhile).
  Picture Offscreen() {
    Picture p;
    std::string error;
    EXPECT_TRUE(lib3d::render_offscreen(view_->scene(), kW, kH, p, error)) << error;
    return p;
  }

  static int Differing(const Picture& a, const Picture& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 3)
      n += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
    return n;
  }

  void Mouse(wxEventType type, int x, int y) {
    wxMouseEvent ev(type);
    ev.SetPosition(wxPoint(x, y));
    ev.SetEventObject(view_);
    view_->ProcessWindowEvent(ev);
  }

  wxFrame* frame_ = nullptr;
  View* view_ = nullptr;
};

}  // namespace

TEST_F(ViewMatch, WindowAndOffscreenDrawTheSamePixels) {
  const std::vector<float> relief = Terrain(60, 40);
  std::vector<std::uint32_t> checker(relief.size());
  for (std::size_t i = 0; i < checker.size(); ++i) checker[i] = (i / 3 + i / 180) % 2 ? 0x30C0F0 : 0x802010;
  lib3d::LightSettings side;
  for (auto [word, value] : {std::pair<int, int>{lib3d::LightSettings::kAzimuth, 120}, {lib3d::LightSettings::kElevation, 60},
                             {lib3d::LightSettings::kAmbient, 10}, {lib3d::LightSettings::kDiffuse, 90},
                             {lib3d::LightSettings::kSpecular, 50}})
    side.words[word] = value;
  // Each step changes the state further; every state is compared.
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"palette, straight down", [&] { view_->set_matrix(relief, 60, 40), view_->set_rotation(0, 0); }},
      {"turned, zoomed, cursor, background",
       [&] { view_->set_rotation(60, 30), view_->zoom(true), view_->set_cursor(10, 20), view_->set_bgColor(0x402010); }},
      {"colour matrix, side light, flat, panned",
       [&] {
         view_->set_color_matrix(checker), view_->set_lightPos(&side), view_->set_scaleZ(0.3f);
         view_->set_pan(0.2, -0.1);
       }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.first);
    step.second();
    const Picture off = Offscreen();
    EXPECT_EQ(0, Differing(Presented(), off));
    Picture background = off;
    for (std::size_t i = 0; i < background.rgb.size(); i += 3)
      std::copy(off.rgb.begin(), off.rgb.begin() + 3, background.rgb.begin() + i);
    EXPECT_GT(Differing(off, background), kW * kH / 10);  // the relief is really there
  }
}

TEST_F(ViewMatch, StillPictureAfterACoarseDragEqualsOneNeverDragged) {
  view_->renderer().set_frame_budget_ms(0.0);  // every grid counts as slow to paint
  view_->set_matrix(Terrain(120, 90), 120, 90);
  Mouse(wxEVT_RIGHT_DOWN, 200, 150);
  Mouse(wxEVT_MOTION, 230, 130);
  EXPECT_GE(view_->renderer().coarse_step(), 2u);
  EXPECT_GT(Differing(Presented(), Offscreen()), 0);  // the coarse surface is what shows
  Mouse(wxEVT_MOTION, 260, 100);
  Mouse(wxEVT_RIGHT_UP, 260, 100);
  double tilt = 0, azimuth = 0;
  view_->get_rotation(tilt, azimuth);
  EXPECT_EQ(70.0, tilt);
  EXPECT_EQ(75.0, azimuth);
  EXPECT_EQ(0, Differing(Presented(), Offscreen()));

  // Switched off, a drag shows the full surface all along.
  view_->set_coarse_drags(false);
  Mouse(wxEVT_RIGHT_DOWN, 260, 100);
  Mouse(wxEVT_MOTION, 200, 160);
  EXPECT_EQ(0, Differing(Presented(), Offscreen()));
  Mouse(wxEVT_RIGHT_UP, 200, 160);
}
