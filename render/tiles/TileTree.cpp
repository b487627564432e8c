#include "render/tiles/TileTree.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "render/ViewMath.h"

namespace lib3d::tiles {

namespace vm = viewmath;

std::uint32_t TileTree::count(std::size_t n, int level) const {
  const std::size_t span = tile_ << level;
  return static_cast<std::uint32_t>(n <= 1 ? 1 : (n - 1 + span - 1) / span);
}

Lattice TileTree::lattice(std::uint32_t index, int level, std::size_t n) const {
  Lattice l;
  if (n == 0) return l;
  const std::size_t s = step(level), first = static_cast<std::size_t>(index) * (tile_ << level);
  const std::size_t last = std::min(first + (tile_ << level), n - 1);
  for (std::size_t i = first; i < last; i += s) l.at.push_back(i);
  l.at.push_back(last);
  if (first > 0) l.before = first - s;
  if (last < n - 1) l.after = std::min(last + s, n - 1);
  return l;
}

void TileTree::lay_out(std::size_t width, std::size_t height, std::size_t tile) {
  width_ = width, height_ = height, tile_ = std::max<std::size_t>(tile, 1);
  top_ = 0;
  while (across(top_) > 1 || down(top_) > 1) ++top_;
  bounds_.clear();
}

float TileTree::skirt(const TileKey& k) const {
  const float parent = k.level < top_ ? bounds({k.level + 1, k.x / 2, k.y / 2}).error : bounds(k).error;
  return bounds(k).error + parent + floor_skirt_;
}

namespace {

// The height a tile's two triangles of one quad give at (u, v) in 0..1, for either diagonal (the
// rasteriser's choice is not ours): both are measured.
float worst_miss(float h, float h00, float h10, float h01, float h11, float u, float v) {
  const float a = u >= v ? h00 + u * (h10 - h00) + v * (h11 - h10) : h00 + v * (h01 - h00) + u * (h11 - h01);
  const float b = u + v <= 1.0f ? h00 + u * (h10 - h00) + v * (h01 - h00)
                                : h11 + (1.0f - u) * (h01 - h11) + (1.0f - v) * (h10 - h11);
  return std::max(std::fabs(h - a), std::fabs(h - b));
}

// Runs job(i) for i in 0..n on `threads` threads.
template <class Job>
void share(std::size_t n, unsigned threads, const Job& job) {
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < n;) job(i);
  };
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads && t < n; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& t : helpers) t.join();
}

}  // namespace

void TileTree::measure(const Scene& g, unsigned threads, const Renderer::Progress& progress) {
  bounds_.assign(top_ + 1, {});
  floor_skirt_ = (g.max - g.min) * 1e-3f;
  const float* m = g.heights;
  const std::size_t w = g.width;
  const auto height_at = [&](std::size_t r, std::size_t c) {
    const float h = m[r * w + c];
    return g.holes ? h : vm::drawn_height(h, g.min);  // NaN stays NaN only where it is a hole
  };
  if (progress) progress(0, top_ + 1);
  for (int level = 0; level <= top_; ++level) {
    std::vector<TileBounds>& out = bounds_[level];
    const std::uint32_t nx = across(level);
    out.assign(static_cast<std::size_t>(nx) * down(level), {});
    share(out.size(), std::max(threads, 1u), [&](std::size_t i) {
      const TileKey key{level, static_cast<std::uint32_t>(i % nx), static_cast<std::uint32_t>(i / nx)};
      const Lattice cols = columns(key), rows = this->rows(key);
      TileBounds b{0.0f, INFINITY, -INFINITY};
      if (level == 0) {
        for (std::size_t r = rows.at.front(); r <= rows.at.back(); ++r)
          for (std::size_t c = cols.at.front(); c <= cols.at.back(); ++c) {
            const float h = height_at(r, c);
            if (std::isfinite(h)) b.low = std::min(b.low, h), b.high = std::max(b.high, h);
          }
      } else {
        for (std::uint32_t cy = 2 * key.y; cy <= 2 * key.y + 1 && cy < down(level - 1); ++cy)
          for (std::uint32_t cx = 2 * key.x; cx <= 2 * key.x + 1 && cx < across(level - 1); ++cx) {
            const TileBounds& c = bounds({level - 1, cx, cy});
            b.error = std::max(b.error, c.error), b.low = std::min(b.low, c.low), b.high = std::max(b.high, c.high);
          }
        // How far the child level's vertices lie from this tile's quads; added to the children's
        // own error, it bounds this tile's distance from the full grid.
        const std::size_t half = step(level - 1);
        float miss = 0.0f;
        for (std::size_t j = 0; j + 1 < rows.at.size(); ++j) {
          const std::size_t ya = rows.at[j], yb = rows.at[j + 1];
          for (std::size_t i2 = 0; i2 + 1 < cols.at.size(); ++i2) {
            const std::size_t xa = cols.at[i2], xb = cols.at[i2 + 1];
            const float h00 = height_at(ya, xa), h10 = height_at(ya, xb), h01 = height_at(yb, xa),
                        h11 = height_at(yb, xb);
            if (!(std::isfinite(h00) && std::isfinite(h10) && std::isfinite(h01) && std::isfinite(h11))) continue;
            // The quad's own corners are exact; the child level adds at most its edges' midpoints
            // and its centre (none along a side shorter than two child steps).
            const std::size_t xs[3] = {xa, xa + half < xb ? xa + half : xa, xb};
            const std::size_t ys[3] = {ya, ya + half < yb ? ya + half : ya, yb};
            for (int py = 0; py < 3; ++py)
              for (int px = 0; px < 3; ++px) {
                if ((px != 1 && py != 1) || (px == 1 && xs[1] == xa) || (py == 1 && ys[1] == ya)) continue;
                const float h = height_at(ys[py], xs[px]);
                if (!std::isfinite(h)) continue;
                const float u = static_cast<float>(xs[px] - xa) / static_cast<float>(xb - xa);
                const float v = static_cast<float>(ys[py] - ya) / static_cast<float>(yb - ya);
                miss = std::max(miss, worst_miss(h, h00, h10, h01, h11, u, v));
              }
          }
        }
        b.error += miss;
      }
      out[i] = b;
    });
    if (progress) progress(level + 1, top_ + 1);
  }
}

