// The Open dialog driven through its controls: no modal loop runs; message boxes and the raster
// file dialog are answered through wx's modal test hook.
#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "dialogs/open/OpenDlgIds.h"
#include "dialogs/open/OpenDlgLogic.h"
#include "dialogs/open/OpenFileDlg.h"
#include "hostlib/Controls.h"
#include "hostlib/FileLayer.h"
#include "hostlib/Resources.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/RasterFixtures.h"

namespace ids = lib3d::open::ids;

// Runs code that must not show any modal dialog (one would fail the test instead of blocking it).
#define NO_DIALOG(code)                                              \
  {                                                                  \
    wxTestingModalHook wx_hook(__FILE__, __LINE__, __WXFUNCTION__); \
    code;                                                            \
    wx_hook.CheckUnmetExpectations();                                \
  }

namespace {

// A warning message box with this text, answered with OK.
r3dtest::Answer<wxMessageDialog> Says(const std::string& message) {
  return r3dtest::Answer<wxMessageDialog>([message](wxMessageDialog* d) {
    EXPECT_EQ(d->GetMessage().utf8_string(), message);
    EXPECT_TRUE(d->GetMessageDialogStyle() & wxICON_EXCLAMATION);
    return wxID_OK;
  });
}

// The raster file dialog, answered with `result` after picking `path` and `component`.
r3dtest::Answer<CInfoFileDialogEx> Choose(const std::string& path, int component = 0, int result = wxID_OK) {
  return r3dtest::Answer<CInfoFileDialogEx>([=](CInfoFileDialogEx* d) {
    d->SetPathName(path);
    d->SetComponent(component);
    return result;
  });
}

class OpenDialog : public testing::Test {
protected:
  void SetUp() override {
    lib3d::link_module_resources();
    SetResourceLanguage(ResourceLanguage::English);
    ASSERT_TRUE(r3dtest::WriteRaster(relief, 2000, 1500, GDT_Byte, [](int x, int y, double*) { return (x + y) % 7; }));
    ASSERT_TRUE(r3dtest::WriteRaster(other, 300, 200, GDT_Int16, [](int x, int y, double*) { return x - y; }));
    ASSERT_TRUE(r3dtest::WriteTextFile(text, "no raster here\n"));
    dlg = new COpenFileDlg(nullptr);
    ASSERT_TRUE(dlg->CreateDialog());
  }
  void TearDown() override {
    if (dlg) dlg->Destroy();
    r3dtest::PumpEvents();
  }

  wxWindow* win(int id) { return dlg->FindWindow(id); }
  wxTextCtrl* edit(int id) { return dynamic_cast<wxTextCtrl*>(win(id)); }
  wxCheckBox* check(int id) { return dynamic_cast<wxCheckBox*>(win(id)); }
  std::string text_of(int id) { return edit(id)->GetValue().utf8_string(); }
  std::string label() { return win(ids::kSizeLabel)->GetLabel().utf8_string(); }

  // Typing: the edit's text changes and it raises its text event, as a keystroke does.
  void type(int id, const std::string& s) { NO_DIALOG(edit(id)->SetValue(s)); }
  void leave(int id) {
    wxFocusEvent e(wxEVT_KILL_FOCUS, id);
    e.SetEventObject(edit(id));
    NO_DIALOG(edit(id)->GetEventHandler()->ProcessEvent(e));
  }
  // A click on a check box (which toggles it) or a button.
  void click(int id) {
    wxCheckBox* box = check(id);
    if (box) box->SetValue(!box->GetValue());
    wxCommandEvent e(box ? wxEVT_CHECKBOX : wxEVT_BUTTON, id);
    e.SetInt(box && box->GetValue());
    e.SetEventObject(win(id));
    win(id)->GetEventHandler()->ProcessEvent(e);
  }
  // Open pressed: kept open (return code 0) with the refusal given, or ended with OK.
  void open(const std::string& refusal = "") {
    dlg->SetReturnCode(0);
    if (refusal.empty()) {
      NO_DIALOG(click(ids::kOpen));
    } else {
      wxTEST_DIALOG(click(ids::kOpen), Says(refusal));
    }
    EXPECT_EQ(dlg->GetReturnCode(), refusal.empty() ? wxID_OK : 0);
  }
  void choose_relief(const std::string& path) { NO_DIALOG(dlg->file_control()->ChooseFile(path)); }

  r3dtest::TempDir dir;
  std::string relief = dir.file("relief.tif"), other = dir.file("other.tif"), text = dir.file("notes.txt");
  COpenFileDlg* dlg = nullptr;
};

}  // namespace

