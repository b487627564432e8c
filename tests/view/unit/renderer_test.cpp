// The renderer without any window: its strips and coarse sampling rules, and pictures drawn offscreen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include <GL/glu.h>

#include "render/OffscreenContext.h"
#include "render/OffscreenRender.h"
#include "render/Renderer.h"
#include "render/tiles/TileTree.h"

using lib3d::Picture;
using lib3d::Renderer;
using lib3d::Scene;

// Coarse lists keep the first and last row and column and step between; the step brings paints
// near their target. Strips set no normal on the last row or column (the vertex before lends its own),
// scale slopes by the sampled distances, take the cell's colour only from a matrix of the grid's size.
TEST(SurfaceStrips, KeepTheEdgesStepTowardsTheTargetAndCarryNormalsAndColours) {
  const struct { std::size_t n, step; std::vector<std::size_t> want; } cases[] = {
      {0, 3, {}}, {1, 3, {0}}, {7, 3, {0, 3, 6}}, {8, 3, {0, 3, 6, 7}}, {5, 1, {0, 1, 2, 3, 4}}, {4, 0, {0, 1, 2, 3}}};
  for (const auto& c : cases) EXPECT_EQ(c.want, lib3d::sampled_indices(c.n, c.step)) << c.n << "/" << c.step;
  // {paint ms, target ms, rows, columns} -> step: just over the target the least coarsening, sqrt(5)
  // rounded up, 64 cells kept on each side, two rows of a 5-row grid, nothing to coarsen, NaN.
  const struct { double ms; std::size_t rows, cols, want; } first[] = {
      {45, 1000, 1000, 2}, {150, 1000, 1000, 3}, {3000, 1000, 1000, 10}, {1e9, 1000, 1000, 15},
      {1e9, 5, 1000, 2},   {1e9, 2, 1000, 0},    {std::nan(""), 100, 100, 2}};
  for (const auto& c : first) EXPECT_EQ(c.want, lib3d::coarse_step_for(c.ms, 30, c.rows, c.cols)) << c.ms;
  // After a coarse paint over the budget: coarser by the square root of the excess, at least by
  // one, and never below 64 cells on the shorter side.
  const struct { double ms; std::size_t step, n, want; } after[] = {
      {120, 4, 1000, 8}, {31, 4, 1000, 5}, {1e6, 4, 1000, 15}, {100, 15, 1000, 15}, {1e6, 2, 100, 2}};
  for (const auto& c : after) EXPECT_EQ(c.want, lib3d::coarse_step_after(c.ms, c.step, 30, c.n, c.n)) << c.ms;
  // h = c² + r², whose normal at (c, r) is (-2c-1, -2r-1, 1), on 4 x 3 cells; the last has no data.
  const float h[] = {0, 1, 4, 9, 1, 2, 5, 10, 4, 5, 8, NAN};
  const std::uint32_t words[12] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111}, palette[] = {0xA, 0xB};
  Scene s;
  s.heights = h, s.width = 4, s.height = 3, s.max = 10, s.colors = words, s.palette = palette;
  // {step, colour words, palette entries, strip, vertex} -> position and normal if set, colour (-1: none)
  const struct { std::size_t step, words, entries, k, v; std::vector<float> want; int colour; } strips[] = {
      {1, 0, 2, 0, 0, {0, 1, 1, -1, -3, 1}, 0xA}, {1, 12, 2, 0, 7, {3, 0, 9}, 103},
      {1, 12, 2, 1, 2, {1, 2, 5}, 109},           {1, 6, 2, 1, 3, {1, 1, 2, -3, -3, 1}, 0xA},
      {1, 0, 2, 1, 7, {3, 1, 10}, 0xB},           {2, 0, 2, 0, 1, {0, 0, 0, -8, -8, 4}, 0xA},
      {2, 0, 0, 0, 3, {2, 0, 4, -10, -4, 2}, -1}, {2, 0, 2, 0, 4, {3, 2, 0}, 0xA}};
  std::vector<lib3d::StripVertex> built;
  for (const auto& t : strips) {
    s.color_count = t.words, s.palette_count = t.entries;
    lib3d::SurfaceStrips(s, t.step).build(t.k, built);
    const lib3d::StripVertex& v = built.at(t.v);
    std::vector<float> got(v.position.begin(), v.position.end());
    if (v.has_normal) got.insert(got.end(), v.normal.begin(), v.normal.end());
    EXPECT_EQ(std::pair(got, v.has_colour ? static_cast<int>(v.colour) : -1), std::pair(t.want, t.colour)) << t.v;
  }
}

