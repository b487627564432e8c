#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
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

int Brightness(const wxImage& img, int x, int y) { return img.GetRed(x, y) + img.GetGreen(x, y) + img.GetBlue(x, y); }

int RedPixels(const wxImage& img, const wxRect& r) {
  int n = 0;
  for (int y = std::max(r.y, 0); y < std::min(r.GetBottom() + 1, img.GetHeight()); ++y)
    for (int x = std::max(r.x, 0); x < std::min(r.GetRight() + 1, img.GetWidth()); ++x)
      n += img.GetRed(x, y) > 200 && img.GetGreen(x, y) < 60 && img.GetBlue(x, y) < 60;
  return n;
}

}  // namespace

// ---------------------------------------------------------------- Scale

TEST_F(ToolsTest, ScaleStartsAt99AndEveryScrollNotificationSendsPercent) {
  MakeTools();
  ShowTools();
  wxSlider* s = tools->GetOffsetPage()->GetSlider();
  EXPECT_EQ(s->GetValue(), 99);
  EXPECT_FLOAT_EQ(view->scale_z(), 1.0f);  // opening does not tell the view
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

TEST_F(ToolsTest, ClicksPickAnglesAndDragsKeepTracking) {
  MakeTools();
  ShowTools();
  CToolWinDlgSun* sun = ShowSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  const int cx = s.frame.left + s.centerX, cy = s.frame.top + s.centerY;
  EXPECT_EQ(wxPoint(sun->GetMarkerX(), sun->GetMarkerY()), wxPoint(s.centerX, s.centerY));  // the view's light
  // Inside the frame (its corner included) a press picks the angles under it and starts tracking.
  for (const wxPoint& at : {wxPoint(cx + s.dx / 2 + 1, cy), wxPoint(cx, cy - 20), wxPoint(cx - 20, cy + 9),
                            wxPoint(cx + s.dx / 2, cy + 1), wxPoint(s.frame.left, s.frame.top)}) {
    const tools::SkyAngles want = tools::PointToAngles(s, at.x, at.y, sun->GetAzimuthSpin()->GetPos());
    wxMouseEvent down = Mouse(wxEVT_LEFT_DOWN, at.x, at.y), up = Mouse(wxEVT_LEFT_UP, at.x, at.y);
    sun->OnLButtonDown(down);
    EXPECT_TRUE(sun->IsTracking());
    EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), want.azimuth) << at.x << "," << at.y;
    EXPECT_EQ(sun->GetElevationSpin()->GetPos(), want.elevation) << at.x << "," << at.y;
    EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), want.azimuth);
    EXPECT_EQ(sun->GetElevationSlider()->GetValue(), want.elevation);
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
  wxMouseEvent down = Mouse(wxEVT_LEFT_DOWN, cx + 5, cy), drag = Mouse(wxEVT_MOTION, -400, cy);
  sun->OnLButtonDown(down);
  EXPECT_LT(sun->GetElevationSpin()->GetPos(), 90);
  sun->OnMouseMove(drag);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 180);
  EXPECT_EQ(sun->GetElevationSpin()->GetPos(), 90);
  ExpectLight(view, 180, 90);
  wxMouseEvent up = Mouse(wxEVT_LEFT_UP, -400, cy - 3000);
  sun->OnLButtonUp(up);
  EXPECT_FALSE(sun->IsTracking());
  EXPECT_FALSE(sun->HasCapture());
}

// Real clicks on the sky picture: the angle sliders on screen show the picked angles at once
// (a repaint forced afterwards changes nothing on screen).
TEST_F(ToolsTest, SlidersOnScreenFollowClicksOnTheSky) {
  MakeTools();
  ShowTools();
  CToolWinDlgSun* sun = ShowSunPage();
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
      ASSERT_TRUE(seen.IsOk()) << "no screen grabber (imagemagick's import)";
      slider->Refresh();
      r3dtest::PumpEvents(200);
      const wxImage fresh = r3dtest::GrabClientArea(slider);
      EXPECT_EQ(0, std::memcmp(seen.GetData(), fresh.GetData(), seen.GetWidth() * seen.GetHeight() * 3))
          << "slider drawn stale after a click at " << at.x << "," << at.y << ": " << slider->GetValue();
    }
  }
}

