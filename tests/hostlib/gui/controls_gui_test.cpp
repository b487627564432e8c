#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "hostlib/Controls.h"
#include "hostlib/Paths.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RangeServer.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/hostlib_ExpectInfoFileDialog.h"

namespace {

const std::string kDem = std::string(R3D_SOURCE_DIR) + "/data/jacksboro_fault_dem.tif";

// A dialog that counts the choice notifications of its file control.
class PickerHost : public wxDialog {
public:
  PickerHost() : wxDialog(nullptr, wxID_ANY, "picker") {
    placeholder = new wxStaticText(this, 2738, "", wxPoint(10, 14), wxSize(320, 60));
    Bind(EVT_INFILE_CHOSEN, [this](wxCommandEvent& e) {
      ++count;
      sender = e.GetEventObject();
      message = e.GetInt();
      readyWhenNotified = ctrl.DataReady();
    });
  }
  wxStaticText* placeholder;
  CInFileCtrl ctrl;
  int count = 0;
  wxObject* sender = nullptr;
  int message = 0;
  int readyWhenNotified = -1;
};

class ConfigHome {
public:
  ConfigHome() { setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1); }
  ~ConfigHome() { unsetenv("XDG_CONFIG_HOME"); }

private:
  r3dtest::TempDir dir_;
};

}  // namespace

TEST(InFileCtrl, ChoiceNotifiesParentOnceSynchronously) {
  auto* host = new PickerHost;
  ASSERT_TRUE(host->ctrl.AttachToPlaceholder(host->placeholder));
  ASSERT_TRUE(host->ctrl.Create(1, nullptr, nullptr, 8, "\\Processing"));
  EXPECT_EQ(host->ctrl.GetId(), 2738);
  EXPECT_EQ(host->ctrl.GetPosition(), wxPoint(10, 14));
  EXPECT_FALSE(host->placeholder->IsShown());
  EXPECT_EQ(host->ctrl.DataReady(), 0);

  // Setting the path programmatically reads the size but does not notify.
  host->ctrl.SetPathName(kDem);
  EXPECT_EQ(host->count, 0);
  EXPECT_EQ(host->ctrl.Width(), 403);
  EXPECT_EQ(host->ctrl.Height(), 344);
  EXPECT_NE(host->ctrl.DataReady(), 0);

  host->ctrl.ChooseFile(kDem);
  EXPECT_EQ(host->count, 1);  // delivered before ChooseFile returned, and only once
  EXPECT_EQ(host->sender, &host->ctrl);
  EXPECT_EQ(host->message, WM_INFILE_CHOSEN);
  EXPECT_NE(host->readyWhenNotified, 0);
  EXPECT_EQ(host->ctrl.GetPathName(), kDem);

  // An unreadable choice still notifies, with DataReady off and no size.
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("x.tif"), "text"));
  host->ctrl.ChooseFile(dir.file("x.tif"));
  EXPECT_EQ(host->count, 2);
  EXPECT_EQ(host->readyWhenNotified, 0);
  EXPECT_EQ(host->ctrl.Width(), 0);
  EXPECT_EQ(host->ctrl.Height(), 0);

  // A typed path or URL is taken on Enter like a browsed one: here the sample DEM over HTTP.
  r3dtest::RangeServer server(std::string(R3D_SOURCE_DIR) + "/data");
  ASSERT_TRUE(server.ok());
  const std::string url = "  " + server.url("jacksboro_fault_dem.tif") + " ";
  wxTextCtrl* field = nullptr;
  for (wxWindow* w : host->ctrl.GetChildren())
    if (auto* t = dynamic_cast<wxTextCtrl*>(w)) field = t;
  ASSERT_NE(field, nullptr);
  field->ChangeValue(wxString::FromUTF8(url.c_str()));
  wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
  enter.SetEventObject(field);
  field->GetEventHandler()->ProcessEvent(enter);
  EXPECT_EQ(host->count, 3);
  EXPECT_NE(host->readyWhenNotified, 0);
  EXPECT_EQ(host->ctrl.GetPathName(), url.substr(2, url.size() - 3));
  EXPECT_EQ(host->ctrl.Width(), 403);

  host->ctrl.SetPathName(kDem);
  host->ctrl.ClearAll();
  EXPECT_EQ(host->ctrl.GetPathName(), "");
  EXPECT_EQ(host->ctrl.DataReady(), 0);
  EXPECT_EQ(host->ctrl.Width(), 0);
  EXPECT_EQ(host->count, 3);
  host->Destroy();
  r3dtest::PumpEvents();
}

