#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <wx/button.h>
#include <wx/dialog.h>
#include <gtk/gtk.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
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
  guard.StartOnce(120000);
  dlg.CallAfter([&] {
    ok();  // the text file is refused: the dialog stays
    stillOpenAfterBadOk = dlg.IsModal();
    dlg.SetPathName(kDem);
    ok();
  });
  EXPECT_EQ(dlg.DoModal(), wxID_OK);
  EXPECT_TRUE(stillOpenAfterBadOk);
  EXPECT_EQ(dlg.GetPathName(), kDem);
  EXPECT_EQ(GetLastDir("\\Viewer"), kData);
}

// The arrows step the buddy's number by mouse (a held arrow repeats), by the buddy's Up/Down keys
// and by the wheel, each step reported as a spin event; nothing moves past the range's ends or
// while disabled.
TEST(SpinArrows, MouseKeysAndWheelStepWithinTheRange) {
  wxDialog dlg(nullptr, wxID_ANY, "spin");
  auto* buddy = new wxTextCtrl(&dlg, wxID_ANY, "", wxPoint(0, 0), wxSize(80, 24));
  auto* spin = new CSpinButtonCtrl32;
  ASSERT_TRUE(spin->Create(0, wxRect(80, 0, 16, 24), &dlg, 7));
  spin->SetBuddy(buddy);
  spin->SetRange(0, 10);
  spin->SetPos(5);
  int spins = 0;
  dlg.Bind(wxEVT_SPIN, [&](wxSpinEvent&) { ++spins; });
  ASSERT_TRUE(r3dtest::ShowAndWait(&dlg));
  const int h = spin->GetClientSize().y;
  auto mouse = [&](wxEventType type, int y) {
    wxMouseEvent e(type);
    e.SetY(y);
    e.m_wheelRotation = type == wxEVT_MOUSEWHEEL ? y : 0;
    spin->ProcessWindowEvent(e);
  };
  auto key = [&](int code) {
    wxKeyEvent e(wxEVT_KEY_DOWN);
    e.m_keyCode = code;
    buddy->ProcessWindowEvent(e);
  };
  mouse(wxEVT_LEFT_DOWN, 1);  // upper arrow
  EXPECT_EQ(6, spin->GetPos());
  EXPECT_TRUE(r3dtest::WaitFor([&] { return spin->GetPos() == 10; })) << "a held arrow repeats up to the end of the range";
  mouse(wxEVT_LEFT_UP, 1);
  mouse(wxEVT_LEFT_DOWN, 1);
  mouse(wxEVT_LEFT_UP, 1);
  mouse(wxEVT_LEFT_DOWN, h - 1);  // lower arrow
  mouse(wxEVT_LEFT_UP, h - 1);
  key(WXK_DOWN);
  mouse(wxEVT_MOUSEWHEEL, 120);
  EXPECT_EQ(9, spin->GetPos());
  EXPECT_EQ("9", buddy->GetValue());
  spin->Enable(false);
  key(WXK_UP);
  mouse(wxEVT_LEFT_DOWN, 1);
  EXPECT_EQ(9, spin->GetPos());
  EXPECT_GE(spins, 7);
}

// GTK 3 message dialogs get the icon of their type back when they are shown, whoever made them.
TEST(MessageIcons, ShownMessageDialogsGetTheirTypesIcon) {
  for (GtkMessageType type : {GTK_MESSAGE_ERROR, GTK_MESSAGE_WARNING, GTK_MESSAGE_INFO, GTK_MESSAGE_QUESTION}) {
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", "message");
    gtk_widget_show(box);
    EXPECT_NE(nullptr, g_object_get_data(G_OBJECT(box), "relief3d-icon")) << type;
    gtk_widget_destroy(box);
  }
}
