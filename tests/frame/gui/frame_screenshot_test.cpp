// A screen grab of the whole frame with the sample relief, kept for the eye (build dir/frame_screenshot.png)
// and checked for what the user must see: the relief in the palette's colours, the zoom in the status bar.
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
  lib3d::Frame* frame = lib3d::Frame::make(nullptr);
  ASSERT_TRUE(r3dtest::ShowAndWait(frame));
  // Green lowlands to brown heights instead of the initial white, so that the relief reads well.
  std::vector<std::uint32_t> palette(256);
  for (unsigned i = 0; i < 256; ++i)
    palette[i] = i < 128 ? (40 + i) | ((120 + i / 2) << 8) | (40u << 16)
                         : (168 + (i - 128) * 87 / 127) | ((184 - (i - 128) / 2) << 8) | ((40 + i - 128) << 16);
  frame->view()->set_palette(palette);
  std::vector<float> heights(values.begin(), values.end());
  frame->set_matrix(heights, static_cast<std::size_t>(w), static_cast<std::size_t>(h));
  frame->OnButtonCursor();  // pointer on: the status bar shows cell and height
  r3dtest::PumpEvents(300);
  EXPECT_EQ(frame->status_text(0), "50%");
  const wxImage shot = r3dtest::GrabClientArea(frame);
  ASSERT_EQ(std::system("command -v import >/dev/null"), 0) << "ImageMagick's import is needed (scripts/setup.sh)";
  if (!shot.IsOk()) GTEST_SKIP() << "this display cannot be grabbed (XWayland under a headless weston)";
  shot.SaveFile(R3D_BIN_DIR "/../frame_screenshot.png", wxBITMAP_TYPE_PNG);
  // Over the view, a good share of the pixels is the palette's green (impossible in white or grey).
  const wxImage view = r3dtest::GrabClientArea(frame->view());
  ASSERT_TRUE(view.IsOk());
  int green = 0;
  for (int y = 0; y < view.GetHeight(); ++y)
    for (int x = 0; x < view.GetWidth(); ++x)
      green += view.GetGreen(x, y) > view.GetRed(x, y) + 10 && view.GetGreen(x, y) > view.GetBlue(x, y) + 20;
  EXPECT_GT(green, view.GetWidth() * view.GetHeight() / 50);
  frame->OnButtonCursor();
  frame->view()->set_palette(std::vector<std::uint32_t>(256, 0x00FFFFFFu));
}