namespace {

// A tilted plane in one colour: any sampling of it is the same plane, lit the same way.
struct Plane {
  int w = 41, h = 31;
  std::vector<float> heights;
  std::vector<std::uint32_t> palette{0x3080C0};
  Scene scene;
  Plane() {
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) heights.push_back(0.7f * c - 0.4f * r);
    scene.heights = heights.data(), scene.width = w, scene.height = h;
    const auto [lo, hi] = std::minmax_element(heights.begin(), heights.end());
    scene.min = *lo, scene.max = *hi;
    scene.palette = palette.data(), scene.palette_count = 1, scene.tilt = 30, scene.azimuth = 20;
  }
};

}  // namespace

// The coarse list draws the full one's outline and shade. A window point un-projected with the
// picking matrix a paint saves gives back the grid column and row that the surface's own matrix draws
// there on the picking plane (the lift puts it max - min above the grid's z = 0), at any tilt but 90
// and any azimuth. Paints leave the context's matrices and enables as they found them.
TEST(OffscreenRenderer, CoarseListDrawsAsTheFullOneAndMatricesPickWhatIsDrawn) {
  Plane plane;
  std::string error;
  auto ctx = lib3d::OffscreenContext::create(200, 150, error);
  ASSERT_TRUE(ctx) << error;
  Renderer r;
  r.set_frame_budget_ms(0.0);
  r.compile(plane.scene);
  r.paint(plane.scene, 200, 150);
  const Picture full = Renderer::read_pixels(200, 150);
  EXPECT_FALSE(r.paint(plane.scene, 200, 150, Renderer::Detail::Full).coarse);
  EXPECT_TRUE(r.paint(plane.scene, 200, 150, Renderer::Detail::Moving).coarse && r.coarse_step() >= 2u);
  const Picture coarse = Renderer::read_pixels(200, 150);
  EXPECT_TRUE(std::equal(full.rgb.begin(), full.rgb.end(), coarse.rgb.begin(), coarse.rgb.end(),
                         [](int a, int b) { return std::abs(a - b) <= 1; }));
  // A background pixel and a surface pixel: the comparison was not of two empty pictures.
  EXPECT_NE(full.rgb[0], full.rgb[(75 * 200 + 100) * 3]);

  r.set_coarse_drags(false);
  EXPECT_FALSE(r.paint(plane.scene, 200, 150, Renderer::Detail::Moving).coarse);
  r.discard();
  r.paint(plane.scene, 200, 150);
  const Picture none = Renderer::read_pixels(200, 150);
  EXPECT_EQ(none.rgb[0], none.rgb[(75 * 200 + 100) * 3]);  // no surface after discard

  Scene& s = plane.scene;
  s.pan_x = 0.1f, s.pan_y = -0.2f;
  for (const auto& [tilt, az] : {std::pair{0.0f, 0.0f}, {30.0f, 45.0f}, {120.0f, -200.0f}, {180.0f, 45.0f}}) {
    s.tilt = tilt, s.azimuth = az;
    const lib3d::PaintResult p = r.paint_direct(s, 200, 150);
    for (const auto& [col, row] : {std::pair{0.0, 0.0}, {40.0, 0.0}, {20.0, 30.0}}) {
      double wx, wy, wz, ox, oy, oz;
      ASSERT_TRUE(gluProject(col, row, s.max - s.min, p.surface_modelview, p.projection, p.viewport, &wx, &wy, &wz) &&
                  gluUnProject(wx, wy, 0.0, p.modelview, p.projection, p.viewport, &ox, &oy, &oz));
      EXPECT_LT(std::hypot(col - ox, row - oy), 1e-3) << tilt << " " << az << ": " << col << "," << row;
    }
  }
  double mv[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  EXPECT_TRUE(mv[0] == 1 && mv[12] == 0 && !glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_DEPTH_TEST));
}

TEST(OffscreenRenderer, ProgressRunsFromZeroToEveryStripAndOversizedPicturesAreRefused) {
  Plane plane;
  std::vector<std::pair<std::size_t, std::size_t>> calls;
  Picture pic;
  std::string error;
  ASSERT_TRUE(lib3d::render_offscreen(plane.scene, 64, 48, pic, error,
                                      [&](std::size_t done, std::size_t total) { calls.emplace_back(done, total); }))
      << error;
  const std::size_t strips = plane.h - 1;
  ASSERT_GE(calls.size(), 2u);
  EXPECT_TRUE(calls.front() == std::pair(std::size_t{0}, strips) && calls.back() == std::pair(strips, strips));
  for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_LT(calls[i - 1].first, calls[i].first);
  EXPECT_EQ(64 * 48 * 3u, pic.rgb.size());
  // A picture larger than its context is drawn in parts, each as it lies in the whole.
  Picture whole, parts;
  ASSERT_TRUE(lib3d::render_offscreen(plane.scene, 250, 170, whole, error));
  auto small = lib3d::OffscreenContext::create(100, 80, error);
  ASSERT_TRUE(small) << error;
  lib3d::render_offscreen(*small, plane.scene, 250, 170, parts);
  EXPECT_TRUE(whole.rgb == parts.rgb && whole.rgb[0] != whole.rgb[(85 * 250 + 125) * 3]);
  // Pictures it cannot hold are refused with their cause.
  for (const auto& [w, says] : {std::pair<int, const char*>{0, "positive"}, {1 << 20, "exceeds the offscreen limit"}}) {
    std::string error;
    EXPECT_FALSE(lib3d::OffscreenContext::create(w, 10, error));
    EXPECT_NE(std::string::npos, error.find(says)) << error;
  }
}