namespace {

// Cancels the browse dialog, noting the directory it was opened in. (GTK's chooser does not
// report a path set on it while it is not shown, so a choice cannot be simulated here; the
// choice itself goes through ChooseFile, tested above.)
class CancelBrowse : public wxExpectModalBase<wxFileDialog, CancelBrowse> {
public:
  explicit CancelBrowse(wxString* startDir) : startDir_(startDir) {}

protected:
  int OnInvoked(wxFileDialog* dlg) const override {
    *startDir_ = dlg->GetDirectory();
    return wxID_CANCEL;
  }

private:
  wxString* startDir_;
};

wxButton* find_button(wxWindow* root) {
  for (wxWindow* child : root->GetChildren())
    if (auto* b = dynamic_cast<wxButton*>(child)) return b;  // wxDynamicCast upcasts first: UBSan objects
  return nullptr;
}

}  // namespace

TEST(InFileCtrl, BrowseStartsInRememberedDir) {
  ConfigHome home;
  SetLastDir(R3D_SOURCE_DIR "/data", "\\Processing");
  auto* host = new PickerHost;
  ASSERT_TRUE(host->ctrl.AttachToPlaceholder(host->placeholder));
  ASSERT_TRUE(host->ctrl.Create(1, nullptr, nullptr, 8, "\\Processing"));
  host->ctrl.SetPathName(kDem);
  wxButton* browse = find_button(&host->ctrl);
  ASSERT_NE(browse, nullptr);
  wxString startDir;
  wxCommandEvent click(wxEVT_BUTTON, browse->GetId());
  click.SetEventObject(browse);
  wxTEST_DIALOG(browse->GetEventHandler()->ProcessEvent(click), CancelBrowse(&startDir));
  EXPECT_EQ(startDir, R3D_SOURCE_DIR "/data");
  // Cancelled: no notification, the old choice stands.
  EXPECT_EQ(host->count, 0);
  EXPECT_EQ(host->ctrl.GetPathName(), kDem);
  EXPECT_NE(host->ctrl.DataReady(), 0);
  host->Destroy();
  r3dtest::PumpEvents();
}

TEST(InFileCtrl, CreateNeedsAPlaceholder) {
  CInFileCtrl ctrl;
  EXPECT_FALSE(ctrl.AttachToPlaceholder(nullptr));
  EXPECT_FALSE(ctrl.Create(1, nullptr, nullptr, 8, "\\Processing"));
  EXPECT_EQ(ctrl.DataReady(), 0);
  ctrl.ChooseFile(kDem);  // no window, no parent: nothing to notify, nothing breaks
  EXPECT_EQ(ctrl.Width(), 403);
}

namespace {

wxExpectModal<CInfoFileDialogEx> ChooseInDialog(const std::string& path, int component) {
  return wxExpectModal<CInfoFileDialogEx>([path, component](CInfoFileDialogEx* dlg) {
    dlg->SetPathName(path);
    dlg->SetComponent(component);
    return wxID_OK;
  });
}

std::uint32_t flags_word(const CreateViewStruct* cvs) {
  std::uint32_t w;
  std::memcpy(&w, reinterpret_cast<const unsigned char*>(cvs) + 60, 4);
  return w;
}

}  // namespace

TEST(InfoFileDialog, ComponentOfTwoValuedRasterAtOffset60) {
  ConfigHome home;
  r3dtest::TempDir dir;
  const std::string cplx = dir.file("c.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(cplx, 8, 8, GDT_CFloat32, [](int x, int, double* im) {
    *im = 1;
    return x;
  }));
  const std::uint32_t expected[] = {0, CVS_IMAGINARY, CVS_AMPLITUDE, CVS_PHASE};
  for (int component = 0; component < 4; ++component) {
    CInfoFileDialogEx dlg(1, nullptr, nullptr, 0x4004, nullptr, nullptr, 1, "\\Viewer", 0);
    EXPECT_EQ(dlg.GetCreateViewStruct(), nullptr);
    int result = 0;
    wxTEST_DIALOG(result = dlg.DoModal(), ChooseInDialog(cplx, component));
    ASSERT_EQ(result, wxID_OK);
    EXPECT_EQ(dlg.GetPathName(), cplx);
    ASSERT_NE(dlg.GetCreateViewStruct(), nullptr);
    EXPECT_EQ(flags_word(dlg.GetCreateViewStruct()), expected[component]) << component;
  }
  // The directory is remembered under the dialog's key.
  EXPECT_EQ(GetLastDir("\\Viewer"), dir.path());

  // For a one-valued raster the component choice is off and the record says real.
  CInfoFileDialogEx dlg(1, nullptr, nullptr, 0x4004, nullptr, nullptr, 1, "\\Viewer", 0);
  int result = 0;
  wxTEST_DIALOG(result = dlg.DoModal(), ChooseInDialog(kDem, 2));
  ASSERT_EQ(result, wxID_OK);
  EXPECT_EQ(flags_word(dlg.GetCreateViewStruct()), 0u);

  // Cancel leaves no record.
  CInfoFileDialogEx cancelled(1, nullptr, cplx.c_str(), 0x4004, nullptr, nullptr, 1, "\\Viewer", 0);
  wxTEST_DIALOG(result = cancelled.DoModal(), wxExpectModal<CInfoFileDialogEx>(wxID_CANCEL));
  EXPECT_EQ(result, wxID_CANCEL);
  EXPECT_EQ(cancelled.GetCreateViewStruct(), nullptr);
}

