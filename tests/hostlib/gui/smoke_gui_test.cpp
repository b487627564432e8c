#include <gtest/gtest.h>
#include <wx/frame.h>
#include "tests/support/GuiTest.h"
TEST(SmokeGui, FrameShows) {
  auto* f = new wxFrame(nullptr, wxID_ANY, "t");
  EXPECT_TRUE(r3dtest::ShowAndWait(f));
  f->Destroy();
  r3dtest::PumpEvents();
}
