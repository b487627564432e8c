// The viewer frame in a real window (Xvfb). There is one frame per process, so these tests share
// it and each one starts from a known state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include <wx/aui/auibar.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/testing.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

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
#include "tests/support/ModalAnswer.h"
#include "tests/support/RasterFixtures.h"
#include "view/View.h"

using namespace lib3d;

namespace {

std::vector<std::string> g_helpCalls;
void RecordHelp(const char* address, unsigned) { g_helpCalls.emplace_back(address); }
int g_exits = 0;
void CountExit(wxCommandEvent&) { ++g_exits; }
const std::vector<std::uint32_t> kWhite(256, 0x00FFFFFFu);

class FrameTest : public testing::Test {
protected:
  void SetUp() override {
    link_module_resources();
    SetResourceLanguage(ResourceLanguage::English);
    frame = Frame::make(nullptr);
    ASSERT_NE(frame, nullptr);
    view = frame->view();
  }
  void ShowFrame() { ASSERT_TRUE(r3dtest::ShowAndWait(frame)); }
  // A relief of 333 x 150 cells whose height encodes its cell: r + c / 4.
  void LoadRamp() {
    std::vector<float> m(333 * 150);
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = static_cast<float>(i / 333) + (i % 333) * 0.25f;
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
  bool Pressed() { return frame->ToolBarIsButtonPressed(ID_POINTER_3D); }
  bool Cursor() { return view->get_manipulator_type() == ManipulatorType::Cursor; }
  std::size_t CursorColumn() {
    std::size_t c = 0, r = 0;
    view->get_cursor(c, r);
    return c;
  }

  Frame* frame = nullptr;
  View* view = nullptr;
};

}  // namespace

TEST_F(FrameTest, MadeOnceAtTheTopLeftWithWhitePaletteAndHiddenCompanions) {
  EXPECT_EQ(Frame::make(frame), frame);  // any parent: the same frame, no new window
  EXPECT_EQ(std::count_if(wxTopLevelWindows.begin(), wxTopLevelWindows.end(),
                          [](wxWindow* w) { return dynamic_cast<Frame*>(w) != nullptr; }), 1);
  EXPECT_EQ(frame->GetRect(), wxRect(0, 0, 640, 480));
  EXPECT_EQ(frame->GetParent(), nullptr);
  EXPECT_EQ(view->get_palette(), kWhite);
  EXPECT_FALSE(frame->palette_dialog()->IsShown());
  EXPECT_FALSE(frame->tool_window()->IsShown());
  EXPECT_EQ(frame->readout().divisor, 0u);  // until a relief file or set_origin
}

// The viewer's shortcuts, typed through the X server into the view.
TEST_F(FrameTest, ShortcutsReachTheirCommands) {
  ShowFrame();
  ResetPointer();
  wxUIActionSimulator sim;
  const struct { int key, modifiers; std::function<bool(int zoomBefore)> done; } keys[] = {
      {'3', wxMOD_CONTROL, [&](int z) { return view->zoom_percent() > z; }},
      {'4', wxMOD_CONTROL, [&](int z) { return view->zoom_percent() < z; }},
      {WXK_NUMPAD_ADD, wxMOD_NONE, [&](int z) { return view->zoom_percent() > z; }},
      {WXK_NUMPAD_SUBTRACT, wxMOD_NONE, [&](int z) { return view->zoom_percent() < z; }},
      {'W', wxMOD_CONTROL, [&](int) { return Pressed(); }},
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
  // Closing the frame hides its companions with it.
  frame->Close();
  EXPECT_FALSE(frame->palette_dialog()->IsShown());
  EXPECT_FALSE(frame->tool_window()->IsShown());
  ResetPointer();
}

// Every toolbar button has an icon and a tooltip; enabling and pressing are separate bits of one
// button that the drawn toolbar follows; a command not on the toolbar changes nothing and answers
// "enabled".
TEST_F(FrameTest, ToolbarButtonsAndTheirStates) {
  wxAuiToolBar* tb = frame->toolbar();
  ASSERT_EQ(tb->GetToolCount(), std::size(kToolbarCommands));
  for (std::size_t i = 0; i < std::size(kToolbarCommands); ++i) {
    wxAuiToolBarItem* item = tb->FindToolByIndex(static_cast<int>(i));
    EXPECT_FALSE(item->GetShortHelp().empty() || !item->GetBitmapBundle().IsOk()) << i;
  }
  wxAuiPaneInfo& pane = wxAuiManager::GetManager(tb)->GetPane(tb);
  EXPECT_TRUE(pane.IsToolbar() && pane.IsLeftDockable() && pane.IsRightDockable() && pane.IsTopDockable() &&
              pane.IsBottomDockable());

  const int id = ID_PALETTE_3D;
  const struct { bool enable; int value; bool enabled, pressed; } steps[] = {
      {true, 0, false, false}, {false, 1, false, true}, {true, 7, true, true}, {false, 0, true, false}};
  for (const auto& s : steps) {
    if (s.enable) frame->ToolBarEnableButton(id, s.value);
    else frame->ToolBarPressButton(id, s.value);
    EXPECT_EQ(frame->ToolBarIsButtonEnabled(id), s.enabled ? 1 : 0);
    EXPECT_EQ(tb->GetToolEnabled(id), s.enabled);
    EXPECT_EQ(tb->GetToolToggled(id), s.pressed);
  }
  frame->ToolBarEnableButton(57665, 0);
  frame->ToolBarPressButton(2746, 1);
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(57665), 1);
  for (int c : kToolbarCommands) {  // the others never moved (help is off: no book beside the tests)
    EXPECT_EQ(frame->ToolBarIsButtonEnabled(c), c == ID_HELP_3D ? 0 : 1) << c;
    EXPECT_FALSE(frame->ToolBarIsButtonPressed(c)) << c;
  }
}

// Four fields (the last takes the rest) that the load gauge does not move; the
// zoom text is integral after a zoom command and in float form after a matrix.
TEST_F(FrameTest, StatusBarFieldsAndZoomTexts) {
  ShowFrame();
  wxStatusBar* sb = frame->GetStatusBar();
  ASSERT_EQ(sb->GetFieldsCount(), 4);
  std::vector<wxRect> rects[2];
  for (bool gauge : {true, false}) {
    frame->show_progress_3D(gauge);
    rects[gauge].resize(4);
    for (int i = 0; i < 4; ++i) sb->GetFieldRect(i, rects[gauge][i]);
  }
  EXPECT_EQ(rects[0], rects[1]);
  EXPECT_EQ(sb->GetStatusWidth(3),  // the last takes the rest
            std::max(0, sb->GetClientSize().x - sb->GetStatusWidth(0) - sb->GetStatusWidth(1) - sb->GetStatusWidth(2)));
  frame->set_status_text("Привет");
  EXPECT_EQ(Status(0), "Привет");

  LoadRamp();
  // The view's zoom carries over between tests; walk back to the initial scale via its percentage.
  while (view->zoom_percent() > 50) frame->OnButtonMinus();
  while (view->zoom_percent() < 50) frame->OnButtonPlus();
  LoadRamp();
  EXPECT_EQ(Status(0), "50%");
  const struct { int steps; const char* text; } zooms[] = {{+1, "100%"}, {+1, "200%"}, {-2, "50%"}, {-1, "33%"}};
  for (const auto& z : zooms) {
    for (int i = 0; i < std::abs(z.steps); ++i) z.steps > 0 ? frame->OnButtonPlus() : frame->OnButtonMinus();
    EXPECT_EQ(Status(0), z.text);
  }
  LoadRamp();
  EXPECT_EQ(Status(0), "33.3333%");
  frame->OnButtonPlus();
}

// Pointer on: pressed, cursor manipulator, centred cursor, readout filled through origin and
// divisor; off: released, pan, no cursor, readout empty, zoom text untouched. A relief load while
// on releases only the button; the next press then ends the cursor mode.
TEST_F(FrameTest, PointerModeAndCursorReadout) {
  ShowFrame();
  LoadRamp();
  ResetPointer();
  frame->set_status_text("zoom");
  frame->OnButtonCursor();
  EXPECT_TRUE(Pressed() && frame->toolbar()->GetToolToggled(ID_POINTER_3D) && Cursor());
  EXPECT_EQ(CursorColumn(), 166u);
  EXPECT_EQ(Status(1), "166, 75");
  EXPECT_EQ(Status(2), format_float(view->cursor_height()));
  frame->set_origin(100, 200, 2);
  view->set_cursor(13, 7);
  EXPECT_EQ(Status(1), "106, 203");
  EXPECT_EQ(Status(2), "10.25");
  view->set_cursor(SIZE_MAX, 7);  // no cursor: the texts stay
  EXPECT_EQ(Status(1), "106, 203");
  frame->OnButtonCursor();
  EXPECT_FALSE(Pressed() || Cursor());
  EXPECT_EQ(CursorColumn(), SIZE_MAX);
  EXPECT_EQ(Status(1) + Status(2), "");
  EXPECT_EQ(Status(0), "zoom");

  frame->OnButtonCursor();
  LoadRamp();
  EXPECT_FALSE(Pressed() || frame->toolbar()->GetToolToggled(ID_POINTER_3D));
  EXPECT_TRUE(Cursor());
  const struct { bool pressed, cursor; } presses[] = {{true, false}, {false, false}, {true, true}};
  for (const auto& p : presses) {
    frame->OnButtonCursor();
    EXPECT_EQ(Pressed(), p.pressed);
    EXPECT_EQ(Cursor(), p.cursor);
    EXPECT_EQ(CursorColumn(), p.cursor ? 166u : SIZE_MAX);
  }
  ResetPointer();
}

TEST_F(FrameTest, ReliefFileResetsTheReadoutAndABadFileChangesNothing) {
  LoadRamp();
  frame->set_origin(5, 6, 7);
  EXPECT_FALSE(frame->set_matrix(CString("/nonexistent/relief.tif"), 1, 1));
  EXPECT_EQ(frame->load_error().rfind("/nonexistent/relief.tif: ", 0), 0u) << frame->load_error();
  EXPECT_FALSE(frame->set_matrix(CString(R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif"), 0, 1));
  EXPECT_EQ(frame->readout().divisor, 7u);
  EXPECT_EQ(view->get_width(), 333u);
  ASSERT_TRUE(frame->set_matrix(CString(R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif"), 3, 4));
  EXPECT_EQ(frame->readout().originX + frame->readout().originY, 0u);
  EXPECT_EQ(frame->readout().divisor, 1u);
  EXPECT_NE(view->get_width(), 333u);
  // A texture is taken only when its grid is the relief's: at other factors it is refused, saying so.
  const CString red = R3D_SOURCE_DIR "/data/jacksboro_texture_red.tif";
  EXPECT_FALSE(frame->set_color_matrix(red, red, red, 3, 3, 0));
  EXPECT_NE(frame->load_error().find("cells"), std::string::npos) << frame->load_error();
  EXPECT_TRUE(frame->set_color_matrix(red, red, red, 3, 4, 0));
}

// A large relief: while it loads the cursor is busy and the status-bar gauge, shown, only moves
// forward, the read filling its first half and the surface compile the rest; afterwards both are
// gone, and a refused load shows none.
TEST_F(FrameTest, LoadingShowsABusyCursorAndAnAdvancingGauge) {
  ShowFrame();
  r3dtest::TempDir dir;
  const std::string path = dir.file("large.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(path, 2048, 2048, GDT_Float32, [](int x, int y, double*) { return x + y; }));
  struct Seen { int value, range; bool shownAndBusy; };
  std::vector<Seen> seen;
  frame->set_progress_notify([&](int value, int range) {
    seen.push_back({value, range, frame->progress_gauge()->IsShown() && wxIsBusy()});
  });
  ASSERT_TRUE(frame->set_matrix(CString(path), 2, 2));
  EXPECT_EQ(view->get_width(), 1024u);
  ASSERT_GT(seen.size(), 10u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_TRUE(seen[i].shownAndBusy) << i;
    EXPECT_EQ(seen[i].range, seen[0].range);
    EXPECT_TRUE(i == 0 || seen[i].value > seen[i - 1].value) << i;
  }
  EXPECT_EQ(seen.back().value, seen.back().range);
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Seen& s) { return 2 * s.value == s.range; }));
  EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](const Seen& s) { return 2 * s.value > s.range; }), 1);
  EXPECT_FALSE(frame->progress_gauge()->IsShown() || wxIsBusy());
  seen.clear();
  EXPECT_FALSE(frame->set_matrix(CString(dir.file("missing.tif")), 2, 2));
  EXPECT_TRUE(seen.empty());
  EXPECT_FALSE(frame->progress_gauge()->IsShown() || wxIsBusy());
  frame->set_progress_notify(nullptr);
}

// Open cancelled changes nothing; a texture chosen in Open is on screen at once, without any other
// event reaching the view.
TEST_F(FrameTest, TextureFromOpenIsOnScreenAtOnce) {
  ShowFrame();
  LoadRamp();
  frame->set_origin(1, 2, 3);
  wxTEST_DIALOG(frame->OnFileOpen(), wxExpectDismissableModal<COpenFileDlg>(wxID_CANCEL));
  EXPECT_EQ(view->get_width(), 333u);
  EXPECT_EQ(frame->readout().divisor, 3u);

  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("relief.tif"), 8, 8, GDT_Float32, [](int x, int y, double*) { return r3dtest::PositionValue(x, y); }));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("red.tif"), 8, 8, GDT_Byte, [](int x, int y, double*) { return x + y > 0 ? 1.0 : 0.0; }));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("flat.tif"), 8, 8, GDT_Byte, [](int, int, double*) { return 0.0; }));
  view->set_rotation(0, 0);
  // Open answered OK with a relief and a three-file texture that is pure red.
  wxTEST_DIALOG(frame->OnFileOpen(), r3dtest::Answer<COpenFileDlg>([&dir](COpenFileDlg* d) {
                  d->reliefPath = dir.file("relief.tif");
                  d->useTexture = 1, d->singleTexture = 0;
                  d->redPath = dir.file("red.tif");
                  d->greenPath = d->bluePath = dir.file("flat.tif");
                  return wxID_OK;
                }));
  r3dtest::PumpEvents(200);
  const wxImage shot = r3dtest::GrabClientArea(view);
  ASSERT_EQ(std::system("command -v import >/dev/null"), 0) << "ImageMagick's import is needed (scripts/setup.sh)";
  if (!shot.IsOk()) GTEST_SKIP() << "this display cannot be grabbed (XWayland under a headless weston)";
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
  aui->GetPane("toolbar").Float().FloatingPosition(700, 100);
  aui->Update();
  wxWindow* floating = aui->GetPane("toolbar").frame;
  ASSERT_TRUE(floating && floating->IsShown());
  g_exits = 0;
  wxTheApp->Bind(wxEVT_MENU, &CountExit, wxID_EXIT);
  frame->Raise();
  view->SetFocus();
  r3dtest::PumpEvents(50);
  wxUIActionSimulator().Char(WXK_F4, wxMOD_ALT);
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

