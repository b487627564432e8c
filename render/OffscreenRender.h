#pragma once
// One picture of a scene without any window: an offscreen context of the picture's size, one
// paint that sends the surface straight (no display list), one read-back.
#include <future>
#include <memory>
#include <string>

#include "render/OffscreenContext.h"
#include "render/Renderer.h"
#include "render/Scene.h"

namespace lib3d {

// False, with `error` naming the cause, when no offscreen context can be had. A picture larger
// than the context's largest surface is drawn in parts, each as it lies in the whole.
bool render_offscreen(const Scene& scene, int width, int height, Picture& out, std::string& error,
                      const Renderer::Progress& progress = Renderer::Progress());

// The same into a context that is current on the calling thread (of the picture's size, or
// smaller: the parts); gives what the paint leaves for picking, of the whole picture.
PaintResult render_offscreen(OffscreenContext& context, const Scene& scene, int width, int height, Picture& out,
                             const Renderer::Progress& progress = Renderer::Progress());

// Makes an offscreen context on a worker thread while the caller reads its files: creating one
// loads Mesa's rasteriser, and a first frame compiles the shaders of the state it is drawn in, so
// a tiny grid is drawn in the picture's look (colours from a palette or per cell, as `look` says).
class OffscreenPreparation {
public:
  OffscreenPreparation(const Scene& look, int width, int height);
  ~OffscreenPreparation();
  OffscreenPreparation(const OffscreenPreparation&) = delete;
  OffscreenPreparation& operator=(const OffscreenPreparation&) = delete;

  // Waits for the worker and makes the context current on the calling thread; null, with `error`
  // naming the cause, when it could not be made. Call once.
  std::unique_ptr<OffscreenContext> take(std::string& error);

private:
  struct Made {
    std::unique_ptr<OffscreenContext> context;
    std::string error;
  };
  std::future<Made> made_;
};

}  // namespace lib3d
