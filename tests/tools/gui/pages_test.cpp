#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <wx/colordlg.h>
#include <wx/testing.h>
#include <wx/uiaction.h>

#include "tests/tools/gui/ToolsFixture.h"

namespace {

constexpr double kPi = 3.141592653589793;

void ExpectLight(const lib3d::View* view, int azimuth, int elevation) {
  const double a = azimuth * kPi / 180, e = elevation * kPi / 180;
  EXPECT_NEAR(view->light_pos()[0], std::sin(e) * std::cos(a), 1e-5) << azimuth << "/" << elevation;
  EXPECT_NEAR(view->light_pos()[1], std::sin(e) * std::sin(a), 1e-5) << azimuth << "/" << elevation;
  EXPECT_NEAR(view->light_pos()[2], std::cos(e), 1e-5) << azimuth << "/" << elevation;
}

// Answers the colour chooser with `id`, keeping what the page handed to it. (GTK's chooser reads
// the user's choice from its own widget on a real OK, so a test cannot pick a colour through it;
// the page's handling of a choice is driven through TakeChooserResult instead.)
class ChooseColour : public wxExpectModalBase<wxColourDialog, ChooseColour> {
public:
  explicit ChooseColour(int id) : id_(id) {}
  static wxColourData seen;

protected:
  int OnInvoked(wxColourDialog* dlg) const override {
    seen = dlg->GetColourData();
    return id_;
  }

private:
  int id_;
};
wxColourData ChooseColour::seen;

// What the chooser returns when the user picked `word` and left the custom colours as given.
void Pick(CToolWinDlgBcGr* page, std::uint32_t word, int result = wxID_OK) {
  wxCommandEvent none;
  wxTEST_DIALOG(page->OnChooseColor(none), ChooseColour(wxID_CANCEL));
  wxColourData data = ChooseColour::seen;
  data.SetColour(wxColour(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF));
  page->TakeChooserResult(data, result);
}

std::uint32_t Word(const wxColour& c) { return c.Red() | (c.Green() << 8) | (c.Blue() << 16); }

int Brightness(const wxImage& img, int x, int y) {
  return img.GetRed(x, y) + img.GetGreen(x, y) + img.GetBlue(x, y);
}

}  // namespace

// ---------------------------------------------------------------- Scale

TEST_F(ToolsTest, ScaleStartsAt99WithoutTellingTheView) {
  MakeTools();
  ShowTools();
  wxSlider* s = tools->GetOffsetPage()->GetSlider();
  EXPECT_EQ(s->GetMin(), 1);
  EXPECT_EQ(s->GetMax(), 100);
  EXPECT_EQ(s->GetValue(), 99);
  EXPECT_FLOAT_EQ(view->scale_z(), 1.0f);
  EXPECT_FALSE(tools->GetOffsetPage()->GetApplyButton()->IsEnabled());
}

TEST_F(ToolsTest, EveryScrollNotificationSendsPercent) {
  MakeTools();
  ShowTools();
  wxSlider* s = tools->GetOffsetPage()->GetSlider();
  struct Step { int value; wxEventType type; float expected; };
  const Step steps[] = {
      {98, wxEVT_SCROLL_LINEUP, 0.98f},      {100, wxEVT_SCROLL_CHANGED, 1.0f},
      {1, wxEVT_SCROLL_TOP, 0.01f},          {50, wxEVT_SCROLL_THUMBTRACK, 0.5f},
      {51, wxEVT_SCROLL_THUMBRELEASE, 0.51f}, {61, wxEVT_SCROLL_PAGEDOWN, 0.61f},
      {100, wxEVT_SCROLL_BOTTOM, 1.0f},       {37, wxEVT_SCROLL_LINEDOWN, 0.37f},
  };
  for (const Step& st : steps) {
    Scroll(s, st.value, st.type);
    EXPECT_FLOAT_EQ(view->scale_z(), st.expected) << st.value;
  }
  // Events of other windows are not the slider's.
  wxScrollEvent other(wxEVT_SCROLL_CHANGED, 1, 5, wxHORIZONTAL);
  other.SetEventObject(tools->GetOffsetPage()->GetApplyButton());
  tools->GetOffsetPage()->GetEventHandler()->ProcessEvent(other);
  EXPECT_FLOAT_EQ(view->scale_z(), 0.37f);
}

