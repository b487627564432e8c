#pragma once
// Everything one picture of the relief depends on, as the renderer reads it. The arrays are
// borrowed: whoever fills a Scene keeps them alive (and unchanged) for the call it is passed to.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/ViewMath.h"
#include "terrain/Document.h"

namespace lib3d {

struct Scene {
  // The grid: cell (c, r) is heights[r * width + c]; min/max is its finite height range.
  const float* heights = nullptr;
  std::size_t width = 0, height = 0;
  float min = 0.0f, max = 0.0f;
  // Ground units between columns and between rows, signed so that east and north are positive:
  // 1 and 1 draw the bare grid (square cells, row 0 at the bottom).
  double step_x = 1.0, step_y = 1.0;
  // NaN cells are holes: no triangle touches one. Otherwise (grids handed through the view's API)
  // they lie on the relief's floor.
  bool holes = false;
  // One colour word per cell (0x00BBGGRR), used only when it holds exactly width * height words.
  const std::uint32_t* colors = nullptr;
  std::size_t color_count = 0;
  const std::uint32_t* palette = nullptr;
  std::size_t palette_count = 0;
  // An image over the whole grid (RGBA rows, row 0 along grid row 0; alpha 0: not covered). It then
  // colours the surface, the palette showing where it is not; `drape_serial` names it.
  const std::uint8_t* drape = nullptr;
  int drape_width = 0, drape_height = 0;
  std::uint64_t drape_serial = 0;

  // Camera and look.
  float pan_x = 0.0f, pan_y = 0.0f;
  float tilt = 45.0f, azimuth = 45.0f;  // degrees
  float zoom_scale = 2.0f;              // height of the visible area in view units
  float scale_z = 1.0f;
  std::uint32_t bg_color = 0x7F7F7F;
  float light_pos[3] = {0.0f, 0.0f, 1.0f};
  float ambient = 0.3f, diffuse = 0.7f, specular = 0.2f;
  std::size_t cursor_x = SIZE_MAX, cursor_y = SIZE_MAX;

  bool colored_by_matrix() const {
    return !draped() && colors && color_count != 0 && color_count == width * height;
  }
  bool draped() const { return drape && drape_width > 0 && drape_height > 0; }
  bool cursor_on_grid() const {
    return cursor_x != SIZE_MAX && cursor_y != SIZE_MAX && cursor_x < width && cursor_y < height;
  }
};

// Where the relief is seen from. The zoom's scale is the height of the visible area in view units.
struct Camera {
  float pan_x = 0.0f, pan_y = 0.0f;
  float tilt = 45.0f, azimuth = 45.0f;  // degrees; tilt 0..180
  viewmath::Zoom zoom = viewmath::zoom_for_level(-2);
};

// How the relief is drawn: height scale, background, light and palette (entry 0 for the lowest
// height). A new viewer starts with a white palette.
struct Look {
  float scale_z = 1.0f;
  std::uint32_t bg_color = 0x7F7F7F;
  viewmath::Light light = viewmath::light_of(0, 0, 30, 70, 20);
  std::vector<std::uint32_t> palette;
};

// The one way a picture's scene is made, for the window and the command line alike. The scene
// borrows the document's and the look's arrays.
Scene scene_of(const Document& doc, const Camera& camera, const Look& look, std::size_t cursor_x = SIZE_MAX,
               std::size_t cursor_y = SIZE_MAX);

}  // namespace lib3d
