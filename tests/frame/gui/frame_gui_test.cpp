// The viewer frame in a real window (Xvfb). There is one frame per process, so these tests share
// it and each one starts from a known state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <wx/aui/auibar.h>
#include <wx/brush.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/testing.h>
#include <wx/utils.h>
#include <wx/uiaction.h>

#include "dialogs/open/OpenFileDlg.h"
#include "dialogs/palette/PaletteExDlg.h"
#include "dialogs/tools/ToolWinDlg.h"
#include "frame/Frame.h"
#include "hostlib/HtmlHelp.h"
#include "hostlib/Paths.h"
#include "hostlib/Resources.h"
#include "module/ModuleExports.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "view/View.h"

using namespace lib3d;

namespace {

std::vector<std::string> g_helpCalls;
void RecordHelp(const char* address, unsigned) { g_helpCalls.emplace_back(address); }

// A relief of 333 x 150 cells whose height encodes its cell.
std::vector<float> Ramp(std::size_t w, std::size_t h) {
  std::vector<float> m(w * h);
  for (std::size_t r = 0; r < h; ++r)
    for (std::size_t c = 0; c < w; ++c) m[r * w + c] = static_cast<float>(r) + c * 0.25f;
  return m;
}

class FrameTest : public testing::Test {
protected:
  void SetUp() override {
    link_module_resources();
    SetResourceLanguage(ResourceLanguage::English);
    frame = Frame::make(nullptr);
    ASSERT_NE(frame, nullptr);
    view = frame->view();
    ASSERT_NE(view, nullptr);
  }
  void ShowFrame() { ASSERT_TRUE(r3dtest::ShowAndWait(frame)); }
  void LoadRamp() {
    std::vector<float> m = Ramp(333, 150);
    frame->set_matrix(m, 333, 150);
  }
  // Pointer mode off, no cursor, fresh readout.
  void ResetPointer() {
    frame->ToolBarPressButton(ID_POINTER_3D, 0);
    view->set_manipulator_type(ManipulatorType::Pan);
    view->set_cursor(SIZE_MAX, SIZE_MAX);
    frame->set_origin(0, 0, 1);
  }
  std::string Status(int part) { return frame->status_text(part).utf8_string(); }

  Frame* frame = nullptr;
  View* view = nullptr;
};

}  // namespace

TEST_F(FrameTest, MadeOnceAtTheTopLeftWithTitlePaletteAndHiddenCompanions) {
  EXPECT_EQ(Frame::make(frame), frame);  // any parent: the same frame, no new window
  int frames = 0;
  for (wxWindow* w : wxTopLevelWindows)
    if (dynamic_cast<Frame*>(w)) ++frames;
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(frame->GetSize(), wxSize(640, 480));
  EXPECT_EQ(frame->GetPosition(), wxPoint(0, 0));
  EXPECT_EQ(frame->GetTitle().utf8_string(), " 3D Viewer");
  EXPECT_EQ(frame->GetParent(), nullptr);
  EXPECT_EQ(view->get_palette(), std::vector<std::uint32_t>(256, 0x00FFFFFFu));
  ASSERT_NE(frame->palette_dialog(), nullptr);
  ASSERT_NE(frame->tool_window(), nullptr);
  EXPECT_FALSE(frame->palette_dialog()->IsShown());
  EXPECT_FALSE(frame->tool_window()->IsShown());
  EXPECT_EQ(frame->readout().divisor, 0u);  // until a relief file or set_origin
}

