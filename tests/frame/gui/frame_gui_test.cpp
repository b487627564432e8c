// The viewer frame in a real window (Xvfb). There is one frame per process, so these tests share
// it and each one starts from a known state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <wx/aui/auibar.h>
#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "resources/open_ids.h"
#include "dialogs/open/OpenFileDlg.h"
#include "dialogs/palette/PaletteExDlg.h"
#include "dialogs/tools/ToolPage.h"
#include "dialogs/tools/ToolWinDlg.h"
#include "dialogs/tools/ToolWinDlgOffset.h"
#include "dialogs/tools/ToolWinDlgSun.h"
#include "colour/PaletteFile.h"
#include "frame/Frame.h"
#include "hostlib/HtmlHelp.h"
#include "hostlib/Controls.h"
#include "hostlib/Paths.h"
#include "hostlib/ProcessLocale.h"
#include "hostlib/Resources.h"
#include "tests/support/RunCommand.h"
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

template <class T> bool is(wxWindow* w) { return dynamic_cast<T*>(w) != nullptr; }
std::string name_of(wxWindow* w) {
  return wxString::Format("\n  %s %d \"%s\"", w->GetClassInfo()->GetClassName(), w->GetId(), w->GetLabel()).utf8_string();
}

// A group box may hold a control whole, below its title line, or under its top edge as its title
// when the control paints its own background over the line; a tab control holds pages.
bool holds(wxWindow* box, wxWindow* w) {
  const wxRect r = w->GetRect();
  wxRect inner = box->GetRect();
  if (is<wxBookCtrlBase>(box)) return inner.Contains(r);
  int top = 0, other = 0;
  if (!is<wxStaticBox>(box)) return false;
  static_cast<wxStaticBox*>(box)->GetBordersForSizer(&top, &other);
  const bool title = w->UseBgCol() && r.y <= inner.y && r.GetBottom() > inner.y && r.x > inner.x && r.GetRight() < inner.GetRight();
  return title || wxRect(inner.x, inner.y + top, inner.width, inner.height - top).Contains(r);
}

// The faults among the shown children of `parent`, then of every shown child container, a line each.
std::string faults_of(wxWindow* parent) {
  std::vector<wxWindow*> kids;
  for (wxWindow* w : parent->GetChildren())
    if (w->IsShown() && !w->IsTopLevel()) kids.push_back(w);
  std::string faults;
  for (std::size_t i = 0; i < kids.size(); ++i) {
    wxWindow* const a = kids[i];
    const wxRect ra = a->GetRect();
    if (!wxRect(parent->GetClientSize()).Contains(ra)) faults += name_of(a) + " leaves its parent";
    // Texts must show whole: a label, check box or button at least as large as its text needs, an
    // edit at least as tall as one line. (A button's best size is wx's default, not its label's.)
    const wxSize best = is<wxButton>(a) ? a->GetTextExtent(a->GetLabel()) + wxSize(2, 2) : a->GetBestSize();
    const bool text = is<wxStaticText>(a) || is<wxCheckBox>(a) || is<wxButton>(a);
    if ((text && !a->GetLabel().empty() && (ra.width < best.x || ra.height < best.y)) || (is<wxTextCtrl>(a) && ra.height < best.y))
      faults += name_of(a) + wxString::Format(" is cut: %dx%d < %dx%d", ra.width, ra.height, best.x, best.y).utf8_string();
    for (std::size_t j = i + 1; j < kids.size(); ++j)
      if (ra.Intersects(kids[j]->GetRect()) && !holds(a, kids[j]) && !holds(kids[j], a)) faults += name_of(a) + " overlaps" + name_of(kids[j]);
    if (!is<wxStaticBox>(a) && !is<wxBookCtrlBase>(a) && !a->GetChildren().empty()) faults += faults_of(a);
  }
  return faults;
}
std::string faults_shown(wxWindow* dialog) { return r3dtest::ShowAndWait(dialog) ? faults_of(dialog) : "not shown"; }

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
  // The frame in front with the keyboard focus in the view, for keys typed through the X server (once
  // every shown window is on screen: a window manager focuses a window as it maps it).
  void FocusView() {
    for (wxWindow* w : wxTopLevelWindows) ASSERT_TRUE(!w->IsShown() || r3dtest::ShowAndWait(w));
    frame->Raise();
    view->SetFocus();
    ASSERT_TRUE(r3dtest::WaitFor([&] { return frame->IsActive() && wxWindow::FindFocus() == view; }));
  }
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
  // The zoom text is integral after a zoom command.
  auto zoomed = [&](int sign) {
    return [&, sign](int z) { return (view->zoom_percent() - z) * sign > 0 && Status(0) == std::to_string(view->zoom_percent()) + "%"; };
  };
  const struct { int key, modifiers; std::function<bool(int zoomBefore)> done; } keys[] = {
      {'3', wxMOD_CONTROL, zoomed(1)}, {'4', wxMOD_CONTROL, zoomed(-1)},
      {WXK_NUMPAD_ADD, wxMOD_NONE, zoomed(1)}, {WXK_NUMPAD_SUBTRACT, wxMOD_NONE, zoomed(-1)},
      {'W', wxMOD_CONTROL, [&](int) { return std::get<0>(Pointer()); }},
      {'L', wxMOD_CONTROL, [&](int) { return frame->palette_dialog()->IsShown(); }},
      {'T', wxMOD_CONTROL, [&](int) { return frame->tool_window()->IsShown(); }}};
  for (const auto& k : keys) {
    FocusView();
    const int zoom = view->zoom_percent();
    sim.Char(k.key, k.modifiers);
    EXPECT_TRUE(r3dtest::WaitFor([&] { return k.done(zoom); })) << "key " << k.key;
  }
  frame->Close();
  EXPECT_FALSE(frame->palette_dialog()->IsShown() || frame->tool_window()->IsShown());
}

