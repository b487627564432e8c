#pragma once
// Draws the relief into whatever OpenGL context is current on the calling thread: a window's, or an
// offscreen one. Owns the display lists it compiles there (list 1 for the surface, one for the coarse
// surface of drags), leaves the rest as it found it, and needs the same context for every call.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/Scene.h"

namespace lib3d {

// What a paint leaves for picking and for the cursor readout.
struct PaintResult {
  int viewport[4] = {0, 0, 0, 0};
  double projection[16] = {};
  double modelview[16] = {};  // already edited for picking on the relief's top plane
  double surface_modelview[16] = {};  // the one the surface is drawn with, unedited
  bool cursor_drawn = false;
  float cursor_height = 0.0f;  // valid when cursor_drawn
  bool coarse = false;         // the coarse list stood in for the surface
};

// Rows of RGB bytes, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

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

// The surface at a step, strip by strip, without OpenGL (the scene must outlive it). Strip k joins
// sampled rows k and k + 1: for each sampled column its vertex on row k + 1, then the one on row k.
class SurfaceStrips {
public:
  SurfaceStrips(const Scene& scene, std::size_t step);
  std::size_t count() const { return rows_.size() >= 2 && !cols_.empty() ? rows_.size() - 1 : 0; }
  // Fills `out` (one buffer can serve every strip) with strip k < count().
  void build(std::size_t k, std::vector<StripVertex>& out) const;

private:
  const Scene& s_;
  std::size_t step_;
  std::vector<std::size_t> rows_, cols_;
};

class Renderer {
public:
  static constexpr unsigned kSurfaceList = 1;

  // Called with (0, total) first, then as strips are done (at most about a hundred times), ending
  // with (total, total); total is the number of strips.
  using Progress = std::function<void(std::size_t done, std::size_t total)>;
  enum class Detail { Full, Moving };

  // Compiles the surface into list 1, replacing it. The coarse list goes stale with it.
  void compile(const Scene& scene, const Progress& progress = Progress());
  // Deletes the lists; the next paint draws no surface until the next compile.
  void discard();
  bool has_surface() const { return surface_; }

  // One frame into a viewport of width x height pixels, ending in glFinish (no buffer swap).
  // Detail::Moving may replay a coarser list when full paints are slower than the frame budget.
  PaintResult paint(const Scene& scene, int width, int height, Detail detail = Detail::Full);

  // One picture with no list at all: the surface goes straight into the frame, the same pixels as
  // compile + paint. For a single picture the list would only add its recording and its memory
  // (about 250 bytes a cell: 4 GB for a 4096 x 4096 grid). Progress as for compile.
  PaintResult paint_direct(const Scene& scene, int width, int height, const Progress& progress = Progress());

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
  PaintResult paint_frame(const Scene& scene, int width, int height, const std::function<void()>& surface);
  bool ensure_coarse(const Scene& scene);

  bool surface_ = false;
  bool coarse_enabled_ = true;
  bool coarse_stale_ = true;
  std::size_t coarse_step_ = 0;  // step of the compiled coarse list, 0 while there is none
  double budget_ms_ = kFrameBudgetMs;
  double full_ms_ = 0.0;
  double coarse_ms_ = 0.0;
  ListOwner coarse_list_;
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
