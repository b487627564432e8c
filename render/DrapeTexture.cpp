#include "render/DrapeTexture.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "render/Renderer.h"

namespace lib3d {

namespace {

// The current unit's colour from its combiner: `mode` over its sources in order (GL numbers the
// source slots one after another).
void combine(GLenum mode, std::initializer_list<GLenum> sources) {
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, static_cast<GLint>(mode));
  GLenum slot = GL_SOURCE0_RGB;
  for (GLenum source : sources) glTexEnvi(GL_TEXTURE_ENV, slot++, static_cast<GLint>(source));
}

}  // namespace

std::vector<std::uint8_t> fit_texture(const std::uint8_t* rgba, int& width, int& height, int largest) {
  std::vector<std::uint8_t> out(rgba, rgba + static_cast<std::size_t>(width) * height * 4);
  while (width > largest || height > largest) {
    const int w2 = std::max(1, width / 2), h2 = std::max(1, height / 2);
    std::vector<std::uint8_t> half(static_cast<std::size_t>(w2) * h2 * 4);
    for (int y = 0; y < h2; ++y)
      for (int x = 0; x < w2; ++x)
        for (int k = 0; k < 4; ++k) {
          const auto at = [&](int xx, int yy) {
            return out[(static_cast<std::size_t>(std::min(yy, height - 1)) * width + std::min(xx, width - 1)) * 4 + k];
          };
          half[(static_cast<std::size_t>(y) * w2 + x) * 4 + k] = static_cast<std::uint8_t>(
              (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1) + 2) / 4);
        }
    out.swap(half);
    width = w2, height = h2;
  }
  return out;
}

void DrapeTexture::release() {
  if (context_ && context_ == current_gl_context())
    for (unsigned* name : {&image_, &palette_, &white_})
      if (*name) glDeleteTextures(1, name);
  image_ = palette_ = white_ = 0;
  serial_ = 0;
  context_ = nullptr;
}

void DrapeTexture::upload(const Scene& s) {
  if (!s.draped()) return release();
  if (context_ != current_gl_context()) release();
  context_ = current_gl_context();
  glPushAttrib(GL_TEXTURE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (!image_ || serial_ != s.drape_serial) {
    if (!image_) glGenTextures(1, &image_);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    int w = s.drape_width, h = s.drape_height;
    std::vector<std::uint8_t> fitted;
    const std::uint8_t* texels = s.drape;
    if (w > largest || h > largest) fitted = fit_texture(s.drape, w, h, largest), texels = fitted.data();
    glBindTexture(GL_TEXTURE_2D, image_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    serial_ = s.drape_serial;
    covers_all_ = true;
    for (std::size_t i = 3, n = static_cast<std::size_t>(w) * h * 4; i < n && covers_all_; i += 4)
      covers_all_ = texels[i] == 255;
  }
  // The palette, entry 0 for the lowest height; an empty one leaves the ground white.
  std::vector<std::uint32_t> entries(s.palette, s.palette + s.palette_count);
  if (entries.empty()) entries.push_back(0xFFFFFFu);
  for (std::uint32_t& e : entries) e |= 0xFF000000u;
  if (!palette_) glGenTextures(1, &palette_);
  glBindTexture(GL_TEXTURE_1D, palette_);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA8, static_cast<GLsizei>(entries.size()), 0, GL_RGBA, GL_UNSIGNED_BYTE,
               entries.data());
  palette_entries_ = entries.size();
  if (!white_) {
    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    const std::uint32_t white = 0xFFFFFFFFu;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, &white);
  }
  glPopClientAttrib();
  glPopAttrib();
}

void DrapeTexture::begin(const Scene& s) const {
  // Saved here rather than by every paint: Mesa copies every unit's state for it, a millisecond a
  // frame that small undraped reliefs would pay.
  glPushAttrib(GL_TEXTURE_BIT);
  // The image over the grid: cell (c, r) at texture ((c + 0.5) / columns, (r + 0.5) / rows).
  const double cols = static_cast<double>(s.width), rows = static_cast<double>(s.height);
  const GLdouble across[4] = {1.0 / cols, 0, 0, 0.5 / cols}, down[4] = {0, 1.0 / rows, 0, 0.5 / rows};
  const auto image_unit = [&](GLenum unit) {
    glActiveTexture(unit);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, image_);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGendv(GL_S, GL_OBJECT_PLANE, across);
    glTexGendv(GL_T, GL_OBJECT_PLANE, down);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
  };
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  if (covers_all_) {
    image_unit(GL_TEXTURE0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return;
  }
  // Unit 0: the palette by height. Entry trunc((h - min) / (max - min) * (p - 1)) is texel
  // floor(s * p) of p with s = (h - min) / (max - min) * (p - 1) / p: the vertices' own rule.
  const double p = static_cast<double>(palette_entries_), range = s.max - s.min;
  const double a = range > 0 ? (p - 1) / (p * range) : 0.0;
  const GLdouble by_height[4] = {0, 0, a, -a * s.min};
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_TEXTURE_1D);
  glBindTexture(GL_TEXTURE_1D, palette_);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGendv(GL_S, GL_OBJECT_PLANE, by_height);
  glEnable(GL_TEXTURE_GEN_S);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  // Unit 1: the image mixed over the palette by its alpha.
  image_unit(GL_TEXTURE1);
  combine(GL_INTERPOLATE, {GL_TEXTURE, GL_PREVIOUS, GL_TEXTURE});
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
  // Unit 2 (a white texel, so that the unit takes part): times the lit white of the vertices.
  glActiveTexture(GL_TEXTURE2);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, white_);
  combine(GL_MODULATE, {GL_PREVIOUS, GL_PRIMARY_COLOR});
}

void DrapeTexture::end() const {
  for (GLenum unit : {GL_TEXTURE2, GL_TEXTURE1, GL_TEXTURE0}) {
    glActiveTexture(unit);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
  glPopAttrib();
}

}  // namespace lib3d
