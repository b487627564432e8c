#pragma once
// The arithmetic of the relief view that needs no window and no OpenGL context: zoom steps, the
// light record, height range and palette index, normals, the paint's model scales, the candidate
// rule of picking, the linear maps of mouse drags.
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace lib3d {
namespace viewmath {

// ---- zoom ----------------------------------------------------------------------------------------
// Levels run ..., -3, -2, 1, 2, 3, ...: 0 and -1 are skipped. Level n >= 1 shows n00 %, level -n
// shows 100/n % (truncated).
struct Zoom {
  int level;
  float scale;  // height of the visible area in view units
  int percent;
};
Zoom zoom_for_level(int level);
// One step in or out. The level saturates at the int range instead of overflowing (unreachable in
// practice: two billion clicks).
Zoom zoom_step(int level, bool in);

// ---- light ---------------------------------------------------------------------------------------
struct Light {
  float pos[3];  // direction towards the light, eye coordinates
  float ambient, diffuse, specular;
};
// A light from its azimuth and elevation (whole degrees; elevation 0 shines from the viewer, 90 lies
// in the screen plane with azimuth 0 from the right) and its strengths in percent.
Light light_of(int azimuth, int elevation, int ambient, int diffuse, int specular);
// words: the fifteen words of a LightSettings record; reads indices 3, 4, 6, 7, 8 only.
inline Light light_from_record(const std::int32_t* words) {
  return light_of(words[3], words[4], words[6], words[7], words[8]);
}

// ---- heights and colours ---------------------------------------------------------------------

// The height a cell is drawn at: the value itself, or `min` for a non-finite value, so that no-data
// cells lie on the relief's floor instead of sending vertices to infinity.
inline float drawn_height(float h, float min) { return std::isfinite(h) ? h : min; }

// Palette entry of height h for a palette of p entries (p > 0): trunc((h-min)/(max-min) * (p-1))
// in float. A flat relief (max == min), a non-finite height or any rounding outside the palette
// gives an index clamped into [0, p-1]; a flat relief and non-finite cells take entry 0, as
// heights equal to min do.
inline std::size_t palette_index(float h, float min, float max, std::size_t p) {
  if (p == 0) return 0;
  const float range = max - min;
  if (!std::isfinite(h) || !(range > 0.0f)) return 0;
  const float t = ((h - min) / range) * static_cast<float>(p - 1);
  if (!(t >= 0.0f)) return 0;  // also NaN (an infinite range over an infinite offset)
  if (t >= static_cast<float>(p - 1)) return p - 1;
  return static_cast<std::size_t>(static_cast<std::int64_t>(t));
}

// Forward-difference normal of the surface z = h(x, y) in grid units; h0, hx (next column),
// hy (next row) are drawn heights.
inline void cell_normal(float h0, float hx, float hy, float out[3]) {
  out[0] = -(hx - h0);
  out[1] = -(hy - h0);
  out[2] = 1.0f;
}

// The marker is red/green/blue when the first palette entry is black or white (or the palette is
// empty, which colours the surface white), and white otherwise.
bool marker_is_rgb(const std::uint32_t* palette, std::size_t count);

// ---- paint transform ---------------------------------------------------------------------------
// Aspect of a viewport: width / height, or 1 when the height is below 1.
double aspect_of(int width, int height);
// x/y scale: the longer side of the grid spans one unit. A grid of one cell (or none) has no
// extent, so the scale is 1 there.
float model_scale_xy(std::size_t width, std::size_t height);
// x and y scales of a grid whose columns and rows are step_x and step_y ground units apart (signed:
// east and north positive): the longer side spans one unit and cells keep their shape. Steps of 1
// and 1 (a bare grid) give model_scale_xy for both.
void model_scale(std::size_t width, std::size_t height, double step_x, double step_y, float& sx, float& sy);
// z scale: scale_z over the height range. A flat relief has no range; it is scaled as if its range
// were one height unit, which puts every cell at the floor plane (z = -0.5). Never non-finite unless
// scale_z is.
float model_scale_z(float scale_z, float min, float max);

// ---- picking -----------------------------------------------------------------------------------
// The cell index an object coordinate o falls on: trunc(o + 0.5) as a 32-bit integer, accepted when
// it lies in [0, n). So o in (-1.5, 0.5) gives 0 and (n-1.5, n-0.5) gives n-1. NaN and values
// beyond the int range are rejected instead of converted.
bool pick_index(double o, std::size_t n, std::size_t& index);

// ---- drags -------------------------------------------------------------------------------------
struct LinearMap {
  double scale = 1.0;
  double offset = 0.0;
  double operator()(double d) const { return d * scale + offset; }
};

}  // namespace viewmath
}  // namespace lib3d