// Big reliefs are drawn from tiles (forced here on small grids, with tiles of 16 cells). Magnified,
// every tile is at full detail and the picture is the one of every cell, holes and all, but for
// rounding of colours. Seen from afar, a relief smooth on one side and rough on the other mixes
// levels (more so while moving, whose tiles may stray further); the walls under tile edges leave no
// pinhole of background inside the relief.
TEST(OffscreenRenderer, TilesDrawEveryCellUpCloseAndLeaveNoCracksBetweenLevels) {
  constexpr int kW = 300, kH = 200;
  const int w = 181, h = 143;
  std::vector<float> m(w * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      m[r * w + c] = std::pow(c / float(w), 3.0f) * (20 * std::sin(c * 0.45f) * std::cos(r * 0.3f) + 5 * std::sin(c * 1.7f + r));
  const std::vector<std::uint32_t> palette{0x2040F0, 0x20F040, 0xF04020};
  Scene s;
  s.heights = m.data(), s.width = w, s.height = h, s.min = -25, s.max = 25, s.palette = palette.data();
  s.palette_count = palette.size(), s.tilt = 55, s.azimuth = 30;
  std::string error;
  auto ctx = lib3d::OffscreenContext::create(kW, kH, error);
  ASSERT_TRUE(ctx) << error;
  const auto picture = [&](std::uint64_t tiled_above) {
    Renderer r;
    r.set_tiling(tiled_above, 16);
    r.paint_direct(s, kW, kH);
    return Renderer::read_pixels(kW, kH);
  };
  s.zoom_scale = 2.0f;
  Renderer r;
  r.set_tiling(0, 16);
  r.set_frame_budget_ms(1e9);  // moving paints keep their least error, however busy the machine
  std::mutex mutex;
  std::condition_variable built;
  bool arrived = false;
  r.set_tile_notify([&] {
    const std::lock_guard<std::mutex> lock(mutex);
    arrived = true;
    built.notify_one();
  });
  r.compile(s);
  while (r.paint(s, kW, kH, Renderer::Detail::Moving).tiles_missing > 0) {
    std::unique_lock<std::mutex> lock(mutex);
    built.wait(lock, [&] { return arrived; });
    arrived = false;
  }
  const Picture far = Renderer::read_pixels(kW, kH);
  const auto bg = [&](int x, int y) { return far.rgb[(y * kW + x) * 3] == 0x7F && far.rgb[(y * kW + x) * 3 + 2] == 0x7F; };
  int pinholes = 0, surface = 0;
  for (int y = 1; y + 1 < kH; ++y)
    for (int x = 1; x + 1 < kW; ++x) {
      surface += !bg(x, y);
      pinholes += bg(x, y) && !bg(x - 1, y) && !bg(x + 1, y) && !bg(x, y - 1) && !bg(x, y + 1);
    }
  EXPECT_EQ(0, pinholes);
  EXPECT_GT(surface, kW * kH / 10);

  s.zoom_scale = 0.5f;
  for (bool holes : {false, true}) {
    if (holes) std::fill(m.begin() + 40 * w, m.begin() + 47 * w, NAN), s.holes = true;
    const Picture every = picture(UINT64_MAX), tiled = picture(0);
    EXPECT_TRUE(std::equal(every.rgb.begin(), every.rgb.end(), tiled.rgb.begin(), tiled.rgb.end(),
                           [](int a, int b) { return std::abs(a - b) <= 1; })) << holes;
  }
}

// Each tile's measured error bounds how far its quads (either diagonal) pass from every cell they
// cover, and its height span holds those cells; the tiles of a level cover the grid edge to edge.
TEST(TileTree, ErrorsBoundTheFullGridAndTilesCoverIt) {
  const std::size_t w = 97, h = 70;
  std::vector<float> m(w * h);
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = std::sin(i * 0.37f) * 9 + std::cos(i % w * 0.2f) * 30 + (i % 7);
  Scene s;
  s.heights = m.data(), s.width = w, s.height = h, s.min = -40, s.max = 46;
  lib3d::tiles::TileTree tree;
  tree.lay_out(w, h, 8);
  tree.measure(s, 2);
  ASSERT_EQ(4, tree.top());
  for (int level = 0; level <= tree.top(); ++level) {
    std::size_t cols = 0;
    for (std::uint32_t y = 0; y < tree.down(level); ++y)
      for (std::uint32_t x = 0; x < tree.across(level); ++x) {
        const lib3d::tiles::TileKey k{level, x, y};
        const auto c = tree.columns(k).at, r = tree.rows(k).at;
        if (y == 0) cols += c.back() - c.front();
        const lib3d::tiles::TileBounds& b = tree.bounds(k);
        for (std::size_t j = 0; j + 1 < r.size(); ++j)
          for (std::size_t i = 0; i + 1 < c.size(); ++i)
            for (std::size_t yy = r[j]; yy <= r[j + 1]; ++yy)
              for (std::size_t xx = c[i]; xx <= c[i + 1]; ++xx) {
                const auto at = [&](std::size_t cc, std::size_t rr) { return m[rr * w + cc]; };
                const float u = float(xx - c[i]) / float(c[i + 1] - c[i]), v = float(yy - r[j]) / float(r[j + 1] - r[j]);
                const float a00 = at(c[i], r[j]), a10 = at(c[i + 1], r[j]), a01 = at(c[i], r[j + 1]), a11 = at(c[i + 1], r[j + 1]);
                const float one = u + v <= 1 ? a00 + u * (a10 - a00) + v * (a01 - a00)
                                             : a11 + (1 - u) * (a01 - a11) + (1 - v) * (a10 - a11);
                const float other = u >= v ? a00 + u * (a10 - a00) + v * (a11 - a10) : a00 + v * (a01 - a00) + u * (a11 - a01);
                const float cell = at(xx, yy);
                ASSERT_TRUE(std::fabs(cell - one) <= b.error + 1e-3f && std::fabs(cell - other) <= b.error + 1e-3f &&
                            b.low <= cell && cell <= b.high) << level << " " << x << "," << y;
              }
      }
    EXPECT_EQ(w - 1, cols) << level;
  }
}

// A drape keeps detail finer than a cell: seen from straight above at 27 pixels a cell, a
// checkerboard of quarter-cell squares still alternates. Where its alpha says it does not cover
// the ground (the right half), the palette colours it. The display list, the direct paint and
// tiles draw it alike.
TEST(OffscreenRenderer, DrapesKeepDetailFinerThanACellAndLeaveUncoveredGroundToThePalette) {
  constexpr int kW = 320, kH = 256, cols = 20, rows = 16;
  std::vector<float> m(cols * rows);
  for (int i = 0; i < cols * rows; ++i) m[i] = 0.01f * (i % cols);
  std::vector<std::uint8_t> image(4 * cols * 4 * rows * 4);
  for (int y = 0; y < 4 * rows; ++y)
    for (int x = 0; x < 4 * cols; ++x) {
      std::uint8_t* t = &image[(y * 4 * cols + x) * 4];
      t[0] = t[1] = t[2] = (x + y) % 2 ? 255 : 0;
      t[3] = x < 2 * cols ? 255 : 0;
    }
  const std::vector<std::uint32_t> palette{0xF04020};  // blue
  Scene s;
  s.heights = m.data(), s.width = cols, s.height = rows, s.max = 0.19f, s.tilt = 0, s.azimuth = 0, s.zoom_scale = 0.5f;
  s.palette = palette.data(), s.palette_count = 1;
  s.drape = image.data(), s.drape_width = 4 * cols, s.drape_height = 4 * rows, s.drape_serial = 1;
  std::string error;
  auto ctx = lib3d::OffscreenContext::create(kW, kH, error);
  ASSERT_TRUE(ctx) << error;
  std::vector<Picture> pictures;
  for (std::uint64_t tiled_above : {UINT64_MAX, std::uint64_t{0}}) {
    Renderer r;
    r.set_tiling(tiled_above, 8);
    r.paint_direct(s, kW, kH);
    pictures.push_back(Renderer::read_pixels(kW, kH));
  }
  Renderer listed;
  listed.compile(s);
  listed.paint(s, kW, kH);
  pictures.push_back(Renderer::read_pixels(kW, kH));
  for (const Picture& p : pictures) EXPECT_EQ(pictures[0].rgb, p.rgb);
  const Picture& p = pictures[0];
  const auto at = [&](int x, int c) { return p.rgb[(kH / 2 * kW + x) * 3 + c]; };
  int flips = 0;
  for (int x = 30; x < kW / 2 - 10; ++x) flips += (at(x, 0) > 128) != (at(x + 1, 0) > 128);
  EXPECT_GT(flips, (kW / 2 - 40) / 8);  // squares of about 7 pixels
  for (int x = kW / 2 + 10; x < kW - 30; ++x) EXPECT_TRUE(at(x, 2) > 2 * at(x, 0) && at(x, 2) > 100) << x;
}