// The viewer's shortcuts, typed through the X server into the view.
TEST_F(FrameTest, ShortcutsReachTheirCommands) {
  ShowFrame();
  ResetPointer();
  g_helpCalls.clear();
  SetHtmlHelpHook(&RecordHelp);
  wxUIActionSimulator sim;
  const struct { int key, modifiers; std::function<bool(int zoomBefore)> done; } keys[] = {
      {'3', wxMOD_CONTROL, [&](int z) { return view->zoom_percent() > z; }},
      {'4', wxMOD_CONTROL, [&](int z) { return view->zoom_percent() < z; }},
      {WXK_NUMPAD_ADD, wxMOD_NONE, [&](int z) { return view->zoom_percent() > z; }},
      {WXK_NUMPAD_SUBTRACT, wxMOD_NONE, [&](int z) { return view->zoom_percent() < z; }},
      {'W', wxMOD_CONTROL, [&](int) { return frame->ToolBarIsButtonPressed(ID_POINTER_3D); }},
      {'L', wxMOD_CONTROL, [&](int) { return frame->palette_dialog()->IsShown(); }},
      {'T', wxMOD_CONTROL, [&](int) { return frame->tool_window()->IsShown(); }},
  };
  for (const auto& k : keys) {
    frame->Raise();
    view->SetFocus();
    r3dtest::PumpEvents(50);
    const int zoom = view->zoom_percent();
    sim.Char(k.key, k.modifiers);
    EXPECT_TRUE(r3dtest::WaitFor([&] { return k.done(zoom); }, 2000)) << "key " << k.key;
  }
  SetHtmlHelpHook(nullptr);
  frame->palette_dialog()->Hide();
  frame->tool_window()->Hide();
  ResetPointer();
}

TEST_F(FrameTest, ToolbarHasSevenButtonsWithTooltips) {
  wxAuiToolBar* tb = frame->toolbar();
  ASSERT_NE(tb, nullptr);
  ASSERT_EQ(tb->GetToolCount(), 7u);
  const char* tips[] = {"Open file ( Ctrl+O )", "Zoom In ( Ctrl+3 ), ( + )", "Zoom Out ( Ctrl+4 ), ( - )",
                        "Pointer ( Ctrl+W )",   "Palette ( Ctrl+L )",        "Tools ( Ctrl+T )",
                        "Help ( Ctrl+Z )"};
  for (int i = 0; i < 7; ++i) {
    wxAuiToolBarItem* item = tb->FindToolByIndex(i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetId(), kToolbarCommands[i]);
    EXPECT_EQ(item->GetShortHelp().utf8_string(), tips[i]);
    EXPECT_EQ(item->GetBitmapBundle().GetDefaultSize(), wxSize(17, 16));
  }
  ASSERT_NE(wxAuiManager::GetManager(tb), nullptr);
  wxAuiPaneInfo& pane = wxAuiManager::GetManager(tb)->GetPane(tb);
  EXPECT_TRUE(pane.IsToolbar());
  EXPECT_TRUE(pane.IsLeftDockable() && pane.IsRightDockable() && pane.IsTopDockable() && pane.IsBottomDockable());
}

TEST_F(FrameTest, ToolbarStateOperations) {
  const int id = ID_PALETTE_3D;
  frame->ToolBarEnableButton(id, 0);
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(id), 0);
  EXPECT_FALSE(frame->toolbar()->GetToolEnabled(id));
  frame->ToolBarPressButton(id, 1);  // pressing leaves the enabled bit alone
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(id), 0);
  EXPECT_TRUE(frame->toolbar()->GetToolToggled(id));
  frame->ToolBarEnableButton(id, 7);
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(id), 1);
  EXPECT_TRUE(frame->ToolBarIsButtonPressed(id));
  frame->ToolBarPressButton(id, 0);
  EXPECT_FALSE(frame->toolbar()->GetToolToggled(id));
  EXPECT_TRUE(frame->toolbar()->GetToolEnabled(id));
  // Not a toolbar command: nothing changes, and it answers "enabled".
  frame->ToolBarEnableButton(57665, 0);
  frame->ToolBarPressButton(2746, 1);
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(57665), 1);
  for (int c : kToolbarCommands)
    if (c != ID_HELP_3D) EXPECT_EQ(frame->ToolBarIsButtonEnabled(c), 1) << c;
}

