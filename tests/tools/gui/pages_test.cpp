#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include <wx/colordlg.h>

#include "tests/support/ModalAnswer.h"
#include "tests/tools/gui/ToolsFixture.h"

namespace {

// What the page handed to the colour chooser at its last opening.
wxColourData g_chooser;

// The page's chooser answered as if the user picked `word` (GTK's chooser reads a real OK's colour
// from its own widget, so the choice goes through TakeChooserResult).
void Pick(CToolWinDlgBcGr* page, std::uint32_t word, int result = wxID_OK) {
  wxCommandEvent none;
  wxTEST_DIALOG(page->OnChooseColor(none), r3dtest::Answer<wxColourDialog>([](wxColourDialog* d) {
                  g_chooser = d->GetColourData();
                  return wxID_CANCEL;
                }));
  wxColourData data = g_chooser;
  data.SetColour(wxColour(static_cast<unsigned long>(word)));
  page->TakeChooserResult(data, result);
}

int Brightness(const wxImage& img, int x, int y) { return img.GetRed(x, y) + img.GetGreen(x, y) + img.GetBlue(x, y); }

// Red pixels in the square of half-side `half` around logical point `c` of an image grabbed at `f`
// X pixels per logical one.
int RedPixels(const wxImage& img, wxPoint c, int half, double f) {
  int n = 0;
  for (int y = std::max(int((c.y - half) * f), 0); y < std::min(int((c.y + half + 1) * f), img.GetHeight()); ++y)
    for (int x = std::max(int((c.x - half) * f), 0); x < std::min(int((c.x + half + 1) * f), img.GetWidth()); ++x)
      n += img.GetRed(x, y) > 200 && img.GetGreen(x, y) < 60 && img.GetBlue(x, y) < 60;
  return n;
}

}  // namespace

// Real clicks on the sky, and what the X server shows afterwards (the last grab of the page is kept
// in the build directory for people to look at): the angle sliders show the picked angles at once
// (a repaint forced afterwards changes nothing on screen); the red marker is drawn where the click
// was, inside the square its repaint covers, and nothing is left at the old place; from the white
// centre rightwards, exactly three dark ring crossings and no red, then white outside the outer ring.
TEST_F(ToolsTest, SlidersOnScreenAndTheMarkerFollowRealClicksOnTheSky) {
  CToolWinDlgSun* sun = ShowSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  const wxPoint frame(s.frame.left, s.frame.top), centre = frame + wxPoint(s.centerX, s.centerY);
  const auto marker = [&] { return frame + wxPoint(sun->GetMarkerX(), sun->GetMarkerY()); };
  wxImage shot;
  for (const wxPoint& at : {centre + wxPoint(30, -10), centre + wxPoint(-25, 20)}) {
    SCOPED_TRACE(testing::Message() << "click at " << at.x << "," << at.y);
    const wxPoint was = marker();
    RealClick(sun, at);
    const wxPoint off = marker() - at;  // a sign or axis swapped between picking and drawing
    EXPECT_TRUE(std::abs(off.x) <= 3 && std::abs(off.y) <= 3) << "marker away from the click: " << off.x << "," << off.y;
    shot = r3dtest::GrabClientArea(sun);
    ASSERT_TRUE(shot.IsOk()) << "no screen grabber (imagemagick's import)";
    for (wxSlider* slider : {sun->GetAzimuthSlider(), sun->GetElevationSlider()}) {
      const wxImage seen = r3dtest::GrabClientArea(slider);
      slider->Refresh();
      const wxImage fresh = r3dtest::GrabClientArea(slider);
      EXPECT_EQ(0, std::memcmp(seen.GetData(), fresh.GetData(), seen.GetWidth() * seen.GetHeight() * 3))
          << "slider drawn stale: " << slider->GetValue();
    }
    const double f = sun->GetContentScaleFactor();  // X pixels per logical one in the grab
    // The marker's square, grown by the pixel its repaint covers (the ticks' ends on a scaled screen).
    const int inside = RedPixels(shot, marker(), 8, f);
    EXPECT_GT(inside, 20) << "marker at its new place";
    EXPECT_EQ(RedPixels(shot, marker(), 10, f), inside) << "marker inside what its repaint covers";
    EXPECT_EQ(RedPixels(shot, was, 10, f), 0) << "old marker erased";
    const int row = static_cast<int>(centre.y * f);
    EXPECT_EQ(Brightness(shot, static_cast<int>(centre.x * f), row), 765);
    int crossings = 0;
    bool dark = false;
    for (int x = static_cast<int>(centre.x * f); x < (s.frame.right - 2) * f; ++x) {
      const bool d = Brightness(shot, x, row) < 300;
      crossings += d && !dark;
      dark = d;
      EXPECT_EQ(shot.GetRed(x, row), shot.GetBlue(x, row)) << x;
    }
    EXPECT_EQ(crossings, 3);
    EXPECT_FALSE(dark);
  }
  shot.SaveFile(wxString::FromUTF8(R3D_BIN_DIR "/../tools_lighting_page.png"), wxBITMAP_TYPE_PNG);
}

