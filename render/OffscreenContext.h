#pragma once
// A desktop OpenGL context that needs no window system: EGL on Mesa's surfaceless platform with a
// pbuffer of a fixed size. It works with DISPLAY unset (servers, CI, batch rendering).
#include <memory>
#include <string>

namespace lib3d {

class OffscreenContext {
public:
  // Creates the context with a width x height pbuffer (RGB 8 bits each, depth 24) and makes it
  // current on the calling thread. Null, with `error` saying why, when that cannot be done. With
  // `fit`, a size beyond the largest pbuffer (4096 x 4096 on llvmpipe) gets the largest one instead,
  // for a picture drawn in parts (render_offscreen).
  static std::unique_ptr<OffscreenContext> create(int width, int height, std::string& error, bool fit = false);
  ~OffscreenContext();
  OffscreenContext(const OffscreenContext&) = delete;
  OffscreenContext& operator=(const OffscreenContext&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Makes the context current on the calling thread (again, or after another thread let it go).
  bool make_current();
  // Lets go of the context on the calling thread, so that another thread may take it.
  void release();

private:
  OffscreenContext() = default;
  void* display_ = nullptr;
  void* surface_ = nullptr;
  void* context_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace lib3d
