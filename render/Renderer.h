#pragma once
// Draws the relief into whatever OpenGL context is current on the calling thread: a window's, or an
// offscreen one. Owns the display lists it compiles there (list 1 for the surface, one for the coarse
// surface of drags), leaves the rest as it found it, and needs the same context for every call.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "render/DrapeTexture.h"
#include "render/Scene.h"

namespace lib3d {

namespace tiles {
class TileSet;
}

// What a paint leaves for picking and for the cursor readout.
struct PaintResult {
  int viewport[4] = {0, 0, 0, 0};
  double projection[16] = {};
  double modelview[16] = {};  // already edited for picking on the relief's top plane
  double surface_modelview[16] = {};  // the one the surface is drawn with, unedited
  bool cursor_drawn = false;
  float cursor_height = 0.0f;  // valid when cursor_drawn
  bool coarse = false;         // the coarse list stood in for the surface
  // A relief drawn from tiles: how many this picture wants, and how many of them are not built yet.
  std::size_t tiles_wanted = 0, tiles_missing = 0, tiles_drawn = 0;
};

// Rows of RGB bytes, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

// The OpenGL context current on this thread, through GLX (windows on X) or EGL (offscreen, and
// windows under Wayland); null when none is.
const void* current_gl_context();

// One display list name and the duty to delete it. A name belongs to the context current when it
// was made: it is deleted only while that context is current again, and otherwise forgotten (a
// context that is gone took its lists along, and another context's list of that number is not ours).
class ListOwner {
public:
  ListOwner& operator=(ListOwner&&) = delete;  // and so neither copied nor moved
  ~ListOwner() { reset(); }
  unsigned get();  // makes a name on first use
  void reset();

private:
  unsigned id_ = 0;
  const void* context_ = nullptr;
};

// One vertex of the surface's quad strips, as sent to OpenGL. Where no normal (or no colour) is
// set, the current one carries over from the vertex before.
struct StripVertex {
  std::array<float, 3> position, normal;
  bool has_normal, has_colour;
  bool hole;  // a hole's vertex: no quad touching it is drawn
  std::uint32_t colour;  // 0x00BBGGRR
};

// Which grid rows (or columns) a stretch of surface samples: `at`, ascending; and the sampled ones
// just outside it, whose heights give the slopes at its edges (SIZE_MAX: the grid ends there).
struct Lattice {
  std::vector<std::size_t> at;
  std::size_t before = SIZE_MAX, after = SIZE_MAX;
};

// The surface at a step, strip by strip, without OpenGL (the scene must outlive it). Strip k joins
// sampled rows k and k + 1: for each sampled column its vertex on row k + 1, then the one on row k.
class SurfaceStrips {
public:
  // The whole grid at a step.
  SurfaceStrips(const Scene& scene, std::size_t step);
  // A stretch of it, sampled at `step` (the grid's last row and column always); `filtered`: slopes averaged over all the rows (columns) a step spans, so that a
  // coarse surface is shaded as the full one seen blurred.
  SurfaceStrips(const Scene& scene, Lattice rows, Lattice cols, std::size_t step, bool filtered);
  std::size_t count() const { return rows_.at.size() >= 2 && !cols_.at.empty() ? rows_.at.size() - 1 : 0; }
  std::size_t columns() const { return cols_.at.size(); }
  // Fills `out` (one buffer can serve every strip) with strip k < count().
  void build(std::size_t k, std::vector<StripVertex>& out) const;
  // Gives every vertex without a normal the one OpenGL would carry over to it when the whole grid is
  // drawn strip after strip: that of the vertex before it, on row k one sampled column to the left.
  void settle_normals(std::size_t k, std::vector<StripVertex>& strip) const;

private:
  std::array<float, 3> carried_into(std::size_t k) const;
  void slope(std::size_t r, std::size_t c, std::size_t r_next, std::size_t c_next, float h0, float* normal) const;
  void filtered_slope(std::size_t r, std::size_t c, std::size_t r_next, std::size_t c_next, float* normal) const;

  const Scene& s_;
  Lattice rows_, cols_;
  std::size_t step_ = 1;
  bool filtered_ = false;
};

// Calls run(first, end) for each stretch of a built strip that is drawn: a strip is cut at every
// column pair that touches a hole, and runs of two or more pairs stay.
template <class Run>
void drawn_runs(const std::vector<StripVertex>& strip, bool holes, Run run) {
  if (!holes) return run(std::size_t{0}, strip.size());
  for (std::size_t j = 0, n = strip.size() / 2; j < n;) {
    std::size_t e = j;
    while (e < n && !strip[2 * e].hole && !strip[2 * e + 1].hole) ++e;
    if (e - j >= 2) run(2 * j, 2 * e);
    j = e + 1;
  }
}

class Renderer {
public:
  static constexpr unsigned kSurfaceList = 1;

  Renderer();
  ~Renderer();

  // Called with (0, total) first, then as strips are done (at most about a hundred times), ending
  // with (total, total); total is the number of strips.
  using Progress = std::function<void(std::size_t done, std::size_t total)>;
  enum class Detail { Full, Moving };

