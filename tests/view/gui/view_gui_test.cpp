// The relief view in a real window under Xvfb: the pixels the X server shows, picking, drags, callbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include <wx/msgdlg.h>
#include <wx/uiaction.h>

#include "tests/support/ModalAnswer.h"
#include "tests/support/ShownView.h"
#include "view/GlxProbe.h"

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
  std::pair<double, double> Rotation() {
    double t = -1, a = -1;
    view->get_rotation(t, a);
    return {t, a};
  }
  r3dtest::ShownView win{400, 300};
  View* view = win.view;
};

// Each step changes one setter (colour words are 0xBBGGRR). A corner shows the background exactly;
// on the lit surface at the centre each channel is strong (1) or dark (0).
TEST_F(ViewWindow, BackgroundSurfaceAndMarkerColoursReachTheScreen) {
  const struct { const char* what; std::function<void(View*)> apply; int x, y; Rgb want; } steps[] = {
      {"background blue", [](View* v) { v->set_bgColor(0xFF0000); }, 10, 10, {0, 0, 255}},
      {"black refused", [](View* v) { v->set_bgColor(0); }, 390, 290, {0, 0, 255}},
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
  // The cursor marker: its axes in green and blue over a white palette, white over any other.
  view->set_palette(Fill(0xFFFFFF));
  view->set_matrix(kBump, 3, 3);
  view->set_cursor(1, 1);
  // The most saturated pixel across a line (the surface under it is white or grey).
  auto strongest = [&](const wxImage& img, int x0, int y0, int dx, int dy) {
    Rgb best{0, 0, 0};
    for (int k = -3; k <= 3; ++k)
      if (const Rgb p = PixelAt(img, x0 + k * dx, y0 + k * dy); Spread(p) > Spread(best)) best = p;
    return best;
  };
  wxImage img = win.Presented();
  const Rgb column = strongest(img, 200, 110, 1, 0), row = strongest(img, 160, 150, 0, 1);
  EXPECT_TRUE(column[1] > 200 && column[0] < 60) << column[0] << " " << column[1];
  EXPECT_TRUE(row[2] > 200 && row[0] < 60) << row[0] << " " << row[2];
  view->set_palette(Fill(0x404080));
  img = win.Presented();
  int white = 0;
  for (int x = 197; x <= 203; ++x) white += PixelAt(img, x, 110)[0] > 240 && PixelAt(img, x, 110)[2] > 240;
  EXPECT_GT(white, 0);
}


// A pick half a cell beyond the first centre still lands, further out it is refused for that axis
// only; each change is passed on after the paint stored the height under the marker; outside the grid
// there is no marker and the height stays; an empty callback disconnects. Tilt is clamped to 0..180
// (NaN too), azimuth is kept as given.
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
  view->set_cursor_notify(View::CursorNotify());
  view->set_cursor(0, 0);
  EXPECT_EQ(std::make_pair(4, 0.0f), std::make_pair(calls, view->cursor_height()));
  for (const auto& [tilt, az, want_tilt] : {std::tuple{-10.0, 400.0, 0.0}, {200.0, 0.0, 180.0}, {std::nan(""), 0.0, 0.0}}) {
    view->set_rotation(tilt, az);
    EXPECT_EQ(Rotation(), std::make_pair(want_tilt, az)) << tilt;
  }
}

TEST_F(ViewWindow, DragsPanRotateAndMoveTheCursor) {
  view->set_matrix(kBump, 3, 3);
  // A right press replaces the pan with a rotation; either button ends it.
  view->set_rotation(45, 45);
  win.Mouse({{wxEVT_LEFT_DOWN, 100, 100}, {wxEVT_RIGHT_DOWN, 100, 100}, {wxEVT_MOTION, 120, 130}});
  EXPECT_EQ(Rotation(), std::make_pair(30.0, 55.0));
  win.Mouse({{wxEVT_LEFT_UP, 120, 130}, {wxEVT_MOTION, 200, 10}});
  EXPECT_EQ(Rotation(), std::make_pair(30.0, 55.0));

  view->set_rotation(0, 0);
  view->set_manipulator_type(lib3d::ManipulatorType::Cursor);
  int calls = 0;
  view->set_cursor_notify([&](std::size_t, std::size_t) { ++calls; });
  win.Mouse({{wxEVT_LEFT_DOWN, 275, 75}, {wxEVT_MOTION, 276, 76}});  // the same cell: still a callback
  EXPECT_EQ(std::make_pair(Cell(2, 2), 2), std::make_pair(Cursor(), calls));
  // Losing the capture ends the drag: later moves change nothing.
  wxMouseCaptureLostEvent lost(view->GetId());
  lost.SetEventObject(view);
  view->ProcessWindowEvent(lost);
  win.Mouse({{wxEVT_MOTION, 125, 225}, {wxEVT_LEFT_UP, 125, 225}});
  EXPECT_EQ(std::make_pair(Cell(2, 2), 2), std::make_pair(Cursor(), calls));
}

