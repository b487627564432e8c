#pragma once
// The tiles of one relief in one OpenGL context: the measured tree, the meshes built on worker
// threads, and a bounded cache of vertex buffers made from them on the drawing thread.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "render/Renderer.h"
#include "render/tiles/TileMesh.h"
#include "render/tiles/TileTree.h"

namespace lib3d::tiles {

class TileSet {
public:
  // Vertex buffers kept at most: a still frame at 1920 x 1200 needs about a tenth of it. (Client
  // vertex arrays drew as fast on llvmpipe, within the noise: 4096², 22 tiles, 79-87 ms against
  // 80-85; buffers keep no second copy and cost no upload a draw on a real GPU.)
  static constexpr std::size_t kCacheBytes = std::size_t{384} << 20;

  TileSet();
  ~TileSet();  // stops the workers; deletes its buffers if their context is current
  TileSet(const TileSet&) = delete;
  TileSet& operator=(const TileSet&) = delete;

  // A new grid, or new heights: forgets every tile and measures the tree. The scene's arrays must
  // stay unchanged until stop() or the next reset.
  void reset(const Scene& grid, std::size_t tile_cells, const Renderer::Progress& progress = {});
  // New colours for the same heights: forgets the tiles, keeps the measure.
  void recolour(const Scene& grid);
  // Drops queued builds and waits for the running ones: after it, no worker reads the arrays.
  void stop();
  // Forgets everything (a grid drawn another way now).
  void clear();
  bool active() const { return tree_.measured(); }
  // Whether it was last reset (or recoloured) for this scene's grid, drape and palette.
  bool holds(const Scene& grid) const;

  // Draws the surface under the current matrices. Without `wait`, tiles not built yet are asked
  // of the workers and their ancestors stand in; with it, every wanted tile is built first.
  Choice draw(const Scene& scene, double tolerance, bool wait, const Renderer::Progress& progress = {});
  // Called on a worker thread each time a tile has been built.
  void set_notify(std::function<void()> notify);
  std::size_t cached_bytes() const { return cached_bytes_; }

private:
  struct Buffer {
    unsigned name = 0;
    std::size_t bytes = 0;
    StripRuns surface;
    std::array<StripRuns, 4> walls;
    std::list<TileKey>::iterator age;
  };
  void work();
  void take_built();
  void forget_buffers();
  void evict(const std::vector<TileKey>& keep);
  void draw_tiles(const std::vector<TileKey>& keys);

  TileTree tree_;
  Scene grid_;
  std::vector<std::uint32_t> palette_;  // the grid's palette, owned: the caller's may change any time
  unsigned generation_ = 0;             // of the colours and heights the workers build from

  std::mutex mutex_;
  std::condition_variable wake_, built_cv_;
  std::vector<TileKey> queue_;                    // wanted, not started; coarsest first
  std::vector<TileKey> running_keys_;
  std::deque<std::pair<unsigned, TileMesh>> built_;  // with the generation they were built for
  bool quit_ = false;
  std::function<void()> notify_;
  std::vector<std::thread> workers_;

  std::unordered_map<TileKey, Buffer, TileKeyHash> buffers_;
  std::list<TileKey> ages_;  // least recently drawn first
  std::size_t cached_bytes_ = 0;
  const void* context_ = nullptr;
};

}  // namespace lib3d::tiles
