// The Open dialog driven through its controls: no modal loop runs; message boxes and the raster
// file dialog are answered through wx's modal test hook.
#include <gtest/gtest.h>

#include <functional>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "resources/open_ids.h"
#include "dialogs/open/OpenFileDlg.h"
#include "hostlib/Controls.h"
#include "hostlib/FileLayer.h"
#include "hostlib/Resources.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/RasterFixtures.h"

namespace ids = lib3d::open::ids;

namespace {

// A warning message box with this text (and this cause under it), answered with OK.
r3dtest::Answer<wxMessageDialog> Says(const std::string& message, const std::string& cause = "") {
  return r3dtest::Answer<wxMessageDialog>([message, cause](wxMessageDialog* d) {
    EXPECT_EQ(d->GetMessage().utf8_string(), message);
    EXPECT_NE(d->GetExtendedMessage().utf8_string().find(cause), std::string::npos) << d->GetExtendedMessage();
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
    ASSERT_TRUE(r3dtest::WriteRaster(relief, 2000, 1500, GDT_Byte, [](int x, int y, double*) { return (x + y) % 7; },
                                     r3dtest::Layout::Striped, 0, {}, "GTiff", 2));
    GDALDatasetH ds = GDALOpen(relief.c_str(), GA_Update);
    ASSERT_TRUE(ds);
    GDALSetDescription(GDALGetRasterBand(ds, 2), "Slope");
    GDALClose(ds);
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

  // Runs code that must not show any modal dialog (one would fail the test instead of blocking it).
  static void no_dialog(const std::function<void()>& code) {
    wxTestingModalHook hook;
    code();
    hook.CheckUnmetExpectations();
  }
  // Typing: the edit's text changes and it raises its text event, as a keystroke does.
  void type(int id, const std::string& s) { no_dialog([&] { edit(id)->SetValue(s); }); }
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
      no_dialog([&] { click(ids::kOpen); });
    } else {
      wxTEST_DIALOG(click(ids::kOpen), Says(refusal));
    }
    EXPECT_EQ(dlg->GetReturnCode(), refusal.empty() ? wxID_OK : 0);
  }
  void choose_relief(const std::string& path) { no_dialog([&] { dlg->file_control()->ChooseFile(path); }); }

  r3dtest::TempDir dir;
  std::string relief = dir.file("relief.tif"), other = dir.file("other.tif"), text = dir.file("notes.txt");
  COpenFileDlg* dlg = nullptr;
};

}  // namespace