Sight sight_of(const double mv[16], const double p[16], const int viewport[4]) {
  Sight s;
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double v = 0;
      for (int k = 0; k < 4; ++k) v += p[k * 4 + r] * mv[c * 4 + k];
      s.clip[c * 4 + r] = v;
    }
  const double hx = viewport[2] / 2.0, hy = viewport[3] / 2.0;
  const auto px = [&](int col) { return std::hypot(s.clip[col * 4] * hx, s.clip[col * 4 + 1] * hy); };
  s.px_per_column = px(0), s.px_per_row = px(1), s.px_per_height = px(2);
  return s;
}

namespace {

// Whether any of the box lies inside the picture (an orthographic view: w stays 1).
bool in_sight(const Sight& s, double x0, double x1, double y0, double y1, double z0, double z1) {
  bool below[2] = {true, true}, above[2] = {true, true};
  for (int corner = 0; corner < 8; ++corner) {
    const double p[3] = {corner & 1 ? x1 : x0, corner & 2 ? y1 : y0, corner & 4 ? z1 : z0};
    for (int axis = 0; axis < 2; ++axis) {
      const double c = s.clip[axis] * p[0] + s.clip[4 + axis] * p[1] + s.clip[8 + axis] * p[2] + s.clip[12 + axis];
      below[axis] = below[axis] && c < -1.0;
      above[axis] = above[axis] && c > 1.0;
    }
  }
  return !(below[0] || below[1] || above[0] || above[1]);
}

struct Chooser {
  const TileTree& tree;
  const Sight& sight;
  double tolerance;
  const std::function<bool(const TileKey&)>& ready;
  const std::function<void(const TileKey&)>& want;
  bool fallbacks;
  Choice out;

  bool fine_enough(const TileKey& k) const {
    if (k.level == 0) return true;
    const double spacing = static_cast<double>(tree.step(k.level)) * std::max(sight.px_per_column, sight.px_per_row);
    return std::max(tree.bounds(k).error * sight.px_per_height, spacing / 2.0) <= tolerance;
  }

  // Whether the tile's part of the picture is drawn completely.
  bool plan(const TileKey& k) {
    const TileBounds& b = tree.bounds(k);
    const Lattice cols = tree.columns(k), rows = tree.rows(k);
    if (!(b.low <= b.high)) return true;  // all holes
    if (!in_sight(sight, static_cast<double>(cols.at.front()), static_cast<double>(cols.at.back()),
                  static_cast<double>(rows.at.front()), static_cast<double>(rows.at.back()), b.low - tree.skirt(k),
                  b.high))
      return true;
    if (fine_enough(k)) {
      ++out.wanted;
      if (ready(k)) return out.draw.push_back(k), true;
      ++out.missing;
      want(k);
      return false;
    }
    const std::size_t mark = out.draw.size();
    bool whole = true;
    for (std::uint32_t dy = 0; dy < 2; ++dy)
      for (std::uint32_t dx = 0; dx < 2; ++dx) {
        const TileKey c{k.level - 1, 2 * k.x + dx, 2 * k.y + dy};
        if (c.x < tree.across(c.level) && c.y < tree.down(c.level)) whole = plan(c) && whole;
      }
    if (whole) return true;
    if (ready(k)) {
      out.draw.resize(mark);
      out.draw.push_back(k);
      return true;
    }
    if (fallbacks) want(k);
    return false;
  }
};

}  // namespace

Choice choose(const TileTree& tree, const Sight& sight, double tolerance,
              const std::function<bool(const TileKey&)>& ready, const std::function<void(const TileKey&)>& want,
              bool fallbacks) {
  Chooser c{tree, sight, tolerance, ready, want, fallbacks, {}};
  if (tree.measured()) c.plan({tree.top(), 0, 0});
  return std::move(c.out);
}

}  // namespace lib3d::tiles
