// The palette dialog wired to a view: what reaches the view, what the user sees on screen, files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/spinbutt.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include "dialogs/palette/PaletteDraw.h"
#include "dialogs/palette/PaletteExDlg.h"
#include "hostlib/Basekit.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "view/View.h"

using namespace lib3d::palette;

namespace {

const std::vector<std::uint32_t> kWhite(256, 0xFFFFFF);

// Cancels the colour chooser.
class CancelColour : public wxExpectModalBase<wxColourDialog> {
protected:
  int OnInvoked(wxColourDialog*) const override { return wxID_CANCEL; }
};

std::string slurp(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

wxImage draw(int w, int h, const wxColour& background, const std::function<void(wxDC&)>& paint) {
  wxBitmap bmp(w, h, 24);
  {
    wxMemoryDC dc(bmp);
    prepare_dc(dc);
    dc.SetBackground(wxBrush(background));
    dc.Clear();
    paint(dc);
  }
  return bmp.ConvertToImage();
}
Colour at(const wxImage& img, int x, int y) { return rgb(img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)); }

class PaletteDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    lib3d::link_module_resources();
    configDir = new r3dtest::TempDir;
    setenv("XDG_CONFIG_HOME", configDir->path().c_str(), 1);
    frame = new wxFrame(nullptr, wxID_ANY, "palette test", wxPoint(0, 0), wxSize(640, 480));
    view = new lib3d::View;
    view->Create(frame);
    view->set_palette(kWhite);
    dlg = new C3DPaletteExDlg(frame, view);
    ASSERT_TRUE(dlg->Create());
    r3dtest::ShowAndWait(frame);
  }
  static void TearDownTestSuite() {
    frame->Destroy();
    r3dtest::PumpEvents();
  }
  void SetUp() override {
    if (dlg->IsShown()) dlg->Hide();
    view->set_palette(kWhite);
  }
  void TearDown() override {
    if (dlg->IsShown()) Cancel();
  }
  static void ShowDialog() {
    dlg->Show();
    r3dtest::WaitFor([] { return dlg->IsShownOnScreen(); });
    r3dtest::PumpEvents(50);
  }
  static void Cancel() {
    wxCommandEvent e;
    dlg->OnCancel(e);
  }
  static void Update(PaletteKind kind, const char* bins) {
    dlg->kind_combo()->SetSelection(int(kind));
    dlg->bins_edit()->ChangeValue(bins);
    wxCommandEvent e;
    dlg->OnUpdate(e);
  }
  static void Press(wxEventType type, int x, int y) {
    wxMouseEvent ev(type);
    ev.SetEventObject(dlg);
    ev.m_x = x;
    ev.m_y = y;
    ev.m_leftDown = type != wxEVT_LEFT_UP;
    dlg->GetEventHandler()->ProcessEvent(ev);
  }

  static r3dtest::TempDir* configDir;
  static wxFrame* frame;
  static lib3d::View* view;
  static C3DPaletteExDlg* dlg;
};

r3dtest::TempDir* PaletteDialog::configDir;
wxFrame* PaletteDialog::frame;
lib3d::View* PaletteDialog::view;
C3DPaletteExDlg* PaletteDialog::dlg;

}  // namespace

// Runs first (gtest keeps declaration order within a file): a fresh dialog shows the white swatch
// colour without sending it; then the strip on screen shows every level of the palette chosen, and
// the view gets it mapped through the output markers at once.
TEST_F(PaletteDialog, ScreenShowsTheChosenPaletteAndTheViewGetsItMapped) {
  ShowDialog();
  ASSERT_TRUE(r3dtest::WaitFor([] { return dlg->editor().working.editedPalette[0] == 0xFFFFFFu; }));
  for (Colour c : dlg->editor().working.editedPalette) ASSERT_EQ(c, 0xFFFFFFu);
  EXPECT_FALSE(dlg->editor().paletteSent);
  EXPECT_EQ(view->get_palette(), kWhite);

  Update(PaletteKind::BlueToRed, "256");
  const Palette256 edited = dlg->editor().working.editedPalette;
  EXPECT_EQ(view->get_palette(), std::vector<std::uint32_t>(edited.begin(), edited.end()));
  dlg->marker_edit(OutMin)->SetValue("255");
  dlg->marker_edit(OutMax)->SetValue("0");
  EXPECT_EQ(view->get_palette()[0], edited[255]);
  EXPECT_EQ(view->get_palette()[255], edited[0]);

  dlg->Refresh();
  r3dtest::PumpEvents(200);
  const wxImage shot = r3dtest::GrabClientArea(dlg);
  ASSERT_TRUE(shot.IsOk()) << "ImageMagick's import could not grab the screen";
  // Level k fills columns 2k and 2k + 1 of 512; a level is seen where no later one overdraws it and
  // the sunken frame (two pixels each side) does not cover it.
  const Geometry& g = dlg->geometry();
  const Rect& area = g.paletteStripArea;
  const double f = dlg->GetContentScaleFactor();
  const int y = int((area.top + area.bottom) / 2 * f);
  int seen = 0;
  for (int k = 0; k < 256; ++k) {
    const int x = g.strip_column(area.left, 2 * k + 1);
    if (x < area.left + 2 || x > area.right - 3 || (k < 255 && g.strip_column(area.left, 2 * k + 2) == x)) continue;
    ASSERT_EQ(at(shot, int(x * f), y), edited[k]) << "level " << k << " at x " << x;
    ++seen;
  }
  EXPECT_GT(seen, 128);
  // Cancel gives the view back what it had when the dialog was shown; after OK the view keeps what
  // was applied, and showing again reflects it.
  Cancel();
  EXPECT_EQ(view->get_palette(), kWhite);
  ShowDialog();
  Update(PaletteKind::BlueToRed, "256");
  dlg->marker_edit(InMin)->SetValue("10");
  wxCommandEvent e;
  dlg->OnOK(e);
  EXPECT_FALSE(dlg->IsShown());
  const std::vector<std::uint32_t> applied = view->get_palette();
  EXPECT_EQ(applied[5], edited[0]);
  ShowDialog();
  EXPECT_EQ(dlg->kind_combo()->GetSelection(), int(PaletteKind::BlueToRed));
  EXPECT_EQ(dlg->bins_edit()->GetValue(), "256");
  EXPECT_EQ(dlg->marker_edit(InMin)->GetValue(), "10");
  Cancel();  // nothing sent: the view keeps the applied palette
  EXPECT_EQ(view->get_palette(), applied);
}

