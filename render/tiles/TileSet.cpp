#include "render/tiles/TileSet.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <unordered_set>

namespace lib3d::tiles {

namespace {

// Two builders: the machines this runs on have two cores, and the drawing thread mostly waits on
// the rasteriser, which has threads of its own.
unsigned builder_count() { return std::max(1u, std::min(2u, std::thread::hardware_concurrency())); }

}  // namespace

TileSet::TileSet() = default;

TileSet::~TileSet() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
  forget_buffers();
}

void TileSet::set_notify(std::function<void()> notify) {
  stop();
  std::lock_guard<std::mutex> lock(mutex_);
  notify_ = std::move(notify);
}

void TileSet::stop() {
  std::unique_lock<std::mutex> lock(mutex_);
  queue_.clear();
  built_cv_.wait(lock, [&] { return running_keys_.empty(); });
  built_.clear();
  ++generation_;
}

void TileSet::clear() {
  stop();
  tree_ = TileTree();
  forget_buffers();
}

void TileSet::reset(const Scene& grid, std::size_t tile_cells, const Renderer::Progress& progress) {
  stop();
  forget_buffers();
  recolour(grid);
  tree_.lay_out(grid.width, grid.height, tile_cells);
  tree_.measure(grid_, builder_count(), progress);
}

void TileSet::recolour(const Scene& grid) {
  stop();
  forget_buffers();
  grid_ = grid;
  palette_.assign(grid.palette, grid.palette + grid.palette_count);
  grid_.palette = palette_.data();
}

bool TileSet::holds(const Scene& g) const {
  return active() && g.heights == grid_.heights && g.width == grid_.width && g.height == grid_.height &&
         g.colors == grid_.colors && g.drape_serial == grid_.drape_serial &&
         std::equal(palette_.begin(), palette_.end(), g.palette, g.palette + g.palette_count);
}

void TileSet::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
    if (quit_) return;
    const TileKey key = queue_.front();
    queue_.erase(queue_.begin());
    running_keys_.push_back(key);
    const unsigned generation = generation_;
    lock.unlock();
    TileMesh mesh = build_tile(grid_, tree_, key);
    lock.lock();
    if (generation == generation_) built_.emplace_back(generation, std::move(mesh));
    // Told while the tile still counts as running, so that once stop() returns nobody is told.
    if (notify_) {
      const std::function<void()> notify = notify_;
      lock.unlock();
      notify();
      lock.lock();
    }
    running_keys_.erase(std::find(running_keys_.begin(), running_keys_.end(), key));
    built_cv_.notify_all();
  }
}

void TileSet::take_built() {
  std::deque<std::pair<unsigned, TileMesh>> built;
  unsigned generation;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    built.swap(built_);
    generation = generation_;
  }
  if (!built.empty()) context_ = current_gl_context();
  for (auto& [made_for, mesh] : built) {
    if (made_for != generation || buffers_.count(mesh.key)) continue;
    Buffer b;
    glGenBuffers(1, &b.name);
    glBindBuffer(GL_ARRAY_BUFFER, b.name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.bytes()), mesh.vertices.data(), GL_STATIC_DRAW);
    b.bytes = mesh.bytes();
    b.surface = std::move(mesh.surface);
    b.walls = std::move(mesh.walls);
    b.age = ages_.insert(ages_.end(), mesh.key);
    cached_bytes_ += b.bytes;
    buffers_.emplace(mesh.key, std::move(b));
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void TileSet::forget_buffers() {
  // Buffers belong to the context they were made in; when another one (or none) is current, they
  // went with theirs or are not ours to delete.
  const bool ours = context_ && context_ == current_gl_context();
  for (auto& entry : buffers_)
    if (ours) glDeleteBuffers(1, &entry.second.name);
  buffers_.clear();
  ages_.clear();
  cached_bytes_ = 0;
}