// ---------------------------------------------------------------- Lighting

TEST_F(ToolsTest, LightingOpensAtTheViewsOwnLight) {
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 0);
  EXPECT_EQ(sun->GetElevationSpin()->GetPos(), 0);
  EXPECT_EQ(sun->GetAzimuthEdit()->GetValue(), "0");
  EXPECT_EQ(sun->GetAmbientSlider()->GetValue(), 30);
  EXPECT_EQ(sun->GetDiffuseSlider()->GetValue(), 70);
  EXPECT_EQ(sun->GetSpecularSlider()->GetValue(), 20);
  EXPECT_EQ(sun->GetAzimuthSlider()->GetMax(), 360);
  EXPECT_EQ(sun->GetElevationSlider()->GetMax(), 90);
  EXPECT_EQ(sun->GetMarkerX(), sun->GetLayout().centerX);
  EXPECT_EQ(sun->GetMarkerY(), sun->GetLayout().centerY);
  ExpectLight(view, 0, 0);
  EXPECT_FALSE(sun->GetApplyButton()->IsEnabled());

  const lib3d::LightSettings rec = sun->CurrentLight();
  const std::int32_t expected[15] = {0, 0, 0, 0, 0, 1, 30, 70, 20, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 15; ++i) EXPECT_EQ(rec.words[i], expected[i]) << i;
}

TEST_F(ToolsTest, SkyPictureHasThreeRingsAndNoMarker) {
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  wxImage sky = sun->GetSkyImage();
  ASSERT_TRUE(sky.IsOk());
  EXPECT_EQ(sky.GetWidth() % 4, 0);
  EXPECT_EQ(sky.GetHeight(), s.frame.bottom - s.frame.top);
  // Walking right from the centre along its row: white, then exactly three dark crossings.
  int crossings = 0;
  bool dark = false;
  for (int x = s.centerX; x < sky.GetWidth(); ++x) {
    const bool d = Brightness(sky, x, s.centerY) < 300;
    if (d && !dark) ++crossings;
    dark = d;
    EXPECT_EQ(sky.GetRed(x, s.centerY), sky.GetBlue(x, s.centerY)) << "no red in the picture";
  }
  EXPECT_EQ(crossings, 3);
  EXPECT_EQ(Brightness(sky, s.centerX, s.centerY), 765);
  EXPECT_EQ(Brightness(sky, 2, 2), 765);  // outside the outer ring: white
}

