#include "render/ViewMath.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace lib3d {
namespace viewmath {

Zoom zoom_for_level(int level) {
  Zoom z{level, 1.0f, 100};
  if (level >= 1) {
    z.percent = level <= INT_MAX / 100 ? level * 100 : INT_MAX;
    z.scale = static_cast<float>(1.0 / level);
  } else {
    // level is never 0 or -1 here; -INT_MAX at worst, so the negation is defined.
    const int mag = level == INT_MIN ? INT_MAX : -level;
    z.scale = static_cast<float>(mag);
    z.percent = static_cast<int>(100.0 / mag);
  }
  return z;
}

Zoom zoom_step(int level, bool in) {
  if (in) {
    if (level < INT_MAX) ++level;
    if (level == -1) level = 1;
  } else {
    if (level > INT_MIN + 1) --level;
    if (level == 0) level = -2;
  }
  return zoom_for_level(level);
}

Light light_of(int azimuth, int elevation, int ambient, int diffuse, int specular) {
  const double kDeg = 3.141592653589793 / 180;
  const double a = azimuth * kDeg;
  const double e = elevation * kDeg;
  Light l;
  l.pos[0] = static_cast<float>(std::sin(e) * std::cos(a));
  l.pos[1] = static_cast<float>(std::sin(e) * std::sin(a));
  l.pos[2] = static_cast<float>(std::cos(e));
  l.ambient = static_cast<float>(ambient) / 100.0f;
  l.diffuse = static_cast<float>(diffuse) / 100.0f;
  l.specular = static_cast<float>(specular) / 100.0f;
  return l;
}

bool marker_is_rgb(const std::uint32_t* palette, std::size_t count) {
  if (count == 0) return true;
  return palette[0] == 0x000000u || palette[0] == 0xFFFFFFu;
}

double aspect_of(int width, int height) {
  return height >= 1 ? static_cast<double>(width) / static_cast<double>(height) : 1.0;
}

float model_scale_xy(std::size_t width, std::size_t height) {
  const std::size_t longer = std::max(width, height);
  if (longer <= 1) return 1.0f;
  return static_cast<float>(1.0 / static_cast<float>(longer - 1));
}

void model_scale(std::size_t width, std::size_t height, double step_x, double step_y, float& sx, float& sy) {
  if (step_x == 1.0 && step_y == 1.0) {
    sx = sy = model_scale_xy(width, height);
    return;
  }
  const double along = std::max(width > 1 ? (width - 1) * std::fabs(step_x) : 0.0,
                                height > 1 ? (height - 1) * std::fabs(step_y) : 0.0);
  const double unit = along > 0 ? along : std::max(std::fabs(step_x), std::fabs(step_y));
  sx = static_cast<float>(step_x / unit);
  sy = static_cast<float>(step_y / unit);
}

float model_scale_z(float scale_z, float min, float max) {
  const float range = max - min;
  if (range > 0.0f) {
    const float s = scale_z / range;
    if (std::isfinite(s) || !std::isfinite(scale_z)) return s;
  }
  return scale_z;
}

bool pick_index(double o, std::size_t n, std::size_t& index) {
  const double c = o + 0.5;
  // Conversion of an out-of-range double to int is undefined; reject before converting.
  if (!(c > static_cast<double>(INT_MIN) - 1.0 && c < static_cast<double>(INT_MAX) + 1.0)) return false;
  const std::int32_t k = static_cast<std::int32_t>(c);  // truncation toward zero
  if (k < 0 || static_cast<std::size_t>(k) >= n) return false;
  index = static_cast<std::size_t>(k);
  return true;
}

}  // namespace viewmath
}  // namespace lib3d
