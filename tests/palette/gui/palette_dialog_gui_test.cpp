#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include "dialogs/palette/PaletteDraw.h"
#include "dialogs/palette/PaletteExDlg.h"
#include "hostlib/Basekit.h"
#include <wx/spinbutt.h>
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "view/View.h"

using namespace lib3d::palette;

namespace {

// Answers the colour chooser with a colour (or dismisses it).
class ExpectColour : public wxExpectModalBase<wxColourDialog> {
public:
  ExpectColour(const wxColour& c, int id = wxID_OK) : colour_(c), id_(id) {}

protected:
  int OnInvoked(wxColourDialog* dlg) const override {
    if (id_ == wxID_OK) dlg->GetColourData().SetColour(colour_);
    return id_;
  }

private:
  wxColour colour_;
  int id_;
};

std::vector<std::uint32_t> white() { return std::vector<std::uint32_t>(256, 0xFFFFFF); }

class PaletteDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    lib3d::link_module_resources();
    configDir = new r3dtest::TempDir;
    setenv("XDG_CONFIG_HOME", configDir->path().c_str(), 1);
    frame = new wxFrame(nullptr, wxID_ANY, "palette test", wxPoint(0, 0), wxSize(640, 480));
    view = new lib3d::View;
    view->Create(frame);
    view->set_palette(white());
    dlg = new C3DPaletteExDlg(frame, view);
    ASSERT_TRUE(dlg->Create());
    ASSERT_FALSE(dlg->IsShown());
    r3dtest::ShowAndWait(frame);
  }
  static void TearDownTestSuite() {
    frame->Destroy();
    r3dtest::PumpEvents();
  }
  void SetUp() override {
    if (dlg->IsShown()) dlg->Hide();
    view->set_palette(white());
  }
  void TearDown() override {
    if (dlg->IsShown()) {
      wxCommandEvent e;
      dlg->OnCancel(e);
    }
  }
  static void ShowDialog() {
    dlg->Show();
    r3dtest::WaitFor([] { return dlg->IsShownOnScreen(); });
    r3dtest::PumpEvents(50);
  }
  static void Update(int kind, const char* bins) {
    dlg->kind_combo()->SetSelection(kind);
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

// Runs first (gtest keeps declaration order within a file): the state of a fresh dialog.
TEST_F(PaletteDialog, FirstShowingShowsSolidColourAndWhite) {
  ShowDialog();
  EXPECT_EQ(dlg->kind_combo()->GetSelection(), 3);
  EXPECT_EQ(dlg->kind_combo()->GetCount(), 9u);
  EXPECT_EQ(dlg->kind_combo()->GetString(0), wxString::FromUTF8(GetResourceString(317).c_str()));
  EXPECT_EQ(dlg->bins_edit()->GetValue(), "255");
  EXPECT_EQ(dlg->marker_edit(InMax)->GetValue(), "255");
  EXPECT_EQ(dlg->marker_edit(IntervalMin)->GetValue(), "0");
  EXPECT_FALSE(dlg->editor().paletteSent);
  // The first repaint filled the palette with the swatch colour.
  r3dtest::WaitFor([] { return dlg->editor().working.editedPalette[0] == 0xFFFFFFu; });
  for (Colour c : dlg->editor().working.editedPalette) ASSERT_EQ(c, 0xFFFFFFu);
  EXPECT_EQ(view->get_palette(), white());
}

TEST_F(PaletteDialog, UpdateEditsAndCancel) {
  ShowDialog();
  Update(int(PaletteKind::BlueToRed), "255");
  std::vector<std::uint32_t> p = view->get_palette();
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(p[0], rgb(0, 0, 255));
  EXPECT_EQ(p[1], rgb(0, 0, 255));
  EXPECT_EQ(p[255], rgb(255, 7, 0));
  // Interval edits move nothing in the view; output edits reverse it at once.
  dlg->marker_edit(IntervalMax)->SetValue("100");
  EXPECT_EQ(view->get_palette(), p);
  EXPECT_EQ(dlg->editor().markers[IntervalMax], 100);
  dlg->marker_edit(OutMin)->SetValue("255");
  dlg->marker_edit(OutMax)->SetValue("0");
  EXPECT_EQ(view->get_palette()[0], rgb(255, 7, 0));
  EXPECT_EQ(view->get_palette()[255], rgb(0, 0, 255));
  // Cancel gives the view back what it had when the dialog was shown, keeps the edits.
  wxCommandEvent e;
  dlg->OnCancel(e);
  EXPECT_FALSE(dlg->IsShown());
  EXPECT_EQ(view->get_palette(), white());
  EXPECT_EQ(dlg->editor().working.outMin, 255);
}

TEST_F(PaletteDialog, ApplyCommitsAndReshowReflectsIt) {
  ShowDialog();
  dlg->marker_edit(IntervalMin)->SetValue("0");
  dlg->marker_edit(IntervalMax)->SetValue("255");
  dlg->marker_edit(OutMin)->SetValue("0");
  dlg->marker_edit(OutMax)->SetValue("255");
  Update(int(PaletteKind::Grey), "256");
  dlg->marker_edit(InMin)->SetValue("10");
  wxCommandEvent e;
  dlg->OnOK(e);
  EXPECT_FALSE(dlg->IsShown());
  std::vector<std::uint32_t> p = view->get_palette();
  EXPECT_EQ(p[5], rgb(0, 0, 0));
  EXPECT_EQ(p[255], rgb(255, 255, 255));
  ShowDialog();
  EXPECT_EQ(dlg->marker_edit(InMin)->GetValue(), "10");
  EXPECT_EQ(dlg->kind_combo()->GetSelection(), int(PaletteKind::Grey));
  EXPECT_EQ(dlg->bins_edit()->GetValue(), "256");
  dlg->OnCancel(e);  // nothing sent: the view keeps the applied palette
  EXPECT_EQ(view->get_palette(), p);
}

TEST_F(PaletteDialog, MouseMovesMarkersAndPaints) {
  ShowDialog();
  const Geometry& g = dlg->geometry();
  const int y = g.inputBand.top + 2;
  Press(wxEVT_LEFT_DOWN, g.marker_x(dlg->editor().markers[InMax]) - 1, y);
  EXPECT_EQ(dlg->editor().markers[InMax] < 255, true);
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
  wxTEST_DIALOG(dlg->ChooseSwatchColour(), ExpectColour(wxColour(1, 2, 3), wxID_CANCEL));
  EXPECT_EQ(dlg->editor().swatchColor, rgb(10, 20, 30));
  Press(wxEVT_LEFT_DOWN, g.paletteStripRect.left, g.paletteStripRect.top + 3);
  Press(wxEVT_LEFT_UP, 0, 0);
  EXPECT_EQ(dlg->editor().working.editedPalette[0], rgb(10, 20, 30));
  EXPECT_TRUE(dlg->editor().paletteSent);

  // The painted entry survives GTK's full repaints (activation, uncovering) and the hide and show
  // of the owner's minimising; only opening the dialog again after Cancel refills the interval.
  dlg->editor().set_swatch(rgb(1, 2, 3));
  for (int step = 0; step < 3; ++step) {
    if (step == 0) dlg->Refresh();
    if (step == 1) dlg->Hide();
    if (step == 2) {
      wxCommandEvent e;
      dlg->OnCancel(e);
    }
    ShowDialog();
    r3dtest::PumpEvents(100);
    EXPECT_EQ(dlg->editor().working.editedPalette[0] == rgb(10, 20, 30), step < 2) << step;
  }
}

TEST_F(PaletteDialog, FilesRoundTripAndMalformedFilesChangeNothing) {
  ShowDialog();
  Update(int(PaletteKind::FixedTable), "256");
  dlg->marker_edit(OutMin)->SetValue("200");
  r3dtest::TempDir dir;
  const std::string path = dir.file("a.pal");
  // GTK's file chooser reports a path set from a test hook only after its folder loaded, so the
  // dialog is driven up to the choice, then the chosen-file routines are called directly.
  wxCommandEvent e;
  wxTEST_DIALOG(dlg->OnSave(e), wxExpectModal<wxFileDialog>(wxString::FromUTF8(path.c_str()), wxID_CANCEL));
  EXPECT_FALSE(std::ifstream(path).good());
  ASSERT_TRUE(dlg->SaveChosenFile(path));
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), dir.path());
  const PaletteState saved = dlg->editor().working;

  Update(int(PaletteKind::Grey), "256");
  dlg->marker_edit(OutMin)->SetValue("0");
  SetLastDir("/", "\\Viewer\\Palette");
  ASSERT_TRUE(dlg->LoadChosenFile(path));
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), dir.path());
  EXPECT_EQ(dlg->editor().working.editedPalette, saved.editedPalette);
  EXPECT_EQ(dlg->editor().markers[OutMin], 200);
  EXPECT_EQ(dlg->marker_edit(OutMin)->GetValue(), "200");
  EXPECT_EQ(view->get_palette()[0], saved.editedPalette[200]);

  // A truncated file and a file without a heading change nothing.
  const std::vector<std::uint32_t> before = view->get_palette();
  const PaletteState working = dlg->editor().working;
  std::ifstream in(path);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("short.pal"), all.substr(0, all.size() / 2)));
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("noheading.pal"), "inHistmin = '1'\ninHistmax = '2'\n"));
  EXPECT_FALSE(dlg->LoadFromFile(dir.file("short.pal")));
  EXPECT_FALSE(dlg->LoadFromFile(dir.file("noheading.pal")));
  EXPECT_FALSE(dlg->LoadFromFile(dir.file("absent.pal")));
  EXPECT_EQ(view->get_palette(), before);
  EXPECT_EQ(dlg->editor().working, working);

  // A save that cannot complete keeps the old file.
  EXPECT_FALSE(dlg->SaveToFile(dir.file("no/such/dir.pal")));
  EXPECT_FALSE(dlg->SaveToFile(dir.path()));
  std::ifstream again(path);
  std::string still((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_EQ(still, all);
}

// Drawn pixels, from a memory bitmap.
TEST(PaletteDrawing, StripsMarkersAndFrame) {
  const Geometry g = Geometry::from_placeholders({4, 4, 30, 20}, {10, 40, 268, 52}, {10, 90, 268, 102},
                                                 {10, 40, 268, 52}, {10, 90, 268, 102});
  wxBitmap bmp(300, 130, 24);
  wxMemoryDC dc(bmp);
  prepare_dc(dc);
  dc.SetBackground(wxBrush(wxColour(100, 0, 100)));
  dc.Clear();
  Palette256 p{};
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, 255 - i, 7);
  draw_input_strip(dc, g);
  draw_palette_strip(dc, g, p);
  draw_marker(dc, g, InMin, 100);   // solid
  draw_marker(dc, g, InMax, 200);   // outline
  draw_marker(dc, g, IntervalMin, 50);
  dc.SelectObject(wxNullBitmap);
  const wxImage img = bmp.ConvertToImage();
  auto px = [&](int x, int y) { return rgb(img.GetRed(x, y), img.GetGreen(x, y), img.GetBlue(x, y)); };
  // One level per pixel: column 10 + k holds level k.
  EXPECT_EQ(px(10 + 17, 45), rgb(17, 17, 17));
  EXPECT_EQ(px(10 + 200, 95), rgb(200, 55, 7));
  // Input markers point up from the band under the strip.
  const int y0 = g.inputBand.top;
  const int x0 = g.marker_x(100), x1 = g.marker_x(200);
  EXPECT_EQ(px(x0, y0), 0u);
  EXPECT_EQ(px(x0, y0 + 4), 0u);              // solid inside
  EXPECT_EQ(px(x1, y0), 0u);
  EXPECT_EQ(px(x1, y0 + 4), rgb(100, 0, 100));  // outline: hollow
  EXPECT_EQ(px(x1 - 4, y0 + 7), 0u);           // base line from the right corner to the left one
  EXPECT_EQ(px(x1 + 3, y0 + 7), 0u);
  // The interval marker points down at the palette strip.
  const int yi = g.intervalBand.top;
  EXPECT_EQ(px(g.marker_x(50), yi + 7), 0u);
  EXPECT_EQ(px(g.marker_x(50), yi + 3), 0u);
  EXPECT_EQ(px(g.marker_x(50) + 3, yi), 0u);

  // Erasing fills the 8 x 8 box with the erase colour.
  wxMemoryDC dc2(bmp);
  erase_marker(dc2, g, InMin, 100, wxBrush(wxColour(1, 2, 3)));
  paint_entry_columns(dc2, g, 30, rgb(9, 9, 9));
  dc2.SelectObject(wxNullBitmap);
  const wxImage img2 = bmp.ConvertToImage();
  EXPECT_EQ(rgb(img2.GetRed(x0 - 4, y0), img2.GetGreen(x0 - 4, y0), img2.GetBlue(x0 - 4, y0)), rgb(1, 2, 3));
  EXPECT_EQ(rgb(img2.GetRed(x0 + 3, y0 + 7), img2.GetGreen(x0 + 3, y0 + 7), img2.GetBlue(x0 + 3, y0 + 7)), rgb(1, 2, 3));
  EXPECT_EQ(img2.GetRed(40, 95), 9);
  EXPECT_EQ(img2.GetRed(41, 95), 31);
}