TEST_F(ToolsTest, ClicksPickAnglesAndDragsKeepTracking) {
  MakeTools();
  ShowTools();
  tools->GetTab()->SetSelection(1);
  tools->OnTabClick();
  r3dtest::PumpEvents(30);
  CToolWinDlgSun* sun = tools->GetSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  const int cx = s.frame.left + s.centerX, cy = s.frame.top + s.centerY;
  const int ring = s.dx / 2 + 1;

  struct Case { int x, y, azimuth, elevation; };
  const Case cases[] = {
      {cx + ring, cy, 0, 90},   {cx, cy - 20, 90, -1}, {cx - 20, cy, 180, -1},
      {cx, cy + 20, 270, -1},   {cx + ring - 1, cy + 1, 360, -1},
      {s.frame.left, s.frame.top, -1, 90},  // corner, edges included
  };
  for (const Case& c : cases) {
    wxMouseEvent down = Mouse(wxEVT_LEFT_DOWN, c.x, c.y);
    sun->OnLButtonDown(down);
    EXPECT_TRUE(sun->IsTracking());
    if (c.azimuth >= 0) {
      EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), c.azimuth) << c.x << "," << c.y;
    }
    if (c.elevation >= 0) {
      EXPECT_EQ(sun->GetElevationSpin()->GetPos(), c.elevation) << c.x << "," << c.y;
    }
    EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), sun->GetAzimuthSpin()->GetPos());
    EXPECT_EQ(sun->GetElevationSlider()->GetValue(), sun->GetElevationSpin()->GetPos());
    wxMouseEvent up = Mouse(wxEVT_LEFT_UP, c.x, c.y);
    sun->OnLButtonUp(up);
    EXPECT_FALSE(sun->IsTracking());
  }
  // The button-up does not send the light; the next move does.
  const lib3d::LightSettings now = sun->CurrentLight();
  ExpectLight(view, 0, 0);
  wxMouseEvent move = Mouse(wxEVT_MOTION, 2, s.frame.bottom + 5);
  sun->OnMouseMove(move);
  ExpectLight(view, now.words[3], now.words[4]);

  // Outside the frame a click does nothing.
  wxMouseEvent outside = Mouse(wxEVT_LEFT_DOWN, s.frame.right + 1, cy);
  sun->OnLButtonDown(outside);
  EXPECT_FALSE(sun->IsTracking());
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), now.words[3]);

  // Press near the centre, drag far out to the left: elevation held at 90, azimuth 180, light sent.
  wxMouseEvent down = Mouse(wxEVT_LEFT_DOWN, cx + 5, cy);
  sun->OnLButtonDown(down);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 0);
  EXPECT_LT(sun->GetElevationSpin()->GetPos(), 90);
  wxMouseEvent drag = Mouse(wxEVT_MOTION, -400, cy);
  sun->OnMouseMove(drag);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 180);
  EXPECT_EQ(sun->GetElevationSpin()->GetPos(), 90);
  ExpectLight(view, 180, 90);
  int mx = 0, my = 0;
  tools::MarkerPosition(s, 180, 90, mx, my);
  EXPECT_EQ(sun->GetMarkerX(), mx);
  EXPECT_EQ(sun->GetMarkerY(), my);
  wxMouseEvent up = Mouse(wxEVT_LEFT_UP, -400, cy - 3000);
  sun->OnLButtonUp(up);
  EXPECT_FALSE(sun->IsTracking());
  EXPECT_EQ(sun->GetElevationSpin()->GetPos(), 90);
  EXPECT_FALSE(sun->HasCapture());
}

// Real clicks on the sky picture: the angle sliders on screen show the picked angles at once.
TEST_F(ToolsTest, SlidersOnScreenFollowClicksOnTheSky) {
  MakeTools();
  ShowTools();
  tools->GetTab()->SetSelection(1);
  tools->OnTabClick();
  r3dtest::PumpEvents(50);
  CToolWinDlgSun* sun = tools->GetSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  const int cx = s.frame.left + s.centerX, cy = s.frame.top + s.centerY;
  wxUIActionSimulator sim;
  for (const wxPoint& at : {wxPoint(cx + 30, cy - 10), wxPoint(cx - 25, cy + 20), wxPoint(cx + 5, cy + 35)}) {
    sim.MouseMove(sun->ClientToScreen(at));
    r3dtest::PumpEvents(30);
    sim.MouseClick();
    r3dtest::PumpEvents(200);
    EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), sun->GetAzimuthSpin()->GetPos());
    for (wxSlider* slider : {sun->GetAzimuthSlider(), sun->GetElevationSlider()}) {
      const wxImage seen = r3dtest::GrabClientArea(slider);
      if (!seen.IsOk()) GTEST_SKIP() << "no screen grabber";
      slider->Refresh();
      r3dtest::PumpEvents(200);
      const wxImage fresh = r3dtest::GrabClientArea(slider);
      EXPECT_EQ(0, std::memcmp(seen.GetData(), fresh.GetData(), seen.GetWidth() * seen.GetHeight() * 3))
          << "slider drawn stale after a click at " << at.x << "," << at.y << ": " << slider->GetValue();
    }
  }
}

