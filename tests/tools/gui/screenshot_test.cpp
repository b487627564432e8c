// Grabs the X screen with the Lighting page after the marker was moved, keeps the picture in the
// build directory and checks what the page drew: the red marker at its new place, the old place
// restored to the plain picture.
#include <cstdlib>

#include <wx/filefn.h>
#include <wx/imagpng.h>

#include "tests/tools/gui/ToolsFixture.h"

namespace {

int RedPixels(const wxImage& img, const wxRect& r) {
  int n = 0;
  for (int y = r.y; y < r.y + r.height; ++y)
    for (int x = r.x; x < r.x + r.width; ++x)
      if (x >= 0 && y >= 0 && x < img.GetWidth() && y < img.GetHeight() && img.GetRed(x, y) > 200 &&
          img.GetGreen(x, y) < 60 && img.GetBlue(x, y) < 60)
        ++n;
  return n;
}

}  // namespace

TEST_F(ToolsTest, LightingPageScreenshotShowsTheMovedMarker) {
  if (std::system("command -v import >/dev/null 2>&1") != 0) GTEST_SKIP() << "imagemagick's import is missing";
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  MakeTools();
  tools->Move(660, 40);
  ShowTools();
  tools->GetTab()->SetSelection(1);
  tools->OnTabClick();
  r3dtest::PumpEvents(100);

  CToolWinDlgSun* sun = tools->GetSunPage();
  const tools::SkyLayout& s = sun->GetLayout();
  const wxPoint oldMarker(s.frame.left + sun->GetMarkerX(), s.frame.top + sun->GetMarkerY());
  int mx = 0, my = 0;
  tools::MarkerPosition(s, 45, 60, mx, my);
  wxMouseEvent down(wxEVT_LEFT_DOWN), up(wxEVT_LEFT_UP);
  down.SetPosition(wxPoint(s.frame.left + mx, s.frame.top + my));
  up.SetPosition(down.GetPosition());
  sun->OnLButtonDown(down);
  sun->OnLButtonUp(up);
  r3dtest::PumpEvents(500);
  const int az = sun->GetAzimuthSpin()->GetPos(), el = sun->GetElevationSpin()->GetPos();
  EXPECT_NEAR(az, 45, 3);
  EXPECT_NEAR(el, 60, 2);

  // The test pumps events without a running main loop, where GTK's frame clock does not lay the
  // sliders out again after a value change; a synchronous repaint of the window brings them up to
  // date for the picture (the marker itself was already painted by the page).
  tools->Refresh();
  tools->Update();
  r3dtest::PumpEvents(100);

  const std::string png = std::string(R3D_BIN_DIR) + "/../tools_lighting_page.png";
  ASSERT_EQ(std::system(("import -window root '" + png + "'").c_str()), 0);
  wxImage shot(wxString::FromUTF8(png), wxBITMAP_TYPE_PNG);
  ASSERT_TRUE(shot.IsOk());

  const wxPoint origin = sun->ClientToScreen(wxPoint(0, 0));
  const wxPoint now(origin.x + s.frame.left + sun->GetMarkerX(), origin.y + s.frame.top + sun->GetMarkerY());
  const wxPoint was(origin.x + oldMarker.x, origin.y + oldMarker.y);
  EXPECT_GT(RedPixels(shot, wxRect(now.x - 7, now.y - 7, 15, 15)), 20) << "marker at its new place";
  // Nothing of the old marker is left, not even a pixel beside its square.
  EXPECT_EQ(RedPixels(shot, wxRect(was.x - 10, was.y - 10, 21, 21)), 0) << "old marker erased";
  // The new marker stays inside its own square.
  EXPECT_EQ(RedPixels(shot, wxRect(now.x - 10, now.y - 10, 21, 21)),
            RedPixels(shot, wxRect(now.x - 7, now.y - 7, 15, 15)));
  // The picture itself is there: white at the centre, black on the outer ring's left edge.
  const wxPoint centre(origin.x + s.frame.left + s.centerX, origin.y + s.frame.top + s.centerY);
  EXPECT_EQ(shot.GetRed(centre.x, centre.y), 255);
  EXPECT_EQ(shot.GetGreen(centre.x, centre.y), 255);
  const int ringX = origin.x + s.sphere.left;
  EXPECT_LT(shot.GetRed(ringX, centre.y) + shot.GetGreen(ringX, centre.y), 200);
}