// Typed angles and spin arrows move the sliders and the marker but send only on the next move;
// sliders send at once: a line step of the azimuth slider the old angle, the end of the move the
// new one; thumb drags sync at once; the release is ignored entirely.
TEST_F(ToolsTest, TypedAnglesWaitForTheNextMoveAndSlidersSendAtOnce) {
  CToolWinDlgSun* sun = tools->GetSunPage();
  wxTextCtrl *azimuth = sun->GetAzimuthEdit(), *elevation = sun->GetElevationEdit();
  const auto arrow = [&](int to) {
    wxSpinEvent e(wxEVT_SPIN, sun->GetAzimuthSpin()->GetId());
    e.SetPosition(to);
    e.SetEventObject(sun->GetAzimuthSpin());
    sun->GetAzimuthSpin()->GetEventHandler()->ProcessEvent(e);
  };
  // An action (SetValue raises the text event like typing), then the angles in the spins and the
  // marker, in the sliders, the light the view has, and the azimuth edit's text: clamped by the
  // spin, an emptied field stays empty while typing, not a number gives way to the last position.
  const struct { std::function<void()> act; int az, el, sliderAz, sliderEl, lightAz, lightEl; const char* shown; } steps[] = {
      {[&] { elevation->SetValue("45"), azimuth->SetValue("90"); }, 90, 45, 90, 45, 0, 0, "90"},
      {[&] { wxMouseEvent move(wxEVT_MOTION); sun->ProcessWindowEvent(move); }, 90, 45, 90, 45, 90, 45, "90"},
      {[&] { azimuth->SetValue("400"); }, 360, 45, 360, 45, 90, 45, "360"},
      {[&] { azimuth->SetValue(""); }, 360, 45, 360, 45, 90, 45, ""},
      {[&] { azimuth->SetValue("x"); }, 360, 45, 360, 45, 90, 45, "360"},
      // At the top of the range a typed lower number is where the up arrow starts.
      {[&] { azimuth->SetValue("100"), arrow(sun->GetAzimuthSpin()->GetValue() + 1); }, 101, 45, 101, 45, 90, 45, "101"},
      {[&] { azimuth->SetValue("0"), elevation->SetValue("60"); }, 0, 60, 0, 60, 90, 45, "0"},
      {[&] { Scroll(sun->GetAzimuthSlider(), 10, wxEVT_SCROLL_LINEDOWN); }, 0, 60, 10, 60, 0, 60, "0"},
      {[&] { Scroll(sun->GetAzimuthSlider(), 10, wxEVT_SCROLL_CHANGED); }, 10, 60, 10, 60, 10, 60, "10"},
      {[&] { Scroll(sun->GetElevationSlider(), 30, wxEVT_SCROLL_THUMBTRACK); }, 10, 30, 10, 30, 10, 30, "10"},
      {[&] { Scroll(sun->GetElevationSlider(), 70, wxEVT_SCROLL_THUMBRELEASE); }, 10, 30, 10, 70, 10, 30, "10"},
  };
  for (const auto& st : steps) {
    SCOPED_TRACE(testing::Message() << "step " << &st - steps);
    st.act();
    int mx = 0, my = 0;
    tools::MarkerPosition(sun->GetLayout(), st.az, st.el, mx, my);
    EXPECT_EQ(wxPoint(sun->GetMarkerX(), sun->GetMarkerY()), wxPoint(mx, my));
    EXPECT_EQ(std::make_tuple(sun->GetAzimuthSpin()->GetPos(), sun->GetElevationSpin()->GetPos(), sun->GetAzimuthSlider()->GetValue(),
                              sun->GetElevationSlider()->GetValue()),
              std::make_tuple(st.az, st.el, st.sliderAz, st.sliderEl));
    const double a = st.lightAz * M_PI / 180, e = st.lightEl * M_PI / 180;
    const double light[] = {std::sin(e) * std::cos(a), std::sin(e) * std::sin(a), std::cos(e)};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(view->light_pos()[i], light[i], 1e-5) << i;
    EXPECT_EQ(azimuth->GetValue(), st.shown);
  }
  // The light reaches the screen: a flat, white relief lit only by diffuse light changes brightness
  // from the viewer's side to grazing along the screen.
  view->set_palette(std::vector<std::uint32_t>(256, 0xFFFFFF));
  view->set_matrix(std::vector<float>(40 * 40, 0.0f), 40, 40);
  const auto centre = [&] {
    const wxImage img = r3dtest::GrabWindow(view->GetXWindow(), view->GetClientSize().x, view->GetClientSize().y);
    return img.IsOk() ? Brightness(img, img.GetWidth() / 2, img.GetHeight() / 2) : -1;
  };
  for (wxSlider* s : {sun->GetAmbientSlider(), sun->GetDiffuseSlider(), sun->GetSpecularSlider(), sun->GetElevationSlider()})
    Scroll(s, 0);
  const int dark = centre();
  ASSERT_GE(dark, 0);
  Scroll(sun->GetDiffuseSlider(), 100);
  const int front = centre();
  EXPECT_GT(front, dark + 30);
  Scroll(sun->GetElevationSlider(), 90);
  EXPECT_GT(std::abs(front - centre()), 30) << front;
}

