// The relief view in a real window under Xvfb: the pixels the X server shows, picking, drags, callbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/uiaction.h>

#include "tests/support/GuiTest.h"
#include "tests/support/WindowGrab.h"
#include "view/GlxProbe.h"
#include "view/View.h"

using lib3d::View;

namespace {

struct Rgb {
  int r, g, b;
  int spread() const { return std::max({r, g, b}) - std::min({r, g, b}); }
};

Rgb PixelAt(const wxImage& img, int x, int y) { return Rgb{img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)}; }

std::vector<std::uint32_t> Fill(std::uint32_t word) { return std::vector<std::uint32_t>(256, word); }

// A 400 x 300 view in a shown frame, looking straight down (tilt 0, azimuth 0). With a 3 x 3 grid
// and the start zoom, cell (c, r) sits at client pixel (200 + 75 (c - 1), 150 - 75 (r - 1)).
class ViewWindow : public ::testing::Test {
protected:
  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "view test");
    frame_->SetClientSize(400, 300);
    view_ = View::make(frame_, {}, 0, 0, wxRect(0, 0, 400, 300));
    ASSERT_TRUE(r3dtest::ShowAndWait(frame_));
    view_->SetSize(0, 0, 400, 300);
    r3dtest::PumpEvents(30);
    ASSERT_TRUE(view_->IsShownOnScreen());
    view_->set_rotation(0, 0);
  }
  void TearDown() override {
    frame_->Destroy();
    r3dtest::PumpEvents();
  }
  // What the X server shows in the view's window.
  wxImage Shown() {
    wxImage img = r3dtest::GrabWindow(view_->GetXWindow(), 400, 300);
    EXPECT_TRUE(img.IsOk());
    return img;
  }
  static std::vector<float> Bump() {  // 3 x 3, flat at 0 except a top at cell (2, 2)
    std::vector<float> m(9, 0.0f);
    m[8] = 1.0f;
    return m;
  }
  void SendMouse(wxEventType type, int x, int y) {
    wxMouseEvent ev(type);
    ev.SetPosition(wxPoint(x, y));
    ev.SetEventObject(view_);
    view_->ProcessWindowEvent(ev);
  }
  std::pair<std::size_t, std::size_t> Cursor() {
    std::size_t c = 99, r = 99;
    view_->get_cursor(c, r);
    return {c, r};
  }
  using Cell = std::pair<std::size_t, std::size_t>;
  wxFrame* frame_ = nullptr;
  View* view_ = nullptr;
};

// Each step changes one setter; the centre (surface) or corner (background) shows its effect.
TEST_F(ViewWindow, BackgroundAndSurfaceColoursReachTheScreen) {
  struct Step {
    const char* what;
    std::function<void(View*)> apply;
    int x, y;
    Rgb want;  // on the surface: which channel is strong
  };
  const Step steps[] = {
      {"background red", [](View* v) { v->set_bgColor(0xFF0000); }, 10, 10, {0, 0, 255}},
      {"background blue", [](View* v) { v->set_bgColor(0x0000FF); }, 390, 290, {255, 0, 0}},
      {"black refused", [](View* v) { v->set_bgColor(0); }, 10, 290, {255, 0, 0}},
      {"green palette", [](View* v) { v->set_palette(Fill(0x00FF00)), v->set_matrix(std::vector<float>(9, 5), 3, 3); },
       200, 150, {0, 1, 0}},
      {"red colour matrix", [](View* v) { v->set_color_matrix(std::vector<std::uint32_t>(9, 0x0000FF)), v->set_scaleZ(1); },
       200, 150, {1, 0, 0}},
      // A colour matrix that does not fit the relief is not read: the palette colours it.
      {"matrix not fitting", [](View* v) { v->set_matrix(std::vector<float>(16, 5), 4, 4); }, 200, 150, {0, 1, 0}},
  };
  for (const Step& s : steps) {
    s.apply(view_);
    const Rgb p = PixelAt(Shown(), s.x, s.y);
    if (s.y != 150) {
      EXPECT_EQ(s.want.r, p.r) << s.what;
      EXPECT_EQ(s.want.b, p.b) << s.what;
    } else {  // lit surface: the strong channel is the wanted one
      EXPECT_GT(s.want.r ? p.r : p.g, 150) << s.what;
      EXPECT_LT(s.want.r ? p.g : p.r, 20) << s.what;
    }
  }
  EXPECT_EQ(0x0000FFu, view_->bg_color());
  // An empty palette without a colour matrix leaves the surface white (grey when lit).
  view_->set_color_matrix({});
  view_->set_palette({});
  const Rgb p = PixelAt(Shown(), 200, 150);
  EXPECT_GT(p.r, 150);
  EXPECT_EQ(0, p.spread());
}

