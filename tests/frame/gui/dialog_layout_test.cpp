// Every dialog of the viewer, in both languages: no control overlaps another or is cut by its
// parent's edge, texts fit their controls, and group boxes hold their controls wholly or not at all.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/frame.h>
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
#include "tests/support/GuiTest.h"
#include "view/View.h"

namespace {

std::string name_of(wxWindow* w) {
  std::ostringstream s;
  s << wxString(w->GetClassInfo()->GetClassName()).utf8_string() << " " << w->GetId();
  if (!w->GetLabel().empty()) s << " \"" << w->GetLabel().utf8_string() << "\"";
  const wxRect r = w->GetRect();
  s << " (" << r.x << "," << r.y << " " << r.width << "x" << r.height << ")";
  return s.str();
}

// The faults among the shown children of `parent`, then of every shown child container.
void check_children(wxWindow* parent, std::vector<std::string>* faults) {
  std::vector<wxWindow*> kids;
  for (wxWindow* w : parent->GetChildren())
    if (w->IsShown() && !w->IsTopLevel()) kids.push_back(w);
  const wxRect client(wxPoint(0, 0), parent->GetClientSize());
  for (std::size_t i = 0; i < kids.size(); ++i) {
    wxWindow* a = kids[i];
    const wxRect ra = a->GetRect();
    if (!client.Contains(ra)) faults->push_back(name_of(a) + " leaves its parent");
    // Texts must show whole: a label, check box or button at least as large as its text needs,
    // an edit at least as tall as one line.
    // (A button's best size is wx's default button size, not what its label needs.)
    wxSize best = a->GetBestSize();
    if (dynamic_cast<wxButton*>(a)) best = a->GetTextExtent(a->GetLabel()) + wxSize(2, 2);
    const bool text = dynamic_cast<wxStaticText*>(a) || dynamic_cast<wxCheckBox*>(a) || dynamic_cast<wxButton*>(a);
    if ((text && !a->GetLabel().empty() && (ra.width < best.x || ra.height < best.y)) ||
        (dynamic_cast<wxTextCtrl*>(a) && ra.height < best.y))
      faults->push_back(name_of(a) + " is cut: " + std::to_string(ra.width) + "x" + std::to_string(ra.height) +
                        " < " + std::to_string(best.x) + "x" + std::to_string(best.y));
    for (std::size_t j = i + 1; j < kids.size(); ++j) {
      wxWindow* b = kids[j];
      const wxRect rb = b->GetRect();
      if (!ra.Intersects(rb)) continue;
      // A group box may hold a control whole, below its title line, or under its top edge as its
      // title when the control paints its own background over the line; a tab control holds pages.
      auto holds = [](wxWindow* box, wxWindow* w) {
        const wxRect r = w->GetRect();
        wxRect inner = box->GetRect();
        if (dynamic_cast<wxBookCtrlBase*>(box)) return inner.Contains(r);
        if (!dynamic_cast<wxStaticBox*>(box)) return false;
        const bool title = w->UseBgCol() && r.y <= inner.y && r.GetBottom() > inner.y && r.x > inner.x &&
                           r.GetRight() < inner.GetRight();
        int top = 0, other = 0;
        static_cast<wxStaticBox*>(box)->GetBordersForSizer(&top, &other);
        inner.y += top, inner.height -= top;
        return title || inner.Contains(r);
      };
      if (!holds(a, b) && !holds(b, a)) faults->push_back(name_of(a) + " overlaps " + name_of(b));
    }
  }
  for (wxWindow* w : kids)
    if (!dynamic_cast<wxStaticBox*>(w) && !dynamic_cast<wxBookCtrlBase*>(w) && !w->GetChildren().empty())
      check_children(w, faults);
}

std::string faults_of(wxWindow* top) {
  std::vector<std::string> faults;
  check_children(top, &faults);
  std::string all;
  for (const std::string& f : faults) all += "\n  " + f;
  return all;
}

}  // namespace

class DialogLayout : public testing::TestWithParam<ResourceLanguage> {
protected:
  void SetUp() override {
    lib3d::link_module_resources();
    SetResourceLanguage(GetParam());
    SetProcessLanguage(GetParam());  // GTK's stock buttons change their widths with the language
    frame = new wxFrame(nullptr, wxID_ANY, "layout", wxPoint(0, 0), wxSize(640, 480));
    view = new lib3d::View();
    ASSERT_TRUE(view->Create(frame, wxID_ANY, wxPoint(0, 0), frame->GetClientSize()));
    ASSERT_TRUE(r3dtest::ShowAndWait(frame));
  }
  void TearDown() override {
    frame->Destroy();
    r3dtest::PumpEvents(20);
    SetResourceLanguage(ResourceLanguage::English);
    SetProcessLanguage(ResourceLanguage::English);
  }
  wxFrame* frame = nullptr;
  lib3d::View* view = nullptr;
};

TEST_P(DialogLayout, ControlsNeitherOverlapNorClip) {
  {
    COpenFileDlg open(frame);
    ASSERT_TRUE(open.CreateDialog());
    ASSERT_TRUE(r3dtest::ShowAndWait(&open));
    EXPECT_EQ(faults_of(&open), "") << "Open, one texture file";
    auto click = [&](int id) {
      auto* box = static_cast<wxCheckBox*>(open.FindWindow(id));
      box->SetValue(!box->GetValue());
      wxCommandEvent e(wxEVT_CHECKBOX, id);
      e.SetEventObject(box);
      box->GetEventHandler()->ProcessEvent(e);
    };
    click(lib3d::open::ids::kTexture);
    click(lib3d::open::ids::kRgb);
    r3dtest::PumpEvents(50);
    EXPECT_EQ(faults_of(&open), "") << "Open, three texture files";
    // Four digits fit a factor field.
    auto* factor = open.FindWindow(lib3d::open::ids::kFactorX);
    EXPECT_GE(factor->GetClientSize().x, factor->GetTextExtent("1000").x + 4);
    open.Hide();
  }
  {
    auto* palette = new C3DPaletteExDlg(frame, view);
    ASSERT_TRUE(palette->Create());
    ASSERT_TRUE(r3dtest::ShowAndWait(palette));
    EXPECT_EQ(faults_of(palette), "") << "Palette";
    // Within 1.3 times the size its layout was drawn for (188 x 151 units of an 8-point face).
    const wxSize size = palette->GetClientSize(), drawn(330, 245);
    EXPECT_LE(size.x, drawn.x * 13 / 10);
    EXPECT_LE(size.y, drawn.y * 13 / 10);
    palette->Hide();
  }
  {
    auto* tools = new CToolWinDlg(frame, view);
    ASSERT_TRUE(tools->Create());
    ASSERT_TRUE(r3dtest::ShowAndWait(tools));
    for (int p = 0; p < tools->GetPageCount(); ++p) {
      tools->GetPage(p)->Show();
      for (int q = 0; q < tools->GetPageCount(); ++q)
        if (q != p) tools->GetPage(q)->Hide();
      r3dtest::PumpEvents(20);
      EXPECT_EQ(faults_of(tools), "") << "Tools, page " << p;
    }
    tools->Hide();
  }
  {
    CInfoFileDialogEx picker(1, nullptr, nullptr, 0x4004, nullptr, frame, 1, "\\Viewer", 0);
    ASSERT_TRUE(r3dtest::ShowAndWait(&picker));
    EXPECT_EQ(faults_of(&picker), "") << "Raster picker";
    picker.Hide();
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogLayout,
                         testing::Values(ResourceLanguage::English, ResourceLanguage::Russian));
