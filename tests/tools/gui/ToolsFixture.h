#pragma once
// A shown frame with a real view, and the tool window created on it (hidden) like the viewer does.
#include <gtest/gtest.h>

#include <string>

#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/uiaction.h>

#include "dialogs/tools/ToolWinDlg.h"
#include "dialogs/tools/ToolWinDlgBcGr.h"
#include "dialogs/tools/ToolWinDlgOffset.h"
#include "dialogs/tools/ToolWinDlgSun.h"
#include "hostlib/Basekit.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "view/View.h"

class ToolsTest : public ::testing::Test {
protected:
  void SetUp() override {
    lib3d::link_module_resources();
    SetResourceLanguage(ResourceLanguage::English);
    frame = new wxFrame(nullptr, wxID_ANY, "tools", wxPoint(0, 0), wxSize(640, 480));
    view = new lib3d::View();
    ASSERT_TRUE(view->Create(frame, wxID_ANY, wxPoint(0, 0), frame->GetClientSize()));
    ASSERT_TRUE(r3dtest::ShowAndWait(frame));
    tools = new CToolWinDlg(frame, view);
    ASSERT_TRUE(tools->Create());
  }

  void TearDown() override {
    frame->Destroy();  // takes the tool window with it
    r3dtest::PumpEvents();
  }

  void ShowTools() { ASSERT_TRUE(r3dtest::ShowAndWait(tools)); }

  CToolWinDlgSun* ShowSunPage() {
    ShowTools();
    tools->GetTab()->SetSelection(1);
    tools->OnTabClick();
    r3dtest::PumpEvents();
    return tools->GetSunPage();
  }

  // Which pages are visible on screen, as a three-character mask like "100".
  std::string VisiblePages() const {
    std::string s;
    for (int i = 0; i < 3; ++i) s += tools->GetPage(i)->IsShownOnScreen() ? '1' : '0';
    return s;
  }

  // A real click at window point `at`, through the X server: done once the window had the release.
  static void RealClick(wxWindow* window, wxPoint at) {
    r3dtest::EventCount ups(wxEVT_LEFT_UP, window);
    wxUIActionSimulator sim;
    sim.MouseMove(window->ClientToScreen(at));
    sim.MouseClick();
    EXPECT_TRUE(r3dtest::WaitFor([&] { return ups() > 0; }));
  }
  // Keyboard focus in `window` of the window in front, for keys typed through the X server.
  static void Focus(wxWindow* window) {
    auto* top = static_cast<wxTopLevelWindow*>(wxGetTopLevelParent(window));
    top->Raise();
    window->SetFocus();
    ASSERT_TRUE(r3dtest::WaitFor([&] { return top->IsActive() && wxWindow::FindFocus() == window; }));
  }

  static void Click(wxWindow* button) {
    wxCommandEvent e(wxEVT_BUTTON, button->GetId());
    button->ProcessWindowEvent(e);
  }

  // Moves a slider and hands the page the notification a user's move would raise (delivered to
  // the page, the slider's parent, as the propagated event arrives there).
  static void Scroll(wxSlider* slider, int value, wxEventType type = wxEVT_SCROLL_CHANGED) {
    slider->SetValue(value);
    wxScrollEvent e(type, slider->GetId(), value, wxHORIZONTAL);
    e.SetEventObject(slider);
    slider->GetParent()->GetEventHandler()->ProcessEvent(e);
  }

  wxFrame* frame = nullptr;
  lib3d::View* view = nullptr;
  CToolWinDlg* tools = nullptr;
};
