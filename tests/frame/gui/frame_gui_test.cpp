// The viewer frame in a real window (Xvfb). There is one frame per process, so these tests share
// it and each one starts from a known state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
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

class FrameTest : public testing::Test {
protected:
  void SetUp() override {
    link_module_resources();
    SetResourceLanguage(ResourceLanguage::English);
    frame = Frame::make(nullptr);
    ASSERT_NE(frame, nullptr);
    view = frame->view();
    // Pointer mode off, no cursor, fresh readout, the first palette, no texture, the first angles.
    frame->ToolBarPressButton(ID_POINTER_3D, 0);
    view->set_manipulator_type(ManipulatorType::Pan);
    view->set_cursor(SIZE_MAX, SIZE_MAX);
    frame->set_origin(0, 0, 1);
    view->set_palette(std::vector<std::uint32_t>(256, 0x00FFFFFFu));
    view->set_color_matrix({});
    view->set_rotation(45, 45);
  }
  void ShowFrame() { ASSERT_TRUE(r3dtest::ShowAndWait(frame)); }
  // A relief of 333 x 150 cells whose height encodes its cell: r + c / 4.
  void LoadRamp() {
    std::vector<float> m(333 * 150);
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = static_cast<float>(i / 333) + (i % 333) * 0.25f;
    frame->set_matrix(m, 333, 150);
  }
  std::string Status(int part) { return frame->status_text(part).utf8_string(); }
  // The pointer button pressed (its style bit, the drawn bar), cursor mode, the cursor's column.
  std::tuple<bool, bool, bool, std::size_t> Pointer() {
    std::size_t c = 0, r = 0;
    view->get_cursor(c, r);
    return {frame->ToolBarIsButtonPressed(ID_POINTER_3D), frame->toolbar()->GetToolToggled(ID_POINTER_3D),
            view->get_manipulator_type() == ManipulatorType::Cursor, c};
  }

  Frame* frame = nullptr;
  View* view = nullptr;
};

}  // namespace

// The viewer's shortcuts, typed through the X server into the view; it starts with its companions
// hidden, and closing it hides them with it.
TEST_F(FrameTest, ShortcutsReachTheirCommands) {
  EXPECT_EQ(Frame::make(frame), frame);  // any parent: the same frame, no new window
  EXPECT_FALSE(frame->palette_dialog()->IsShown() || frame->tool_window()->IsShown());
  ShowFrame();
  wxUIActionSimulator sim;
  auto zoomed = [&](int sign) { return [&, sign](int z) { return (view->zoom_percent() - z) * sign > 0; }; };
  const struct { int key, modifiers; std::function<bool(int zoomBefore)> done; } keys[] = {
      {'3', wxMOD_CONTROL, zoomed(1)}, {'4', wxMOD_CONTROL, zoomed(-1)},
      {WXK_NUMPAD_ADD, wxMOD_NONE, zoomed(1)}, {WXK_NUMPAD_SUBTRACT, wxMOD_NONE, zoomed(-1)},
      {'W', wxMOD_CONTROL, [&](int) { return std::get<0>(Pointer()); }},
      {'L', wxMOD_CONTROL, [&](int) { return frame->palette_dialog()->IsShown(); }},
      {'T', wxMOD_CONTROL, [&](int) { return frame->tool_window()->IsShown(); }}};
  for (const auto& k : keys) {
    frame->Raise();
    view->SetFocus();
    r3dtest::PumpEvents(50);
    const int zoom = view->zoom_percent();
    sim.Char(k.key, k.modifiers);
    EXPECT_TRUE(r3dtest::WaitFor([&] { return k.done(zoom); }, 2000)) << "key " << k.key;
  }
  frame->Close();
  EXPECT_FALSE(frame->palette_dialog()->IsShown() || frame->tool_window()->IsShown());
}