// A large relief: while it loads the cursor is busy and the status-bar gauge, shown without moving
// the status fields, only moves forward to its end (how read and compile share it is a unit test's
// business); afterwards both are gone. The pointer's readout goes through origin and divisor; a load while
// it is on releases only the button, and the next press ends the cursor mode. A refused load shows
// no gauge and changes nothing. A relief drawn from tiles counts them in the status bar as they come.
TEST_F(FrameTest, LoadingShowsABusyCursorAndAnAdvancingGauge) {
  ShowFrame();
  r3dtest::TempDir dir;
  const std::string path = dir.file("large.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(path, 2048, 2048, GDT_Float32, [](int x, int y, double*) { return x + y; }));
  const double gt[6] = {500000, 10, 0, 4e6, 0, -10};
  ASSERT_TRUE(r3dtest::Georeference(path, gt, "EPSG:32633"));
  auto fields = [sb = frame->GetStatusBar()] {
    std::vector<wxRect> r(sb->GetFieldsCount());
    for (std::size_t i = 0; i < r.size(); ++i) sb->GetFieldRect(int(i), r[i]);
    return r;
  };
  LoadRamp();
  frame->OnButtonCursor();
  frame->set_origin(100, 200, 2);
  view->set_cursor(13, 7);
  EXPECT_EQ(Status(1), "106, 203");
  const std::vector<wxRect> plain = fields();
  struct Seen { int value, range; bool shownAndBusy; };
  std::vector<Seen> seen;
  frame->set_progress_notify([&](int value, int range) {
    seen.push_back({value, range, frame->progress_gauge()->IsShown() && wxIsBusy() && fields() == plain});
  });
  frame->set_origin(5, 6, 7);
  ASSERT_TRUE(frame->set_matrix(CString(path), 2, 2));
  // The readout's origin and divisor are reset.
  EXPECT_EQ(view->get_width() + frame->readout().originX + frame->readout().originY + frame->readout().divisor, 1025u);
  ASSERT_GT(seen.size(), 10u);
  for (std::size_t i = 0; i < seen.size(); ++i)
    EXPECT_TRUE(seen[i].shownAndBusy && seen[i].range == seen[0].range && (i == 0 || seen[i].value > seen[i - 1].value)) << i;
  EXPECT_EQ(seen.back().value, seen.back().range);
  EXPECT_FALSE(frame->progress_gauge()->IsShown() || wxIsBusy());
  const std::tuple<bool, bool, bool, std::size_t> presses[] = {
      {false, false, true, 13u}, {true, true, false, SIZE_MAX}, {false, false, false, SIZE_MAX}, {true, true, true, 512u}};
  for (const auto& want : presses) {
    EXPECT_EQ(Pointer(), want);
    frame->OnButtonCursor();
  }
  EXPECT_EQ(Status(1) + Status(2), "");
  seen.clear();
  frame->set_origin(5, 6, 7);
  EXPECT_FALSE(frame->set_matrix(CString(path), 0, 1));
  EXPECT_TRUE(seen.empty() && frame->readout().divisor == 7 && view->get_width() == 1024u);
  EXPECT_FALSE(frame->progress_gauge()->IsShown() || wxIsBusy());
  frame->set_progress_notify(nullptr);
  // The readout in map terms agrees with GDAL's own tools to a tenth of a (reduced, 20 m) cell, in
  // both languages: cell (13, 7) is file pixel (26, 14).
  const auto gdal = [&](const char* to) {
    return r3dtest::RunCommand("echo 26.5 14.5 | gdaltransform " + std::string(to) + " '" + path + "'").out;
  };
  for (const auto language : {ResourceLanguage::Russian, ResourceLanguage::English}) {
    SetResourceLanguage(language);
    view->set_cursor(13, 7);
    const std::string text = Status(3);
    double x = 0, y = 0, lat = 0, lon = 0, gx = 0, gy = 0, glon = 0, glat = 0;
    char h[16] = "";
    ASSERT_EQ(4, std::sscanf(text.c_str(), "x %lf %*s y %lf %*s | %lf%*s %*[^,], %lf", &x, &y, &lat, &lon)) << text;
    ASSERT_EQ(2, std::sscanf(gdal("").c_str(), "%lf %lf", &gx, &gy));
    ASSERT_EQ(2, std::sscanf(gdal("-t_srs EPSG:4326").c_str(), "%lf %lf", &glon, &glat));
    EXPECT_TRUE(std::fabs(x - gx) <= 2 && std::fabs(y - gy) <= 2 && std::fabs(lat - glat) < 2e-5 &&
                std::fabs(lon - glon) < 2e-5) << text;
    const bool ru = language == ResourceLanguage::Russian;
    EXPECT_NE(text.find(ru ? "с. ш., " : "N, "), std::string::npos) << text;
    std::sscanf(text.c_str() + text.rfind('|') + 1, " %*f %15s", h);
    EXPECT_STREQ(h, ru ? "м" : "m") << text;
  }
  // At full size it is drawn from tiles: part 3 counts them until all are there, then gives back
  // what it held.
  view->set_cursor(13, 7);
  const std::string before = Status(3);
  ASSERT_TRUE(frame->set_matrix(CString(path), 1, 1));
  EXPECT_EQ(Status(3).rfind("Sharpening the relief: 0 of ", 0), 0u) << Status(3);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return Status(3).find("Sharpening") == std::string::npos; }, 120000));
  EXPECT_EQ(Status(3), "");
}

