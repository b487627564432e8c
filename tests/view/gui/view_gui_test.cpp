// The relief view in a real window under Xvfb: the pixels the X server shows (also against the same
// state drawn offscreen), picking, drags, callbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <string>

#include <wx/msgdlg.h>
#include <wx/uiaction.h>

#include "colour/PaletteFile.h"
#include "terrain/Document.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/RunCommand.h"
#include "tests/support/ShownView.h"
#include "view/GlxProbe.h"
#include "render/OffscreenRender.h"

using lib3d::View;

namespace {

using Rgb = std::array<int, 3>;
Rgb PixelAt(const wxImage& img, int x, int y) { return Rgb{img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)}; }
int Spread(const Rgb& p) { return *std::max_element(p.begin(), p.end()) - *std::min_element(p.begin(), p.end()); }
std::vector<std::uint32_t> Fill(std::uint32_t word) { return std::vector<std::uint32_t>(256, word); }
using Cell = std::pair<std::size_t, std::size_t>;
const std::vector<float> kBump = {0, 0, 0, 0, 0, 0, 0, 0, 1};  // 3 x 3, a top at cell (2, 2)

// A 400 x 300 view looking straight down (tilt 0, azimuth 0). With a 3 x 3 grid and the start zoom,
// cell (c, r) sits at client pixel (200 + 75 (c - 1), 150 - 75 (r - 1)).
class ViewWindow : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(win.view->IsShownOnScreen());
    view->set_rotation(0, 0);
  }
  Cell Cursor() {
    std::size_t c = 99, r = 99;
    view->get_cursor(c, r);
    return {c, r};
  }
  // The pointer moved through the X server to client point x, y (elsewhere before): done once the view
  // had the move.
  void MoveTo(int x, int y) {
    r3dtest::EventCount moves(wxEVT_MOTION, view);
    sim.MouseMove(view->ClientToScreen(wxPoint(x, y)));
    EXPECT_TRUE(r3dtest::WaitFor([&] { return moves() > 0; })) << x << "," << y;
  }
  // Real clicks (two: a double click) there: done once the view had the last button release.
  void Click(int x, int y, int clicks = 1) {
    const int before = ups();
    MoveTo(x, y);
    clicks == 2 ? sim.MouseDblClick() : sim.MouseClick();
    EXPECT_TRUE(r3dtest::WaitFor([&] { return ups() == before + clicks; })) << x << "," << y;
  }
  r3dtest::ShownView win{400, 300};
  View* view = win.view;
  r3dtest::EventCount ups{wxEVT_LEFT_UP, view};
  wxUIActionSimulator sim;
};

// Each step changes one setter (colour words are 0xBBGGRR). A corner shows the background exactly;
// on the lit surface at the centre each channel is strong (1) or dark (0). A relief of NaN and
// infinite heights draws without fault.
TEST_F(ViewWindow, BackgroundAndSurfaceColoursReachTheScreen) {
  const struct { const char* what; std::function<void(View*)> apply; int x, y; Rgb want; } steps[] = {
      {"background blue", [](View* v) { v->set_bgColor(0xFF0000); }, 10, 10, {0, 0, 255}},
      {"black refused", [](View* v) { v->set_bgColor(0); }, 390, 290, {0, 0, 255}},
      {"NaN, infinite", [](View* v) { v->set_matrix({std::nanf(""), 1.0f, INFINITY, 3.0f}, 2, 2); }, 10, 10, {0, 0, 255}},
      {"no relief", [](View* v) { v->set_matrix({}, 0, 0); }, 390, 10, {0, 0, 255}},
      {"green palette", [](View* v) { v->set_palette(Fill(0x00FF00)), v->set_matrix(std::vector<float>(9, 5), 3, 3); },
       200, 150, {0, 1, 0}},
      {"red colour matrix", [](View* v) { v->set_color_matrix(std::vector<std::uint32_t>(9, 0x0000FF)), v->set_scaleZ(1); },
       200, 150, {1, 0, 0}},
      // A colour matrix that does not fit the relief is not read: the palette colours it.
      {"matrix not fitting", [](View* v) { v->set_matrix(std::vector<float>(16, 5), 4, 4); }, 200, 150, {0, 1, 0}},
      // An empty palette without a colour matrix leaves the surface white (an even grey when lit).
      {"no colours", [](View* v) { v->set_color_matrix({}), v->set_palette({}); }, 200, 150, {1, 1, 1}},
  };
  auto level = [](int v) { return v > 150 ? 1 : v < 20 ? 0 : -1; };
  for (const auto& s : steps) {
    s.apply(view);
    const Rgb p = PixelAt(win.Presented(), s.x, s.y);
    const Rgb seen = s.y == 150 ? Rgb{level(p[0]), level(p[1]), level(p[2])} : p;
    EXPECT_TRUE(seen == s.want && (Spread(s.want) || !Spread(p))) << s.what << ": " << p[0] << " " << p[1] << " " << p[2];
  }
}