// The X screen after the marker was moved (kept in the build directory for people to look at): the
// red marker at its new place and inside its own square, nothing left at the old place, the sky
// picture around it.
TEST_F(ToolsTest, LightingPageScreenshotShowsTheMovedMarker) {
  ASSERT_EQ(std::system("command -v import >/dev/null 2>&1"), 0) << "imagemagick's import is missing";
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  MakeTools();
  tools->Move(660, 40);
  ShowTools();
  CToolWinDlgSun* sun = ShowSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  const wxPoint origin = sun->ClientToScreen(wxPoint(s.frame.left, s.frame.top));
  const wxPoint was = origin + wxPoint(sun->GetMarkerX(), sun->GetMarkerY());
  int mx = 0, my = 0;
  tools::MarkerPosition(s, 45, 60, mx, my);
  wxMouseEvent down = Mouse(wxEVT_LEFT_DOWN, s.frame.left + mx, s.frame.top + my);
  wxMouseEvent up = Mouse(wxEVT_LEFT_UP, s.frame.left + mx, s.frame.top + my);
  sun->OnLButtonDown(down);
  sun->OnLButtonUp(up);
  EXPECT_NEAR(sun->GetAzimuthSpin()->GetPos(), 45, 3);
  EXPECT_NEAR(sun->GetElevationSpin()->GetPos(), 60, 2);
  // Events pumped without a running main loop leave GTK's frame clock idle, so the sliders are
  // not laid out again after a value change; a synchronous repaint brings them up to date.
  tools->Refresh();
  tools->Update();
  r3dtest::PumpEvents(100);

  const std::string png = std::string(R3D_BIN_DIR) + "/../tools_lighting_page.png";
  ASSERT_EQ(std::system(("import -window root '" + png + "'").c_str()), 0);
  const wxImage shot(wxString::FromUTF8(png), wxBITMAP_TYPE_PNG);
  ASSERT_TRUE(shot.IsOk());
  const wxPoint now = origin + wxPoint(sun->GetMarkerX(), sun->GetMarkerY());
  const int inside = RedPixels(shot, wxRect(now.x - 7, now.y - 7, 15, 15));
  EXPECT_GT(inside, 20) << "marker at its new place";
  EXPECT_EQ(RedPixels(shot, wxRect(now.x - 10, now.y - 10, 21, 21)), inside) << "marker inside its square";
  EXPECT_EQ(RedPixels(shot, wxRect(was.x - 10, was.y - 10, 21, 21)), 0) << "old marker erased";
  // The sky around it: from the white centre rightwards along its row, exactly three dark ring
  // crossings and no red, then white outside the outer ring.
  const wxPoint centre = origin + wxPoint(s.centerX, s.centerY);
  EXPECT_EQ(Brightness(shot, centre.x, centre.y), 765);
  int crossings = 0;
  bool dark = false;
  for (int x = centre.x; x < origin.x + s.frame.right - s.frame.left - 2; ++x) {
    const bool d = Brightness(shot, x, centre.y) < 300;
    crossings += d && !dark;
    dark = d;
    EXPECT_EQ(shot.GetRed(x, centre.y), shot.GetBlue(x, centre.y)) << x;
  }
  EXPECT_EQ(crossings, 3);
  EXPECT_FALSE(dark);
}