// Open cancelled changes nothing; a texture chosen in Open is on screen at once, without any other
// event reaching the view (the whole frame is kept for the eye: build dir/frame_screenshot.png).
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
                  d->reliefOptions.holes = false;
                  return wxID_OK;
                }));
  EXPECT_FALSE(frame->relief_options().holes);  // the dialog's reading options reach the frame
  frame->set_relief_options({});
  const wxImage shot = r3dtest::GrabClientArea(view);
  if (!shot.IsOk()) GTEST_SKIP() << "this display cannot be grabbed (XWayland under a headless weston)";
  r3dtest::GrabClientArea(frame).SaveFile(R3D_BIN_DIR "/../frame_screenshot.png", wxBITMAP_TYPE_PNG);
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
  FocusView();
  wxUIActionSimulator().Char(WXK_F4, wxMOD_ALT);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return !frame->IsShown(); }));
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
  C3DPaletteExDlg* dlg = frame->palette_dialog();
  r3dtest::EventCount paints(wxEVT_PAINT, dlg);
  frame->OnButtonHist();
  ASSERT_TRUE(r3dtest::WaitFor([&] { return paints() > 0; }));  // the first paint fills the interval
  const std::vector<std::uint32_t> committed = view->get_palette();
  dlg->editor().set_swatch(0x0000FFu);  // "min" paints the interval's low entry: a palette is sent
  wxCommandEvent paint(wxEVT_BUTTON, C3DPaletteExDlg::IDC_MIN_BUTTON);
  dlg->GetEventHandler()->ProcessEvent(paint);
  ASSERT_NE(view->get_palette(), committed);
  const auto edited = dlg->editor().working.editedPalette;
  if (!r3dtest::WindowManagerMinimises()) {
    dlg->Hide();
    GTEST_SKIP() << "no window manager to minimise the frame";
  }
  frame->Iconize(true);
  ASSERT_TRUE(r3dtest::WaitFor([&] { return frame->IsIconized(); }));
  EXPECT_EQ(view->get_palette(), committed);
  frame->Iconize(false);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return !frame->IsIconized(); }));
  EXPECT_FALSE(dlg->editor().paletteSent);
  EXPECT_EQ(dlg->editor().working.editedPalette, edited);
  dlg->Hide();
}