TEST_F(ViewWindow, MarkerIsRgbWithWhitePaletteAndWhiteOtherwise) {
  view_->set_bgColor(0x202020);
  view_->set_palette(Fill(0xFFFFFF));
  view_->set_matrix(Bump(), 3, 3);
  view_->set_cursor(1, 1);
  // The most saturated pixel across a line (the surface under it is white or grey).
  auto strongest = [&](const wxImage& img, int x0, int y0, int dx, int dy) {
    Rgb best{0, 0, 0};
    for (int k = -3; k <= 3; ++k) {
      const Rgb p = PixelAt(img, x0 + k * dx, y0 + k * dy);
      if (p.spread() > best.spread()) best = p;
    }
    return best;
  };
  wxImage img = Shown();
  const Rgb column = strongest(img, 200, 110, 1, 0), row = strongest(img, 160, 150, 0, 1);
  EXPECT_TRUE(column.g > 200 && column.r < 60) << column.r << " " << column.g;
  EXPECT_TRUE(row.b > 200 && row.r < 60) << row.r << " " << row.b;

  view_->set_palette(Fill(0x404080));
  img = Shown();
  int white = 0;
  for (int x = 197; x <= 203; ++x) white += PixelAt(img, x, 110).r > 240 && PixelAt(img, x, 110).b > 240;
  EXPECT_GT(white, 0);
}

// Picking and setting the cursor: every cell centre picks its cell; a pick half a cell beyond the
// first centre still lands, further out or past width - 0.2 it is refused for that axis only; each
// change is passed on after the paint stored the height under the marker.
TEST_F(ViewWindow, CursorFollowsPicksAndCallsBackWithTheStoredHeight) {
  view_->set_matrix(Bump(), 3, 3);
  int calls = 0;
  float seen_height = -1;
  view_->set_cursor_notify([&](std::size_t, std::size_t) { seen_height = view_->cursor_height(), ++calls; });
  for (std::size_t c = 0; c < 3; ++c)
    for (std::size_t r = 0; r < 3; ++r) {
      view_->screen_to_cursor(200 + 75.0 * (double(c) - 1), 150 - 75.0 * (double(r) - 1));
      EXPECT_EQ(Cell(c, r), Cursor());
    }
  EXPECT_EQ(9, calls);
  EXPECT_EQ(1.0f, seen_height);  // the last pick was cell (2, 2), the top
  const struct { double col, y; Cell want; } rows[] = {{-1.2, 150, {0, 1}}, {-1.6, 75, {0, 2}}, {2.8, 225, {0, 0}}};
  view_->set_cursor(1, 1);
  for (const auto& k : rows) {
    view_->screen_to_cursor(200 + 75 * (k.col - 1), k.y);
    EXPECT_EQ(k.want, Cursor()) << k.col;
  }
  view_->set_cursor(2, 2);
  view_->set_cursor(3, 0);  // outside: no marker, height unchanged, still passed on
  EXPECT_EQ(1.0f, seen_height);
  EXPECT_EQ(3u, Cursor().first);
  calls = 0;
  view_->set_cursor_notify(View::CursorNotify());  // empty: disconnects
  view_->set_cursor(0, 0);
  EXPECT_EQ(0, calls);
  EXPECT_EQ(0.0f, view_->cursor_height());
  // Tilt is clamped to 0..180 (NaN too), azimuth is kept as given.
  const struct { double tilt, az, want_tilt; } rotations[] = {{-10, 400, 0}, {200, 0, 180}, {std::nan(""), 0, 0}};
  for (const auto& k : rotations) {
    double t = -1, a = -1;
    view_->set_rotation(k.tilt, k.az);
    view_->get_rotation(t, a);
    EXPECT_EQ(k.want_tilt, t);
    EXPECT_EQ(k.az, a);
  }
}