// Every toolbar button has an icon and a tooltip; enabling and pressing are separate bits of one
// button that the drawn toolbar follows; a command not on the toolbar changes nothing and answers
// "enabled".
TEST_F(FrameTest, ToolbarButtonsAndTheirStates) {
  wxAuiToolBar* tb = frame->toolbar();
  const int id = ID_PALETTE_3D;
  const struct { bool enable; int value; bool enabled, pressed; } steps[] = {
      {true, 0, false, false}, {false, 1, false, true}, {true, 7, true, true}, {false, 0, true, false}};
  for (const auto& s : steps) {
    s.enable ? frame->ToolBarEnableButton(id, s.value) : frame->ToolBarPressButton(id, s.value);
    EXPECT_EQ(std::make_tuple(frame->ToolBarIsButtonEnabled(id), tb->GetToolEnabled(id), tb->GetToolToggled(id)),
              std::make_tuple(s.enabled ? 1 : 0, s.enabled, s.pressed));
  }
  frame->ToolBarEnableButton(57665, 0);
  frame->ToolBarPressButton(2746, 1);
  EXPECT_EQ(frame->ToolBarIsButtonEnabled(57665), 1);
  for (int c : kToolbarCommands) {  // the others never moved (help is off: no book beside the tests)
    const wxAuiToolBarItem* item = tb->FindTool(c);
    ASSERT_TRUE(item && !item->GetShortHelp().empty() && item->GetBitmapBundle().IsOk()) << c;
    EXPECT_EQ(std::make_pair(frame->ToolBarIsButtonEnabled(c), frame->ToolBarIsButtonPressed(c)),
              std::make_pair(c == ID_HELP_3D ? 0 : 1, false)) << c;
  }
}

// The load gauge does not move the status fields. The zoom text is integral after a zoom command and
// in float form after a matrix. Pointer on: pressed, cursor manipulator, centred cursor, readout
// filled through origin and divisor; off: released, pan, no cursor, readout empty, zoom text
// untouched. A relief load while on releases only the button; the next press ends the cursor mode.
TEST_F(FrameTest, StatusBarZoomTextAndPointerReadout) {
  ShowFrame();
  auto fields = [sb = frame->GetStatusBar()] {
    std::vector<wxRect> r(sb->GetFieldsCount());
    for (std::size_t i = 0; i < r.size(); ++i) sb->GetFieldRect(int(i), r[i]);
    return r;
  };
  frame->show_progress_3D(true);
  const std::vector<wxRect> withGauge = fields();
  frame->show_progress_3D(false);
  EXPECT_EQ(fields(), withGauge);
  LoadRamp();
  // The view's zoom carries over between tests; walk back to the initial scale via its percentage.
  while (view->zoom_percent() > 50) frame->OnButtonMinus();
  while (view->zoom_percent() < 50) frame->OnButtonPlus();
  frame->OnButtonMinus();
  EXPECT_EQ(Status(0), "33%");
  LoadRamp();
  EXPECT_EQ(Status(0), "33.3333%");
  frame->OnButtonPlus();
  frame->set_status_text("Привет");
  frame->OnButtonCursor();
  EXPECT_EQ(Pointer(), std::make_tuple(true, true, true, 166u));
  EXPECT_EQ(Status(1) + " / " + Status(2), "166, 75 / " + format_float(view->cursor_height()));
  frame->set_origin(100, 200, 2);
  view->set_cursor(13, 7);
  view->set_cursor(SIZE_MAX, 7);  // no cursor: the texts stay
  EXPECT_EQ(Status(1) + " / " + Status(2), "106, 203 / 10.25");
  frame->OnButtonCursor();
  EXPECT_EQ(Pointer(), std::make_tuple(false, false, false, SIZE_MAX));
  EXPECT_EQ(Status(0) + Status(1) + Status(2), "Привет");
  frame->OnButtonCursor();
  LoadRamp();
  const std::tuple<bool, bool, bool, std::size_t> presses[] = {
      {false, false, true, 166u}, {true, true, false, SIZE_MAX}, {false, false, false, SIZE_MAX}, {true, true, true, 166u}};
  for (const auto& want : presses) {
    EXPECT_EQ(Pointer(), want);
    frame->OnButtonCursor();
  }
}