TEST_F(FrameTest, StatusBarLayoutAndTexts) {
  ShowFrame();
  wxStatusBar* sb = frame->GetStatusBar();
  ASSERT_NE(sb, nullptr);
  ASSERT_EQ(sb->GetFieldsCount(), 4);
  frame->show_progress_3D(true);
  std::vector<wxRect> first;
  for (int i = 0; i < 4; ++i) {
    wxRect r;
    ASSERT_TRUE(sb->GetFieldRect(i, r));
    first.push_back(r);
  }
  EXPECT_EQ(sb->GetStatusWidth(0), 50);
  EXPECT_EQ(sb->GetStatusWidth(1), 150);
  EXPECT_EQ(sb->GetStatusWidth(2), 100);
  EXPECT_EQ(sb->GetStatusWidth(3), std::max(0, sb->GetClientSize().x - 300));
  frame->show_progress_3D(false);
  for (int i = 0; i < 4; ++i) {
    wxRect r;
    sb->GetFieldRect(i, r);
    EXPECT_EQ(r, first[i]) << i;
  }
  frame->set_status_text("Привет");
  EXPECT_EQ(Status(0), "Привет");
}

TEST_F(FrameTest, ZoomTextsAfterMatrixAndCommands) {
  ShowFrame();
  LoadRamp();
  // The view's zoom carries over between tests; walk back to the initial scale via its percentage.
  while (view->zoom_percent() > 50) frame->OnButtonMinus();
  while (view->zoom_percent() < 50) frame->OnButtonPlus();
  LoadRamp();
  EXPECT_EQ(Status(0), "50%");
  frame->OnButtonPlus();
  EXPECT_EQ(Status(0), "100%");
  frame->OnButtonPlus();
  EXPECT_EQ(Status(0), "200%");
  frame->OnButtonMinus();
  frame->OnButtonMinus();
  EXPECT_EQ(Status(0), "50%");
  frame->OnButtonMinus();
  EXPECT_EQ(Status(0), "33%");
  LoadRamp();  // a matrix writes the float form
  EXPECT_EQ(Status(0), "33.3333%");
  frame->OnButtonPlus();
}

TEST_F(FrameTest, PointerModeWalkThrough) {
  ShowFrame();
  LoadRamp();
  ResetPointer();
  frame->set_status_text("zoom");
  // On: pressed, cursor manipulator, centred cursor, readout filled.
  frame->OnButtonCursor();
  EXPECT_TRUE(frame->ToolBarIsButtonPressed(ID_POINTER_3D));
  EXPECT_TRUE(frame->toolbar()->GetToolToggled(ID_POINTER_3D));
  EXPECT_EQ(view->get_manipulator_type(), ManipulatorType::Cursor);
  std::size_t c = 0, r = 0;
  view->get_cursor(c, r);
  EXPECT_EQ(c, 166u);
  EXPECT_EQ(r, 75u);
  EXPECT_EQ(Status(1), "166, 75");
  EXPECT_EQ(Status(2), format_float(view->cursor_height()));
  EXPECT_FALSE(Status(2).empty());
  // Off: released, pan, no cursor, parts 1 and 2 empty, part 0 untouched.
  frame->OnButtonCursor();
  EXPECT_FALSE(frame->ToolBarIsButtonPressed(ID_POINTER_3D));
  EXPECT_EQ(view->get_manipulator_type(), ManipulatorType::Pan);
  view->get_cursor(c, r);
  EXPECT_EQ(c, SIZE_MAX);
  EXPECT_EQ(Status(1), "");
  EXPECT_EQ(Status(2), "");
  EXPECT_EQ(Status(0), "zoom");

  // A relief load while pointer mode is on releases only the button.
  frame->OnButtonCursor();
  LoadRamp();
  EXPECT_FALSE(frame->ToolBarIsButtonPressed(ID_POINTER_3D));
  EXPECT_FALSE(frame->toolbar()->GetToolToggled(ID_POINTER_3D));
  EXPECT_EQ(view->get_manipulator_type(), ManipulatorType::Cursor);
  frame->OnButtonCursor();  // presses, but ends the cursor mode
  EXPECT_TRUE(frame->ToolBarIsButtonPressed(ID_POINTER_3D));
  EXPECT_EQ(view->get_manipulator_type(), ManipulatorType::Pan);
  view->get_cursor(c, r);
  EXPECT_EQ(c, SIZE_MAX);
  frame->OnButtonCursor();  // releases
  EXPECT_FALSE(frame->ToolBarIsButtonPressed(ID_POINTER_3D));
  EXPECT_EQ(view->get_manipulator_type(), ManipulatorType::Pan);
  frame->OnButtonCursor();  // on again, centred
  EXPECT_TRUE(frame->ToolBarIsButtonPressed(ID_POINTER_3D));
  EXPECT_EQ(view->get_manipulator_type(), ManipulatorType::Cursor);
  view->get_cursor(c, r);
  EXPECT_EQ(c, 166u);
  ResetPointer();
}

