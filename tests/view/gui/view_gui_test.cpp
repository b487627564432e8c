// The relief view in a real window under Xvfb: pixels read back, picking, drags, callbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <vector>

#include <gdal.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/uiaction.h>

#include "tests/support/GuiTest.h"
#include "view/GlxProbe.h"
#include "view/LightSettings.h"
#include "view/View.h"

using lib3d::View;

namespace {

struct Rgb {
  int r, g, b;
};

Rgb PixelAt(const wxImage& img, int x, int y) {
  return Rgb{img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)};
}

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
  wxImage Frame() {
    wxImage img = view_->read_last_frame();
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
  wxFrame* frame_ = nullptr;
  View* view_ = nullptr;
};

TEST_F(ViewWindow, BackgroundWordsClearToTheirColour) {
  view_->set_bgColor(0xFF0000);
  Rgb p = PixelAt(Frame(), 10, 10);
  EXPECT_EQ(0, p.r);
  EXPECT_EQ(0, p.g);
  EXPECT_EQ(255, p.b);

  view_->set_bgColor(0x0000FF);
  p = PixelAt(Frame(), 390, 290);
  EXPECT_EQ(255, p.r);
  EXPECT_EQ(0, p.b);

  view_->set_bgColor(0);  // black cannot be set: red stays
  p = PixelAt(Frame(), 10, 290);
  EXPECT_EQ(255, p.r);
  EXPECT_EQ(0x0000FFu, view_->bg_color());
}

TEST_F(ViewWindow, SurfaceTakesPaletteOrColourMatrix) {
  view_->set_palette(std::vector<std::uint32_t>(256, 0x00FF00));  // green
  view_->set_matrix(std::vector<float>(9, 5.0f), 3, 3);           // flat: entry 0
  Rgb p = PixelAt(Frame(), 200, 150);
  EXPECT_GT(p.g, 150);
  EXPECT_LT(p.r, 20);

  view_->set_color_matrix(std::vector<std::uint32_t>(9, 0x0000FF));  // red, shown at next paint
  view_->set_scaleZ(1.0f);
  p = PixelAt(Frame(), 200, 150);
  EXPECT_GT(p.r, 150);
  EXPECT_LT(p.g, 20);

  // A colour matrix that does not fit the relief is not read: the palette colours it.
  view_->set_matrix(std::vector<float>(16, 5.0f), 4, 4);
  p = PixelAt(Frame(), 200, 150);
  EXPECT_GT(p.g, 150);
  EXPECT_LT(p.r, 20);

  // An empty palette without a colour matrix leaves the surface white (grey when lit).
  view_->set_color_matrix({});
  view_->set_palette({});
  p = PixelAt(Frame(), 200, 150);
  EXPECT_GT(p.r, 150);
  EXPECT_EQ(p.r, p.g);
  EXPECT_EQ(p.g, p.b);
}

TEST_F(ViewWindow, MarkerIsRgbWithWhitePaletteAndWhiteOtherwise) {
  view_->set_bgColor(0x202020);
  view_->set_palette(std::vector<std::uint32_t>(256, 0xFFFFFF));
  view_->set_matrix(Bump(), 3, 3);
  view_->set_cursor(1, 1);
  // Column line runs vertically through x = 200, row line horizontally through y = 150.
  auto strongest = [&](const wxImage& img, int x0, int y0, int dx, int dy) {
    Rgb best{0, 0, 0};
    for (int k = -2; k <= 2; ++k) {
      const Rgb p = PixelAt(img, x0 + k * dx, y0 + k * dy);
      // The most saturated pixel: the surface under the lines is white or grey.
      if (std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) >
          std::max({best.r, best.g, best.b}) - std::min({best.r, best.g, best.b}))
        best = p;
    }
    return best;
  };
  wxImage img = Frame();
  Rgb column = strongest(img, 200, 110, 1, 0);
  Rgb row = strongest(img, 160, 150, 0, 1);
  EXPECT_GT(column.g, 200);
  EXPECT_LT(column.r, 60);
  EXPECT_GT(row.b, 200);
  EXPECT_LT(row.r, 60);

  view_->set_palette(std::vector<std::uint32_t>(256, 0x404080));
  img = Frame();
  bool white_column = false;
  for (int x = 197; x <= 203; ++x) {
    const Rgb p = PixelAt(img, x, 110);
    if (p.r > 240 && p.g > 240 && p.b > 240) white_column = true;
  }
  EXPECT_TRUE(white_column);
}