// What the user sees and touches, through the X server at any desktop scale: the relief sits where
// it sits at scale 1, a click picks the cell under it, and a quick second press (a double click to
// GTK) is a press like any other.
TEST_F(ViewWindow, ScreenAndRealPointerAgreeAtAnyScale) {
  view->set_palette(Fill(0x0000FF));
  view->set_matrix(kBump, 3, 3);
  r3dtest::PumpEvents(100);
  const wxImage shot = r3dtest::GrabClientArea(view);
  ASSERT_TRUE(shot.IsOk()) << "no screen grabber (imagemagick's import)";
  const double f = view->GetContentScaleFactor();
  ASSERT_EQ(shot.GetWidth(), static_cast<int>(400 * f));
  for (const auto& [x, y, relief] : {std::tuple{140, 90, true}, {260, 90, true}, {200, 150, true}, {140, 210, true},
                                     {260, 210, true}, {20, 20, false}, {380, 20, false}, {20, 280, false}, {380, 280, false}}) {
    const Rgb p = PixelAt(shot, static_cast<int>(x * f), static_cast<int>(y * f));
    EXPECT_EQ(relief, p[0] > p[1] + 60 && p[0] > p[2] + 60) << x << "," << y << ": " << p[0] << " " << p[1] << " " << p[2];
  }
  wxUIActionSimulator sim;
  auto move = [&](int x, int y) { sim.MouseMove(view->ClientToScreen(wxPoint(x, y))), r3dtest::PumpEvents(30); };
  view->set_manipulator_type(lib3d::ManipulatorType::Cursor);
  int calls = 0;
  float height = -1;
  view->set_cursor_notify([&](std::size_t, std::size_t) { height = view->cursor_height(), ++calls; });
  // Each picks its cell and passes it on after the paint stored the height under the marker.
  const struct { int x, y; Cell want; bool twice; } clicks[] = {
      {125, 225, {0, 0}, false}, {275, 75, {2, 2}, false}, {200, 150, {1, 1}, false}, {275, 225, {2, 0}, true}};
  for (const auto& k : clicks) {
    calls = 0;
    move(k.x, k.y);
    k.twice ? sim.MouseDblClick() : sim.MouseClick();
    r3dtest::PumpEvents(100);
    EXPECT_EQ(std::make_tuple(Cursor(), calls, height),
              std::make_tuple(k.want, k.twice ? 2 : 1, k.want == Cell(2, 2) ? 1.0f : 0.0f)) << k.x << "," << k.y;
  }
  // A click, then at once a press that drags, pans by the pointer's way in view units (2 across the
  // shorter side), in a wide window as in a tall one.
  view->set_manipulator_type(lib3d::ManipulatorType::Pan);
  for (int width : {400, 200}) {
    view->SetSize(0, 0, width, 300);
    view->set_pan(0.1, 0.2);
    move(width / 2, 150);
    sim.MouseClick();
    sim.MouseDown();
    move(width / 2 + 40, 140);
    sim.MouseUp();
    r3dtest::PumpEvents(50);
    double x = 0, y = 0;
    view->get_pan(x, y);
    EXPECT_NEAR(0.1 + 40 * 2.0 / 300, x, 0.02) << width;
    EXPECT_NEAR(0.2 + 10 * 2.0 / 300, y, 0.02) << width;
  }
}

TEST_F(ViewWindow, DegenerateReliefsDrawWithoutFault) {
  view->set_palette(Fill(0x00FF00));
  view->set_matrix({std::nanf(""), 1.0f, INFINITY, 3.0f}, 2, 2);
  view->set_cursor(0, 0);
  EXPECT_TRUE(std::isnan(view->cursor_height()));
  view->set_matrix({7.0f}, 1, 1);
  view->set_cursor(0, 0);
  EXPECT_EQ(7.0f, view->cursor_height());
  view->set_matrix({1, 2, 3}, 3, 1);
  view->set_matrix({1, 2, 3}, 1, 3);
  view->set_matrix({1, 2}, 2, 2);  // too short: refused
  EXPECT_EQ(Cell(1, 3), Cell(view->get_width(), view->get_height()));
  view->set_matrix({}, 0, 0);
  EXPECT_TRUE(view->read_last_frame().IsOk());
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
  EXPECT_EQ(view->GetId(), 59648);
  ASSERT_TRUE(r3dtest::ShowAndWait(frame));
  view->set_matrix({1, 2, 3, 4}, 2, 2);
  view->zoom(true);
  view->set_cursor(1, 1);
  EXPECT_TRUE(view->zoom_percent() == 100 && view->cursor_height() == 4.0f && !view->read_last_frame().IsOk());
  EXPECT_EQ(r3dtest::AssertionCount(), assertions);
  frame->Destroy();
  r3dtest::PumpEvents(20);
}

}  // namespace