// A pick half a cell beyond the first centre still lands, further out it is refused for that axis
// only; each change is passed on after the paint stored the height under the marker; outside the grid
// there is no marker and the height stays. Tilt is clamped to 0..180 (NaN too), azimuth is kept.
TEST_F(ViewWindow, CursorEdgesCallbacksAndTiltLimits) {
  view->set_matrix(kBump, 3, 3);
  int calls = 0;
  float seen_height = -1;
  view->set_cursor_notify([&](std::size_t, std::size_t) { seen_height = view->cursor_height(), ++calls; });
  for (const auto& [col, row, want] : {std::tuple{-1.2, 1.0, Cell(0, 1)}, {-1.6, 2.0, Cell(0, 2)}, {2.0, 2.0, Cell(2, 2)}}) {
    view->screen_to_cursor(200 + 75 * (col - 1), 150 - 75 * (row - 1));
    EXPECT_EQ(want, Cursor()) << col;
  }
  EXPECT_EQ(std::make_pair(3, 1.0f), std::make_pair(calls, seen_height));  // cell (2, 2), the top
  view->set_cursor(3, 0);
  EXPECT_EQ(std::make_tuple(4, 1.0f, Cell(3, 0)), std::make_tuple(calls, seen_height, Cursor()));
  for (const auto& [tilt, az, want_tilt] : {std::tuple{-10.0, 400.0, 0.0}, {200.0, 0.0, 180.0}, {std::nan(""), 0.0, 0.0}}) {
    double t = -1, a = -1;
    view->set_rotation(tilt, az);
    view->get_rotation(t, a);
    EXPECT_EQ(std::make_pair(t, a), std::make_pair(want_tilt, az)) << tilt;
  }
}

