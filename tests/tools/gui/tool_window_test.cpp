#include "tests/tools/gui/ToolsFixture.h"

// Created hidden, first shown on the Scale page with every page centred on the placeholder (to the
// pixel, halves dropped) at its own size, below the tab strip however tall the platform draws it
// (a window manager may take a moment to lay the window out); the angle spins are slim columns of
// arrows at their fields' right, not GTK's "- +" pair. Neither keys (through the X server)
// nor a stray Cancel command close the window; its close box and every page's Close hide it without
// destroying it, and showing it again brings back the page and the values it had (the scale in
// percent from the slider's every notification).
TEST_F(ToolsTest, OnlyCloseHidesTheWindowAndShowingKeepsPageAndValues) {
  EXPECT_FALSE(tools->IsShown());
  ShowTools();
  EXPECT_EQ(VisiblePages(), "100");
  const auto tabTop = [&] { return tools->GetTab()->GetPage(0)->GetScreenPosition().y; };
  r3dtest::WaitFor([&] { return tools->GetPage(0)->GetScreenPosition().y >= tabTop(); });
  const wxRect p = tools->GetPlaceholder()->GetRect();
  for (int i = 0; i < 3; ++i) {
    const wxRect r = tools->GetPage(i)->GetRect();
    EXPECT_EQ(r.GetPosition(), p.GetPosition() + (p.GetSize() - r.GetSize()) / 2) << i;
    EXPECT_EQ(r.GetSize(), tools->GetPage(i)->ConvertDialogToPixels(wxSize(265, 120))) << i;
    EXPECT_GE(tools->GetPage(i)->GetScreenPosition().y, tabTop()) << i;
  }
  for (CSpinButtonCtrl32* spin : {tools->GetSunPage()->GetAzimuthSpin(), tools->GetSunPage()->GetElevationSpin()}) {
    const wxRect r = spin->GetRect(), buddy = spin->GetBuddy()->GetRect();
    EXPECT_TRUE(r.x >= buddy.GetRight() && r.width <= spin->FromDIP(20) && r.height == buddy.height)
        << r.x << "," << r.width << "x" << r.height << " beside " << buddy.GetRight() << "," << buddy.height;
  }
  Focus(tools->GetOffsetPage()->GetSlider());
  wxUIActionSimulator sim;
  for (int key : {WXK_ESCAPE, WXK_RETURN, WXK_NUMPAD_ENTER}) {
    r3dtest::EventCount released(wxEVT_KEY_UP);
    sim.Char(key);
    ASSERT_TRUE(r3dtest::WaitFor([&] { return released() > 0; })) << key;
    r3dtest::PumpEvents();
    EXPECT_TRUE(tools->IsShown()) << key;
  }
  wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
  tools->GetEventHandler()->ProcessEvent(cancel);
  EXPECT_TRUE(tools->IsShown());
  EXPECT_FALSE(tools->Close());  // the close box: vetoed, hidden
  EXPECT_FALSE(tools->IsShown());
  EXPECT_FLOAT_EQ(view->scale_z(), 1.0f);  // opening does not tell the view
  CToolWinDlgSun* sun = ShowSunPage();
  Scroll(tools->GetOffsetPage()->GetSlider(), 40, wxEVT_SCROLL_THUMBTRACK);
  Scroll(sun->GetAzimuthSlider(), 200);
  Scroll(sun->GetSpecularSlider(), 55);
  for (int i : {0, 2, 1}) {
    ShowTools();
    Click(tools->GetPage(i)->GetCloseButton());
    EXPECT_FALSE(tools->IsShown()) << i;
    EXPECT_FALSE(tools->IsBeingDeleted());
  }
  ShowTools();
  EXPECT_EQ(VisiblePages(), "010");
  EXPECT_EQ(tools->GetOffsetPage()->GetSlider()->GetValue(), 40);
  EXPECT_EQ(sun->GetAzimuthSpin()->GetPos(), 200);
  EXPECT_EQ(sun->GetSpecularSlider()->GetValue(), 55);
  EXPECT_FLOAT_EQ(view->scale_z(), 0.4f);
}

// Tab and page always agree: after a real click on any tab, in its middle or on its bottom edge,
// and after a selection moved from the keyboard.
TEST_F(ToolsTest, TabAndPageAlwaysAgree) {
  ShowTools();
  wxNotebook* tab = tools->GetTab();
  auto agree = [&](int want) {
    return tab->GetSelection() == want && VisiblePages() == std::string("000").replace(want, 1, "1");
  };
  wxUIActionSimulator sim;
  for (int target : {2, 1, 0, 1}) {
    // The tab's column through its middle, from its top to its lowest pixel.
    int x = -1, top = -1, bottom = -1;
    for (int px = 2; px < tab->GetSize().x && x < 0; px += 2)
      if (tab->HitTest(wxPoint(px, 8)) == target) x = px + 6;
    ASSERT_GE(x, 0) << "no tab " << target;
    for (int y = 0; y < 60; ++y)
      if (tab->HitTest(wxPoint(x, y)) == target) bottom = y, top = top < 0 ? y : top;
    for (int y : {(top + bottom) / 2, bottom}) {
      RealClick(tab, wxPoint(x, y));
      EXPECT_TRUE(r3dtest::WaitFor([&] { return agree(target); }))
          << "tab " << target << " at y " << y << ": " << VisiblePages() << " selection " << tab->GetSelection();
    }
  }
  // The right arrow moves the selection on, and the page with it.
  Focus(tab);
  sim.Char(WXK_RIGHT);
  EXPECT_TRUE(r3dtest::WaitFor([&] { return agree(2); })) << VisiblePages() << " selection " << tab->GetSelection();
}
