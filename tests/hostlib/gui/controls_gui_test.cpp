#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
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

// A dialog whose file control replaces a placeholder and counts its choice notifications.
class PickerHost : public wxDialog {
public:
  PickerHost() : wxDialog(nullptr, wxID_ANY, "picker") {
    placeholder = new wxStaticText(this, 2738, "", wxPoint(10, 14), wxSize(320, 60));
    Bind(EVT_INFILE_CHOSEN, [this](wxCommandEvent& e) {
      ++count;
      EXPECT_EQ(e.GetEventObject(), &ctrl);
      EXPECT_EQ(e.GetInt(), WM_INFILE_CHOSEN);
      readyWhenNotified = ctrl.DataReady();
    });
    EXPECT_TRUE(ctrl.AttachToPlaceholder(placeholder));
    EXPECT_TRUE(ctrl.Create(1, nullptr, nullptr, 8, "\\Processing"));
  }
  template <class T> T* child() {
    for (wxWindow* w : ctrl.GetChildren())
      if (auto* t = dynamic_cast<T*>(w)) return t;  // wxDynamicCast upcasts first: UBSan objects
    return nullptr;
  }
  wxStaticText* placeholder;
  CInFileCtrl ctrl;
  int count = 0;
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

// The control takes the placeholder's place and id. Setting a path reads the raster's size
// without notifying; a choice (browsed, or typed and confirmed with Enter, a URL too) notifies
// the parent once, before returning, with the data already read; an unreadable one notifies with
// no data.
TEST(InFileCtrl, ChoiceNotifiesParentOnceSynchronously) {
  auto* host = new PickerHost;
  EXPECT_EQ(host->ctrl.GetId(), 2738);
  EXPECT_EQ(host->ctrl.GetPosition(), wxPoint(10, 14));
  EXPECT_FALSE(host->placeholder->IsShown());
  EXPECT_EQ(host->ctrl.DataReady(), 0);
  host->ctrl.SetPathName(kDem);
  EXPECT_EQ(host->count, 0);
  EXPECT_EQ(wxSize(host->ctrl.Width(), host->ctrl.Height()), wxSize(403, 344));
  EXPECT_NE(host->ctrl.DataReady(), 0);

  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("x.tif"), "text"));
  r3dtest::RangeServer server(std::string(R3D_SOURCE_DIR) + "/data");
  ASSERT_TRUE(server.ok());
  const std::string url = server.url("jacksboro_fault_dem.tif");
  wxTextCtrl* field = host->child<wxTextCtrl>();
  ASSERT_NE(field, nullptr);
  const struct { std::string path, typed; int width; } choices[] = {
      {kDem, "", 403}, {dir.file("x.tif"), "", 0}, {url, "  " + url + " ", 403}};
  for (const auto& c : choices) {
    const int before = host->count;
    if (c.typed.empty()) {
      host->ctrl.ChooseFile(c.path);
    } else {
      field->ChangeValue(wxString::FromUTF8(c.typed.c_str()));
      wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
      enter.SetEventObject(field);
      field->GetEventHandler()->ProcessEvent(enter);
    }
    EXPECT_EQ(host->count, before + 1) << c.path;
    EXPECT_EQ(host->readyWhenNotified != 0, c.width != 0) << c.path;
    EXPECT_EQ(host->ctrl.Width(), c.width) << c.path;
    EXPECT_EQ(host->ctrl.GetPathName(), c.path);
  }
  host->ctrl.ClearAll();
  EXPECT_EQ(host->ctrl.GetPathName(), "");
  EXPECT_EQ(host->ctrl.DataReady() + host->ctrl.Width(), 0);
  EXPECT_EQ(host->count, 3);
  host->Destroy();
  r3dtest::PumpEvents();

  CInFileCtrl orphan;  // no placeholder: no window, yet a choice is still read
  EXPECT_FALSE(orphan.AttachToPlaceholder(nullptr));
  EXPECT_FALSE(orphan.Create(1, nullptr, nullptr, 8, "\\Processing"));
  orphan.ChooseFile(kDem);
  EXPECT_EQ(orphan.Width(), 403);
}

TEST(InFileCtrl, BrowseStartsInRememberedDirAndCancelKeepsTheChoice) {
  ConfigHome home;
  SetLastDir(R3D_SOURCE_DIR "/data", "\\Processing");
  auto* host = new PickerHost;
  host->ctrl.SetPathName(kDem);
  wxButton* browse = host->child<wxButton>();
  ASSERT_NE(browse, nullptr);
  wxString startDir;
  wxCommandEvent click(wxEVT_BUTTON, browse->GetId());
  click.SetEventObject(browse);
  // (GTK's chooser does not report a path set on it while it is not shown, so only a cancel can be
  // simulated here; the choice itself goes through ChooseFile, tested above.)
  wxTEST_DIALOG(browse->GetEventHandler()->ProcessEvent(click), r3dtest::Answer<wxFileDialog>([&](wxFileDialog* d) {
                  startDir = d->GetDirectory();
                  return wxID_CANCEL;
                }));
  EXPECT_EQ(startDir, R3D_SOURCE_DIR "/data");
  EXPECT_EQ(host->count, 0);
  EXPECT_EQ(host->ctrl.GetPathName(), kDem);
  EXPECT_NE(host->ctrl.DataReady(), 0);
  host->Destroy();
  r3dtest::PumpEvents();
}