// What the user sees and touches, through the X server at any desktop scale: the relief sits where
// it sits at scale 1, a click picks the cell under it, and a quick second press (a double click to
// GTK) is a press like any other.
TEST_F(ViewWindow, ScreenAndRealPointerAgreeAtAnyScale) {
  view->set_palette(Fill(0x0000FF));
  view->set_matrix(kBump, 3, 3);
  const wxImage shot = r3dtest::GrabClientArea(view);
  ASSERT_TRUE(shot.IsOk()) << "the screen cannot be read";
  const double f = view->GetContentScaleFactor();
  ASSERT_EQ(shot.GetWidth(), static_cast<int>(400 * f));
  for (const auto& [x, y, relief] : {std::tuple{140, 90, true}, {260, 90, true}, {200, 150, true}, {140, 210, true},
                                     {260, 210, true}, {20, 20, false}, {380, 20, false}, {20, 280, false}, {380, 280, false}}) {
    const Rgb p = PixelAt(shot, static_cast<int>(x * f), static_cast<int>(y * f));
    EXPECT_EQ(relief, p[0] > p[1] + 60 && p[0] > p[2] + 60) << x << "," << y << ": " << p[0] << " " << p[1] << " " << p[2];
  }
  view->set_manipulator_type(lib3d::ManipulatorType::Cursor);
  int calls = 0;
  float height = -1;
  view->set_cursor_notify([&](std::size_t, std::size_t) { height = view->cursor_height(), ++calls; });
  // Each picks its cell and passes it on after the paint stored the height under the marker.
  const struct { int x, y; Cell want; bool twice; } clicks[] = {
      {125, 225, {0, 0}, false}, {275, 75, {2, 2}, false}, {200, 150, {1, 1}, false}, {275, 225, {2, 0}, true}};
  for (const auto& k : clicks) {
    calls = 0;
    Click(k.x, k.y, k.twice ? 2 : 1);
    EXPECT_EQ(std::make_tuple(Cursor(), calls, height),
              std::make_tuple(k.want, k.twice ? 2 : 1, k.want == Cell(2, 2) ? 1.0f : 0.0f)) << k.x << "," << k.y;
  }
  // A click, then at once a press that drags, pans by the pointer's way in view units (2 across the
  // shorter side), in a wide window as in a tall one.
  view->set_manipulator_type(lib3d::ManipulatorType::Pan);
  for (int width : {400, 200}) {
    win.SizeView(width, 300);
    view->set_pan(0.1, 0.2);
    const int before = ups();
    MoveTo(width / 2, 150);
    sim.MouseClick();
    sim.MouseDown();
    MoveTo(width / 2 + 40, 140);
    sim.MouseUp();
    ASSERT_TRUE(r3dtest::WaitFor([&] { return ups() == before + 2; }));
    double x = 0, y = 0;
    view->get_pan(x, y);
    EXPECT_NEAR(0.1 + 40 * 2.0 / 300, x, 0.02) << width;
    EXPECT_NEAR(0.2 + 10 * 2.0 / 300, y, 0.02) << width;
  }
}

// Where the display offers no GLX (GTK on Wayland, an X server without the extension) the view
// shows the OpenGL message, with no wx assertion before it, and goes on working without a picture.
TEST(ViewWithoutGlx, ShowsTheOpenGLMessageAndKeepsWorking) {
  if (lib3d::glx_available()) GTEST_SKIP() << "the display offers GLX";
  const int assertions = r3dtest::AssertionCount();
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "no GLX");
  View* view = new View();
  // Made as the viewer's frame makes it, with the frame's pane id.
  wxTEST_DIALOG(view->Create(frame, 59648, wxPoint(0, 0), wxSize(200, 100)),
                r3dtest::Answer<wxMessageDialog>([](wxMessageDialog* d) {
                  EXPECT_EQ(d->GetMessage(), "OpenGL");
                  return wxID_OK;
                }));
  ASSERT_TRUE(r3dtest::ShowAndWait(frame));
  view->set_matrix({1, 2, 3, 4}, 2, 2);
  view->zoom(true);
  view->set_cursor(1, 1);
  EXPECT_TRUE(view->GetId() == 59648 && view->zoom_percent() == 100 && view->cursor_height() == 4.0f);
  EXPECT_FALSE(view->read_last_frame().IsOk());
  EXPECT_EQ(r3dtest::AssertionCount(), assertions);
  frame->Destroy();
  r3dtest::PumpEvents();
}

// The picture a window presents (read from the X server) against the same state drawn offscreen.
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
// a cursor over a colour matrix, and the still picture after a coarse drag.
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
}

}  // namespace

