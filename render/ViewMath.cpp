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

Light light_from_record(const std::int32_t* words) {
  const double kDeg = 3.141592653589793 / 180;
  const double a = words[3] * kDeg;
  const double e = words[4] * kDeg;
  Light l;
  l.pos[0] = static_cast<float>(std::sin(e) * std::cos(a));
  l.pos[1] = static_cast<float>(std::sin(e) * std::sin(a));
  l.pos[2] = static_cast<float>(std::cos(e));
  l.ambient = static_cast<float>(words[6]) / 100.0f;
  l.diffuse = static_cast<float>(words[7]) / 100.0f;
  l.specular = static_cast<float>(words[8]) / 100.0f;
  return l;
}

Range finite_range(const float* v, std::size_t n) {
  Range r{0.0f, 0.0f};
  bool any = false;
  for (std::size_t i = 0; i < n; ++i) {
    const float h = v[i];
    if (!std::isfinite(h)) continue;
    if (!any) {
      r.min = r.max = h;
      any = true;
    } else if (h < r.min) {
      r.min = h;
    } else if (h > r.max) {
      r.max = h;
    }
  }
  return r;
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

float model_scale_z(float scale_z, float min, float max) {
  const float range = max - min;
  if (range > 0.0f) {
    const float s = scale_z / range;
    if (std::isfinite(s) || !std::isfinite(scale_z)) return s;
  }
  return scale_z;
}

Mat4 identity() { return Mat4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

void translate(Mat4& m, float x, float y, float z) {
  for (int r = 0; r < 4; ++r) m[12 + r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

void scale(Mat4& m, float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    m[r] *= x;
    m[4 + r] *= y;
    m[8 + r] *= z;
  }
}

void rotate(Mat4& m, float angle_deg, float x, float y, float z) {
  const float rad = static_cast<float>(angle_deg * 3.14159265358979323846 / 180.0);
  const float s = std::sin(rad), c = std::cos(rad);
  const float len = std::sqrt(x * x + y * y + z * z);
  if (!(len > 0.0f)) return;
  x /= len;
  y /= len;
  z /= len;
  const float oc = 1.0f - c;
  Mat4 r = identity();
  r[0] = x * x * oc + c;
  r[1] = y * x * oc + z * s;
  r[2] = x * z * oc - y * s;
  r[4] = x * y * oc - z * s;
  r[5] = y * y * oc + c;
  r[6] = y * z * oc + x * s;
  r[8] = x * z * oc + y * s;
  r[9] = y * z * oc - x * s;
  r[10] = z * z * oc + c;
  Mat4 out{};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      float acc = 0.0f;
      for (int k = 0; k < 4; ++k) acc += m[k * 4 + row] * r[col * 4 + k];
      out[col * 4 + row] = acc;
    }
  m = out;
}

std::array<double, 16> picking_modelview(const Camera& cam, const Grid& g) {
  Mat4 m = identity();
  translate(m, cam.pan_x, cam.pan_y, 0.0f);
  rotate(m, -cam.tilt, 1, 0, 0);
  rotate(m, cam.azimuth, 0, 0, 1);
  translate(m, 0, 0, -0.5f);
  const float s = model_scale_xy(g.width, g.height);
  scale(m, s, s, model_scale_z(g.scale_z, g.min, g.max));
  translate(m, (static_cast<float>(g.width) - 1) * -0.5f, (static_cast<float>(g.height) - 1) * -0.5f,
            -g.min);
  translate(m, 0, 0, g.max - g.min);
  std::array<double, 16> d;
  for (int i = 0; i < 16; ++i) d[i] = m[i];
  d[9] = 0.0;
  d[10] = 1.0;
  return d;
}

std::array<double, 16> ortho_projection(float zoom_scale, double aspect) {
  const double h = zoom_scale * 0.5f, l = zoom_scale * -0.5f;
  const double left = l * aspect, right = h * aspect, bottom = l, top = h;
  const double n = -10.0, f = 10.0;
  std::array<double, 16> p{};
  p[0] = 2.0 / (right - left);
  p[5] = 2.0 / (top - bottom);
  p[10] = -2.0 / (f - n);
  p[12] = -(right + left) / (right - left);
  p[13] = -(top + bottom) / (top - bottom);
  p[14] = -(f + n) / (f - n);
  p[15] = 1.0;
  return p;
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