// The exports a host calls: icon handles owned by the module and made once, and automation that
// opens the sample, sets the camera as the command line gives it and writes a snapshot of the view's size.
TEST_F(FrameTest, ExportsGiveIconsAndDriveTheViewer) {
  ShowFrame();
  wxIcon *colour = nullptr, *grey = nullptr, *again = nullptr;
  ASSERT_EQ(GetModuleInfo(0, 1, &colour, sizeof colour) + GetModuleInfo(0, 2, &grey, sizeof grey) +
                GetModuleInfo(0, 1, &again, sizeof again), 3);
  ASSERT_TRUE(colour && grey && colour->IsOk() && grey->IsOk() && colour != grey && colour == again);
  const char* dem = R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif";
  ASSERT_EQ(Lib3dOpenFiles(dem, 2, 2, dem, nullptr, nullptr, 0), 1);
  EXPECT_EQ(Lib3dSetCamera(70, -30, 0, 0.25, -0.5) + Lib3dSetCamera(70, NAN, 3, 0.25, -0.5), 0);  // no such step, NaN
  ASSERT_EQ(Lib3dSetCamera(70, -30, 3, 0.25, -0.5), 1);  // --tilt 70 --azimuth -30 --zoom 3 --pan 0.25,-0.5
  double tilt = 0, azimuth = 0, panX = 0, panY = 0;
  view->get_rotation(tilt, azimuth);
  view->get_pan(panX, panY);
  EXPECT_EQ(std::tuple(tilt, azimuth, panX, panY, view->zoom_percent()), std::tuple(70.0, -30.0, 0.25, -0.5, 300));
  EXPECT_EQ(Status(0), zoom_percent_text(300));
  // --exaggeration 2 --light 300,55 through the tool window, which shows them.
  EXPECT_EQ(Lib3dSetLook(2000, -1, -1) + Lib3dSetLook(2, 361, 10), 0);
  ASSERT_EQ(Lib3dSetLook(2, 300, 55), 1);
  CToolWinDlgOffset* scale = frame->tool_window()->GetOffsetPage();
  EXPECT_NEAR(view->scale_z(), 2 * view->true_scale_z(), 1e-6);
  EXPECT_EQ(scale->GetExaggerationText()->GetLabel().utf8_string(), "×2");
  const lib3d::LightSettings light = frame->tool_window()->GetSunPage()->CurrentLight();
  EXPECT_EQ(std::tuple(light.words[3], light.words[4]), std::tuple(300, 55));
  r3dtest::TempDir dir;
  ASSERT_EQ(Lib3dSnapshot(dir.file("snap.png").c_str()), 1);
  wxImage image(wxString::FromUTF8(dir.file("snap.png")), wxBITMAP_TYPE_PNG);
  EXPECT_EQ(image.GetSize(), view->GetClientSize());
}

