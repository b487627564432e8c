// Main of the GUI test executables: starts wx once (under Xvfb), turns every wx assertion into a
// test failure and keeps wx from ever showing a dialog of its own.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include "tests/support/GuiTest.h"

namespace {

class TestApp : public wxApp {
public:
  bool OnInit() override { return true; }
  // Exceptions thrown by a handler would otherwise open a dialog.
  bool OnExceptionInMainLoop() override { throw; }
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  r3dtest::NoteAssertion();
  ADD_FAILURE_AT(file.utf8_str().data(), line)
      << "wx assertion in " << func.utf8_str().data() << ": " << cond.utf8_str().data() << " "
      << msg.utf8_str().data();
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new TestApp);
  delete wxLog::SetActiveTarget(new wxLogStderr);  // wxLogError must never open a dialog
  if (!wxEntryStart(argc, argv)) {
    fprintf(stderr, "cannot start wx (is DISPLAY set? run under xvfb-run)\n");
    return 2;
  }
  // wx may have made its own (dialog) target while starting; a failed image load logs to it.
  delete wxLog::SetActiveTarget(new wxLogStderr);
  // GTK's animations run by the clock: without them a control shows its new look at its next paint.
  g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, nullptr);
  wxInitAllImageHandlers();  // pictures read back and screenshots kept, once for every test
  wxSetAssertHandler(FailOnAssert);
  if (!wxTheApp->CallOnInit()) return 2;
  int rc = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return rc;
}