void TileSet::evict(const std::vector<TileKey>& keep) {
  const std::unordered_set<TileKey, TileKeyHash> drawn(keep.begin(), keep.end());
  for (auto it = ages_.begin(); cached_bytes_ > kCacheBytes && it != ages_.end();) {
    if (drawn.count(*it)) {
      ++it;
      continue;
    }
    Buffer& b = buffers_.at(*it);
    glDeleteBuffers(1, &b.name);
    cached_bytes_ -= b.bytes;
    buffers_.erase(*it);
    it = ages_.erase(it);
  }
}

Choice TileSet::draw(const Scene& scene, double tolerance, bool wait, const Renderer::Progress& progress) {
  GLdouble mv[16], proj[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, viewport);
  const Sight sight = sight_of(mv, proj, viewport);
  (void)scene;
  take_built();
  const auto ready = [&](const TileKey& k) { return buffers_.count(k) != 0; };
  std::vector<TileKey> wanted;
  const auto want = [&](const TileKey& k) { wanted.push_back(k); };
  Choice choice = choose(tree_, sight, tolerance, ready, want, !wait);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Coarse tiles first, so that a view sharpens from the whole towards the detail.
    std::stable_sort(wanted.begin(), wanted.end(), [](const TileKey& a, const TileKey& b) { return a.level > b.level; });
    queue_.clear();
    for (const TileKey& k : wanted)
      if (std::find(running_keys_.begin(), running_keys_.end(), k) == running_keys_.end()) queue_.push_back(k);
    while (workers_.size() < builder_count() && !queue_.empty()) workers_.emplace_back([this] { work(); });
  }
  wake_.notify_all();
  if (wait && choice.missing > 0) {
    const std::size_t total = choice.missing;
    if (progress) progress(0, total);
    std::unique_lock<std::mutex> lock(mutex_);
    std::size_t last = 0;
    built_cv_.wait(lock, [&] {
      const std::size_t left = queue_.size() + running_keys_.size();
      if (progress && total - left != last) progress(last = total - left, total);
      return left == 0;
    });
    lock.unlock();
    take_built();
    choice = choose(tree_, sight, tolerance, ready, want, false);
  }
  evict(choice.draw);
  draw_tiles(choice.draw);
  return choice;
}

void TileSet::draw_tiles(const std::vector<TileKey>& keys) {
  const std::unordered_set<TileKey, TileKeyHash> drawn(keys.begin(), keys.end());
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  const auto bind = [](const Buffer& b) {
    glBindBuffer(GL_ARRAY_BUFFER, b.name);
    const GLsizei stride = sizeof(TileVertex);
    glVertexPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(TileVertex, position)));
    glNormalPointer(GL_FLOAT, stride, reinterpret_cast<const void*>(offsetof(TileVertex, normal)));
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, reinterpret_cast<const void*>(offsetof(TileVertex, colour)));
  };
  const auto strips = [](const StripRuns& runs) {
    if (!runs.first.empty())
      glMultiDrawArrays(GL_QUAD_STRIP, runs.first.data(), runs.count.data(), static_cast<GLsizei>(runs.first.size()));
  };
  for (const TileKey& k : keys) {
    Buffer& b = buffers_.at(k);
    ages_.splice(ages_.end(), ages_, b.age);
    bind(b);
    strips(b.surface);
  }
  // Walls only where the neighbour is drawn at another level; lit from their own side whichever
  // way they face, like the edge they hang from.
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
  for (const TileKey& k : keys) {
    const Buffer& b = buffers_.at(k);
    const TileKey beside[4] = {{k.level, k.x - 1, k.y}, {k.level, k.x + 1, k.y}, {k.level, k.x, k.y - 1},
                               {k.level, k.x, k.y + 1}};
    const bool inside[4] = {k.x > 0, k.x + 1 < tree_.across(k.level), k.y > 0, k.y + 1 < tree_.down(k.level)};
    bool bound = false;
    for (int side = 0; side < 4; ++side) {
      if (!inside[side] || drawn.count(beside[side])) continue;
      if (!bound) bind(b), bound = true;
      strips(b.walls[side]);
    }
  }
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glPopClientAttrib();
}

}  // namespace lib3d::tiles