// Keystrokes and leaving an edit, step by step: the whole part of what is typed is taken at once
// (the other edit follows while proportions are kept); zero (like empty or garbage) waits for the
// edit to be left, then becomes 1. Before a relief is chosen, typing changes nothing.
TEST_F(OpenDialog, TypedFactorsFollowTheRules) {
  enum Op { Type, Leave, Toggle, Relief };
  // The edits' texts and the size label afterwards.
  const struct { Op op; int id; const char *text, *x, *y, *size; } steps[] = {
      {Type, ids::kFactorX, "5", "5", "1", "Width: 0    Height: 0"},
      {Leave, ids::kFactorX, "", "1", "1", "Width: 0    Height: 0"},
      {Relief, 0, "", "1", "1", "Width: 2000    Height: 1500"},
      {Type, ids::kFactorX, "2.7", "2", "2", "Width: 1000    Height: 750"},
      {Type, ids::kFactorY, "-3", "3", "3", "Width: 666    Height: 500"},
      {Type, ids::kFactorX, "0", "0", "3", "Width: 666    Height: 500"},
      {Leave, ids::kFactorX, "", "1", "1", "Width: 2000    Height: 1500"},
      {Type, ids::kFactorX, "1500", "1500", "1500", "Width: 1    Height: 1"},
      // Too large for an int while typing: clamped and shown.
      {Type, ids::kFactorY, "1e20", "2147483647", "2147483647", "Width: 0    Height: 0"},
      {Toggle, ids::kKeepProportions, "", "2147483647", "2147483647", "Width: 0    Height: 0"},
      {Type, ids::kFactorX, "4", "4", "2147483647", "Width: 500    Height: 0"},
      {Type, ids::kFactorY, "0", "4", "0", "Width: 500    Height: 0"},
      {Leave, ids::kFactorY, "", "4", "1", "Width: 500    Height: 1500"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(std::string(s.text) + " at step " + std::to_string(&s - steps));
    if (s.op == Type) type(s.id, s.text);
    if (s.op == Leave) leave(s.id);
    if (s.op == Toggle) click(s.id);
    if (s.op == Relief) choose_relief(relief);
    EXPECT_EQ(text_of(ids::kFactorX), s.x);
    EXPECT_EQ(text_of(ids::kFactorY), s.y);
    EXPECT_EQ(label(), s.size);
    EXPECT_EQ(win(ids::kOpen)->IsEnabled(), &s >= steps + 2);  // from the relief on
  }
  open();
  EXPECT_EQ(std::tie(dlg->factorX, dlg->factorY, dlg->keepProportions, dlg->useTexture), std::make_tuple(4, 1, 0, 0));
  EXPECT_EQ(dlg->reliefPath, relief);
}

// Open checks X then Y: a fraction below one, a factor out of 1..1000, or a grid too large for
// memory keeps the dialog open with the reason (naming the factors that would fit, in the
// interface's language); fixed, it opens.
TEST_F(OpenDialog, OpenRefusesFactorsItCannotLoad) {
  choose_relief(relief);
  type(ids::kFactorX, "0.5");
  leave(ids::kFactorX);
  EXPECT_EQ(text_of(ids::kFactorX), "0.5");
  open("Please enter an integer.");
  type(ids::kFactorX, "1500");
  open("Please enter an integer between 1 and 1000.");
  click(ids::kKeepProportions);
  type(ids::kFactorX, "10");
  type(ids::kFactorY, "1001");
  open("Please enter an integer between 1 and 1000.");
  type(ids::kFactorY, "7");
  open();
  EXPECT_EQ(std::tie(dlg->factorX, dlg->factorY), std::make_tuple(10, 7));

  const std::string huge = dir.file("huge.vrt");
  ASSERT_TRUE(r3dtest::WriteTextFile(huge, "<VRTDataset rasterXSize=\"100000\" rasterYSize=\"100000\">"
                                           "<VRTRasterBand dataType=\"Float32\" band=\"1\"/></VRTDataset>\n"));
  choose_relief(huge);
  click(ids::kKeepProportions);
  type(ids::kFactorX, "4");
  const auto fit = lib3d::loading::fit_in_memory(100000, 100000, 4, 4, lib3d::loading::available_memory());
  ASSERT_FALSE(fit.fits);
  std::string english;
  for (auto language : {ResourceLanguage::English, ResourceLanguage::Russian}) {
    SetResourceLanguage(language);
    const std::string message = lib3d::open::memory_message(fit);
    EXPECT_NE(message.find(std::to_string(fit.factorX) + " "), std::string::npos) << message;
    EXPECT_NE(message, english);
    english = message;
    open(message);
  }
  type(ids::kFactorX, std::to_string(fit.factorX));
  open();
}

// A refused second relief keeps the first; a stray notification from another window is no choice;
// a second good file replaces the first. Cancel and the close box end with Cancel, and the dialog
// stays usable until its owner destroys it.
TEST_F(OpenDialog, RefusedSecondPickKeepsTheFirstReliefAndCancelEnds) {
  choose_relief(relief);
  wxTEST_DIALOG(dlg->file_control()->ChooseFile(text), Says("The file is not correct!"));
  EXPECT_EQ(dlg->reliefPath, relief);
  EXPECT_TRUE(win(ids::kOpen)->IsEnabled());
  EXPECT_FALSE(dlg->file_control()->DataReady());
  wxCommandEvent stray(EVT_INFILE_CHOSEN, 1);
  stray.SetEventObject(win(ids::kFactorX));
  NO_DIALOG(dlg->GetEventHandler()->ProcessEvent(stray));
  EXPECT_EQ(dlg->reliefPath, relief);
  choose_relief(other);
  EXPECT_EQ(dlg->reliefPath, other);
  EXPECT_EQ(label(), "Width: 300    Height: 200");
  NO_DIALOG(click(ids::kCancel));
  EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);
  dlg->SetReturnCode(0);
  NO_DIALOG(dlg->Close());
  EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);
  EXPECT_FALSE(dlg->IsBeingDeleted());
}