// Typing takes the whole part of a factor at once (the other edit follows while proportions are
// kept); zero waits for the edit to be left, then becomes 1; a number too large for an int is
// clamped and shown. Open, enabled once a relief is chosen, checks X then Y, then the no-data value:
// a fraction below one, a factor out of 1..1000 or a value that is no number keeps the dialog open
// with the reason; fixed, it opens with the reading options set. The band choice lists the bands of
// a relief of two or more, each with its description.
TEST_F(OpenDialog, TypedFactorsFollowTheRulesAndOpenRefusesWhatItCannotLoad) {
  EXPECT_FALSE(win(ids::kOpen)->IsEnabled());
  choose_relief(relief);
  type(ids::kFactorX, "2.7");
  EXPECT_EQ(text_of(ids::kFactorY) + " " + label(), "2 Width: 1000    Height: 750");
  type(ids::kFactorX, "0");
  EXPECT_EQ(text_of(ids::kFactorX) + " " + label(), "0 Width: 1000    Height: 750");
  wxFocusEvent left(wxEVT_KILL_FOCUS, ids::kFactorX);  // the edit left
  left.SetEventObject(edit(ids::kFactorX));
  no_dialog([&] { edit(ids::kFactorX)->GetEventHandler()->ProcessEvent(left); });
  EXPECT_EQ(text_of(ids::kFactorX) + text_of(ids::kFactorY), "11");
  type(ids::kFactorY, "1e20");
  EXPECT_EQ(text_of(ids::kFactorX) + " " + label(), "2147483647 Width: 0    Height: 0");
  type(ids::kFactorX, "0.5");
  open("Please enter an integer.");
  click(ids::kKeepProportions);
  type(ids::kFactorX, "10");
  type(ids::kFactorY, "1001");
  open("Please enter an integer between 1 and 1000.");
  type(ids::kFactorY, "7");
  type(ids::kNodataValue, "-99 m");
  open("Please enter a number, or nothing.");
  type(ids::kNodataValue, " -9999 ");
  auto* band = dynamic_cast<wxChoice*>(win(ids::kBand));
  EXPECT_EQ(wxJoin(band->GetStrings(), '|') + (band->IsShown() ? " shown" : ""), "1|2: Slope shown");
  band->SetSelection(1);
  click(ids::kOverviews);
  click(ids::kHoles);
  open();
  const lib3d::ReliefOptions& o = dlg->reliefOptions;
  EXPECT_EQ(std::tie(dlg->factorX, dlg->factorY, dlg->keepProportions, dlg->reliefPath),
            std::make_tuple(10, 7, 0, relief));
  EXPECT_EQ(std::tie(o.band, o.overviews, o.holes, o.nodata_given, o.nodata), std::make_tuple(2, true, false, true, -9999.0));
  choose_relief(other);
  EXPECT_FALSE(band->IsShown());

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
  // Checked looks checked: ticking the texture box changes it on screen as much as ticking "Save
  // proportions" does (a faint tick once left it looking unchecked).
  ASSERT_TRUE(r3dtest::ShowAndWait(dlg));
  auto tick = [&](int id) {
    wxCheckBox* box = check(id);
    const bool was = box->GetValue();
    box->SetValue(false);
    const wxImage off = r3dtest::GrabClientArea(box);
    box->SetValue(true);
    const wxImage on = r3dtest::GrabClientArea(box);
    box->SetValue(was);
    int changed = 0;
    for (int i = 0, n = off.GetWidth() * off.GetHeight() * 3; i < n; i += 3)
      changed += std::abs(off.GetData()[i] - on.GetData()[i]) > 40;
    return changed;
  };
  const int keep = tick(ids::kKeepProportions);
  EXPECT_GE(2 * tick(ids::kTexture), keep);
  EXPECT_GT(keep, 4);
  choose_relief(relief);
  click(ids::kTexture);
  expect(true, false);
  wxTEST_DIALOG(click(ids::kSingleButton), Choose(other));
  EXPECT_EQ(dlg->texturePath + "|" + text_of(ids::kSingleEdit), other + "|" + other);
  // Both on the map, the texture is laid over the ground by its georeferencing, and the dialog says so.
  EXPECT_TRUE(win(ids::kDrapeNote)->GetLabel().empty());
  const double gt[6] = {500000, 30, 0, 4e6, 0, -30};
  ASSERT_TRUE(r3dtest::Georeference(relief, gt, "EPSG:32633") && r3dtest::Georeference(other, gt, "EPSG:32633"));
  wxTEST_DIALOG(click(ids::kSingleButton), Choose(other));
  EXPECT_NE(win(ids::kDrapeNote)->GetLabel().find("georeferencing: 300 x 200 pixels of 30 m;"), wxString::npos)
      << win(ids::kDrapeNote)->GetLabel();
  open();

  click(ids::kRgb);
  expect(true, true);
  // {button, file, component chosen, component afterwards, its edit's text afterwards}
  const struct { int button; std::string path; int chosen; unsigned component; int edit; std::string shown; } picks[] = {
      {ids::kRedButton, other, 0, 0, ids::kRedEdit, other},
      {ids::kGreenButton, cplx, COMPONENT_AMPLITUDE, 2, ids::kGreenEdit, cplx},
      {ids::kBlueButton, cplx, COMPONENT_IMAGINARY, 1, ids::kBlueEdit, cplx},
  };
  for (const auto& p : picks) {
    wxTEST_DIALOG(click(p.button), Choose(p.path, p.chosen));
    EXPECT_EQ(dlg->component, p.component) << p.button;
    EXPECT_EQ(text_of(p.edit), p.shown) << p.button;
  }
  wxTEST_DIALOG(click(ids::kGreenButton), Choose(cplx, 0, wxID_CANCEL));
  EXPECT_EQ(dlg->component, 1u);
  // Each refusal names its own cause under the message.
  for (const auto& [path, cause] : {std::pair{dir.file("none.tif"), "No such file or directory"},
                                    {dir.path(), "is a directory"}, {text, "not a raster GDAL can read"}})
    wxTEST_DIALOG(click(ids::kRedButton), Choose(path), Says("The file is not correct!", cause));
  EXPECT_EQ(dlg->component, 0u);
  EXPECT_EQ(std::tie(dlg->redPath, dlg->greenPath, dlg->bluePath), std::make_tuple(std::string(), std::string(), cplx));
  EXPECT_EQ(text_of(ids::kRedEdit) + text_of(ids::kGreenEdit), "");
  click(ids::kTexture);
  expect(false, false);
}