// A frame made under another host directory (quoted, with spaces) finds the help book there, opens
// the topic of the interface language and is built in that language; made to be destroyed on close,
// it really goes. In both languages, no control of a dialog overlaps another or is cut by its parent's
// edge, texts fit their controls, and group boxes hold their controls wholly or not at all.
TEST_F(FrameTest, HelpBookTopicAndDialogLayoutPerLanguage) {
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("two.tif"), 8, 8, GDT_Byte, [](int, int, double*) { return 0.0; },
                                   r3dtest::Layout::Striped, 0, {}, "GTiff", 2));
  auto layout = [&](Frame* f, const char* language) {
    COpenFileDlg open(f);
    ASSERT_TRUE(open.CreateDialog());
    open.file_control()->ChooseFile(dir.file("two.tif"));  // shows the band choice
    EXPECT_EQ(faults_shown(&open), "") << language << ": Open, one texture file";
    open.OnTextureSwitch();  // what ticking "texture", then "three files" does
    open.OnRgbSwitch();
    EXPECT_EQ(faults_shown(&open), "") << language << ": Open, three texture files";
    auto* factor = open.FindWindow(lib3d::open::ids::kFactorX);  // four digits fit a factor field
    EXPECT_GE(factor->GetClientSize().x, factor->GetTextExtent("1000").x + 4);
    auto* palette = new C3DPaletteExDlg(f, view);
    auto* tools = new CToolWinDlg(f, view);
    ASSERT_TRUE(palette->Create() && tools->Create());
    EXPECT_EQ(faults_shown(palette), "") << language << ": Palette";
    for (int p = 0; p < tools->GetPageCount(); ++p) {
      for (int q = 0; q < tools->GetPageCount(); ++q) tools->GetPage(q)->Show(q == p);
      EXPECT_EQ(faults_shown(tools), "") << language << ": Tools, page " << p;
    }
    CInfoFileDialogEx picker(1, nullptr, nullptr, 0x4004, nullptr, f, 1, "\\Viewer", 0);
    EXPECT_EQ(faults_shown(&picker), "") << language << ": Raster picker";
    palette->Destroy();
    tools->Destroy();
  };
  const std::string book = dir.path() + "/On-line Help/Zovire3DUvezIra.zez";
  std::filesystem::create_directory(dir.path() + "/On-line Help");
  ASSERT_TRUE(r3dtest::WriteTextFile(book, "zip"));
  const std::string saved = GetProcessCommandLine();
  SetProcessCommandLine(("\"" + dir.path() + "/relief3d-host\" --lang=ru").c_str());
  SetResourceLanguage(ResourceLanguage::Russian);
  SetProcessLanguage(ResourceLanguage::Russian);  // GTK's stock buttons change their widths with the language
  auto* other = new Frame(true);
  ASSERT_TRUE(other->CreateFrameWindow());
  SetProcessCommandLine(saved.c_str());
  layout(other, "Russian");
  EXPECT_TRUE(other->help_path() == book && other->toolbar()->GetToolEnabled(ID_HELP_3D)) << other->help_path();
  // Built from the Russian resources: Cyrillic in the title, menus and tooltips.
  for (const wxString& text : {other->GetTitle(), other->GetMenuBar()->GetMenuLabelText(2),
                               other->toolbar()->FindTool(ID_HELP_3D)->GetShortHelp()})
    EXPECT_NE(text.utf8_string().find('\xD0'), std::string::npos) << text;

  g_helpCalls.clear();
  SetHtmlHelpHook(&RecordHelp);
  other->OnButtonHelp();
  SetResourceLanguage(ResourceLanguage::English);
  SetProcessLanguage(ResourceLanguage::English);
  other->OnButtonHelp();
  SetHtmlHelpHook(nullptr);
  EXPECT_EQ(g_helpCalls, (std::vector<std::string>{book + "::/Rus/Viewer3D.htm", book + "::/Eng/Viewer3D.htm"}));
  other->Close();
  EXPECT_TRUE(r3dtest::WaitFor([&] { return Frame::instance() == frame; }));
  layout(frame, "English");
}