// The texture box enables the single row and the RGB box; RGB swaps the single row for three;
// texture off turns RGB off too and brings the single row back, disabled. Each pick fills its slot
// and sets the component; a refused file empties the slot with the message and still sets the
// component (a text file has none: 0); a cancelled pick empties the slot silently and leaves the
// component. What the frame reads is what was picked.
TEST_F(OpenDialog, TextureSwitchesAndPicks) {
  const std::string cplx = dir.file("complex.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(cplx, 300, 200, GDT_CFloat32, [](int x, int, double* im) { return *im = x, 1.0; }));
  auto expect = [&](bool texture, bool rgb) {
    EXPECT_EQ(std::tie(dlg->useTexture, dlg->singleTexture), std::make_tuple(int(texture), int(!rgb)));
    EXPECT_EQ(check(ids::kRgb)->GetValue(), rgb);
    EXPECT_EQ(check(ids::kRgb)->IsEnabled(), texture);
    EXPECT_EQ(win(ids::kSingleEdit)->IsShown(), !rgb);
    EXPECT_EQ(win(ids::kSingleEdit)->IsEnabled() && win(ids::kSingleButton)->IsEnabled(), texture);
    for (int id : {ids::kRedEdit, ids::kRedButton, ids::kGreenEdit, ids::kGreenButton, ids::kBlueEdit, ids::kBlueButton})
      EXPECT_EQ(win(id)->IsShown() && win(id)->IsEnabled(), rgb) << id;
  };
  expect(false, false);
  choose_relief(relief);
  click(ids::kTexture);
  expect(true, false);
  wxTEST_DIALOG(click(ids::kSingleButton), Choose(other));
  EXPECT_EQ(dlg->texturePath, other);
  EXPECT_EQ(text_of(ids::kSingleEdit), other);
  open();
  expect(true, false);
  EXPECT_TRUE(dlg->redPath.empty());

  click(ids::kRgb);
  expect(true, true);
  // {button, file, component chosen, component afterwards, its edit's text afterwards}
  const struct { int button; std::string path; int chosen; unsigned component; int edit; std::string shown; } picks[] = {
      {ids::kRedButton, other, 0, 0, ids::kRedEdit, other},
      {ids::kGreenButton, cplx, COMPONENT_AMPLITUDE, 2, ids::kGreenEdit, cplx},
      {ids::kBlueButton, cplx, COMPONENT_PHASE, 3, ids::kBlueEdit, cplx},
      {ids::kBlueButton, cplx, COMPONENT_IMAGINARY, 1, ids::kBlueEdit, cplx},
  };
  for (const auto& p : picks) {
    wxTEST_DIALOG(click(p.button), Choose(p.path, p.chosen));
    EXPECT_EQ(dlg->component, p.component) << p.button;
    EXPECT_EQ(text_of(p.edit), p.shown) << p.button;
  }
  EXPECT_EQ(std::tie(dlg->redPath, dlg->greenPath, dlg->bluePath), std::tie(other, cplx, cplx));
  wxTEST_DIALOG(click(ids::kGreenButton), Choose(cplx, 0, wxID_CANCEL));
  EXPECT_EQ(dlg->component, 1u);
  wxTEST_DIALOG(click(ids::kRedButton), Choose(text), Says("The file is not correct!"));
  EXPECT_EQ(dlg->component, 0u);
  EXPECT_EQ(std::tie(dlg->redPath, dlg->greenPath, dlg->bluePath), std::make_tuple(std::string(), std::string(), cplx));
  EXPECT_EQ(text_of(ids::kRedEdit) + text_of(ids::kGreenEdit), "");
  click(ids::kTexture);
  expect(false, false);
  click(ids::kTexture);
  expect(true, false);
}
