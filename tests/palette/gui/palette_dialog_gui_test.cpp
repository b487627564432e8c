// The palette dialog wired to a view: what reaches the view, what the user sees on screen, files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <gtk/gtk.h>

#include <wx/display.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/filedlg.h>
#include <wx/spinbutt.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include "dialogs/palette/PaletteExDlg.h"
#include "hostlib/Basekit.h"
#include "resources/ModuleResources.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/ShownView.h"

using namespace lib3d::palette;

namespace {

const std::vector<std::uint32_t> kWhite(256, 0xFFFFFF);

Colour at(const wxImage& img, int x, int y) { return rgb(img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)); }

// One dialog over one view for the whole suite, as the viewer keeps it; each test starts hidden and white.
class PaletteDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    lib3d::link_module_resources();
    configDir = new r3dtest::TempDir;
    setenv("XDG_CONFIG_HOME", configDir->path().c_str(), 1);
    win = new r3dtest::ShownView(640, 480);
    view = win->view;
    dlg = new C3DPaletteExDlg(win->frame, view);
    ASSERT_TRUE(dlg->Create());
  }
  static void TearDownTestSuite() { delete win; }
  void SetUp() override {
    dlg->Hide();
    view->set_palette(kWhite);
  }
  static void Cancel() {
    wxCommandEvent e;
    dlg->OnCancel(e);
  }
  static void Update(PaletteKind kind) {
    dlg->kind_combo()->SetSelection(int(kind));
    dlg->bins_edit()->ChangeValue("256");
    wxCommandEvent e;
    dlg->OnUpdate(e);
  }
  static void Press(wxEventType type, int x, int y) {
    wxMouseEvent ev(type);
    ev.SetEventObject(dlg);
    ev.m_x = x, ev.m_y = y;
    ev.m_leftDown = type != wxEVT_LEFT_UP;
    dlg->GetEventHandler()->ProcessEvent(ev);
  }

  static inline r3dtest::TempDir* configDir;
  static inline r3dtest::ShownView* win;
  static inline lib3d::View* view;
  static inline C3DPaletteExDlg* dlg;
};

}  // namespace

// Runs first (gtest keeps declaration order within a file): a fresh dialog shows the white swatch
// colour without sending it; then the strip on screen shows every level of the palette chosen, and
// the view gets it mapped through the output markers at once. Cancel gives the view back what it had
// when the dialog was shown; after OK the view keeps what was applied, and showing again reflects it.
TEST_F(PaletteDialog, ScreenShowsTheChosenPaletteAndTheViewGetsItMapped) {
  ASSERT_TRUE(r3dtest::ShowAndWait(dlg));
  const Palette256& working = dlg->editor().working.editedPalette;
  const auto white = [](Colour c) { return c == 0xFFFFFFu; };
  ASSERT_TRUE(r3dtest::WaitFor([&] { return std::all_of(working.begin(), working.end(), white); }));
  EXPECT_TRUE(!dlg->editor().paletteSent && view->get_palette() == kWhite);
  Update(PaletteKind::BlueToRed);
  const Palette256 edited = working;
  EXPECT_EQ(view->get_palette(), std::vector<std::uint32_t>(edited.begin(), edited.end()));
  dlg->marker_edit(OutMin)->SetValue("255");
  dlg->marker_edit(OutMax)->SetValue("0");
  EXPECT_EQ(view->get_palette()[0], edited[255]);

  dlg->Refresh();
  const wxImage shot = r3dtest::GrabClientArea(dlg);
  ASSERT_TRUE(shot.IsOk()) << "the screen cannot be read";
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
  // Markers as drawn: the low input one filled, the high one an outline, the interval one pointing down.
  const int* m = dlg->editor().markers;
  const auto black = [&](int x, int y) { return at(shot, int(x * f), int(y * f)) == 0; };
  const int xl = g.marker_x(m[InMin]), xh = g.marker_x(m[InMax]), xi = g.marker_x(m[IntervalMin]);
  const int y0 = g.inputBand.top, yi = g.intervalBand.top;
  EXPECT_TRUE(black(xl, y0) && black(xl, y0 + 4) && black(xh, y0) && !black(xh, y0 + 4) && black(xh - 4, y0 + 7));
  EXPECT_TRUE(black(xi, yi + 7) && black(xi, yi + 3) && black(xi + 3, yi));
  Cancel();
  EXPECT_EQ(view->get_palette(), kWhite);
  ASSERT_TRUE(r3dtest::ShowAndWait(dlg));
  Update(PaletteKind::BlueToRed);
  dlg->marker_edit(InMin)->SetValue("10");
  wxCommandEvent e;
  dlg->OnOK(e);
  EXPECT_TRUE(!dlg->IsShown() && view->get_palette()[5] == edited[0]);
  ASSERT_TRUE(r3dtest::ShowAndWait(dlg));
  EXPECT_EQ(std::make_pair(dlg->kind_combo()->GetSelection(), dlg->marker_edit(InMin)->GetValue()),
            std::make_pair(int(PaletteKind::BlueToRed), wxString("10")));
}