TEST_F(ViewWindow, DragsPanRotateAndMoveTheCursor) {
  view_->set_matrix(Bump(), 3, 3);
  // A left drag pans by the pointer's way in view units (2 across the shorter side), in a wide
  // window as in a tall one.
  for (int width : {400, 200}) {
    view_->SetSize(0, 0, width, 300);
    r3dtest::PumpEvents(20);
    view_->set_pan(0.1, 0.2);
    SendMouse(wxEVT_LEFT_DOWN, 50, 100);
    SendMouse(wxEVT_MOTION, 60, 96);
    SendMouse(wxEVT_LEFT_UP, 60, 96);
    double x, y;
    view_->get_pan(x, y);
    EXPECT_NEAR(0.1 + 10 * 2.0 / 300, x, 1e-6) << width;
    EXPECT_NEAR(0.2 + 4 * 2.0 / 300, y, 1e-6) << width;
  }
  view_->SetSize(0, 0, 400, 300);
  r3dtest::PumpEvents(20);
  // A right press replaces the pan with a rotation; either button ends it.
  view_->set_rotation(45, 45);
  SendMouse(wxEVT_LEFT_DOWN, 100, 100);
  SendMouse(wxEVT_RIGHT_DOWN, 100, 100);
  SendMouse(wxEVT_MOTION, 120, 130);
  double t, a;
  view_->get_rotation(t, a);
  EXPECT_DOUBLE_EQ(30.0, t);
  EXPECT_DOUBLE_EQ(55.0, a);
  SendMouse(wxEVT_LEFT_UP, 120, 130);
  SendMouse(wxEVT_MOTION, 200, 10);
  view_->get_rotation(t, a);
  EXPECT_DOUBLE_EQ(55.0, a);

  view_->set_rotation(0, 0);
  view_->set_manipulator_type(lib3d::ManipulatorType::Cursor);
  int calls = 0;
  view_->set_cursor_notify([&](std::size_t, std::size_t) { ++calls; });
  SendMouse(wxEVT_LEFT_DOWN, 275, 75);
  EXPECT_EQ(Cell(2, 2), Cursor());
  SendMouse(wxEVT_MOTION, 276, 76);  // same cell: still a callback
  EXPECT_EQ(2, calls);
  // Losing the capture ends the drag: later moves change nothing.
  wxMouseCaptureLostEvent lost(view_->GetId());
  lost.SetEventObject(view_);
  view_->ProcessWindowEvent(lost);
  SendMouse(wxEVT_MOTION, 125, 225);
  EXPECT_EQ(2, calls);
  EXPECT_EQ(Cell(2, 2), Cursor());
  SendMouse(wxEVT_LEFT_UP, 125, 225);
}