// Every opening of the chooser stores the colour current then in the next custom slot (shared by
// every page object); the seventeenth wraps to the first slot. Each pick differs, so a slot written
// twice or skipped shows. A chosen colour stays on the page until Apply sends it to
// the view, which draws it; black sent with Apply changes nothing.
TEST_F(ToolsTest, ChosenColourWaitsForApplyAndOpeningsCycleTheCustomColours) {
  CToolWinDlgBcGr* bg = tools->GetBcGrPage();
  const std::uint32_t shown = view->bg_color();
  const int first = CToolWinDlgBcGr::GetNextCustomColor();
  std::uint32_t current = bg->GetColor();
  for (std::uint32_t i = 1; i <= 17; current = 0x010203u * i++) {
    const int slot = (first + static_cast<int>(i) - 1) % 16;
    Pick(bg, 0x010203u * i);
    // The chooser opened on the page's colour, with the slot just filled.
    EXPECT_EQ(g_chooser.GetColour().GetRGB(), current) << i;
    EXPECT_EQ(g_chooser.GetCustomColour(slot).GetRGB(), current) << i;
  }
  EXPECT_EQ(CToolWinDlgBcGr::GetNextCustomColor(), (first + 1) % 16);
  Pick(bg, 0x0000FF);
  EXPECT_EQ(bg->GetColor(), 0x0000FFu);
  EXPECT_EQ(view->bg_color(), shown);
  Click(bg->GetApplyButton());
  EXPECT_EQ(view->bg_color(), 0x0000FFu);
  const wxImage img = r3dtest::GrabWindow(view->GetXWindow(), 2, 2);
  ASSERT_TRUE(img.IsOk());
  EXPECT_EQ(wxColour(img.GetRed(1, 1), img.GetGreen(1, 1), img.GetBlue(1, 1)).GetRGB(), 0x0000FFu);
  Pick(bg, 0x000000);
  Click(bg->GetApplyButton());
  EXPECT_EQ(bg->GetColor(), 0u);
  EXPECT_EQ(view->bg_color(), 0x0000FFu);
}
