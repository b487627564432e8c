#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "hostlib/Controls.h"
#include "hostlib/Paths.h"
#include "tests/support/GuiTest.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/RangeServer.h"
#include "tests/support/RasterFixtures.h"

namespace {

const std::string kData = R3D_SOURCE_DIR "/data", kDem = kData + "/jacksboro_fault_dem.tif";

// Settings written to a configuration home of the test's own.
struct ConfigHome : r3dtest::TempDir {
  ConfigHome() { setenv("XDG_CONFIG_HOME", path().c_str(), 1); }
  ~ConfigHome() { unsetenv("XDG_CONFIG_HOME"); }
};

// A dialog holding the control: a member goes before the dialog's children are destroyed.
struct PickerHost : wxDialog {
  PickerHost() : wxDialog(nullptr, wxID_ANY, "picker") {}
  CInFileCtrl ctrl;
};

template <class T> T* ChildOf(wxWindow* parent) {
  for (wxWindow* w : parent->GetChildren())
    if (auto* t = dynamic_cast<T*>(w)) return t;  // wxDynamicCast upcasts first: UBSan objects
  return nullptr;
}

}  // namespace

// The control takes the placeholder's place and id. Setting a path reads the raster's size
// without notifying; browsing starts in the remembered folder, and a cancelled browse keeps the
// path. A choice (browsed, or typed and confirmed with Enter, a URL too) notifies the parent once,
// before returning, with the data already read; an unreadable one notifies with no data.
TEST(InFileCtrl, ChoiceNotifiesParentOnceSynchronously) {
  ConfigHome home;
  SetLastDir(kData.c_str(), "\\Processing");
  auto* dlg = new PickerHost;
  auto* placeholder = new wxStaticText(dlg, 2738, "", wxPoint(10, 14), wxSize(320, 60));
  CInFileCtrl& ctrl = dlg->ctrl;
  int count = 0, readyWhenNotified = -1;
  dlg->Bind(EVT_INFILE_CHOSEN, [&](wxCommandEvent& e) {
    ++count;
    EXPECT_EQ(e.GetEventObject(), &ctrl);
    EXPECT_EQ(e.GetInt(), WM_INFILE_CHOSEN);
    readyWhenNotified = ctrl.DataReady();
  });
  ASSERT_TRUE(ctrl.AttachToPlaceholder(placeholder));
  ASSERT_TRUE(ctrl.Create(1, nullptr, nullptr, 8, "\\Processing"));
  EXPECT_EQ(ctrl.GetId(), 2738);
  EXPECT_EQ(ctrl.GetPosition(), wxPoint(10, 14));
  EXPECT_FALSE(placeholder->IsShown());
  EXPECT_EQ(ctrl.DataReady(), 0);
  ctrl.SetPathName(kDem);
  EXPECT_EQ(wxSize(ctrl.Width(), ctrl.Height()), wxSize(403, 344));
  EXPECT_NE(ctrl.DataReady(), 0);
  // (GTK's chooser does not report a path set on it while it is not shown, so only a cancel can be
  // simulated here; the choice itself goes through ChooseFile.)
  wxString startDir;
  wxCommandEvent browse(wxEVT_BUTTON, ChildOf<wxButton>(&ctrl)->GetId());
  wxTEST_DIALOG(ChildOf<wxButton>(&ctrl)->ProcessWindowEvent(browse),
                r3dtest::Answer<wxFileDialog>([&](wxFileDialog* d) { return startDir = d->GetDirectory(), wxID_CANCEL; }));
  EXPECT_EQ(startDir, kData);
  EXPECT_EQ(ctrl.GetPathName(), kDem);
  EXPECT_EQ(count, 0);

  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("x.tif"), "text"));
  r3dtest::RangeServer server(kData);
  ASSERT_TRUE(server.ok());
  const std::string url = server.url("jacksboro_fault_dem.tif");
  wxTextCtrl* field = ChildOf<wxTextCtrl>(&ctrl);
  ASSERT_NE(field, nullptr);
  const struct { std::string path, typed; int width; } choices[] = {
      {kDem, "", 403}, {dir.file("x.tif"), "", 0}, {url, "  " + url + " ", 403}};
  for (const auto& c : choices) {
    const int before = count;
    if (c.typed.empty()) {
      ctrl.ChooseFile(c.path);
    } else {
      field->ChangeValue(wxString::FromUTF8(c.typed.c_str()));
      wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
      field->ProcessWindowEvent(enter);
    }
    EXPECT_EQ(count, before + 1) << c.path;
    EXPECT_EQ(readyWhenNotified != 0, c.width != 0) << c.path;
    EXPECT_EQ(ctrl.Width(), c.width) << c.path;
    EXPECT_EQ(ctrl.GetPathName(), c.path);
  }
  dlg->Destroy();
  r3dtest::PumpEvents();
}

// OK through the dialog's own button ends it only with a readable raster (a one-valued one is
// always real), whose folder is remembered under the dialog's key.
TEST(InfoFileDialog, OkOnlyWithAReadableRasterWhoseFolderIsRemembered) {
  ConfigHome home;
  r3dtest::TempDir dir;
  const std::string notes = dir.file("notes.txt");
  ASSERT_TRUE(r3dtest::WriteTextFile(notes, "text"));
  CInfoFileDialogEx dlg(1, nullptr, notes.c_str(), 0x4004, nullptr, nullptr, 1, "\\Viewer", 0);
  bool stillOpenAfterBadOk = false;
  auto ok = [&dlg] { wxCommandEvent e(wxEVT_BUTTON, wxID_OK); dlg.ProcessWindowEvent(e); };
  wxTimer guard;  // never let a broken dialog hang the run
  guard.Bind(wxEVT_TIMER, [&dlg](wxTimerEvent&) { if (dlg.IsModal()) dlg.EndModal(wxID_ABORT); });
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
  EXPECT_EQ(GetLastDir("\\Viewer"), kData);
}
