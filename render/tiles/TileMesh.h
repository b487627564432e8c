#pragma once
// One tile's vertices as OpenGL draws them from a buffer, built without OpenGL (on any thread).
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/Scene.h"
#include "render/tiles/TileTree.h"

namespace lib3d::tiles {

struct TileVertex {
  float position[3], normal[3];
  std::uint32_t colour;  // R, G, B, 255 in memory order
};
static_assert(sizeof(TileVertex) == 28, "vertices are sent packed");

// Quad strips over `vertices`: strip i is first[i] .. first[i] + count[i].
struct StripRuns {
  std::vector<int> first, count;
  void add(std::size_t f, std::size_t end) {
    first.push_back(static_cast<int>(f));
    count.push_back(static_cast<int>(end - f));
  }
};

// The surface's strips as the whole grid's at the tile's step (the same vertices, normals and
// colours, cut at holes alike), then a wall under each edge: west, east, south, north (columns and
// rows ascending). A wall hangs tree.skirt(key) below the edge with the edge's normals and colours.
struct TileMesh {
  TileKey key;
  std::vector<TileVertex> vertices;
  StripRuns surface;
  std::array<StripRuns, 4> walls;
  std::size_t bytes() const { return vertices.size() * sizeof(TileVertex); }
};

TileMesh build_tile(const Scene& grid, const TileTree& tree, const TileKey& key);

}  // namespace lib3d::tiles