// Markers follow a drag (with the mouse captured meanwhile) and a click on a spin arrow, which writes
// the edit without a text notification. A click on the strip paints the swatch colour (a cancelled
// colour chooser changes nothing); the painted entry survives GTK's full repaints and the hide and
// show of the owner's minimising; only opening the dialog again after Cancel refills the interval.
TEST_F(PaletteDialog, MouseAndSpinArrowsMoveMarkersAndPaint) {
  ASSERT_TRUE(r3dtest::ShowAndWait(dlg));
  const Geometry& g = dlg->geometry();
  int* markers = dlg->editor().markers;
  Press(wxEVT_LEFT_DOWN, g.marker_x(markers[InMax]) - 1, g.inputBand.top + 2);
  EXPECT_TRUE(dlg->HasCapture());
  Press(wxEVT_MOTION, g.marker_x(markers[InMin]) - 50, 0);
  EXPECT_EQ(markers[InMax], markers[InMin]);
  Press(wxEVT_LEFT_UP, 0, 0);
  EXPECT_FALSE(dlg->HasCapture());
  EXPECT_EQ(dlg->marker_edit(InMax)->GetValue(), wxString::Format("%d", markers[InMax]));

  CSpinButtonCtrl32* spin = nullptr;
  for (wxWindow* w : dlg->GetChildren())
    if (auto* s = dynamic_cast<CSpinButtonCtrl32*>(w); s && s->GetBuddy() == dlg->marker_edit(OutMax)) spin = s;
  ASSERT_NE(spin, nullptr);
  Update(PaletteKind::Grey);
  dlg->marker_edit(OutMax)->SetValue("100");
  const std::vector<std::uint32_t> before = view->get_palette();
  wxSpinEvent ev(wxEVT_SPIN, spin->GetId());
  ev.SetEventObject(spin);
  ev.SetPosition(spin->GetValue() + 1);
  spin->GetEventHandler()->ProcessEvent(ev);
  EXPECT_EQ(markers[OutMax], 101);
  EXPECT_NE(view->get_palette(), before);

  // (GTK's chooser reads the colour back from its own widget after ShowModal, which a test hook
  // cannot reach: a confirmed choice is taken through the editor directly.)
  dlg->editor().set_swatch(rgb(10, 20, 30));
  wxTEST_DIALOG(dlg->ChooseSwatchColour(), wxExpectDismissableModal<wxColourDialog>(wxID_CANCEL));
  EXPECT_EQ(dlg->editor().swatchColor, rgb(10, 20, 30));
  Press(wxEVT_LEFT_DOWN, g.paletteStripRect.left, g.paletteStripRect.top + 3);
  Press(wxEVT_LEFT_UP, 0, 0);
  EXPECT_EQ(dlg->editor().working.editedPalette[0], rgb(10, 20, 30));
  dlg->editor().set_swatch(rgb(1, 2, 3));
  const std::pair<std::function<void()>, bool> leaves[] = {
      {[] { dlg->Refresh(); }, true}, {[] { dlg->Hide(); }, true}, {Cancel, false}};
  for (const auto& [leave, kept] : leaves) {
    r3dtest::EventCount paints(wxEVT_PAINT, dlg);
    leave();
    ASSERT_TRUE(r3dtest::ShowAndWait(dlg) && r3dtest::WaitFor([&] { return paints() > 0; }));
    EXPECT_EQ(dlg->editor().working.editedPalette[0] == rgb(10, 20, 30), kept) << kept;
  }
}

// A saved palette loads back whole, with its markers, into the view; a truncated file and a missing
// one change nothing.
TEST_F(PaletteDialog, FilesRoundTripAndBadOnesChangeNothing) {
  ASSERT_TRUE(r3dtest::ShowAndWait(dlg));
  Update(PaletteKind::FixedTable);
  dlg->marker_edit(OutMin)->SetValue("200");
  r3dtest::TempDir dir;
  const std::string path = dir.file("a.pal");
  // GTK's file chooser reports a path set from a test hook only after its folder loaded, so the
  // dialog is driven up to the choice, then the chosen-file routines are called directly.
  wxCommandEvent e;
  // Each chooser is titled as the framework's are and opens within the screen.
  const wxRect screen = wxDisplay(0u).GetGeometry();
  const auto chooser = [&](const char* title) {
    return r3dtest::Answer<wxFileDialog>([=](wxFileDialog* d) {
      gint w = 0, h = 0;
      gtk_window_get_default_size(GTK_WINDOW(d->GetHandle()), &w, &h);
      EXPECT_TRUE(d->GetMessage() == title && w > 0 && w < screen.width && h > 0 && h < screen.height) << w << "x" << h;
      return wxID_CANCEL;
    });
  };
  wxTEST_DIALOG(dlg->OnSave(e), chooser("Save As"));
  wxTEST_DIALOG(dlg->OnLoad(e), chooser("Open"));
  EXPECT_FALSE(std::filesystem::exists(path));
  ASSERT_TRUE(dlg->SaveChosenFile(path));
  const Palette256 saved = dlg->editor().working.editedPalette;
  Update(PaletteKind::Grey);
  dlg->marker_edit(OutMin)->SetValue("0");
  SetLastDir("/", "\\Viewer\\Palette");
  ASSERT_TRUE(dlg->LoadChosenFile(path));
  const PaletteState loaded = dlg->editor().working;
  std::filesystem::copy_file(path, dir.file("short.pal"));
  std::filesystem::resize_file(dir.file("short.pal"), std::filesystem::file_size(path) / 2);
  for (const char* bad : {"short.pal", "absent.pal"}) EXPECT_FALSE(dlg->LoadFromFile(dir.file(bad))) << bad;
  EXPECT_TRUE(dlg->editor().working == loaded && loaded.editedPalette == saved && view->get_palette()[0] == saved[200]);
  EXPECT_EQ(std::make_pair(GetLastDir("\\Viewer\\Palette"), dlg->marker_edit(OutMin)->GetValue()),
            std::make_pair(dir.path(), wxString("200")));
}