// Typed angles and spin arrows move the marker but send only on the next move; sliders send at once.
TEST_F(ToolsTest, TypedAnglesWaitForTheNextMoveAndSlidersSendAtOnce) {
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  auto markerAt = [&](int az, int el) {
    int mx = 0, my = 0;
    tools::MarkerPosition(sun->GetLayout(), az, el, mx, my);
    return wxPoint(sun->GetMarkerX(), sun->GetMarkerY()) == wxPoint(mx, my);
  };
  sun->GetElevationEdit()->SetValue("45");  // SetValue raises the text event like typing
  sun->GetAzimuthEdit()->SetValue("90");
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 90);
  EXPECT_EQ(sun->GetElevationSlider()->GetValue(), 45);
  EXPECT_TRUE(markerAt(90, 45));
  ExpectLight(view, 0, 0);  // not sent
  wxMouseEvent move = Mouse(wxEVT_MOTION, 1, 1);
  sun->OnMouseMove(move);
  ExpectLight(view, 90, 45);

  // {typed, slider after, edit after}: clamped by the spin, an emptied field stays empty while
  // typing, not a number gives way to the last position.
  const struct { const char* typed; int slider; const char* shown; } rows[] = {
      {"400", 360, "360"}, {"", 360, ""}, {"x", 360, "360"}};
  for (const auto& r : rows) {
    sun->GetAzimuthEdit()->SetValue(r.typed);
    EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), r.slider) << r.typed;
    EXPECT_EQ(sun->GetAzimuthEdit()->GetValue(), r.shown) << r.typed;
  }

  // The spin's down arrow: the slider and the marker follow, the light still waits.
  sun->GetAzimuthEdit()->SetValue("100");
  wxSpinEvent arrow(wxEVT_SPIN, sun->GetAzimuthSpin()->GetId());
  arrow.SetPosition(99);
  arrow.SetEventObject(sun->GetAzimuthSpin());
  sun->GetAzimuthSpin()->GetEventHandler()->ProcessEvent(arrow);
  EXPECT_EQ(sun->GetAzimuthSlider()->GetValue(), 99);
  EXPECT_TRUE(markerAt(99, 45));
  ExpectLight(view, 90, 45);

  // A strength slider: the record goes out at once, with the angles the page shows.
  Scroll(sun->GetAmbientSlider(), 80, wxEVT_SCROLL_LINEDOWN);
  EXPECT_EQ(sun->CurrentLight().words[lib3d::LightSettings::kAmbient], 80);
  ExpectLight(view, 99, 45);
  sun->GetAzimuthEdit()->SetValue("0");
  sun->GetElevationEdit()->SetValue("60");
  // A line step of the azimuth slider sends the old angle; the end of the move brings the new one;
  // thumb drags sync at once; the release is ignored entirely.
  const struct { wxSlider* slider; int value; wxEventType type; int az, el; } steps[] = {
      {sun->GetAzimuthSlider(), 10, wxEVT_SCROLL_LINEDOWN, 0, 60},
      {sun->GetAzimuthSlider(), 10, wxEVT_SCROLL_CHANGED, 10, 60},
      {sun->GetElevationSlider(), 30, wxEVT_SCROLL_THUMBTRACK, 10, 30},
      {sun->GetElevationSlider(), 70, wxEVT_SCROLL_THUMBRELEASE, 10, 30}};
  for (const auto& st : steps) {
    Scroll(st.slider, st.value, st.type);
    EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), st.az) << st.type;
    EXPECT_EQ(sun->GetElevationSpin()->GetPos(), st.el) << st.type;
    ExpectLight(view, st.az, st.el);
  }
}