  // Reliefs of more cells than this are drawn from tiles at the level of detail the screen can
  // show; smaller ones from one display list of every cell.
  bool tiled(const Scene& scene) const;
  // Where tiling begins (cells) and how big tiles are (cells a side): for measurements and tests.
  void set_tiling(std::uint64_t above_cells, std::size_t tile_cells);
  // How far a tiled surface may stray from the full grid's on the screen, in pixels: a still
  // picture, and (at least) while the camera moves.
  static constexpr double kStillErrorPx = 1.0, kMovingErrorPx = 4.0;

  // Compiles the surface into list 1, replacing it. The coarse list goes stale with it. A tiled
  // relief measures its tiles instead (unless only its colours changed) and builds them as paints
  // ask for them; its arrays must then stay unchanged until stop_builds() or the next compile.
  void compile(const Scene& scene, const Progress& progress = Progress(), bool heights_changed = true);
  // Deletes the lists and tiles; the next paint draws no surface until the next compile.
  void discard();
  bool has_surface() const { return surface_; }
  // Waits until no tile is being built from the scene's arrays (before they change).
  void stop_builds();
  // Called on a worker thread whenever a tile a paint asked for has been built.
  void set_tile_notify(std::function<void()> notify);

  // One frame into a viewport of width x height pixels, ending in glFinish (no buffer swap).
  // Detail::Moving may replay a coarser list when full paints are slower than the frame budget,
  // or draw coarser tiles.
  PaintResult paint(const Scene& scene, int width, int height, Detail detail = Detail::Full);

  // One picture with no list at all: the surface goes straight into the frame, the same pixels as
  // compile + paint. For a single picture the list would only add its recording and its memory
  // (about 250 bytes a cell: 4 GB for a 4096 x 4096 grid). Progress as for compile. A tiled relief
  // is measured, and every tile the picture wants is built before it is drawn.
  PaintResult paint_direct(const Scene& scene, int width, int height, const Progress& progress = Progress());
  // Part of a width x height picture: its pixels x..x+w, y..y+h (y from the bottom) drawn into a
  // w x h viewport exactly as they lie in the whole picture, for pictures larger than a context's
  // largest surface. The result speaks of the whole picture.
  struct Part {
    int x = 0, y = 0, width = 0, height = 0;
  };
  PaintResult paint_part(const Scene& scene, int width, int height, const Part& part, const Progress& progress = Progress());

  // Reads width x height pixels from the current read buffer, bottom-up rows turned top-down.
  static Picture read_pixels(int width, int height);

  // Coarse drags: on by default; off means every paint replays list 1.
  void set_coarse_drags(bool on) { coarse_enabled_ = on; }
  bool coarse_drags() const { return coarse_enabled_; }
  // The time of the last full paint (ms, up to glFinish) and the coarse list's step (0: none).
  double last_full_paint_ms() const { return full_ms_; }
  std::size_t coarse_step() const { return coarse_step_; }

  // A full paint slower than the frame budget (ms) makes drags replay the coarse list, whose step
  // is chosen so that a paint takes about kCoarseTargetMs. 40 ms keeps drags at 25 frames a second.
  static constexpr double kFrameBudgetMs = 40.0;
  static constexpr double kCoarseTargetMs = 30.0;
  void set_frame_budget_ms(double ms) { budget_ms_ = ms; }

private:
  PaintResult paint_frame(const Scene& scene, int width, int height, const std::function<void()>& surface,
                          const Part* part = nullptr);
  bool ensure_coarse(const Scene& scene);

  bool surface_ = false;
  bool coarse_enabled_ = true;
  bool coarse_stale_ = true;
  std::size_t coarse_step_ = 0;  // step of the compiled coarse list, 0 while there is none
  double budget_ms_ = kFrameBudgetMs;
  double full_ms_ = 0.0;
  double coarse_ms_ = 0.0;
  ListOwner coarse_list_;
  std::unique_ptr<tiles::TileSet> tiles_;
  DrapeTexture drape_;
  std::uint64_t tiled_above_;
  std::size_t tile_cells_;
  double moving_error_px_ = kMovingErrorPx;  // grows while moving paints of tiles exceed the budget
};

constexpr std::size_t kMinCoarseCells = 64;

// The rows or columns the coarse list samples: every step-th of 0..n-1, and always the last one,
// so that the coarse surface keeps the grid's outline.
std::vector<std::size_t> sampled_indices(std::size_t n, std::size_t step);
// The step that should bring a paint of full_ms down to about target_ms: triangles fall with the
// square of the step. At least 2, and never so large that the shorter side keeps fewer than
// kMinCoarseCells cells (or two); 0 when the grid is too small to coarsen.
std::size_t coarse_step_for(double full_ms, double target_ms, std::size_t width, std::size_t height);

// The step after a coarse paint at `step` still took coarse_ms: as if its time were all triangles
// (which fall with the square of the step), and at least one step more. Never so coarse that the
// shorter side keeps fewer than kMinCoarseCells cells: when clearing and filling the window alone
// exceed the budget, fewer triangles do not help, and the relief must stay recognisable.
std::size_t coarse_step_after(double coarse_ms, std::size_t step, double target_ms, std::size_t width,
                              std::size_t height);

}  // namespace lib3d
