#include "render/tiles/TileMesh.h"

namespace lib3d::tiles {

namespace {

TileVertex packed(const StripVertex& v, float lower = 0.0f) {
  TileVertex t;
  for (int i = 0; i < 3; ++i) t.position[i] = v.position[i], t.normal[i] = v.normal[i];
  t.position[2] -= lower;
  // Uncoloured surfaces are white, as the paint's current colour leaves them.
  t.colour = (v.has_colour ? v.colour : 0xFFFFFFu) | 0xFF000000u;
  return t;
}

}  // namespace

TileMesh build_tile(const Scene& grid, const TileTree& tree, const TileKey& key) {
  TileMesh mesh;
  mesh.key = key;
  const Lattice rows = tree.rows(key), cols = tree.columns(key);
  const SurfaceStrips strips(grid, rows, cols, tree.step(key.level), key.level > 0);
  const std::size_t n = strips.count(), ncols = strips.columns();
  mesh.vertices.reserve(2 * ncols * n + 4 * (ncols + rows.at.size()));
  std::vector<StripVertex> strip;
  // Each edge's vertices in order along it, with whether it is a hole.
  std::array<std::vector<StripVertex>, 4> edge;
  for (std::size_t k = 0; k < n; ++k) {
    strips.build(k, strip);
    strips.settle_normals(k, strip);
    const std::size_t base = mesh.vertices.size();
    for (const StripVertex& v : strip) mesh.vertices.push_back(packed(v));
    drawn_runs(strip, grid.holes, [&](std::size_t f, std::size_t e) { mesh.surface.add(base + f, base + e); });
    // Strip k holds row k + 1 at even places and row k at odd ones.
    if (k == 0) edge[2].assign(strip.begin(), strip.end());
    if (k + 1 == n) edge[3].assign(strip.begin(), strip.end());
    if (k == 0) edge[0].push_back(strip[1]), edge[1].push_back(strip[strip.size() - 1]);
    edge[0].push_back(strip[0]), edge[1].push_back(strip[strip.size() - 2]);
  }
  if (n == 0) return mesh;
  for (int side : {2, 3}) {  // keep row k (south) or row k + 1 (north) of the strip
    std::vector<StripVertex>& e = edge[side];
    for (std::size_t j = 0; j < ncols; ++j) e[j] = e[2 * j + (side == 2 ? 1 : 0)];
    e.resize(ncols);
  }
  const float depth = tree.skirt(key);
  for (int side = 0; side < 4; ++side) {
    std::vector<StripVertex> wall;
    for (const StripVertex& v : edge[side]) wall.push_back(v), wall.push_back(v);
    const std::size_t base = mesh.vertices.size();
    for (std::size_t i = 0; i < wall.size(); ++i) mesh.vertices.push_back(packed(wall[i], i % 2 ? depth : 0.0f));
    drawn_runs(wall, grid.holes, [&](std::size_t f, std::size_t e) { mesh.walls[side].add(base + f, base + e); });
  }
  return mesh;
}

}  // namespace lib3d::tiles