// In tilted views of a georeferenced relief with three tall blocks, the probe at each block's drawn
// top names that block's cell and one on the background says so; a real click on the same pixel puts
// the pointer's cursor on the probe's cell, and a click on the background leaves it where it was.
TEST_F(ViewWindow, PointerAndProbeReadTheGroundUnderThem) {
  r3dtest::TempDir dir;
  const std::string dem = dir.file("blocks.tif");
  const int blocks[3][3] = {{10, 8, 300}, {35, 25, 600}, {48, 6, 900}};  // first column, first row, height
  ASSERT_TRUE(r3dtest::WriteRaster(dem, 60, 40, GDT_Float32, [&](int x, int y, double*) {
    for (const auto& b : blocks)
      if (x >= b[0] && x < b[0] + 6 && y >= b[1] && y < b[1] + 6) return double(b[2]);
    return 0.0;
  }));
  const double gt[6] = {500000, 30, 0, 4e6, 0, -30};
  ASSERT_TRUE(r3dtest::Georeference(dem, gt, "EPSG:32633"));
  lib3d::Document doc;
  lib3d::LoadError error;
  ASSERT_TRUE(lib3d::load_relief(dem, 1, 1, {}, doc, error));
  view->set_relief(std::move(doc.heights), 60, 40, doc.geo);
  view->set_palette(lib3d::palette::view_palette(nullptr, 0));  // grey: the tops 85, 170 and 255
  lib3d::LightSettings light{};
  light.words[6] = 50;  // ambient alone: each top one flat grey, 0.7 of its palette entry
  view->set_lightPos(&light);
  view->set_scaleZ(0.5);
  view->set_zoom_level(1);
  view->set_manipulator_type(lib3d::ManipulatorType::Cursor);
  const double f = view->GetContentScaleFactor();
  const int w = static_cast<int>(400 * f), h = static_cast<int>(300 * f);
  const auto click = [&](double x, double y, Cell want) {
    Click(static_cast<int>(x / f), static_cast<int>(y / f));
    EXPECT_EQ(Cursor(), want) << x << "," << y;
  };
  for (double tilt : {30, 60, 80})
    for (double azimuth : {0, 130, 250}) {
      view->set_rotation(tilt, azimuth);
      const wxImage shot = r3dtest::GrabClientArea(view);
      ASSERT_TRUE(shot.IsOk() && shot.GetWidth() == w);
      std::string probes = " --probe 2,2";
      std::vector<int> seen;  // the blocks whose top shows
      for (int k = 0; k < 3; ++k) {
        const double grey = 0.7 * 85 * (k + 1);
        long sx = 0, sy = 0, n = 0;
        for (int y = 1; y + 1 < h; ++y)
          for (int x = 1; x + 1 < w; ++x) {
            bool flat = std::fabs(shot.GetRed(x, y) - grey) < 2;
            for (int d = 0; flat && d < 9; ++d) flat = shot.GetRed(x + d % 3 - 1, y + d / 3 - 1) == shot.GetRed(x, y);
            if (flat) sx += x, sy += y, ++n;
          }
        if (n < 9) continue;
        probes += " --probe " + std::to_string(sx / n) + "," + std::to_string(sy / n);
        seen.push_back(k);
      }
      const r3dtest::Outcome out = r3dtest::RunCommand(
          "env -u DISPLAY '" R3D_BIN_DIR "/relief3d-host' --relief " + dem + " --snapshot " + dir.file("p.png") +
          " --size " + std::to_string(w) + "x" + std::to_string(h) + " --tilt " + std::to_string(tilt) +
          " --azimuth " + std::to_string(azimuth) + " --zoom 1 --scale-z 0.5 --base-palette grey --ambient 50 --diffuse 0" +
          " --specular 0" + probes);
      ASSERT_EQ(out.status, 0) << out.out;
      EXPECT_NE(out.out.find("2,2: background"), std::string::npos) << out.out;
      ASSERT_FALSE(seen.empty()) << tilt << " " << azimuth;
      for (std::size_t at = out.out.find(": cell "), i = 0; at != std::string::npos; at = out.out.find(": cell ", at + 1), ++i) {
        double x = 0, y = 0;
        int c = -1, r = -1;
        std::sscanf(out.out.c_str() + out.out.rfind('\n', at) + 1, "%lf,%lf: cell %d,%d", &x, &y, &c, &r);
        const int* b = blocks[seen.at(i)];
        EXPECT_TRUE(c >= b[0] && c < b[0] + 6 && r >= b[1] && r < b[1] + 6) << tilt << " " << azimuth << ": " << out.out;
        click(x, y, Cell(c, r));
        click(2, 2, Cell(c, r));  // the background leaves the cursor
      }
    }
}
