// A picture written by batch rendering equals, pixel for pixel, what the viewer shows in a window of
// the same size after the same file, palette, camera and light were given to it: for a small relief
// (one display list) and a big one (tiles, once the window has every tile it wants).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <wx/image.h>

#include "colour/PaletteFile.h"
#include "terrain/Loading.h"
#include "hostlib/RenderRequest.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/ShownView.h"
#include "view/LightSettings.h"
#include "view/View.h"

TEST(BatchPicture, EqualsTheViewerWindowInTheSameState) {
  for (const auto& [grid_w, grid_h, fx] : {std::tuple{50, 40, 2}, {1700, 1300, 1}}) {
  constexpr int kW = 320, kH = 240;
  r3dtest::TempDir dir;
  const std::string dem = dir.file("dem.tif");
  const double f = 50.0 / grid_w;  // the same relief at either size
  ASSERT_TRUE(r3dtest::WriteRaster(dem, grid_w, grid_h, GDT_Float32, [f](int x, int y, double*) {
    return 30.0 * std::sin(x * f * 0.3) * std::cos(y * f * 0.2) + y * f;
  }));

  const std::string png = dir.file("o.png");
  Lib3dRenderRequest r;
  lib3d_render_request_defaults(&r);
  r.relief = dem.c_str(), r.output = png.c_str(), r.factor_x = static_cast<unsigned long>(fx), r.width = kW, r.height = kH;
  r.tilt = 30, r.azimuth = -40, r.zoom_level = 1, r.pan_x = 0.1, r.pan_y = -0.05, r.scale_z = 0.5;
  r.light_azimuth = 200, r.light_elevation = 50, r.ambient = 20, r.diffuse = 60, r.specular = 40;
  r.background = 0x203040, r.base_palette = 1;

  r3dtest::ShownView shown_view(kW, kH);
  lib3d::View* view = shown_view.view;
  view->set_palette(lib3d::palette::view_palette(nullptr, r.base_palette));
  std::vector<float> heights;
  std::size_t cols = 0, rows = 0;
  ASSERT_TRUE(lib3d::loading::read_relief(dem, fx, 1, heights, cols, rows));
  view->set_matrix(heights, cols, rows);
  view->set_rotation(30, -40);
  view->zoom(true);
  view->set_pan(0.1, -0.05);
  view->set_scaleZ(0.5f);
  lib3d::LightSettings light;
  using L = lib3d::LightSettings;
  for (auto [word, value] : {std::pair{L::kAzimuth, 200}, {L::kElevation, 50}, {L::kAmbient, 20}, {L::kDiffuse, 60},
                             {L::kSpecular, 40}})
    light.words[word] = value;
  view->set_lightPos(&light);
  view->set_bgColor(0x203040);
  ASSERT_TRUE(r3dtest::WaitFor([&] { return view->last_paint().tiles_missing == 0; }, 120000));
  EXPECT_EQ(fx == 1, view->last_paint().tiles_wanted > 0);
  const wxImage shown = shown_view.Presented();
  ASSERT_TRUE(shown.IsOk());

  // The library relief3d-host --snapshot loads, built apart from the viewer's.
  void* lib = dlopen(R3D_BIN_DIR "/plugins/lib3d-render.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(lib) << dlerror();
  auto render = reinterpret_cast<Lib3dRenderFileFn>(dlsym(lib, "Lib3dRenderFile"));
  char message[256] = {};
  ASSERT_EQ(LIB3D_RENDER_OK, render(&r, message, sizeof message)) << message;
  wxImage written;
  ASSERT_TRUE(written.LoadFile(png, wxBITMAP_TYPE_PNG));
  ASSERT_EQ(wxSize(kW, kH), written.GetSize());
  int differing = 0, relief = 0;
  for (int i = 0; i < kW * kH * 3; i += 3) {
    differing += std::memcmp(shown.GetData() + i, written.GetData() + i, 3) != 0;
    relief += std::memcmp(written.GetData() + i, written.GetData(), 3) != 0;  // not the background corner
  }
  EXPECT_EQ(0, differing) << grid_w;
  EXPECT_GT(relief, kW * kH / 20);
  dlclose(lib);
  }
}