TEST_F(ToolsTest, TypedAnglesMoveMarkerButSendOnlyOnTheNextMove) {
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  sun->GetElevationEdit()->SetValue("45");  // SetValue raises the text event like typing
  sun->GetAzimuthEdit()->SetValue("90");
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 90);
  EXPECT_EQ(sun->GetElevationSlider()->GetValue(), 45);
  int mx = 0, my = 0;
  tools::MarkerPosition(sun->GetLayout(), 90, 45, mx, my);
  EXPECT_EQ(sun->GetMarkerX(), mx);
  EXPECT_EQ(sun->GetMarkerY(), my);
  ExpectLight(view, 0, 0);  // not sent

  wxMouseEvent move = Mouse(wxEVT_MOTION, 1, 1);
  sun->OnMouseMove(move);
  ExpectLight(view, 90, 45);

  // Out of range is clamped by the spin, and the edit shows the clamped number.
  sun->GetAzimuthEdit()->SetValue("400");
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 360);
  EXPECT_EQ(sun->GetAzimuthEdit()->GetValue(), "360");
  // Not a number: the last position stands, and an emptied field stays empty while typing.
  sun->GetAzimuthEdit()->SetValue("");
  EXPECT_EQ(sun->GetAzimuthEdit()->GetValue(), "");
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 360);
  sun->GetAzimuthEdit()->SetValue("x");
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 360);

  // The spin's down arrow: the slider and the marker follow, the light still waits.
  sun->GetAzimuthEdit()->SetValue("100");
  wxSpinEvent arrow(wxEVT_SPIN, sun->GetAzimuthSpin()->GetId());
  arrow.SetPosition(99);
  arrow.SetEventObject(sun->GetAzimuthSpin());
  sun->GetAzimuthSpin()->GetEventHandler()->ProcessEvent(arrow);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 99);
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 99);
  tools::MarkerPosition(sun->GetLayout(), 99, 45, mx, my);
  EXPECT_EQ(sun->GetMarkerX(), mx);
  ExpectLight(view, 90, 45);
}

TEST_F(ToolsTest, SlidersSendAtOnceAndAngleSlidersSyncOnTrackAndEnd) {
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  // A strength slider: the record goes out at once with the angles unchanged.
  Scroll(sun->GetAmbientSlider(), 80, wxEVT_SCROLL_LINEDOWN);
  EXPECT_EQ(sun->CurrentLight().words[lib3d::LightSettings::kAmbient], 80);

  // A line step of the azimuth slider sends the old angle; the end of the move brings the new one.
  sun->GetElevationEdit()->SetValue("60");
  Scroll(sun->GetAzimuthSlider(), 10, wxEVT_SCROLL_LINEDOWN);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 0);
  ExpectLight(view, 0, 60);
  Scroll(sun->GetAzimuthSlider(), 10, wxEVT_SCROLL_CHANGED);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 10);
  ExpectLight(view, 10, 60);
  // Thumb drags sync at once; the release is ignored entirely.
  Scroll(sun->GetElevationSlider(), 30, wxEVT_SCROLL_THUMBTRACK);
  EXPECT_EQ(sun->GetElevationEdit()->GetValue(), "30");
  ExpectLight(view, 10, 30);
  Scroll(sun->GetElevationSlider(), 70, wxEVT_SCROLL_THUMBRELEASE);
  EXPECT_EQ(sun->GetElevationSpin()->GetPos(), 30);
  ExpectLight(view, 10, 30);
}

// The light reaches the picture: a flat, white relief changes brightness with the light.
TEST_F(ToolsTest, LightChangesTheDrawnSurface) {
  std::vector<float> flat(40 * 40, 0.0f);
  view->set_palette(std::vector<std::uint32_t>(256, 0xFFFFFF));
  view->set_matrix(flat, 40, 40);
  r3dtest::PumpEvents(30);
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  auto centre = [&] {
    wxImage img = view->read_last_frame();
    if (!img.IsOk()) return -1;
    return Brightness(img, img.GetWidth() / 2, img.GetHeight() / 2);
  };
  Scroll(sun->GetAmbientSlider(), 30, wxEVT_SCROLL_CHANGED);
  const int start = centre();
  ASSERT_GE(start, 0);
  Scroll(sun->GetAmbientSlider(), 100, wxEVT_SCROLL_CHANGED);
  const int bright = centre();
  Scroll(sun->GetAmbientSlider(), 0, wxEVT_SCROLL_CHANGED);
  Scroll(sun->GetDiffuseSlider(), 0, wxEVT_SCROLL_CHANGED);
  Scroll(sun->GetSpecularSlider(), 0, wxEVT_SCROLL_CHANGED);
  const int dark = centre();
  EXPECT_GT(bright, start);
  EXPECT_LT(dark, start);

  // Only diffuse light: from the viewer's side versus grazing along the screen.
  Scroll(sun->GetDiffuseSlider(), 100, wxEVT_SCROLL_CHANGED);
  const int front = centre();
  Scroll(sun->GetElevationSlider(), 90, wxEVT_SCROLL_CHANGED);
  const int grazing = centre();
  EXPECT_GT(std::abs(front - grazing), 30) << front << " " << grazing;
  EXPECT_GT(front, dark);
}

