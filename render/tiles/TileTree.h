#pragma once
// The quadtree a big relief is drawn from: tiles of the grid sampled every 2^level cells, each with
// how far its surface may stray from the full grid's, and which of them a picture draws.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/Renderer.h"
#include "render/Scene.h"

namespace lib3d::tiles {

struct TileKey {
  int level = 0;
  std::uint32_t x = 0, y = 0;  // the tile's column and row among the tiles of its level
  bool operator==(const TileKey& o) const { return level == o.level && x == o.x && y == o.y; }
};
struct TileKeyHash {
  std::size_t operator()(const TileKey& k) const {
    return (static_cast<std::size_t>(k.level) << 58) ^ (static_cast<std::size_t>(k.y) << 29) ^ k.x;
  }
};

// What a tile's surface is known to do: it strays at most `error` height units from the full
// grid's surface, and its heights lie within low..high.
struct TileBounds {
  float error = 0.0f, low = 0.0f, high = 0.0f;
};

class TileTree {
public:
  // 128 cells a side: about 33,000 triangles a tile, so that a frame draws tens of tiles, each
  // one draw call of a few hundred kilobytes.
  static constexpr std::size_t kTileCells = 128;

  // Lays tiles of `tile` cells a side over a width x height grid (forgetting any measure).
  void lay_out(std::size_t width, std::size_t height, std::size_t tile = kTileCells);
  // Finds every tile's bounds: about two and a half passes over the grid, on up to `threads`
  // threads; the result does not depend on how many. Progress counts levels.
  void measure(const Scene& grid, unsigned threads, const Renderer::Progress& progress = {});
  bool measured() const { return !bounds_.empty(); }

  int top() const { return top_; }  // the level of the one tile that covers the whole grid
  std::size_t step(int level) const { return std::size_t{1} << level; }
  std::uint32_t across(int level) const { return count(width_, level); }
  std::uint32_t down(int level) const { return count(height_, level); }
  std::size_t tile_cells() const { return tile_; }
  // The columns and rows a tile samples, with the sampled ones on either side of it.
  Lattice columns(const TileKey& k) const { return lattice(k.x, k.level, width_); }
  Lattice rows(const TileKey& k) const { return lattice(k.y, k.level, height_); }
  const TileBounds& bounds(const TileKey& k) const { return bounds_[k.level][k.y * across(k.level) + k.x]; }
  // How far the walls hung from a tile's edges reach down: past its own error and its parent's, so
  // that a neighbour one level coarser or finer leaves no gap to see through.
  float skirt(const TileKey& k) const;

private:
  std::uint32_t count(std::size_t n, int level) const;
  Lattice lattice(std::uint32_t index, int level, std::size_t n) const;

  std::size_t width_ = 0, height_ = 0, tile_ = kTileCells;
  int top_ = 0;
  float floor_skirt_ = 0.0f;
  std::vector<std::vector<TileBounds>> bounds_;  // by level, then row-major
};

// How big things come out on the screen under a paint's matrices.
struct Sight {
  double clip[16] = {};  // projection x model-view, column-major
  double px_per_column = 0, px_per_row = 0, px_per_height = 0;
};
Sight sight_of(const double modelview[16], const double projection[16], const int viewport[4]);

// The tiles a picture draws, in drawing order, and how many it still lacks.
struct Choice {
  std::vector<TileKey> draw;
  std::size_t wanted = 0, missing = 0;
};

// For each part of the grid in sight, the coarsest tile whose error on the screen stays within
// `tolerance` pixels (level 0 at worst). The error is the larger of its height error seen from the
// camera and half the spacing of its vertices. `ready` says which tiles can be drawn; a part whose
// wanted tiles are not all ready is drawn by its nearest ready ancestor, or left out. `want` hears
// of each missing wanted tile and, with `fallbacks`, of each ancestor that could stand in for them.
Choice choose(const TileTree& tree, const Sight& sight, double tolerance,
              const std::function<bool(const TileKey&)>& ready, const std::function<void(const TileKey&)>& want,
              bool fallbacks);

}  // namespace lib3d::tiles