TEST_F(PaletteDialog, MouseMovesMarkersAndPaints) {
  ShowDialog();
  const Geometry& g = dlg->geometry();
  Press(wxEVT_LEFT_DOWN, g.marker_x(dlg->editor().markers[InMax]) - 1, g.inputBand.top + 2);
  EXPECT_TRUE(dlg->HasCapture());
  Press(wxEVT_MOTION, g.marker_x(dlg->editor().markers[InMin]) - 50, 0);
  EXPECT_EQ(dlg->editor().markers[InMax], dlg->editor().markers[InMin]);
  Press(wxEVT_LEFT_UP, 0, 0);
  EXPECT_FALSE(dlg->HasCapture());
  EXPECT_EQ(dlg->marker_edit(InMax)->GetValue(), wxString::Format("%d", dlg->editor().markers[InMax]));

  // The colour chooser, cancelled, changes nothing. (GTK's chooser reads the colour back from its
  // own widget after ShowModal, which a test hook cannot reach: a confirmed choice is taken through
  // the editor directly.)
  dlg->editor().set_swatch(rgb(10, 20, 30));
  wxTEST_DIALOG(dlg->ChooseSwatchColour(), CancelColour());
  EXPECT_EQ(dlg->editor().swatchColor, rgb(10, 20, 30));
  Press(wxEVT_LEFT_DOWN, g.paletteStripRect.left, g.paletteStripRect.top + 3);
  Press(wxEVT_LEFT_UP, 0, 0);
  EXPECT_EQ(dlg->editor().working.editedPalette[0], rgb(10, 20, 30));

  // The painted entry survives GTK's full repaints (activation, uncovering) and the hide and show
  // of the owner's minimising; only opening the dialog again after Cancel refills the interval.
  dlg->editor().set_swatch(rgb(1, 2, 3));
  for (int step = 0; step < 3; ++step) {
    if (step == 0) dlg->Refresh();
    if (step == 1) dlg->Hide();
    if (step == 2) Cancel();
    ShowDialog();
    r3dtest::PumpEvents(100);
    EXPECT_EQ(dlg->editor().working.editedPalette[0] == rgb(10, 20, 30), step < 2) << step;
  }
}

// A click on a spin arrow writes the edit without a text notification; the marker follows anyway.
TEST_F(PaletteDialog, SpinArrowsMoveMarkers) {
  ShowDialog();
  CSpinButtonCtrl32* spin = nullptr;
  for (wxWindow* w : dlg->GetChildren())
    if (auto* s = dynamic_cast<CSpinButtonCtrl32*>(w))
      if (s->GetBuddy() == dlg->marker_edit(OutMax)) spin = s;
  ASSERT_NE(spin, nullptr);
  Update(PaletteKind::Grey, "256");
  dlg->marker_edit(OutMax)->SetValue("100");
  const std::vector<std::uint32_t> before = view->get_palette();
  wxSpinEvent ev(wxEVT_SPIN, spin->GetId());
  ev.SetEventObject(spin);
  ev.SetPosition(spin->GetValue() + 1);
  spin->GetEventHandler()->ProcessEvent(ev);
  EXPECT_EQ(dlg->marker_edit(OutMax)->GetValue(), "101");
  EXPECT_EQ(dlg->editor().markers[OutMax], 101);
  EXPECT_NE(view->get_palette(), before);
}

