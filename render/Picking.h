#pragma once
// Which cell of the relief lies under a point of a painted picture, from the scene and the matrices
// that paint used: no OpenGL context is needed, so the window's pointer and the command line's probe
// answer alike.
#include <cstddef>

#include "render/Renderer.h"
#include "render/Scene.h"

namespace lib3d {

// The first cell of the surface that the line of sight through window point (x, y) meets (client
// pixels, y downward; the paint's viewport in the same pixels): the grid vertex nearest to where it
// meets the drawn triangles. False when the line misses the surface (the background).
//
// The line is clipped to the grid's box and walked cell by cell from the viewer, two triangles a
// cell as the quad strips are drawn: a ray crosses at most width + height cells, about 8,000 for a
// 4096 x 4096 grid (0.1 ms), so no coarse level is needed in front of it; and unlike reading back
// the depth of the last frame it needs no context and answers for any picture.
bool pick_surface(const Scene& scene, const PaintResult& paint, double x, double y, std::size_t& column,
                  std::size_t& row);

// The cell under (x, y) by the rule of a bare grid: the point of the relief's top plane drawn there
// (the paint's edited model-view), each index accepted when it falls on the grid. False when either
// falls outside.
bool pick_top_plane(const Scene& scene, const PaintResult& paint, double x, double y, std::size_t& column,
                    std::size_t& row);

}  // namespace lib3d
