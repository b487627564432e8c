#include <wx/uiaction.h>

#include "tests/tools/gui/ToolsFixture.h"

namespace {

std::string g_helpAddress;
int g_helpCalls = 0;
void RecordHelp(const char* address, unsigned) {
  g_helpAddress = address ? address : "";
  ++g_helpCalls;
}

}  // namespace

TEST_F(ToolsTest, CreatedHiddenAndFirstShownOnTheScalePage) {
  MakeTools();
  EXPECT_FALSE(tools->IsShown());
  ASSERT_EQ(tools->GetTab()->GetPageCount(), 3u);
  for (int i = 0; i < 3; ++i) {  // without a help book, help is off and the window works as usual
    EXPECT_FALSE(tools->GetPage(i)->GetHelpButton()->IsEnabled()) << i;
    EXPECT_TRUE(tools->GetPage(i)->GetCloseButton()->IsEnabled()) << i;
  }
  ShowTools();
  EXPECT_EQ(tools->GetTab()->GetSelection(), 0);
  EXPECT_EQ(VisiblePages(), "100");

  // Every page is centred on the placeholder (to the pixel, halves dropped) and keeps its size, once
  // the tab strip's height is known (a window manager may take a moment to lay the window out).
  const auto tabTop = [&] { return tools->GetTab()->GetPage(0)->GetScreenPosition().y; };
  r3dtest::WaitFor([&] { return tools->GetPage(0)->GetScreenPosition().y >= tabTop(); }, 1000);
  const wxRect p = tools->GetPlaceholder()->GetRect();
  for (int i = 0; i < 3; ++i) {
    const wxRect r = tools->GetPage(i)->GetRect();
    EXPECT_EQ(r.GetPosition(), p.GetPosition() + (p.GetSize() - r.GetSize()) / 2) << i;
    EXPECT_EQ(r.GetSize(), tools->GetPage(i)->ConvertDialogToPixels(wxSize(265, 120))) << i;
    EXPECT_TRUE(p.Contains(r)) << i;
    // No page covers the tab strip, however tall the platform draws it.
    EXPECT_GE(tools->GetPage(i)->GetScreenPosition().y, tabTop()) << i;
  }
}

// Neither keys (through the X server) nor a stray Cancel command close the window; its close box
// and every page's Close hide it without destroying it, and showing it again brings back the page
// and the values it had.
TEST_F(ToolsTest, OnlyCloseHidesTheWindowAndShowingKeepsPageAndValues) {
  MakeTools();
  ShowTools();
  tools->Raise();
  tools->GetOffsetPage()->GetSlider()->SetFocus();
  r3dtest::PumpEvents(50);
  wxUIActionSimulator sim;
  for (int key : {WXK_ESCAPE, WXK_RETURN, WXK_NUMPAD_ENTER}) {
    sim.Char(key);
    r3dtest::PumpEvents(50);
    EXPECT_TRUE(tools->IsShown()) << key;
  }
  wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
  tools->GetEventHandler()->ProcessEvent(cancel);
  r3dtest::PumpEvents(20);
  EXPECT_TRUE(tools->IsShown());

  EXPECT_FALSE(tools->Close());  // the close box: vetoed, hidden
  r3dtest::PumpEvents(20);
  EXPECT_FALSE(tools->IsShown());
  for (int i = 0; i < 3; ++i) {
    ShowTools();
    Click(tools->GetPage(i)->GetCloseButton());
    r3dtest::PumpEvents(20);
    EXPECT_FALSE(tools->IsShown()) << i;
    EXPECT_FALSE(tools->IsBeingDeleted());
  }
  ShowTools();
  CToolWinDlgSun* sun = ShowSunPage();
  Scroll(tools->GetOffsetPage()->GetSlider(), 40, wxEVT_SCROLL_CHANGED);
  Scroll(sun->GetAzimuthSlider(), 200, wxEVT_SCROLL_CHANGED);
  Scroll(sun->GetSpecularSlider(), 55, wxEVT_SCROLL_CHANGED);
  Click(sun->GetCloseButton());
  r3dtest::PumpEvents(20);
  ASSERT_FALSE(tools->IsShown());
  ShowTools();
  EXPECT_EQ(tools->GetTab()->GetSelection(), 1);
  EXPECT_EQ(VisiblePages(), "010");
  EXPECT_EQ(tools->GetOffsetPage()->GetSlider()->GetValue(), 40);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 200);
  EXPECT_EQ(sun->GetSpecularSlider()->GetValue(), 55);
  EXPECT_FLOAT_EQ(view->scale_z(), 0.4f);
}

// Tab and page always agree: after a real click on any tab, in its middle or on its bottom edge,
// and after a selection moved from the keyboard.
TEST_F(ToolsTest, TabAndPageAlwaysAgree) {
  MakeTools();
  ShowTools();
  wxNotebook* tab = tools->GetTab();
  auto agree = [&] {
    const std::string mask = VisiblePages();
    return tab->GetSelection() >= 0 && mask == std::string("000").replace(tab->GetSelection(), 1, "1");
  };
  wxUIActionSimulator sim;
  for (int target : {2, 1, 0, 1}) {
    for (bool edge : {false, true}) {
      // The tab's column through its middle, from its top to its lowest pixel.
      int x = -1, top = -1, bottom = -1;
      for (int px = 2; px < tab->GetSize().x && x < 0; px += 2)
        if (tab->HitTest(wxPoint(px, 8)) == target) x = px + 6;
      ASSERT_GE(x, 0) << "no tab " << target;
      for (int y = 0; y < 60; ++y)
        if (tab->HitTest(wxPoint(x, y)) == target) {
          if (top < 0) top = y;
          bottom = y;
        }
      SCOPED_TRACE(testing::Message() << "tab " << target << (edge ? " bottom edge" : " middle"));
      sim.MouseMove(tab->ClientToScreen(wxPoint(x, edge ? bottom : (top + bottom) / 2)));
      r3dtest::PumpEvents(30);
      sim.MouseClick();
      EXPECT_TRUE(r3dtest::WaitFor([&] { return tab->GetSelection() == target && agree(); }, 2000))
          << VisiblePages() << " selection " << tab->GetSelection();
    }
  }
  // The last click left tab 1 selected; the right arrow moves the selection on, and the page with it.
  tab->SetFocus();
  r3dtest::PumpEvents(30);
  sim.Char(WXK_RIGHT);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return tab->GetSelection() == 2 && agree(); }, 2000))
      << VisiblePages() << " selection " << tab->GetSelection();
}

TEST_F(ToolsTest, HelpOpensThePanelTopicOfTheLanguage) {
  r3dtest::TempDir host;
  UseHostDir(host.path(), true);
  MakeTools();
  SetHtmlHelpHook(&RecordHelp);
  const std::string book = host.path() + "/On-line Help/Zovire3DUvezIra.zez";
  for (int i = 0; i < 3; ++i) {
    CToolPage* page = tools->GetPage(i);
    ASSERT_TRUE(page->GetHelpButton()->IsEnabled()) << i;
    g_helpCalls = 0;
    Click(page->GetHelpButton());
    EXPECT_EQ(g_helpCalls, 1);  // the command line's quotes are gone from the book's path
    EXPECT_EQ(g_helpAddress, book + "::/Eng/PanelTools.htm") << i;
  }
  SetResourceLanguage(ResourceLanguage::Russian);
  Click(tools->GetBcGrPage()->GetHelpButton());
  EXPECT_EQ(g_helpAddress, book + "::/Rus/PanelTools.htm");
  SetHtmlHelpHook(nullptr);
}