// What the user sees and touches, through the X server at any desktop scale: the relief sits where
// it sits at scale 1, a click picks the cell under it, and a quick second press (a double click to
// GTK) is a press like any other.
TEST_F(ViewWindow, ScreenAndRealPointerAgreeAtAnyScale) {
  view_->set_palette(Fill(0x0000FF));
  view_->set_matrix(std::vector<float>(9, 0.0f), 3, 3);
  r3dtest::PumpEvents(100);
  const wxImage shot = r3dtest::GrabClientArea(view_);
  ASSERT_TRUE(shot.IsOk()) << "no screen grabber (imagemagick's import)";
  const double f = view_->GetContentScaleFactor();
  ASSERT_EQ(shot.GetWidth(), static_cast<int>(400 * f));
  const struct { int x, y; bool relief; } samples[] = {
      {140, 90, true}, {260, 90, true}, {200, 150, true}, {140, 210, true}, {260, 210, true},
      {20, 20, false}, {380, 20, false}, {20, 280, false}, {380, 280, false}};
  for (const auto& s : samples) {
    const Rgb p = PixelAt(shot, static_cast<int>(s.x * f), static_cast<int>(s.y * f));
    EXPECT_EQ(s.relief, p.r > p.g + 60 && p.r > p.b + 60) << s.x << "," << s.y << ": " << p.r << " " << p.g << " " << p.b;
  }

  wxUIActionSimulator sim;
  view_->set_manipulator_type(lib3d::ManipulatorType::Cursor);
  int calls = 0;
  view_->set_cursor_notify([&](std::size_t, std::size_t) { ++calls; });
  const struct { int x, y; Cell want; bool twice; } clicks[] = {
      {125, 225, {0, 0}, false}, {275, 75, {2, 2}, false}, {200, 150, {1, 1}, false}, {275, 225, {2, 0}, true}};
  for (const auto& k : clicks) {
    calls = 0;
    sim.MouseMove(view_->ClientToScreen(wxPoint(k.x, k.y)));
    r3dtest::PumpEvents(30);
    k.twice ? sim.MouseDblClick() : sim.MouseClick();
    r3dtest::PumpEvents(100);
    EXPECT_EQ(k.want, Cursor()) << k.x << "," << k.y;
    EXPECT_EQ(k.twice ? 2 : 1, calls) << k.x << "," << k.y;
  }
  // Pan: a click, then at once a press that drags.
  view_->set_manipulator_type(lib3d::ManipulatorType::Pan);
  view_->set_pan(0, 0);
  sim.MouseMove(view_->ClientToScreen(wxPoint(200, 150)));
  r3dtest::PumpEvents(30);
  sim.MouseClick();
  sim.MouseDown();
  sim.MouseMove(view_->ClientToScreen(wxPoint(240, 150)));
  r3dtest::PumpEvents(50);
  sim.MouseUp();
  r3dtest::PumpEvents(50);
  double x = 0, y = 0;
  view_->get_pan(x, y);
  EXPECT_NEAR(40 * 2.0 / 300, x, 0.02);
}

TEST_F(ViewWindow, DegenerateReliefsDrawWithoutFault) {
  const float nan = std::nanf(""), inf = INFINITY;
  view_->set_palette(Fill(0x00FF00));
  view_->set_matrix({nan, 1.0f, inf, 3.0f}, 2, 2);
  view_->set_cursor(0, 0);
  EXPECT_TRUE(std::isnan(view_->cursor_height()));
  view_->set_matrix({7.0f}, 1, 1);
  view_->set_cursor(0, 0);
  EXPECT_EQ(7.0f, view_->cursor_height());
  view_->set_matrix({1, 2, 3}, 3, 1);
  view_->set_matrix({1, 2, 3}, 1, 3);
  view_->set_matrix({1, 2}, 2, 2);  // too short: refused
  EXPECT_EQ(1u, view_->get_width());
  EXPECT_EQ(3u, view_->get_height());
  view_->set_matrix({}, 0, 0);
  EXPECT_TRUE(view_->read_last_frame().IsOk());
}

class ExpectOpenGLMessage : public wxExpectModalBase<wxMessageDialog, ExpectOpenGLMessage> {
protected:
  int OnInvoked(wxMessageDialog* dlg) const override {
    EXPECT_EQ(dlg->GetMessage(), "OpenGL");
    return wxID_OK;
  }
};

