#include "render/Picking.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <GL/glu.h>

#include "render/ViewMath.h"

namespace lib3d {

namespace {

namespace vm = viewmath;

struct Vec {
  double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The object-space points drawn at window (x, y) on the near and far clip planes.
bool line_of_sight(const double* modelview, const PaintResult& p, double x, double y, Vec& near, Vec& far) {
  const double wy = p.viewport[3] - y - 1.0;
  return p.viewport[2] > 0 && p.viewport[3] > 0 &&
         gluUnProject(x, wy, 0.0, modelview, p.projection, p.viewport, &near.x, &near.y, &near.z) == GL_TRUE &&
         gluUnProject(x, wy, 1.0, modelview, p.projection, p.viewport, &far.x, &far.y, &far.z) == GL_TRUE;
}

// Where along o + t d the triangle (a, b, c) is met, if it is (Moller-Trumbore, either face).
bool meets(Vec o, Vec d, Vec a, Vec b, Vec c, double& t) {
  const Vec e1 = b - a, e2 = c - a, p = cross(d, e2);
  const double det = dot(e1, p);
  if (std::fabs(det) < 1e-300) return false;
  const Vec s = o - a;
  const double u = dot(s, p) / det;
  if (u < 0 || u > 1) return false;
  const Vec q = cross(s, e1);
  const double v = dot(d, q) / det;
  if (v < 0 || u + v > 1) return false;
  t = dot(e2, q) / det;
  return true;
}

}  // namespace

bool pick_surface(const Scene& s, const PaintResult& paint, double x, double y, std::size_t& column,
                  std::size_t& row) {
  if (s.width < 2 || s.height < 2 || !s.heights) return false;
  Vec a{}, b{};
  if (!line_of_sight(paint.surface_modelview, paint, x, y, a, b)) return false;
  const Vec d = b - a;
  // Clip to the grid's box: columns 0..w-1, rows 0..h-1, heights min..max.
  double t0 = 0.0, t1 = 1.0;
  const double lo[3] = {0, 0, s.min}, hi[3] = {double(s.width - 1), double(s.height - 1), s.max};
  const double o[3] = {a.x, a.y, a.z}, dir[3] = {d.x, d.y, d.z};
  for (int k = 0; k < 3; ++k) {
    if (std::fabs(dir[k]) < 1e-300) {
      if (o[k] < lo[k] || o[k] > hi[k]) return false;
      continue;
    }
    double ta = (lo[k] - o[k]) / dir[k], tb = (hi[k] - o[k]) / dir[k];
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
  }
  if (!(t0 <= t1)) return false;
  const auto height = [&](std::size_t c, std::size_t r) {
    return double(vm::drawn_height(s.heights[r * s.width + c], s.min));
  };
  // Walk the cells the line's ground track crosses, nearest first (a grid traversal in x, y).
  const double ex = 1e-9;
  const Vec start{a.x + t0 * d.x, a.y + t0 * d.y, 0};
  long cx = std::clamp(static_cast<long>(std::floor(start.x)), 0L, long(s.width) - 2);
  long cy = std::clamp(static_cast<long>(std::floor(start.y)), 0L, long(s.height) - 2);
  const int sx = d.x > 0 ? 1 : -1, sy = d.y > 0 ? 1 : -1;
  const double inf = std::numeric_limits<double>::infinity();
  const double dtx = std::fabs(d.x) > ex ? 1.0 / std::fabs(d.x) : inf, dty = std::fabs(d.y) > ex ? 1.0 / std::fabs(d.y) : inf;
  double nextx = std::fabs(d.x) > ex ? ((sx > 0 ? cx + 1 : cx) - a.x) / d.x : inf;
  double nexty = std::fabs(d.y) > ex ? ((sy > 0 ? cy + 1 : cy) - a.y) / d.y : inf;
  for (std::size_t steps = 0; steps <= s.width + s.height + 2; ++steps) {
    const std::size_t c = static_cast<std::size_t>(cx), r = static_cast<std::size_t>(cy);
    // The quad strip's two triangles of the cell, split along (c, r+1)-(c+1, r).
    const Vec p00{double(c), double(r), height(c, r)}, p10{double(c + 1), double(r), height(c + 1, r)},
        p01{double(c), double(r + 1), height(c, r + 1)}, p11{double(c + 1), double(r + 1), height(c + 1, r + 1)};
    double best = inf, t = 0;
    // Holes are not hit: a triangle with a hole's corner is not drawn.
    const auto hole = [&](std::size_t cc, std::size_t rr) { return s.holes && !std::isfinite(s.heights[rr * s.width + cc]); };
    const bool h00 = hole(c, r), h10 = hole(c + 1, r), h01 = hole(c, r + 1), h11 = hole(c + 1, r + 1);
    if (!(h01 || h00 || h10 || h11) && meets(a, d, p01, p00, p10, t) && t >= t0 - ex && t < best) best = t;
    if (!(h01 || h00 || h10 || h11) && meets(a, d, p01, p10, p11, t) && t >= t0 - ex && t < best) best = t;
    if (best < inf) {
      const double hx = a.x + best * d.x, hy = a.y + best * d.y;
      column = static_cast<std::size_t>(std::clamp(std::lround(hx), 0L, long(s.width) - 1));
      row = static_cast<std::size_t>(std::clamp(std::lround(hy), 0L, long(s.height) - 1));
      return true;
    }
    // On to the neighbour the line enters next, until it leaves the box.
    if (std::min(nextx, nexty) > t1) return false;
    if (nextx < nexty) {
      cx += sx;
      nextx += dtx;
    } else {
      cy += sy;
      nexty += dty;
    }
    if (cx < 0 || cy < 0 || cx > long(s.width) - 2 || cy > long(s.height) - 2) return false;
  }
  return false;
}

bool pick_top_plane(const Scene& s, const PaintResult& paint, double x, double y, std::size_t& column,
                    std::size_t& row) {
  Vec a{}, b{};
  if (!line_of_sight(paint.modelview, paint, x, y, a, b)) return false;
  // The edited matrix makes window x, y independent of z: any point of the line gives the cell.
  std::size_t c = 0, r = 0;
  if (!vm::pick_index(a.x, s.width, c) || !vm::pick_index(a.y, s.height, r)) return false;
  column = c;
  row = r;
  return true;
}

}  // namespace lib3d