TEST_F(FrameTest, CloseHidesAndKeepsDataButDropsTheSurface) {
  ShowFrame();
  LoadRamp();
  std::vector<std::uint32_t> pal(256);
  std::iota(pal.begin(), pal.end(), 0u);
  view->set_palette(pal);
  EXPECT_TRUE(view->has_surface());
  EXPECT_FALSE(frame->Close());  // vetoed: hidden, not closed
  r3dtest::PumpEvents(20);
  EXPECT_FALSE(frame->IsShown() || frame->IsBeingDeleted() || view->has_surface());
  EXPECT_EQ(Frame::make(nullptr), frame);
  EXPECT_EQ(view->get_width() * view->get_height(), 333u * 150u);
  EXPECT_EQ(view->get_palette(), pal);
  RunViewer3D();
  EXPECT_TRUE(frame->IsShown());
  EXPECT_FALSE(view->has_surface());  // only the next matrix brings it back
  LoadRamp();
  EXPECT_TRUE(view->has_surface());
  view->set_palette(kWhite);
}

// Without a help book beside the executable the Help button is off. A frame made under another
// host directory (quoted, with spaces) finds the book there, opens the topic of the interface
// language and is built in that language; made to be destroyed on close, it really goes.
TEST_F(FrameTest, HelpBookBesideTheHostAndTheTopicPerLanguage) {
  ASSERT_FALSE(IsFileExist(frame->help_path().c_str()));
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(ID_HELP_3D), 0);
  EXPECT_FALSE(frame->toolbar()->GetToolEnabled(ID_HELP_3D));

  r3dtest::TempDir dir;
  const std::string book = dir.path() + "/On-line Help/Zovire3DUvezIra.zez";
  ASSERT_EQ(std::system(("mkdir -p '" + dir.path() + "/On-line Help'").c_str()), 0);
  std::ofstream(book) << "zip";
  const std::string saved = GetProcessCommandLine();
  SetProcessCommandLine(("\"" + dir.path() + "/relief3d-host\" --lang=ru").c_str());
  SetResourceLanguage(ResourceLanguage::Russian);
  auto* other = new Frame(true);
  ASSERT_TRUE(other->CreateFrameWindow());
  SetProcessCommandLine(saved.c_str());
  EXPECT_EQ(other->help_path(), book);
  EXPECT_TRUE(other->toolbar()->GetToolEnabled(ID_HELP_3D));
  // Built from the Russian resources: Cyrillic in the title, menus and tooltips.
  for (const wxString& text : {other->GetTitle(), other->GetMenuBar()->GetMenuLabelText(2),
                               other->toolbar()->FindTool(ID_HELP_3D)->GetShortHelp()})
    EXPECT_NE(text.utf8_string().find('\xD0'), std::string::npos) << text;

  g_helpCalls.clear();
  SetHtmlHelpHook(&RecordHelp);
  other->OnButtonHelp();
  SetResourceLanguage(ResourceLanguage::English);
  other->OnButtonHelp();
  SetHtmlHelpHook(nullptr);
  EXPECT_EQ(g_helpCalls, (std::vector<std::string>{book + "::/Rus/Viewer3D.htm", book + "::/Eng/Viewer3D.htm"}));
  other->Close();
  r3dtest::PumpEvents(20);
  EXPECT_EQ(Frame::instance(), frame);
}

// The exports a host calls: icon handles owned by the module and made once (the colour one is the
// frame's), and automation that opens the sample and writes a snapshot of the view's size.
TEST_F(FrameTest, ExportsGiveIconsAndDriveTheViewer) {
  wxIcon *colour = nullptr, *grey = nullptr, *again = nullptr;
  ASSERT_EQ(GetModuleInfo(0, 1, &colour, sizeof colour) + GetModuleInfo(0, 2, &grey, sizeof grey) +
                GetModuleInfo(0, 1, &again, sizeof again), 3);
  ASSERT_TRUE(colour && grey && colour->IsOk() && grey->IsOk());
  EXPECT_NE(colour, grey);
  EXPECT_EQ(colour, again);
  EXPECT_EQ(colour->GetWidth(), 32);
  EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(16, 16)).IsOk());
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