// ---------------------------------------------------------------- Background

TEST_F(ToolsTest, ApplySendsThePagesColourOnly) {
  MakeTools();
  CToolWinDlgBcGr* bg = tools->GetBcGrPage();
  EXPECT_EQ(bg->GetColor(), 0x7F7F7Fu);
  EXPECT_TRUE(bg->GetApplyButton()->IsEnabled());
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), 0x7F7F7Fu);

  // Choose red: the page keeps it, the view does not see it until Apply, even across hiding.
  Pick(bg, 0x0000FF);
  EXPECT_EQ(bg->GetColor(), 0x0000FFu);
  EXPECT_EQ(view->bg_color(), 0x7F7F7Fu);
  ShowTools();
  Click(bg->GetCloseButton());
  ShowTools();
  EXPECT_EQ(bg->GetColor(), 0x0000FFu);
  EXPECT_EQ(view->bg_color(), 0x7F7F7Fu);
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), 0x0000FFu);
  r3dtest::PumpEvents(20);
  wxImage img = view->read_last_frame();
  ASSERT_TRUE(img.IsOk());
  EXPECT_EQ(img.GetRed(1, 1), 255);
  EXPECT_EQ(img.GetGreen(1, 1), 0);
  EXPECT_EQ(img.GetBlue(1, 1), 0);

  // Cancel keeps the colour; black sent with Apply leaves the background as it was.
  Pick(bg, 0x00FF00, wxID_CANCEL);
  EXPECT_EQ(bg->GetColor(), 0x0000FFu);
  Pick(bg, 0x000000);
  EXPECT_EQ(bg->GetColor(), 0u);
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), 0x0000FFu);
}

TEST_F(ToolsTest, SeventeenOpeningsCycleTheCustomColours) {
  MakeTools();
  CToolWinDlgBcGr* bg = tools->GetBcGrPage();
  wxCommandEvent none;
  const int first = CToolWinDlgBcGr::GetNextCustomColor();  // shared by every page object
  for (int i = 0; i < 16; ++i) {
    wxTEST_DIALOG(bg->OnChooseColor(none), ChooseColour(wxID_CANCEL));
    // The chooser opens on the page's colour, fully open, with the slot just filled.
    EXPECT_EQ(Word(ChooseColour::seen.GetColour()), 0x7F7F7Fu);
    EXPECT_TRUE(ChooseColour::seen.GetChooseFull());
    EXPECT_EQ(Word(ChooseColour::seen.GetCustomColour((first + i) % 16)), 0x7F7F7Fu);
  }
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bg->GetCustomColors()[i], 0x7F7F7Fu) << i;
  EXPECT_EQ(CToolWinDlgBcGr::GetNextCustomColor(), first);
  // The seventeenth opening overwrites the first slot again (with the colour current then) ...
  Pick(bg, 0x00FF00);
  EXPECT_EQ(bg->GetCustomColors()[first], 0x7F7F7Fu);
  // ... and the eighteenth pushes the colour chosen in the seventeenth into the next slot.
  wxTEST_DIALOG(bg->OnChooseColor(none), ChooseColour(wxID_CANCEL));
  EXPECT_EQ(bg->GetCustomColors()[(first + 1) % 16], 0x00FF00u);
  EXPECT_EQ(bg->GetCustomColors()[(first + 2) % 16], 0x7F7F7Fu);
}
