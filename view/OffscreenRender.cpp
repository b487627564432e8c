#include "view/OffscreenRender.h"

#include "view/OffscreenContext.h"

namespace lib3d {

bool render_offscreen(const Scene& scene, int width, int height, Picture& out, std::string& error,
                      const Renderer::Progress& progress) {
  std::unique_ptr<OffscreenContext> context = OffscreenContext::create(width, height, error);
  if (!context) return false;
  Renderer renderer;
  renderer.compile(scene, progress);
  renderer.paint(scene, width, height);
  out = Renderer::read_pixels(width, height);
  renderer.discard();
  return true;
}

}  // namespace lib3d
