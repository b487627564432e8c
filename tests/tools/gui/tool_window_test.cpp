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
  EXPECT_EQ(tools->GetTitle(), "Tools");
  EXPECT_EQ(tools->GetPageCount(), 3);
  ASSERT_EQ(tools->GetTab()->GetPageCount(), 3u);
  EXPECT_EQ(tools->GetTab()->GetPageText(0), "Scale");
  EXPECT_EQ(tools->GetTab()->GetPageText(1), "Lighting");
  EXPECT_EQ(tools->GetTab()->GetPageText(2), "Background");

  ShowTools();
  EXPECT_EQ(tools->GetTab()->GetSelection(), 0);
  EXPECT_EQ(VisiblePages(), "100");

  // Every page is centred on the placeholder (to the pixel, halves dropped) and keeps its size.
  const wxRect p = tools->GetPlaceholder()->GetRect();
  for (int i = 0; i < 3; ++i) {
    const wxRect r = tools->GetPage(i)->GetRect();
    EXPECT_EQ(r.x, p.x + (p.width - r.width) / 2) << i;
    EXPECT_EQ(r.y, p.y + (p.height - r.height) / 2) << i;
    EXPECT_EQ(r.GetSize(), tools->GetPage(i)->ConvertDialogToPixels(wxSize(265, 120))) << i;
    EXPECT_TRUE(p.Contains(r)) << i;
    // No page covers the tab strip, however tall the platform draws it.
    EXPECT_GE(tools->GetPage(i)->GetScreenPosition().y, tools->GetTab()->GetPage(0)->GetScreenPosition().y) << i;
  }
}

TEST_F(ToolsTest, RussianTexts) {
  SetResourceLanguage(ResourceLanguage::Russian);
  MakeTools();
  EXPECT_EQ(tools->GetTitle().utf8_str(), std::string("Инструменты"));
  EXPECT_EQ(tools->GetTab()->GetPageText(1).utf8_str(), std::string("Освещение"));
  EXPECT_EQ(tools->GetSunPage()->GetCloseButton()->GetLabel().utf8_str(), std::string("Закрыть"));
}

TEST_F(ToolsTest, EscapeAndEnterLeaveTheWindowOpen) {
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
  // The same through the key hook directly, whatever has the focus.
  for (int key : {WXK_ESCAPE, WXK_RETURN}) {
    wxKeyEvent k(wxEVT_CHAR_HOOK);
    k.m_keyCode = key;
    tools->GetEventHandler()->ProcessEvent(k);
    EXPECT_TRUE(tools->IsShown());
  }
  // A stray Cancel command does not hide it either.
  wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
  tools->GetEventHandler()->ProcessEvent(cancel);
  r3dtest::PumpEvents(20);
  EXPECT_TRUE(tools->IsShown());
}

TEST_F(ToolsTest, CloseBoxAndEveryPageCloseHideWithoutDestroying) {
  MakeTools();
  ShowTools();
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
}

TEST_F(ToolsTest, HidingAndShowingKeepsPageAndValues) {
  MakeTools();
  ShowTools();
  tools->GetTab()->SetSelection(1);
  tools->OnTabClick();
  EXPECT_EQ(VisiblePages(), "010");
  Scroll(tools->GetOffsetPage()->GetSlider(), 40, wxEVT_SCROLL_CHANGED);
  CToolWinDlgSun* sun = tools->GetSunPage();
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
  tab->SetFocus();
  r3dtest::PumpEvents(30);
  sim.Char(WXK_RIGHT);
  r3dtest::PumpEvents(100);
  EXPECT_TRUE(agree()) << VisiblePages() << " selection " << tab->GetSelection();
}

TEST_F(ToolsTest, HelpDisabledWithoutTheBook) {
  MakeTools();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(tools->GetPage(i)->GetHelpButton()->IsEnabled()) << i;
    EXPECT_TRUE(tools->GetPage(i)->GetCloseButton()->IsEnabled()) << i;
  }
  // The window works as usual.
  ShowTools();
  EXPECT_EQ(VisiblePages(), "100");
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
    EXPECT_EQ(page->GetHelpPath(), book);  // the command line's quotes are gone
    g_helpCalls = 0;
    Click(page->GetHelpButton());
    EXPECT_EQ(g_helpCalls, 1);
    EXPECT_EQ(g_helpAddress, book + "::/Eng/PanelTools.htm") << i;
  }
  SetResourceLanguage(ResourceLanguage::Russian);
  Click(tools->GetBcGrPage()->GetHelpButton());
  EXPECT_EQ(g_helpAddress, book + "::/Rus/PanelTools.htm");
  SetHtmlHelpHook(nullptr);
}
