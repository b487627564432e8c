#include "render/Scene.h"

#include <algorithm>

namespace lib3d {

Scene scene_of(const Document& doc, const Camera& camera, const Look& look, std::size_t cursor_x,
               std::size_t cursor_y) {
  Scene s;
  s.heights = doc.heights.data();
  s.width = doc.width;
  s.height = doc.height;
  s.min = doc.min;
  s.max = doc.max;
  s.step_x = doc.geo.step_x();
  s.step_y = doc.geo.step_y();
  s.holes = doc.holes;
  s.colors = doc.colors.data();
  s.color_count = doc.colors.size();
  s.drape = doc.drape.rgba.empty() ? nullptr : doc.drape.rgba.data();
  s.drape_width = doc.drape.width;
  s.drape_height = doc.drape.height;
  s.drape_serial = doc.drape_serial;
  s.palette = look.palette.data();
  s.palette_count = look.palette.size();
  s.pan_x = camera.pan_x;
  s.pan_y = camera.pan_y;
  s.tilt = camera.tilt;
  s.azimuth = camera.azimuth;
  s.zoom_scale = camera.zoom.scale;
  s.scale_z = look.scale_z;
  s.bg_color = look.bg_color;
  std::copy(look.light.pos, look.light.pos + 3, s.light_pos);
  s.ambient = look.light.ambient;
  s.diffuse = look.light.diffuse;
  s.specular = look.light.specular;
  s.cursor_x = cursor_x;
  s.cursor_y = cursor_y;
  return s;
}

}  // namespace lib3d
