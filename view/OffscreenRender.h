#pragma once
// One picture of a scene without any window: an offscreen context of the picture's size, one
// compile, one paint, one read-back.
#include <string>

#include "view/Renderer.h"
#include "view/Scene.h"

namespace lib3d {

// False, with `error` naming the cause, when no offscreen context can be had.
bool render_offscreen(const Scene& scene, int width, int height, Picture& out, std::string& error,
                      const Renderer::Progress& progress = Renderer::Progress());

}  // namespace lib3d