TEST_F(FrameTest, CursorReadoutUsesOriginAndDivisor) {
  ShowFrame();
  LoadRamp();
  ResetPointer();
  view->set_manipulator_type(ManipulatorType::Cursor);
  frame->set_origin(100, 200, 2);
  view->set_cursor(13, 7);
  EXPECT_EQ(Status(1), "106, 203");
  EXPECT_EQ(Status(2), "10.25");  // height of cell (13, 7): 7 + 13 / 4
  // No cursor: the texts stay.
  view->set_cursor(SIZE_MAX, 7);
  EXPECT_EQ(Status(1), "106, 203");
  EXPECT_EQ(Status(2), "10.25");
  // Divisor 0 never divides.
  frame->set_origin(0, 0, 0);
  view->set_cursor(13, 7);
  EXPECT_EQ(Status(1), "13, 7");
  ResetPointer();
}

TEST_F(FrameTest, ReliefFileResetsTheReadoutAndABadFileChangesNothing) {
  LoadRamp();
  frame->set_origin(5, 6, 7);
  EXPECT_FALSE(frame->set_matrix(CString("/nonexistent/relief.tif"), 1, 1));
  EXPECT_EQ(frame->load_error().rfind("/nonexistent/relief.tif: ", 0), 0u) << frame->load_error();
  EXPECT_EQ(frame->readout().divisor, 7u);
  EXPECT_EQ(view->get_width(), 333u);
  EXPECT_FALSE(frame->set_matrix(CString(R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif"), 0, 1));
  EXPECT_EQ(view->get_width(), 333u);
  ASSERT_TRUE(frame->set_matrix(CString(R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif"), 3, 4));
  EXPECT_EQ(frame->readout().originX, 0u);
  EXPECT_EQ(frame->readout().originY, 0u);
  EXPECT_EQ(frame->readout().divisor, 1u);
  EXPECT_GT(view->get_width(), 0u);
  // A texture is taken only when its grid is the relief's: at other factors it is refused, saying so.
  const CString red = R3D_SOURCE_DIR "/data/jacksboro_texture_red.tif";
  EXPECT_FALSE(frame->set_color_matrix(red, red, red, 3, 3, 0));
  EXPECT_NE(frame->load_error().find("cells"), std::string::npos) << frame->load_error();
  EXPECT_TRUE(frame->set_color_matrix(red, red, red, 3, 4, 0));
}

// A large relief: while it loads the cursor is busy and the status-bar gauge, shown, only moves
// forward through the read's share; afterwards both are gone, and a refused load leaves none.
TEST_F(FrameTest, LoadingShowsABusyCursorAndAnAdvancingGauge) {
  ShowFrame();
  r3dtest::TempDir dir;
  const std::string path = dir.file("large.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(path, 2048, 2048, GDT_Float32, [](int x, int y, double*) { return x + y; }));
  struct Seen {
    int value, range;
    bool shown, busy;
  };
  std::vector<Seen> seen;
  frame->set_progress_notify([&](int value, int range) {
    seen.push_back({value, range, frame->progress_gauge()->IsShown(), wxIsBusy()});
  });
  ASSERT_TRUE(frame->set_matrix(CString(path), 2, 2));
  EXPECT_EQ(view->get_width(), 1024u);
  ASSERT_GT(seen.size(), 10u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_TRUE(seen[i].shown && seen[i].busy) << i;
    EXPECT_EQ(seen[i].range, seen[0].range);
    if (i > 0) {
      EXPECT_GT(seen[i].value, seen[i - 1].value) << i;
    }
  }
  // The read fills the first half of the gauge and the surface compile the second, to the end.
  EXPECT_EQ(seen.back().value, seen.back().range);
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Seen& s) { return 2 * s.value == s.range; }));
  EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](const Seen& s) { return 2 * s.value > s.range; }), 1);
  EXPECT_FALSE(frame->progress_gauge()->IsShown());
  EXPECT_FALSE(wxIsBusy());
  seen.clear();
  EXPECT_FALSE(frame->set_matrix(CString(dir.file("missing.tif")), 2, 2));
  EXPECT_TRUE(seen.empty());
  EXPECT_FALSE(frame->progress_gauge()->IsShown());
  EXPECT_FALSE(wxIsBusy());
  frame->set_progress_notify(nullptr);
}

TEST_F(FrameTest, OpenCancelledChangesNothing) {
  LoadRamp();
  frame->set_origin(1, 2, 3);
  wxTEST_DIALOG(frame->OnFileOpen(), wxExpectDismissableModal<COpenFileDlg>(wxID_CANCEL));
  EXPECT_EQ(view->get_width(), 333u);
  EXPECT_EQ(frame->readout().divisor, 3u);
}

namespace {

// The Open dialog answered OK with a relief and a three-file texture that is pure red.
class AcceptOpen : public wxExpectModalBase<COpenFileDlg, AcceptOpen> {
public:
  explicit AcceptOpen(const r3dtest::TempDir& dir) : dir_(dir) {}

protected:
  int OnInvoked(COpenFileDlg* d) const override {
    d->reliefPath = dir_.file("relief.tif");
    d->useTexture = 1;
    d->singleTexture = 0;
    d->redPath = dir_.file("red.tif");
    d->greenPath = d->bluePath = dir_.file("flat.tif");
    return wxID_OK;
  }
  wxString GetDefaultDescription() const override { return "Open dialog accepted"; }

private:
  const r3dtest::TempDir& dir_;
};

int g_exits = 0;
void CountExit(wxCommandEvent&) { ++g_exits; }

}  // namespace

// A texture chosen in Open is on screen at once, without any other event reaching the view.
TEST_F(FrameTest, TextureFromOpenIsOnScreenAtOnce) {
  ShowFrame();
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("relief.tif"), 8, 8, GDT_Float32, [](int x, int y, double*) { return r3dtest::PositionValue(x, y); }));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("red.tif"), 8, 8, GDT_Byte, [](int x, int y, double*) { return x + y > 0 ? 1.0 : 0.0; }));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("flat.tif"), 8, 8, GDT_Byte, [](int, int, double*) { return 0.0; }));
  view->set_rotation(0, 0);
  wxTEST_DIALOG(frame->OnFileOpen(), AcceptOpen(dir));
  r3dtest::PumpEvents(200);
  const wxImage shot = r3dtest::GrabClientArea(view);
  if (!shot.IsOk()) GTEST_SKIP() << "no screen grabber (imagemagick import)";
  const int x = shot.GetWidth() / 2, y = shot.GetHeight() / 2;
  EXPECT_GT(shot.GetRed(x, y), shot.GetGreen(x, y) + 60);
  view->set_color_matrix({});
  view->set_rotation(45, 45);
}