TEST_F(ViewWindow, PickingFollowsCellCentresAndRangeRule) {
  view_->set_matrix(Bump(), 3, 3);
  std::vector<std::pair<std::size_t, std::size_t>> seen;
  view_->set_cursor_notify([&](std::size_t c, std::size_t r) { seen.emplace_back(c, r); });
  std::size_t c = 0, r = 0;
  for (std::size_t cc = 0; cc < 3; ++cc)
    for (std::size_t rr = 0; rr < 3; ++rr) {
      view_->screen_to_cursor(200 + 75.0 * (double(cc) - 1), 150 - 75.0 * (double(rr) - 1));
      view_->get_cursor(c, r);
      EXPECT_EQ(cc, c);
      EXPECT_EQ(rr, r);
    }
  EXPECT_EQ(9u, seen.size());
  // Object column -1.2 still is column 0; -1.6 is rejected and leaves the column alone while the
  // row still changes; 2.8 (width - 0.2) is rejected too.
  view_->set_cursor(1, 1);
  view_->screen_to_cursor(200 + 75 * (-1.2 - 1), 150);
  view_->get_cursor(c, r);
  EXPECT_EQ(0u, c);
  view_->screen_to_cursor(200 + 75 * (-1.6 - 1), 150 - 75);
  view_->get_cursor(c, r);
  EXPECT_EQ(0u, c);
  EXPECT_EQ(2u, r);
  view_->screen_to_cursor(200 + 75 * (2.8 - 1), 150 + 75);
  view_->get_cursor(c, r);
  EXPECT_EQ(0u, c);
  EXPECT_EQ(0u, r);
}

TEST_F(ViewWindow, SetCursorCallsBackAfterThePaintStoredTheHeight) {
  view_->set_matrix(Bump(), 3, 3);
  float seen_height = -1;
  int calls = 0;
  view_->set_cursor_notify([&](std::size_t, std::size_t) {
    seen_height = view_->cursor_height();
    ++calls;
  });
  view_->set_cursor(2, 2);
  EXPECT_EQ(1.0f, seen_height);
  view_->set_cursor(3, 0);  // outside: no marker, height unchanged, still passed on
  EXPECT_EQ(1.0f, seen_height);
  std::size_t c, r;
  view_->get_cursor(c, r);
  EXPECT_EQ(3u, c);
  view_->set_cursor_notify(View::CursorNotify());  // empty: disconnects
  view_->set_cursor(0, 0);
  EXPECT_EQ(2, calls);
  EXPECT_EQ(0.0f, view_->cursor_height());
}

TEST_F(ViewWindow, CameraSettersClampAndZoomFollowsItsTable) {
  double t, a;
  view_->set_rotation(-10, 400);
  view_->get_rotation(t, a);
  EXPECT_EQ(0.0, t);
  EXPECT_EQ(400.0, a);
  view_->set_rotation(200, 0);
  view_->get_rotation(t, a);
  EXPECT_EQ(180.0, t);
  view_->set_rotation(std::nan(""), 0);
  view_->get_rotation(t, a);
  EXPECT_EQ(0.0, t);

  EXPECT_EQ(50, view_->zoom_percent());
  view_->zoom(true);
  EXPECT_EQ(100, view_->zoom_percent());
  view_->zoom(true);
  EXPECT_EQ(200, view_->zoom_percent());
  EXPECT_FLOAT_EQ(0.5f, view_->zoom_scale());
  view_->zoom(false);
  view_->zoom(false);
  view_->zoom(false);
  EXPECT_EQ(33, view_->zoom_percent());
  view_->zoom(false);
  EXPECT_EQ(25, view_->zoom_percent());
  EXPECT_FLOAT_EQ(4.0f, view_->zoom_scale());
}

TEST_F(ViewWindow, DragsPanRotateAndMoveTheCursor) {
  view_->set_matrix(Bump(), 3, 3);
  view_->set_pan(0.1, 0.2);
  SendMouse(wxEVT_LEFT_DOWN, 100, 100);
  SendMouse(wxEVT_MOTION, 110, 96);
  double x, y;
  view_->get_pan(x, y);
  EXPECT_NEAR(0.1 + 10 * 2.0 / 400 * (400.0 / 300), x, 1e-6);
  EXPECT_NEAR(0.2 + 4 * 2.0 / 300, y, 1e-6);
  // A right press replaces the pan with a rotation; either button ends it.
  view_->set_rotation(45, 45);
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
  SendMouse(wxEVT_LEFT_DOWN, 275, 75);  // cell (2, 2)
  std::size_t c, r;
  view_->get_cursor(c, r);
  EXPECT_EQ(2u, c);
  EXPECT_EQ(2u, r);
  SendMouse(wxEVT_MOTION, 276, 76);  // same cell: still a callback
  EXPECT_EQ(2, calls);
  // Losing the capture ends the drag: later moves change nothing.
  wxMouseCaptureLostEvent lost(view_->GetId());
  lost.SetEventObject(view_);
  view_->ProcessWindowEvent(lost);
  SendMouse(wxEVT_MOTION, 125, 225);
  EXPECT_EQ(2, calls);
  view_->get_cursor(c, r);
  EXPECT_EQ(2u, c);
  SendMouse(wxEVT_LEFT_UP, 125, 225);
}

