// Every dialog of the viewer, in both languages: no control overlaps another or is cut by its
// parent's edge, texts fit their controls, and group boxes hold their controls wholly or not at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/open/OpenDlgIds.h"
#include "dialogs/open/OpenFileDlg.h"
#include "dialogs/palette/PaletteExDlg.h"
#include "dialogs/tools/ToolPage.h"
#include "dialogs/tools/ToolWinDlg.h"
#include "hostlib/Controls.h"
#include "hostlib/ProcessLocale.h"
#include "resources/ModuleResources.h"
#include "tests/support/ShownView.h"

namespace {

std::string name_of(wxWindow* w) {
  const wxRect r = w->GetRect();
  return wxString::Format("%s %d \"%s\" (%d,%d %dx%d)", w->GetClassInfo()->GetClassName(), w->GetId(), w->GetLabel(),
                          r.x, r.y, r.width, r.height).utf8_string();
}

// A group box may hold a control whole, below its title line, or under its top edge as its title
// when the control paints its own background over the line; a tab control holds pages.
bool holds(wxWindow* box, wxWindow* w) {
  const wxRect r = w->GetRect();
  wxRect inner = box->GetRect();
  if (dynamic_cast<wxBookCtrlBase*>(box)) return inner.Contains(r);
  if (!dynamic_cast<wxStaticBox*>(box)) return false;
  const bool title =
      w->UseBgCol() && r.y <= inner.y && r.GetBottom() > inner.y && r.x > inner.x && r.GetRight() < inner.GetRight();
  int top = 0, other = 0;
  static_cast<wxStaticBox*>(box)->GetBordersForSizer(&top, &other);
  inner.y += top, inner.height -= top;
  return title || inner.Contains(r);
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
    if (!wxRect(parent->GetClientSize()).Contains(ra)) faults += "\n  " + name_of(a) + " leaves its parent";
    // Texts must show whole: a label, check box or button at least as large as its text needs, an
    // edit at least as tall as one line. (A button's best size is wx's default, not its label's.)
    wxSize best = a->GetBestSize();
    if (dynamic_cast<wxButton*>(a)) best = a->GetTextExtent(a->GetLabel()) + wxSize(2, 2);
    const bool text = dynamic_cast<wxStaticText*>(a) || dynamic_cast<wxCheckBox*>(a) || dynamic_cast<wxButton*>(a);
    if ((text && !a->GetLabel().empty() && (ra.width < best.x || ra.height < best.y)) ||
        (dynamic_cast<wxTextCtrl*>(a) && ra.height < best.y))
      faults += wxString::Format("\n  %s is cut: %dx%d < %dx%d", name_of(a), ra.width, ra.height, best.x, best.y).utf8_string();
    for (std::size_t j = i + 1; j < kids.size(); ++j)
      if (ra.Intersects(kids[j]->GetRect()) && !holds(a, kids[j]) && !holds(kids[j], a))
        faults += "\n  " + name_of(a) + " overlaps " + name_of(kids[j]);
    if (!dynamic_cast<wxStaticBox*>(a) && !dynamic_cast<wxBookCtrlBase*>(a) && !a->GetChildren().empty())
      faults += faults_of(a);
  }
  return faults;
}
std::string faults_shown(wxWindow* dialog) { return r3dtest::ShowAndWait(dialog) ? faults_of(dialog) : "not shown"; }

}  // namespace

class DialogLayout : public testing::TestWithParam<ResourceLanguage> {
protected:
  void SetUp() override {
    lib3d::link_module_resources();
    SetResourceLanguage(GetParam());
    SetProcessLanguage(GetParam());  // GTK's stock buttons change their widths with the language
    ASSERT_TRUE(win.view->IsShownOnScreen());
  }
  void TearDown() override {
    SetResourceLanguage(ResourceLanguage::English);
    SetProcessLanguage(ResourceLanguage::English);
  }
  r3dtest::ShownView win{640, 480};
  wxFrame* frame = win.frame;
  lib3d::View* view = win.view;
};

TEST_P(DialogLayout, ControlsNeitherOverlapNorClip) {
  COpenFileDlg open(frame);
  ASSERT_TRUE(open.CreateDialog());
  EXPECT_EQ(faults_shown(&open), "") << "Open, one texture file";
  open.OnTextureSwitch();  // what ticking "texture", then "three files" does
  open.OnRgbSwitch();
  EXPECT_EQ(faults_shown(&open), "") << "Open, three texture files";
  // Four digits fit a factor field.
  auto* factor = open.FindWindow(lib3d::open::ids::kFactorX);
  EXPECT_GE(factor->GetClientSize().x, factor->GetTextExtent("1000").x + 4);
  auto* palette = new C3DPaletteExDlg(frame, view);
  ASSERT_TRUE(palette->Create());
  EXPECT_EQ(faults_shown(palette), "") << "Palette";
  // Within 1.3 times the size its layout was drawn for (188 x 151 units of an 8-point face).
  EXPECT_TRUE(wxRect(0, 0, 330 * 13 / 10, 245 * 13 / 10).Contains(wxRect(palette->GetClientSize())));
  auto* tools = new CToolWinDlg(frame, view);
  ASSERT_TRUE(tools->Create());
  for (int p = 0; p < tools->GetPageCount(); ++p) {
    for (int q = 0; q < tools->GetPageCount(); ++q) tools->GetPage(q)->Show(q == p);
    EXPECT_EQ(faults_shown(tools), "") << "Tools, page " << p;
  }
  CInfoFileDialogEx picker(1, nullptr, nullptr, 0x4004, nullptr, frame, 1, "\\Viewer", 0);
  EXPECT_EQ(faults_shown(&picker), "") << "Raster picker";
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogLayout,
                         testing::Values(ResourceLanguage::English, ResourceLanguage::Russian));