// Alt+F4 pressed in the viewer hides it and leaves the host running; a floating toolbar goes with
// the frame and comes back with it.
TEST_F(FrameTest, AltF4HidesTheViewerWithItsFloatingToolbar) {
  ShowFrame();
  wxAuiManager* aui = wxAuiManager::GetManager(frame);
  ASSERT_NE(aui, nullptr);
  aui->GetPane("toolbar").Float().FloatingPosition(700, 100);
  aui->Update();
  wxWindow* floating = aui->GetPane("toolbar").frame;
  ASSERT_TRUE(floating && floating->IsShown());
  g_exits = 0;
  wxTheApp->Bind(wxEVT_MENU, &CountExit, wxID_EXIT);
  frame->Raise();
  view->SetFocus();
  r3dtest::PumpEvents(50);
  wxUIActionSimulator sim;
  sim.Char(WXK_F4, wxMOD_ALT);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return !frame->IsShown(); }, 2000));
  EXPECT_EQ(g_exits, 0);
  EXPECT_FALSE(floating->IsShown());
  RunViewer3D();
  EXPECT_TRUE(floating->IsShown());
  wxTheApp->Unbind(wxEVT_MENU, &CountExit, wxID_EXIT);

  aui->GetPane("toolbar").Dock();
  aui->Update();
}