// The record's flags word (at byte 60, where hosts read it) names the chosen component of a
// two-valued raster; a one-valued raster is always real; cancel leaves no record; the directory is
// remembered under the dialog's key.
TEST(InfoFileDialog, ComponentOfTwoValuedRasterAtOffset60) {
  ConfigHome home;
  r3dtest::TempDir dir;
  const std::string cplx = dir.file("c.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(cplx, 8, 8, GDT_CFloat32, [](int x, int, double* im) {
    *im = 1;
    return x;
  }));
  const struct { std::string path; int component, result; std::uint32_t flags; } cases[] = {
      {cplx, 0, wxID_OK, 0},         {cplx, 1, wxID_OK, CVS_IMAGINARY}, {cplx, 2, wxID_OK, CVS_AMPLITUDE},
      {cplx, 3, wxID_OK, CVS_PHASE}, {kDem, 2, wxID_OK, 0},             {cplx, 2, wxID_CANCEL, 0}};
  for (const auto& c : cases) {
    CInfoFileDialogEx dlg(1, nullptr, nullptr, 0x4004, nullptr, nullptr, 1, "\\Viewer", 0);
    EXPECT_EQ(dlg.GetCreateViewStruct(), nullptr);
    int result = 0;
    wxTEST_DIALOG(result = dlg.DoModal(), wxExpectModal<CInfoFileDialogEx>([&c](CInfoFileDialogEx* d) {
                    d->SetPathName(c.path);
                    d->SetComponent(c.component);
                    return c.result;
                  }));
    ASSERT_EQ(result, c.result);
    const CreateViewStruct* cvs = dlg.GetCreateViewStruct();
    ASSERT_EQ(cvs != nullptr, c.result == wxID_OK) << c.path;
    if (!cvs) continue;
    std::uint32_t word;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(cvs) + 60, 4);
    EXPECT_EQ(word, c.flags) << c.path << " " << c.component;
  }
  EXPECT_EQ(GetLastDir("\\Viewer"), R3D_SOURCE_DIR "/data");
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

// A slim column of arrows at its buddy's right whose clicks move the buddy's number within the
// range; what the user typed (clamped, or the last good value) is where the next click starts.
TEST(SpinButton, BuddyFollowsArrowsWithinRange) {
  auto* dlg = new wxDialog(nullptr, wxID_ANY, "spin", wxDefaultPosition, wxSize(300, 200));
  auto* edit = new wxTextCtrl(dlg, 2732, "0", wxPoint(20, 20), wxSize(120, -1));
  auto* spin = new CSpinButtonCtrl32;
  ASSERT_TRUE(spin->Create(0x50000000 | 0x0004 | 0x0002 | 0x0020, wxRect(10, 10, 50, 50), dlg, 0));
  spin->SetBuddy(edit);
  EXPECT_EQ(spin->GetBuddy(), edit);
  EXPECT_GE(spin->GetPosition().x, edit->GetPosition().x + edit->GetSize().x - 1);
  EXPECT_LE(spin->GetSize().x, spin->FromDIP(20));  // not GTK's "- +" pair
  EXPECT_EQ(spin->GetSize().y, edit->GetSize().y);
  spin->SetRange(0, 255);
  // An action, then the buddy's text and the position it gives.
  const auto arrow = [&](int to) {  // the native arrow path: a spin event at the new value
    wxSpinEvent ev(wxEVT_SPIN, spin->GetId());
    ev.SetEventObject(spin);
    ev.SetPosition(to);
    spin->GetEventHandler()->ProcessEvent(ev);
  };
  const struct { std::function<void()> act; const char* text; int pos; } steps[] = {
      {[&] { spin->SetPos(254); }, "254", 254},
      {[&] { spin->Step(1), spin->Step(1); }, "255", 255},
      {[&] { edit->ChangeValue("17"); }, "17", 17},
      {[&] { spin->Step(-1); }, "16", 16},
      {[&] { edit->ChangeValue("900"); }, "900", 255},
      {[&] { edit->ChangeValue("abc"); }, "abc", 16},
      {[&] { spin->SetPos(-3); }, "0", 0},
      {[&] { spin->SetPos(10), edit->ChangeValue("40"), arrow(spin->GetValue() + 1); }, "41", 41},
      // A user edit (not ChangeValue) moves the native control: at the top of the range, typing a
      // lower number lets the up arrow work again.
      {[&] { spin->SetPos(255), edit->SetValue("100"), arrow(101); }, "101", 101},
      {[&] { spin->SetRange(1, 255), spin->SetPos(0); }, "1", 1},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(edit->GetValue(), s.text);
    EXPECT_EQ(spin->GetPos(), s.pos) << s.text;
  }
  dlg->Destroy();
  r3dtest::PumpEvents();
}