// A click on a spin arrow writes the edit without a text notification; the marker follows anyway.
TEST_F(PaletteDialog, SpinArrowsMoveMarkers) {
  ShowDialog();
  CSpinButtonCtrl32* spin = nullptr;
  for (wxWindow* w : dlg->GetChildren())
    if (auto* s = dynamic_cast<CSpinButtonCtrl32*>(w))
      if (s->GetBuddy() == dlg->marker_edit(OutMax)) spin = s;
  ASSERT_NE(spin, nullptr);
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

// On a strip wider than 512 pixels each level's columns reach the next one: no background between.
TEST(PaletteDrawing, WideStripHasNoGaps) {
  const Geometry g = Geometry::from_placeholders({}, {0, 0, 702, 10}, {0, 30, 702, 40}, {0, 0, 702, 10},
                                                 {0, 30, 702, 40});
  wxBitmap bmp(710, 50, 24);
  wxMemoryDC dc(bmp);
  prepare_dc(dc);
  dc.SetBackground(wxBrush(wxColour(1, 2, 3)));
  dc.Clear();
  Palette256 p{};
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, 100, 100);
  draw_palette_strip(dc, g, p);
  dc.SelectObject(wxNullBitmap);
  const wxImage img = bmp.ConvertToImage();
  int last = -1;
  for (int x = 2; x < 700; ++x) {  // inside the sunken frame
    ASSERT_EQ(img.GetGreen(x, 35), 100) << x;
    ASSERT_GE(img.GetRed(x, 35), last) << x;
    last = img.GetRed(x, 35);
  }
  EXPECT_EQ(last, 255);
}
