#pragma once
// The OpenGL side of an image laid over the relief: its texture (with mipmaps), a 1-D texture of
// the palette for the ground it does not cover, and the texture units that mix the two under the
// surface's light. Owned by a renderer, in the context current when it uploads.
#include <cstdint>
#include <vector>

#include "render/Scene.h"

namespace lib3d {

class DrapeTexture {
public:
  DrapeTexture() = default;
  DrapeTexture(const DrapeTexture&) = delete;
  DrapeTexture& operator=(const DrapeTexture&) = delete;
  ~DrapeTexture() { release(); }

  // Makes the image's texture when the scene's drape is new (the largest mipmap level the context
  // takes: an image beyond GL_MAX_TEXTURE_SIZE is halved until it fits) and the palette's always.
  void upload(const Scene& scene);
  // Deletes the textures while their context is current (otherwise they went with it).
  void release();
  bool ready(const Scene& scene) const { return image_ != 0 && serial_ == scene.drape_serial && scene.draped(); }

  // Sets the texture units for one surface (the vertices white): per pixel the image where its
  // alpha is 1, the palette by height where it is 0, blended between, times the light; specular
  // highlights added after. An image that covers all the ground needs no palette and one unit
  // (every extra unit costs llvmpipe about a tenth of a paint of a million cells). end() puts the
  // units back (within the paint's saved state).
  void begin(const Scene& scene) const;
  void end() const;

private:
  unsigned image_ = 0, palette_ = 0, white_ = 0;
  std::uint64_t serial_ = 0;
  std::size_t palette_entries_ = 0;
  bool covers_all_ = false;  // every texel's alpha is 255
  const void* context_ = nullptr;
};

// The image halved (2 x 2 texels averaged, an odd last row or column kept) until neither side
// exceeds `largest`: what a context that takes no bigger texture is given.
std::vector<std::uint8_t> fit_texture(const std::uint8_t* rgba, int& width, int& height, int largest);

}  // namespace lib3d
