#include "render/OffscreenRender.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lib3d {

bool render_offscreen(const Scene& scene, int width, int height, Picture& out, std::string& error,
                      const Renderer::Progress& progress) {
  std::unique_ptr<OffscreenContext> context = OffscreenContext::create(width, height, error, true);
  if (!context) return false;
  render_offscreen(*context, scene, width, height, out, progress);
  return true;
}

PaintResult render_offscreen(OffscreenContext& context, const Scene& scene, int width, int height, Picture& out,
                             const Renderer::Progress& progress) {
  Renderer renderer;
  if (width <= context.width() && height <= context.height()) {
    const PaintResult painted = renderer.paint_direct(scene, width, height, progress);
    out = Renderer::read_pixels(width, height);
    return painted;
  }
  out.width = width, out.height = height;
  out.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  PaintResult painted;
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; y += context.height())
    for (int x = 0; x < width; x += context.width()) {
      const Renderer::Part part{x, y, std::min(context.width(), width - x), std::min(context.height(), height - y)};
      painted = renderer.paint_part(scene, width, height, part, progress);
      const Picture piece = Renderer::read_pixels(part.width, part.height);
      // The piece's rows run top-down from picture row height - y - part.height.
      for (int r = 0; r < part.height; ++r)
        std::copy_n(piece.rgb.data() + static_cast<std::size_t>(r) * part.width * 3, part.width * 3,
                    out.rgb.data() + static_cast<std::size_t>(height - y - part.height + r) * row + x * 3);
    }
  return painted;
}

OffscreenPreparation::OffscreenPreparation(const Scene& look, int width, int height) {
  Scene tiny = look;  // the look's values; its arrays are replaced by the worker's own
  const bool per_cell = look.colored_by_matrix();
  const std::uint32_t first = look.palette_count ? look.palette[0] : 0xFFFFFFu;
  const bool palette = look.palette_count != 0;
  made_ = std::async(std::launch::async, [tiny, per_cell, first, palette, width, height]() mutable {
    Made m;
    m.context = OffscreenContext::create(width, height, m.error, true);
    if (!m.context) return m;
    const float heights[4] = {0.0f, 1.0f, 2.0f, 3.0f};
    const std::uint32_t colours[4] = {first, first, first, first};
    tiny.heights = heights;
    tiny.width = tiny.height = 2;
    tiny.min = 0.0f;
    tiny.max = 3.0f;
    tiny.colors = per_cell ? colours : nullptr;
    tiny.color_count = per_cell ? 4 : 0;
    tiny.palette = palette ? colours : nullptr;
    tiny.palette_count = palette ? 1 : 0;
    tiny.cursor_x = tiny.cursor_y = SIZE_MAX;
    Picture ignored;
    render_offscreen(*m.context, tiny, m.context->width(), m.context->height(), ignored);
    m.context->release();
    return m;
  });
}

OffscreenPreparation::~OffscreenPreparation() {
  if (made_.valid()) made_.wait();
}

std::unique_ptr<OffscreenContext> OffscreenPreparation::take(std::string& error) {
  Made m = made_.get();
  if (!m.context) {
    error = m.error;
    return nullptr;
  }
  if (!m.context->make_current()) {
    error = "no offscreen OpenGL: the prepared context cannot be made current";
    return nullptr;
  }
  return std::move(m.context);
}

}  // namespace lib3d