// What the user sees and touches, through the X server at any desktop scale: the relief sits where
// it sits at scale 1, a click picks the cell under it, and a quick second press (a double click to
// GTK) is a press like any other.
TEST_F(ViewWindow, ScreenAndRealPointerAgreeAtAnyScale) {
  view_->set_palette(std::vector<std::uint32_t>(256, 0x0000FF));
  view_->set_matrix(std::vector<float>(9, 0.0f), 3, 3);
  r3dtest::PumpEvents(100);
  const wxImage shot = r3dtest::GrabClientArea(view_);
  if (!shot.IsOk()) GTEST_SKIP() << "no screen grabber (imagemagick import)";
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
  const struct { int x, y; std::size_t c, r; bool twice; } clicks[] = {
      {125, 225, 0, 0, false}, {275, 75, 2, 2, false}, {200, 150, 1, 1, false}, {275, 225, 2, 0, true}};
  for (const auto& k : clicks) {
    calls = 0;
    sim.MouseMove(view_->ClientToScreen(wxPoint(k.x, k.y)));
    r3dtest::PumpEvents(30);
    k.twice ? sim.MouseDblClick() : sim.MouseClick();
    r3dtest::PumpEvents(100);
    std::size_t c = 9, r = 9;
    view_->get_cursor(c, r);
    EXPECT_EQ(k.c, c) << k.x << "," << k.y;
    EXPECT_EQ(k.r, r) << k.x << "," << k.y;
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
  EXPECT_NEAR(40 * 2.0 / 400 * (400.0 / 300), x, 0.02);
}

TEST_F(ViewWindow, TallWindowPanStillFollowsThePointer) {
  view_->SetSize(0, 0, 200, 300);  // aspect 2/3: 2 * 2/3 units across 200 pixels
  r3dtest::PumpEvents(20);
  view_->set_matrix(Bump(), 3, 3);
  view_->set_pan(0, 0);
  SendMouse(wxEVT_LEFT_DOWN, 50, 50);
  SendMouse(wxEVT_MOTION, 60, 50);
  SendMouse(wxEVT_LEFT_UP, 60, 50);
  double x, y;
  view_->get_pan(x, y);
  EXPECT_NEAR(10 * (2.0 / 200) * (200.0 / 300), x, 1e-6);
  EXPECT_EQ(0.0, y);
  EXPECT_EQ(200, view_->read_last_frame().GetWidth());
}

TEST_F(ViewWindow, DegenerateReliefsDrawWithoutFault) {
  const float nan = std::nanf(""), inf = INFINITY;
  view_->set_palette(std::vector<std::uint32_t>(256, 0x00FF00));
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
  EXPECT_TRUE(Frame().IsOk());
}

namespace {
class ExpectOpenGLMessage : public wxExpectModalBase<wxMessageDialog, ExpectOpenGLMessage> {
protected:
  int OnInvoked(wxMessageDialog* dlg) const override {
    EXPECT_EQ(dlg->GetMessage(), "OpenGL");
    EXPECT_EQ(dlg->GetTitle(), "lib3d OpenGL view");
    return wxID_OK;
  }
};
}  // namespace

// Where the display offers no GLX (GTK on Wayland, an X server without the extension) the view
// shows the OpenGL message, with no wx assertion before it, and goes on working without a picture.
TEST(ViewWithoutGlx, ShowsTheOpenGLMessageAndKeepsWorking) {
  if (lib3d::glx_available()) GTEST_SKIP() << "the display offers GLX";
  const int assertions = r3dtest::AssertionCount();
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "no GLX");
  View* view = nullptr;
  wxTEST_DIALOG(view = View::make(frame, {}, 0, 0, wxRect(0, 0, 200, 100)), ExpectOpenGLMessage());
  ASSERT_NE(view, nullptr);
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

TEST(ViewHidden, SetupWhileHiddenDrawsAsIfShownFromTheStart) {
  auto build = [](View* v) {
    v->set_rotation(30, 20);
    v->set_palette(std::vector<std::uint32_t>(256, 0x3080C0));
    std::vector<float> m(20 * 15);
    for (int i = 0; i < 20 * 15; ++i) m[i] = std::sin(i * 0.3f);
    v->set_matrix(m, 20, 15);
    v->set_bgColor(0x105010);
  };
  float hidden_height = -1;
  wxFrame* f1 = new wxFrame(nullptr, wxID_ANY, "hidden first");
  f1->SetClientSize(300, 200);
  View* v1 = new View();
  v1->Create(f1, wxID_ANY, wxPoint(0, 0), wxSize(300, 200));
  build(v1);
  v1->set_cursor_notify([&](std::size_t, std::size_t) { hidden_height = v1->cursor_height(); });
  v1->set_cursor(3, 4);
  EXPECT_FLOAT_EQ(std::sin(83 * 0.3f), hidden_height);  // stored although nothing was drawn
  EXPECT_TRUE(v1->has_surface());
  ASSERT_TRUE(r3dtest::ShowAndWait(f1));
  ASSERT_TRUE(r3dtest::WaitFor([&] { return v1->read_last_frame().IsOk(); }));

  wxFrame* f2 = new wxFrame(nullptr, wxID_ANY, "shown first");
  f2->SetClientSize(300, 200);
  View* v2 = View::make(f2, {}, 0, 0, wxRect(0, 0, 300, 200));
  ASSERT_TRUE(r3dtest::ShowAndWait(f2));
  build(v2);
  v2->set_cursor(3, 4);

  wxImage a = v1->read_last_frame(), b = v2->read_last_frame();
  ASSERT_TRUE(a.IsOk());
  ASSERT_TRUE(b.IsOk());
  ASSERT_EQ(a.GetSize(), b.GetSize());
  EXPECT_EQ(0, memcmp(a.GetData(), b.GetData(), a.GetWidth() * a.GetHeight() * 3));

  // The frame's close: the surface goes while hidden and a palette then compiles nothing.
  f1->Hide();
  v1->delete_surface();
  EXPECT_FALSE(v1->has_surface());
  v1->set_palette(std::vector<std::uint32_t>(256, 0xFFFFFF));
  EXPECT_FALSE(v1->has_surface());
  f1->Destroy();
  f2->Destroy();
  r3dtest::PumpEvents();
}

TEST(ViewMake, SecondMakeKeepsTheClassName) {
  wxFrame* f = new wxFrame(nullptr, wxID_ANY, "make");
  View::make(f, {}, 0, 0, wxRect(0, 0, 50, 50));
  const char* first = View::class_name();
  ASSERT_NE(nullptr, first);
  View* second = View::make(f, {1, 2, 3, 4}, 2, 2, wxRect(0, 0, 50, 50));
  EXPECT_EQ(first, View::class_name());
  EXPECT_EQ(2u, second->get_width());
  EXPECT_EQ("lib3d", second->GetName());
  f->Destroy();
  r3dtest::PumpEvents();
}

// A picture of the sample elevation model, kept under the build tree for people to look at.
TEST(ViewSample, DrawsTheSampleDem) {
  GDALAllRegister();
  GDALDatasetH ds = GDALOpen(R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif", GA_ReadOnly);
  ASSERT_NE(nullptr, ds);
  const int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
  std::vector<float> m(static_cast<std::size_t>(w) * h);
  ASSERT_EQ(CE_None, GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, w, h, m.data(), w, h,
                                  GDT_Float32, 0, 0));
  GDALClose(ds);
  wxFrame* f = new wxFrame(nullptr, wxID_ANY, "sample");
  f->SetClientSize(800, 600);
  View* v = View::make(f, {}, 0, 0, wxRect(0, 0, 800, 600));
  ASSERT_TRUE(r3dtest::ShowAndWait(f));
  std::vector<std::uint32_t> pal(256);
  for (int i = 0; i < 256; ++i)  // green lowlands through brown to white tops
    pal[i] = static_cast<std::uint32_t>((i < 128 ? 40 + i : 168 + (i - 128) * 87 / 127)) |
             static_cast<std::uint32_t>(i < 128 ? 120 + i / 2 : 184 + (i - 128) * 71 / 127) << 8 |
             static_cast<std::uint32_t>(i < 128 ? 40 : 40 + (i - 128) * 215 / 127) << 16;
  v->set_palette(pal);
  v->set_matrix(m, w, h);
  v->set_scaleZ(0.15f);
  v->zoom(true);
  v->set_pan(0.0, 0.3);
  v->set_rotation(55, 30);
  v->set_cursor(w / 2, h / 2);
  wxImage img = v->read_last_frame();
  ASSERT_TRUE(img.IsOk());
  wxInitAllImageHandlers();
  EXPECT_TRUE(img.SaveFile(R3D_BIN_DIR "/../view_sample.png", wxBITMAP_TYPE_PNG));
  int covered = 0;  // the relief fills a good part of the window
  for (int y = 0; y < 600; y += 10)
    for (int x = 0; x < 800; x += 10) covered += PixelAt(img, x, y).r != 127 || PixelAt(img, x, y).g != 127;
  EXPECT_GT(covered, 4800 / 5);
  f->Destroy();
  r3dtest::PumpEvents();
}

}  // namespace