// Window managers minimise an owned dialog with its owner without hiding it: the palette dialog still
// hands the view back its committed palette, and on restore takes the view's palette again, keeping
// what the user painted. Needs a window manager (the desktop runs use openbox).
TEST_F(FrameTest, MinimisingTheViewerRunsThePaletteDialogsHideAndShow) {
  ShowFrame();
  frame->OnButtonHist();
  C3DPaletteExDlg* dlg = frame->palette_dialog();
  ASSERT_TRUE(r3dtest::WaitFor([&] { return dlg->IsShownOnScreen(); }, 2000));
  r3dtest::PumpEvents(200);  // the first paint fills the interval
  const std::vector<std::uint32_t> committed = view->get_palette();
  dlg->editor().set_swatch(0x0000FFu);  // "min" paints the interval's low entry: a palette is sent
  wxCommandEvent paint(wxEVT_BUTTON, C3DPaletteExDlg::IDC_MIN_BUTTON);
  dlg->GetEventHandler()->ProcessEvent(paint);
  ASSERT_NE(view->get_palette(), committed);
  const auto edited = dlg->editor().working.editedPalette;
  frame->Iconize(true);
  if (!r3dtest::WaitFor([&] { return frame->IsIconized(); }, 2000)) {
    frame->Iconize(false);
    dlg->Hide();
    GTEST_SKIP() << "no window manager to minimise the frame";
  }
  EXPECT_EQ(view->get_palette(), committed);
  frame->Iconize(false);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return !frame->IsIconized(); }, 2000));
  EXPECT_FALSE(dlg->editor().paletteSent);
  EXPECT_EQ(dlg->editor().working.editedPalette, edited);
  dlg->Hide();
}

TEST_F(FrameTest, PaletteAndToolsCommandsShowTheCompanions) {
  frame->OnButtonHist();
  frame->OnButtonTools();
  EXPECT_TRUE(frame->palette_dialog()->IsShown());
  EXPECT_TRUE(frame->tool_window()->IsShown());
  frame->Close();  // hides them with the frame
  EXPECT_FALSE(frame->palette_dialog()->IsShown());
  EXPECT_FALSE(frame->tool_window()->IsShown());
}

TEST_F(FrameTest, CloseHidesAndKeepsDataButDropsTheSurface) {
  ShowFrame();
  LoadRamp();
  std::vector<std::uint32_t> pal(256);
  for (int i = 0; i < 256; ++i) pal[i] = static_cast<std::uint32_t>(i * 0x010101);
  view->set_palette(pal);
  EXPECT_TRUE(view->has_surface());
  EXPECT_FALSE(frame->Close());  // vetoed: hidden, not closed
  r3dtest::PumpEvents(20);
  EXPECT_FALSE(frame->IsShown());
  EXPECT_FALSE(frame->IsBeingDeleted());
  EXPECT_FALSE(view->has_surface());
  EXPECT_EQ(Frame::make(nullptr), frame);
  EXPECT_EQ(view->get_width(), 333u);
  EXPECT_EQ(view->get_height(), 150u);
  EXPECT_EQ(view->get_palette(), pal);
  RunViewer3D();
  EXPECT_TRUE(frame->IsShown());
  EXPECT_FALSE(view->has_surface());  // only the next matrix brings it back
  LoadRamp();
  EXPECT_TRUE(view->has_surface());
  view->set_palette(std::vector<std::uint32_t>(256, 0x00FFFFFFu));
}

TEST_F(FrameTest, HelpButtonDisabledWithoutTheHelpFile) {
  // The test executable has no help book beside it.
  ASSERT_FALSE(IsFileExist(frame->help_path().c_str()));
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(ID_HELP_3D), 0);
  EXPECT_FALSE(frame->toolbar()->GetToolEnabled(ID_HELP_3D));
}