// A large relief: while it loads the cursor is busy and the status-bar gauge, shown, only moves
// forward, the read filling its first half and the surface compile the rest; afterwards both are
// gone. A refused load shows none, says which file and why, and changes nothing.
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
  frame->set_origin(5, 6, 7);
  ASSERT_TRUE(frame->set_matrix(CString(path), 2, 2));
  EXPECT_EQ(view->get_width(), 1024u);
  EXPECT_EQ(frame->readout().originX + frame->readout().originY + frame->readout().divisor, 1u);  // reset
  ASSERT_GT(seen.size(), 10u);
  for (std::size_t i = 0; i < seen.size(); ++i)
    EXPECT_TRUE(seen[i].shownAndBusy && seen[i].range == seen[0].range && (i == 0 || seen[i].value > seen[i - 1].value)) << i;
  EXPECT_EQ(seen.back().value, seen.back().range);
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](const Seen& s) { return 2 * s.value == s.range; }));
  EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](const Seen& s) { return 2 * s.value > s.range; }), 1);
  EXPECT_FALSE(frame->progress_gauge()->IsShown() || wxIsBusy());
  seen.clear();
  frame->set_origin(5, 6, 7);
  const std::string missing = dir.file("missing.tif");
  EXPECT_FALSE(frame->set_matrix(CString(missing), 2, 2));
  EXPECT_EQ(frame->load_error().rfind(missing + ": ", 0), 0u) << frame->load_error();
  EXPECT_FALSE(frame->set_matrix(CString(path), 0, 1));
  EXPECT_TRUE(seen.empty() && frame->readout().divisor == 7 && view->get_width() == 1024u);
  EXPECT_FALSE(frame->progress_gauge()->IsShown() || wxIsBusy());
  frame->set_progress_notify(nullptr);
}

// Open cancelled changes nothing; a texture chosen in Open is on screen at once, without any other
// event reaching the view. A texture is taken only when its grid is the relief's.
TEST_F(FrameTest, TextureFromOpenIsOnScreenAtOnce) {
  ShowFrame();
  LoadRamp();
  frame->set_origin(1, 2, 3);
  wxTEST_DIALOG(frame->OnFileOpen(), wxExpectDismissableModal<COpenFileDlg>(wxID_CANCEL));
  EXPECT_EQ(view->get_width() + frame->readout().divisor, 333u + 3u);
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("relief.tif"), 8, 8, GDT_Float32, [](int x, int y, double*) { return r3dtest::PositionValue(x, y); }));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("red.tif"), 8, 8, GDT_Byte, [](int x, int y, double*) { return x + y > 0 ? 1.0 : 0.0; }));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("flat.tif"), 8, 8, GDT_Byte, [](int, int, double*) { return 0.0; }));
  view->set_rotation(0, 0);
  // Open answered OK with a relief and a three-file texture that is pure red.
  wxTEST_DIALOG(frame->OnFileOpen(), r3dtest::Answer<COpenFileDlg>([&dir](COpenFileDlg* d) {
                  d->useTexture = 1, d->singleTexture = 0;
                  d->reliefPath = dir.file("relief.tif"), d->redPath = dir.file("red.tif");
                  d->greenPath = d->bluePath = dir.file("flat.tif");
                  return wxID_OK;
                }));
  r3dtest::PumpEvents(200);
  const wxImage shot = r3dtest::GrabClientArea(view);
  // At other factors than the relief's the texture is refused, saying so.
  const CString red(dir.file("red.tif")), flat(dir.file("flat.tif"));
  EXPECT_FALSE(frame->set_color_matrix(red, flat, flat, 2, 2, 0));
  EXPECT_NE(frame->load_error().find("cells"), std::string::npos) << frame->load_error();
  ASSERT_EQ(std::system("command -v import >/dev/null"), 0) << "ImageMagick's import is needed (scripts/setup.sh)";
  if (!shot.IsOk()) GTEST_SKIP() << "this display cannot be grabbed (XWayland under a headless weston)";
  const int x = shot.GetWidth() / 2, y = shot.GetHeight() / 2;
  EXPECT_GT(shot.GetRed(x, y), shot.GetGreen(x, y) + 60);
}