TEST_F(PaletteDialog, FilesRoundTripAndBadOnesChangeNothing) {
  ShowDialog();
  Update(PaletteKind::FixedTable, "256");
  dlg->marker_edit(OutMin)->SetValue("200");
  r3dtest::TempDir dir;
  const std::string path = dir.file("a.pal");
  // GTK's file chooser reports a path set from a test hook only after its folder loaded, so the
  // dialog is driven up to the choice, then the chosen-file routines are called directly.
  wxCommandEvent e;
  wxTEST_DIALOG(dlg->OnSave(e), wxExpectModal<wxFileDialog>(wxString::FromUTF8(path.c_str()), wxID_CANCEL));
  EXPECT_FALSE(std::ifstream(path).good());
  ASSERT_TRUE(dlg->SaveChosenFile(path));
  const PaletteState saved = dlg->editor().working;

  Update(PaletteKind::Grey, "256");
  dlg->marker_edit(OutMin)->SetValue("0");
  SetLastDir("/", "\\Viewer\\Palette");
  ASSERT_TRUE(dlg->LoadChosenFile(path));
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), dir.path());
  EXPECT_EQ(dlg->editor().working.editedPalette, saved.editedPalette);
  EXPECT_EQ(dlg->marker_edit(OutMin)->GetValue(), "200");
  EXPECT_EQ(view->get_palette()[0], saved.editedPalette[200]);

  // A truncated file and a missing one change nothing.
  const std::vector<std::uint32_t> before = view->get_palette();
  const PaletteState working = dlg->editor().working;
  const std::string all = slurp(path);
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("short.pal"), all.substr(0, all.size() / 2)));
  EXPECT_FALSE(dlg->LoadFromFile(dir.file("short.pal")));
  EXPECT_FALSE(dlg->LoadFromFile(dir.file("absent.pal")));
  EXPECT_EQ(view->get_palette(), before);
  EXPECT_EQ(dlg->editor().working, working);
}

// Drawn pixels, from a memory bitmap: one level per pixel column, solid and hollow markers, erasing.
TEST(PaletteDrawing, StripsMarkersAndErasing) {
  const Geometry g = Geometry::from_placeholders({4, 4, 30, 20}, {10, 40, 268, 52}, {10, 90, 268, 102},
                                                 {10, 40, 268, 52}, {10, 90, 268, 102});
  Palette256 p{};
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, 255 - i, 7);
  const Colour bg = rgb(100, 0, 100);
  const int y0 = g.inputBand.top, yi = g.intervalBand.top, x0 = g.marker_x(100), x1 = g.marker_x(200);
  const int xi = g.marker_x(50);
  wxImage img = draw(300, 130, wxColour(100, 0, 100), [&](wxDC& dc) {
    draw_input_strip(dc, g);
    draw_palette_strip(dc, g, p);
    draw_marker(dc, g, InMin, 100);  // solid
    draw_marker(dc, g, InMax, 200);  // outline
    draw_marker(dc, g, IntervalMin, 50);
  });
  const struct {
    int x, y;
    Colour want;
  } pixels[] = {{10 + 17, 45, rgb(17, 17, 17)}, {10 + 200, 95, rgb(200, 55, 7)},
                // Input markers point up from the band under the strip, the interval one down at it.
                {x0, y0, 0}, {x0, y0 + 4, 0}, {x1, y0, 0}, {x1, y0 + 4, bg}, {x1 - 4, y0 + 7, 0}, {x1 + 3, y0 + 7, 0},
                {xi, yi + 7, 0}, {xi, yi + 3, 0}, {xi + 3, yi, 0}};
  for (const auto& q : pixels) EXPECT_EQ(at(img, q.x, q.y), q.want) << q.x << "," << q.y;

  // Erasing fills the marker's 8 x 8 box; a painted entry takes its column.
  img = draw(300, 130, wxColour(100, 0, 100), [&](wxDC& dc) {
    draw_palette_strip(dc, g, p);
    draw_marker(dc, g, InMin, 100);
    erase_marker(dc, g, InMin, 100, wxBrush(wxColour(1, 2, 3)));
    paint_entry_columns(dc, g, 30, rgb(9, 9, 9));
  });
  EXPECT_EQ(at(img, x0 - 4, y0), rgb(1, 2, 3));
  EXPECT_EQ(at(img, x0 + 3, y0 + 7), rgb(1, 2, 3));
  EXPECT_EQ(img.GetRed(40, 95), 9);
  EXPECT_EQ(img.GetRed(41, 95), 31);

  // On a strip wider than 512 pixels each level's columns reach the next one: no background between.
  const Geometry wide = Geometry::from_placeholders({}, {0, 0, 702, 10}, {0, 30, 702, 40}, {0, 0, 702, 10},
                                                    {0, 30, 702, 40});
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, 100, 100);
  img = draw(710, 50, wxColour(1, 2, 3), [&](wxDC& dc) { draw_palette_strip(dc, wide, p); });
  int last = -1;
  for (int x = 2; x < 700; ++x) {  // inside the sunken frame
    ASSERT_EQ(img.GetGreen(x, 35), 100) << x;
    ASSERT_GE(img.GetRed(x, 35), last) << x;
    last = img.GetRed(x, 35);
  }
  EXPECT_EQ(last, 255);
}