TEST(SpinButton, BuddyFollowsArrowsWithinRange) {
  auto* dlg = new wxDialog(nullptr, wxID_ANY, "spin", wxDefaultPosition, wxSize(300, 200));
  auto* edit = new wxTextCtrl(dlg, 2732, "0", wxPoint(20, 20), wxSize(120, -1));
  auto* spin = new CSpinButtonCtrl32;
  ASSERT_TRUE(spin->Create(0x50000000 | 0x0004 | 0x0002 | 0x0020, wxRect(10, 10, 50, 50), dlg, 0));
  spin->SetBuddy(edit);
  EXPECT_EQ(spin->GetBuddy(), edit);
  EXPECT_GE(spin->GetPosition().x, edit->GetPosition().x + edit->GetSize().x - 1);  // at the buddy's right
  EXPECT_LE(spin->GetSize().x, spin->FromDIP(20));  // a slim column of arrows, not GTK's "- +" pair
  EXPECT_EQ(spin->GetSize().y, edit->GetSize().y);
  spin->SetRange(0, 255);
  spin->SetPos(254);
  EXPECT_EQ(edit->GetValue(), "254");
  spin->Step(1);
  spin->Step(1);
  EXPECT_EQ(edit->GetValue(), "255");
  EXPECT_EQ(spin->GetPos(), 255);

  // What the user typed is where the next click starts.
  edit->ChangeValue("17");
  EXPECT_EQ(spin->GetPos(), 17);
  spin->Step(-1);
  EXPECT_EQ(edit->GetValue(), "16");
  edit->ChangeValue("900");
  EXPECT_EQ(spin->GetPos(), 255);
  edit->ChangeValue("abc");
  EXPECT_EQ(spin->GetPos(), 16);
  spin->SetPos(-3);
  EXPECT_EQ(edit->GetValue(), "0");

  // The native arrow path: a spin event one step above the control's value.
  spin->SetPos(10);
  edit->ChangeValue("40");
  wxSpinEvent ev(wxEVT_SPIN, spin->GetId());
  ev.SetEventObject(spin);
  ev.SetPosition(spin->GetValue() + 1);
  spin->GetEventHandler()->ProcessEvent(ev);
  EXPECT_EQ(edit->GetValue(), "41");

  // Typed text (a user edit, not ChangeValue) moves the native control: at the top of the range,
  // typing a lower number lets the up arrow work again.
  spin->SetPos(255);
  edit->SetValue("100");
  EXPECT_EQ(spin->GetValue(), 100);
  wxSpinEvent up(wxEVT_SPIN, spin->GetId());
  up.SetEventObject(spin);
  up.SetPosition(101);
  spin->GetEventHandler()->ProcessEvent(up);
  EXPECT_EQ(edit->GetValue(), "101");

  spin->SetRange(1, 255);  // narrowing keeps the buddy in range
  spin->SetPos(0);
  EXPECT_EQ(spin->GetPos(), 1);
  dlg->Destroy();
  r3dtest::PumpEvents();
}

TEST(InfoFileDialog, OkOnlyEndsWithAReadableRaster) {
  ConfigHome home;
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("notes.txt"), "text"));
  CInfoFileDialogEx dlg(1, nullptr, dir.file("notes.txt").c_str(), 0x4004, nullptr, nullptr, 1, "\\Viewer", 0);
  bool stillOpenAfterBadOk = false;
  auto ok = [&dlg] {
    wxCommandEvent e(wxEVT_BUTTON, wxID_OK);
    e.SetEventObject(&dlg);
    dlg.GetEventHandler()->ProcessEvent(e);
  };
  wxTimer guard;  // never let a broken dialog hang the run
  guard.Bind(wxEVT_TIMER, [&dlg](wxTimerEvent&) {
    if (dlg.IsModal()) dlg.EndModal(wxID_ABORT);
  });
  guard.StartOnce(10000);
  dlg.CallAfter([&] {
    ok();  // the text file is refused: the dialog stays
    stillOpenAfterBadOk = dlg.IsModal();
    dlg.SetPathName(kDem);
    ok();
  });
  EXPECT_EQ(dlg.DoModal(), wxID_OK);
  EXPECT_TRUE(stillOpenAfterBadOk);
  EXPECT_EQ(dlg.GetPathName(), kDem);
  ASSERT_NE(dlg.GetCreateViewStruct(), nullptr);
  EXPECT_EQ(dlg.GetCreateViewStruct()->flags, 0u);
}