// Alt+F4 pressed in the viewer hides it and leaves the host running: the frame is vetoed, not
// closed, and keeps its relief and palette but drops the compiled surface, which only the next
// matrix brings back; a floating toolbar goes with the frame and comes back with it.
TEST_F(FrameTest, AltF4HidesTheViewerWithItsDataAndFloatingToolbar) {
  ShowFrame();
  LoadRamp();
  view->set_palette(std::vector<std::uint32_t>(256, 0x123456));
  wxAuiManager* aui = wxAuiManager::GetManager(frame);
  aui->GetPane("toolbar").Float().FloatingPosition(700, 100);
  aui->Update();
  wxWindow* floating = aui->GetPane("toolbar").frame;
  ASSERT_TRUE(floating && floating->IsShown() && view->has_surface());
  g_exits = 0;
  wxTheApp->Bind(wxEVT_MENU, &CountExit, wxID_EXIT);
  frame->Raise();
  view->SetFocus();
  r3dtest::PumpEvents(50);
  wxUIActionSimulator().Char(WXK_F4, wxMOD_ALT);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return !frame->IsShown(); }, 2000));
  EXPECT_FALSE(g_exits || floating->IsShown() || frame->IsBeingDeleted() || view->has_surface());
  EXPECT_EQ(std::make_tuple(Frame::make(nullptr), view->get_width() * view->get_height(), view->get_palette()),
            std::make_tuple(frame, std::size_t{333 * 150}, std::vector<std::uint32_t>(256, 0x123456)));
  RunViewer3D();
  EXPECT_TRUE(frame->IsShown() && floating->IsShown() && !view->has_surface());
  LoadRamp();
  EXPECT_TRUE(view->has_surface());
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

// A frame made under another host directory (quoted, with spaces) finds the help book there, opens
// the topic of the interface language and is built in that language; made to be destroyed on close,
// it really goes.
TEST_F(FrameTest, HelpBookBesideTheHostAndTheTopicPerLanguage) {
  r3dtest::TempDir dir;
  const std::string book = dir.path() + "/On-line Help/Zovire3DUvezIra.zez";
  std::filesystem::create_directory(dir.path() + "/On-line Help");
  ASSERT_TRUE(r3dtest::WriteTextFile(book, "zip"));
  const std::string saved = GetProcessCommandLine();
  SetProcessCommandLine(("\"" + dir.path() + "/relief3d-host\" --lang=ru").c_str());
  SetResourceLanguage(ResourceLanguage::Russian);
  auto* other = new Frame(true);
  ASSERT_TRUE(other->CreateFrameWindow());
  SetProcessCommandLine(saved.c_str());
  EXPECT_TRUE(other->help_path() == book && other->toolbar()->GetToolEnabled(ID_HELP_3D)) << other->help_path();
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
  EXPECT_TRUE(colour != grey && colour == again && colour->GetWidth() == 32);
  EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(16, 16)).IsOk());
  const char* dem = R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif";
  EXPECT_EQ(Lib3dOpenFiles("/nonexistent.tif", 1, 1, nullptr, nullptr, nullptr, 0), 0);
  ASSERT_EQ(Lib3dOpenFiles(dem, 2, 2, dem, nullptr, nullptr, 0), 1);
  r3dtest::TempDir dir;
  ASSERT_EQ(Lib3dSnapshot(dir.file("snap.png").c_str()), 1);
  wxImage image(wxString::FromUTF8(dir.file("snap.png")), wxBITMAP_TYPE_PNG);
  EXPECT_EQ(image.GetSize(), view->GetClientSize());
  EXPECT_EQ(Lib3dSnapshot(""), 0);
}