TEST_F(FrameTest, HelpPathFromAQuotedHostDirectoryAndTheTopicPerLanguage) {
  r3dtest::TempDir dir;
  const std::string bookDir = dir.path() + "/On-line Help";
  ASSERT_EQ(std::system(("mkdir -p '" + bookDir + "'").c_str()), 0);
  std::ofstream(bookDir + "/Zovire3DUvezIra.zez") << "zip";
  const std::string saved = GetProcessCommandLine();
  SetProcessCommandLine(("\"" + dir.path() + "/relief3d-host\" --lang=en").c_str());
  auto* other = new Frame(true);
  ASSERT_TRUE(other->CreateFrameWindow());
  SetProcessCommandLine(saved.c_str());
  EXPECT_EQ(other->help_path(), bookDir + "/Zovire3DUvezIra.zez");
  EXPECT_EQ(other->ToolBarIsButtonEnabled(ID_HELP_3D), 1);
  EXPECT_TRUE(other->toolbar()->GetToolEnabled(ID_HELP_3D));

  g_helpCalls.clear();
  SetHtmlHelpHook(&RecordHelp);
  other->OnButtonHelp();
  SetResourceLanguage(ResourceLanguage::Russian);
  other->OnButtonHelp();
  SetResourceLanguage(ResourceLanguage::English);
  SetHtmlHelpHook(nullptr);
  ASSERT_EQ(g_helpCalls.size(), 2u);
  EXPECT_EQ(g_helpCalls[0], bookDir + "/Zovire3DUvezIra.zez::/Eng/Viewer3D.htm");
  EXPECT_EQ(g_helpCalls[1], bookDir + "/Zovire3DUvezIra.zez::/Rus/Viewer3D.htm");

  // A frame built to be destroyed on close really goes, and the one of make stays.
  other->Close();
  r3dtest::PumpEvents(20);
  EXPECT_EQ(Frame::instance(), frame);
}

TEST_F(FrameTest, RussianResourcesGiveRussianTexts) {
  SetResourceLanguage(ResourceLanguage::Russian);
  auto* other = new Frame(true);
  ASSERT_TRUE(other->CreateFrameWindow());
  SetResourceLanguage(ResourceLanguage::English);
  EXPECT_EQ(other->GetTitle().utf8_string(), " Трёхмерный просмотр");
  EXPECT_EQ(other->GetMenuBar()->GetMenuLabelText(2).utf8_string(), "Изображение");
  EXPECT_EQ(other->GetMenuBar()->FindItem(ID_POINTER_3D)->GetItemLabel().utf8_string(), "Указатель \tCtrl+W");
  EXPECT_EQ(other->toolbar()->FindTool(ID_HELP_3D)->GetShortHelp().utf8_string(), "Помощь ( Ctrl+Z )");
  other->Destroy();
  r3dtest::PumpEvents(20);
}

TEST_F(FrameTest, IconHandlesAreOwnedIconsCreatedOnce) {
  wxIcon* colour = nullptr;
  wxIcon* grey = nullptr;
  wxIcon* again = nullptr;
  ASSERT_EQ(GetModuleInfo(0, 1, &colour, sizeof colour), 1);
  ASSERT_EQ(GetModuleInfo(0, 2, &grey, sizeof grey), 1);
  ASSERT_EQ(GetModuleInfo(0, 1, &again, sizeof again), 1);
  ASSERT_NE(colour, nullptr);
  ASSERT_NE(grey, nullptr);
  EXPECT_NE(colour, grey);
  EXPECT_EQ(colour, again);
  EXPECT_TRUE(colour->IsOk());
  EXPECT_EQ(colour->GetWidth(), 32);
  EXPECT_EQ(grey->GetHeight(), 32);
  // The frame's own icon is the colour one.
  EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(16, 16)).IsOk());
}

TEST_F(FrameTest, AutomationOpensTheSampleAndWritesASnapshot) {
  const char* dem = R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif";
  EXPECT_EQ(Lib3dOpenFiles("/nonexistent.tif", 1, 1, nullptr, nullptr, nullptr, 0), 0);
  ASSERT_EQ(Lib3dOpenFiles(dem, 2, 2, dem, nullptr, nullptr, 0), 1);
  r3dtest::TempDir dir;
  const std::string png = dir.file("snap.png");
  ASSERT_EQ(Lib3dSnapshot(png.c_str()), 1);
  wxImage image;
  ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(png), wxBITMAP_TYPE_PNG));
  EXPECT_EQ(image.GetSize(), view->GetClientSize());
  EXPECT_EQ(Lib3dSnapshot(""), 0);
}