// Save Picture writes what the window shows, and the copied command, run in a shell, draws it
// again, pixel for pixel: a georeferenced relief turned, lit and coloured by a base palette; then
// with an edited palette (written beside the picture) and an image laid over it.
TEST_F(FrameTest, SavedPicturesAndTheCopiedCommandDrawTheWindow) {
  ShowFrame();
  r3dtest::TempDir dir;
  const std::string dem = dir.file("my dem.tif"), image = dir.file("image.tif");
  const double gt[6] = {500000, 30, 0, 4e6, 0, -30}, fine[6] = {500000, 10, 0, 4e6, 0, -10};
  ASSERT_TRUE(r3dtest::WriteRaster(dem, 60, 40, GDT_Float32, [](int x, int y, double*) { return 40 * std::sin(x * 0.2) + y; }) &&
              r3dtest::Georeference(dem, gt, "EPSG:32633"));
  ASSERT_TRUE(r3dtest::WriteRaster(image, 90, 60, GDT_Byte, [](int x, int y, double*) { return (x / 3 + y / 3) % 2 * 200; }) &&
              r3dtest::Georeference(image, fine, "EPSG:32633"));
  ASSERT_TRUE(frame->set_matrix(CString(dem), 1, 1));
  view->set_rotation(35, -20);
  view->set_zoom_level(2);
  view->set_pan(0.05, -0.1);
  view->set_scaleZ(0.4f);
  LightSettings light;
  light.words[LightSettings::kAzimuth] = 120, light.words[LightSettings::kElevation] = 40;
  light.words[LightSettings::kAmbient] = 25, light.words[LightSettings::kDiffuse] = 80;
  view->set_lightPos(&light);
  view->set_bgColor(0x302010);
  for (int state = 0; state < 2; ++state) {
    if (state == 0) {
      view->set_palette(palette::view_palette(nullptr, 7));
    } else {
      std::vector<std::uint32_t> edited(256);
      for (int i = 0; i < 256; ++i) edited[i] = static_cast<std::uint32_t>(i * 0x010203) & 0xFFFFFF;
      view->set_palette(edited);
      view->set_zoom_level(-2);  // the whole relief, a quarter of it under the image
      ASSERT_TRUE(frame->set_color_matrix(CString(image), CString(image), CString(image), 1, 1, 0));
    }
    r3dtest::PumpEvents();
    const wxImage shown = r3dtest::GrabClientArea(view);
    if (!shown.IsOk()) GTEST_SKIP() << "this display cannot be grabbed (XWayland under a headless weston)";
    std::string error;
    const std::string saved = dir.file("saved.png"), drawn = dir.file("drawn " + std::to_string(state) + ".png");
    ASSERT_TRUE(frame->save_picture(saved, shown.GetWidth(), shown.GetHeight(), error)) << error;
    const std::string command = frame->view_command(drawn, error);
    EXPECT_EQ(state == 1, command.find("--palette") != std::string::npos) << command;
    const r3dtest::Outcome run = r3dtest::RunCommand("PATH='" R3D_BIN_DIR "':$PATH " + command);
    ASSERT_EQ(0, run.status) << command << "\n" << run.out;
    for (const std::string& file : {saved, drawn}) {
      wxImage picture;
      ASSERT_TRUE(picture.LoadFile(file, wxBITMAP_TYPE_PNG)) << file;
      ASSERT_EQ(shown.GetSize(), picture.GetSize());
      EXPECT_EQ(0, std::memcmp(shown.GetData(), picture.GetData(), 3 * shown.GetWidth() * shown.GetHeight())) << file;
    }
  }
}
