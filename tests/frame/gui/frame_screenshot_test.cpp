// A screen grab of the whole frame with the sample relief, for the eye (build dir/frame_screenshot.png).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "frame/Frame.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "view/View.h"

TEST(FrameScreenshot, SampleReliefThroughTheVectorForm) {
  lib3d::link_module_resources();
  int w = 0, h = 0;
  std::vector<double> values = r3dtest::ReadWholeRaster(R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif", &w, &h);
  ASSERT_FALSE(values.empty());
  std::vector<float> heights(values.begin(), values.end());
  lib3d::Frame* frame = lib3d::Frame::make(nullptr);
  ASSERT_TRUE(r3dtest::ShowAndWait(frame));
  // A terrain ramp instead of the initial white, so that the relief reads well on the picture.
  std::vector<std::uint32_t> palette(256);
  for (int i = 0; i < 256; ++i) {
    unsigned r = i < 128 ? 40 + i : 168 + (i - 128) * 87 / 127;
    unsigned g = i < 128 ? 120 + i / 2 : 184 - (i - 128) / 2;
    unsigned b = i < 128 ? 40 : 40 + (i - 128);
    palette[i] = r | (g << 8) | (b << 16);
  }
  frame->view()->set_palette(palette);
  frame->set_matrix(heights, static_cast<std::size_t>(w), static_cast<std::size_t>(h));
  frame->OnButtonCursor();  // pointer on: the status bar shows cell and height
  r3dtest::PumpEvents(300);
  EXPECT_EQ(frame->status_text(0), "50%");
  const std::string out = R3D_BIN_DIR "/../frame_screenshot.png";
  const std::string cmd = "import -window root -crop 640x480+0+0 '" + out + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "no screen grabber (imagemagick import)";
  wxImage shot;
  ASSERT_TRUE(shot.LoadFile(out, wxBITMAP_TYPE_PNG));
  EXPECT_EQ(shot.GetWidth(), 640);
  frame->OnButtonCursor();
  frame->view()->set_palette(std::vector<std::uint32_t>(256, 0x00FFFFFFu));
}