// The light reaches the screen: a flat, white relief changes brightness with the light.
TEST_F(ToolsTest, LightChangesTheDrawnSurface) {
  view->set_palette(std::vector<std::uint32_t>(256, 0xFFFFFF));
  view->set_matrix(std::vector<float>(40 * 40, 0.0f), 40, 40);
  MakeTools();
  CToolWinDlgSun* sun = tools->GetSunPage();
  auto centre = [&] {
    const wxImage img = ViewShown();
    return img.IsOk() ? Brightness(img, img.GetWidth() / 2, img.GetHeight() / 2) : -1;
  };
  Scroll(sun->GetAmbientSlider(), 30, wxEVT_SCROLL_CHANGED);
  const int start = centre();
  ASSERT_GE(start, 0);
  Scroll(sun->GetAmbientSlider(), 100, wxEVT_SCROLL_CHANGED);
  EXPECT_GT(centre(), start);
  for (wxSlider* s : {sun->GetAmbientSlider(), sun->GetDiffuseSlider(), sun->GetSpecularSlider()})
    Scroll(s, 0, wxEVT_SCROLL_CHANGED);
  const int dark = centre();
  EXPECT_LT(dark, start);
  // Only diffuse light: from the viewer's side versus grazing along the screen.
  Scroll(sun->GetDiffuseSlider(), 100, wxEVT_SCROLL_CHANGED);
  const int front = centre();
  Scroll(sun->GetElevationSlider(), 90, wxEVT_SCROLL_CHANGED);
  EXPECT_GT(std::abs(front - centre()), 30) << front;
  EXPECT_GT(front, dark);
}

// ---------------------------------------------------------------- Background

TEST_F(ToolsTest, ApplySendsThePagesColourOnly) {
  MakeTools();
  CToolWinDlgBcGr* bg = tools->GetBcGrPage();
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), bg->GetColor());
  const std::uint32_t start = bg->GetColor();

  // Choose red: the page keeps it, the view does not see it until Apply, even across hiding.
  Pick(bg, 0x0000FF);
  ShowTools();
  Click(bg->GetCloseButton());
  ShowTools();
  EXPECT_EQ(bg->GetColor(), 0x0000FFu);
  EXPECT_EQ(view->bg_color(), start);
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), 0x0000FFu);
  const wxImage img = ViewShown();
  ASSERT_TRUE(img.IsOk());
  EXPECT_EQ(Word(wxColour(img.GetRed(1, 1), img.GetGreen(1, 1), img.GetBlue(1, 1))), 0x0000FFu);

  // Cancel keeps the colour; black sent with Apply leaves the background as it was.
  Pick(bg, 0x00FF00, wxID_CANCEL);
  EXPECT_EQ(bg->GetColor(), 0x0000FFu);
  Pick(bg, 0x000000);
  EXPECT_EQ(bg->GetColor(), 0u);
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), 0x0000FFu);
}

// Every opening stores the colour current then in the next custom slot; the seventeenth wraps to
// the first slot. Each pick differs, so a slot written twice or skipped shows.
TEST_F(ToolsTest, SeventeenOpeningsCycleTheCustomColours) {
  MakeTools();
  CToolWinDlgBcGr* bg = tools->GetBcGrPage();
  const int first = CToolWinDlgBcGr::GetNextCustomColor();  // shared by every page object
  std::uint32_t current = bg->GetColor();
  for (std::uint32_t i = 0; i < 17; ++i) {
    const int slot = (first + static_cast<int>(i)) % 16;
    Pick(bg, 0x010203u * (i + 1));
    // The chooser opened on the page's colour, fully open, with the slot just filled.
    EXPECT_EQ(Word(ChooseColour::seen.GetColour()), current) << i;
    EXPECT_TRUE(ChooseColour::seen.GetChooseFull());
    EXPECT_EQ(Word(ChooseColour::seen.GetCustomColour(slot)), current) << i;
    EXPECT_EQ(bg->GetCustomColors()[slot], current) << i;
    current = 0x010203u * (i + 1);
  }
  EXPECT_EQ(bg->GetCustomColors()[first], 0x010203u * 16);  // the grey of the first opening is gone
  EXPECT_EQ(bg->GetCustomColors()[(first + 1) % 16], 0x010203u);
  EXPECT_EQ(CToolWinDlgBcGr::GetNextCustomColor(), (first + 1) % 16);
}