// Where the display offers no GLX (GTK on Wayland, an X server without the extension) the view
// shows the OpenGL message, with no wx assertion before it, and goes on working without a picture.
TEST(ViewWithoutGlx, ShowsTheOpenGLMessageAndKeepsWorking) {
  if (lib3d::glx_available()) GTEST_SKIP() << "the display offers GLX";
  const int assertions = r3dtest::AssertionCount();
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "no GLX");
  View* view = nullptr;
  // Made as the viewer's frame makes it, with the frame's pane id.
  wxTEST_DIALOG((view = new View())->Create(frame, 59648, wxPoint(0, 0), wxSize(200, 100)), ExpectOpenGLMessage());
  EXPECT_EQ(view->GetId(), 59648);
  ASSERT_TRUE(r3dtest::ShowAndWait(frame));
  view->set_matrix({1, 2, 3, 4}, 2, 2);
  view->zoom(true);
  view->set_cursor(1, 1);
  EXPECT_EQ(view->zoom_percent(), 100);
  EXPECT_EQ(view->cursor_height(), 4.0f);
  EXPECT_FALSE(view->read_last_frame().IsOk());
  EXPECT_EQ(r3dtest::AssertionCount(), assertions);
  frame->Destroy();
  r3dtest::PumpEvents(20);
}

// A view set up while hidden (as the viewer's frame does before it first shows) shows the same
// pixels as one set up after showing; made with a relief, it keeps it.
TEST(ViewHidden, SetupWhileHiddenDrawsAsIfShownFromTheStart) {
  auto build = [](View* v) {
    v->set_rotation(30, 20);
    v->set_palette(Fill(0x3080C0));
    std::vector<float> m(20 * 15);
    for (int i = 0; i < 20 * 15; ++i) m[i] = std::sin(i * 0.3f);
    v->set_matrix(m, 20, 15);
    v->set_bgColor(0x105010);
  };
  float hidden_height = -1;
  wxFrame* f1 = new wxFrame(nullptr, wxID_ANY, "hidden first");
  f1->SetClientSize(300, 200);
  View* v1 = View::make(f1, {1, 2, 3, 4}, 2, 2, wxRect(0, 0, 300, 200));
  EXPECT_EQ(2u, v1->get_width());
  build(v1);
  v1->set_cursor_notify([&](std::size_t, std::size_t) { hidden_height = v1->cursor_height(); });
  v1->set_cursor(3, 4);
  EXPECT_FLOAT_EQ(std::sin(83 * 0.3f), hidden_height);  // stored although nothing was drawn
  EXPECT_TRUE(v1->has_surface());
  ASSERT_TRUE(r3dtest::ShowAndWait(f1));
  ASSERT_TRUE(r3dtest::WaitFor([&] { return v1->read_last_frame().IsOk(); }));
  const wxImage a = r3dtest::GrabWindow(v1->GetXWindow(), 300, 200);  // before the second frame covers it

  wxFrame* f2 = new wxFrame(nullptr, wxID_ANY, "shown first");
  f2->SetClientSize(300, 200);
  View* v2 = View::make(f2, {}, 0, 0, wxRect(0, 0, 300, 200));
  ASSERT_TRUE(r3dtest::ShowAndWait(f2));
  build(v2);
  v2->set_cursor(3, 4);
  const wxImage b = r3dtest::GrabWindow(v2->GetXWindow(), 300, 200);
  ASSERT_TRUE(a.IsOk() && b.IsOk());
  EXPECT_EQ(0, memcmp(a.GetData(), b.GetData(), 300 * 200 * 3));

  // The frame's close: the surface goes while hidden and a palette then compiles nothing.
  f1->Hide();
  v1->delete_surface();
  v1->set_palette(Fill(0xFFFFFF));
  EXPECT_FALSE(v1->has_surface());
  f1->Destroy();
  f2->Destroy();
  r3dtest::PumpEvents();
}

}  // namespace
