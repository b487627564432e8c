#include "render/Renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glx.h>

#include "render/ViewMath.h"
#include "render/tiles/TileSet.h"
#include "terrain/MemoryFit.h"

namespace lib3d {

namespace vm = viewmath;

namespace {

inline const GLubyte* rgb_bytes(const std::uint32_t& word) {
  // 0x00BBGGRR on a little-endian machine is R, G, B in memory order.
  return reinterpret_cast<const GLubyte*>(&word);
}

double ms_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// What a paint sets (enables, lights, line width, current colour and normal, matrix mode, viewport,
// clear colour, both matrices) is put back when it ends, so that nothing depends on the paints before.
struct PaintState {
  PaintState() {
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT |
                 GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
      glMatrixMode(mode);
      glPushMatrix();
    }
  }
  ~PaintState() {
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
      glMatrixMode(mode);
      glPopMatrix();
    }
    glPopAttrib();
  }
};

void emit_surface(const Scene& s, std::size_t step, const Renderer::Progress& progress) {
  const SurfaceStrips mesh(s, step);
  const std::size_t strips = mesh.count();
  std::vector<StripVertex> strip;
  if (progress && strips > 0) progress(0, strips);
  const auto send = [](const StripVertex* v, const StripVertex* end) {
    glBegin(GL_QUAD_STRIP);
    for (; v != end; ++v) {
      if (v->has_normal) glNormal3fv(v->normal.data());
      if (v->has_colour) glColor3ubv(rgb_bytes(v->colour));
      glVertex3fv(v->position.data());
    }
    glEnd();
  };
  for (std::size_t k = 0; k < strips; ++k) {
    mesh.build(k, strip);
    drawn_runs(strip, s.holes, [&](std::size_t first, std::size_t end) { send(strip.data() + first, strip.data() + end); });
    if (progress && ((k + 1) * 100 / strips != k * 100 / strips)) progress(k + 1, strips);
  }
}

void draw_marker(const Scene& s, PaintResult& out) {
  if (!s.cursor_on_grid()) return;
  const float cx = static_cast<float>(s.cursor_x), cy = static_cast<float>(s.cursor_y);
  const float top_y = static_cast<float>(s.height - 1), top_x = static_cast<float>(s.width - 1);
  const bool rgb = vm::marker_is_rgb(s.palette, s.palette_count);
  glBegin(GL_LINES);
  glColor3f(1.0f, rgb ? 0.0f : 1.0f, rgb ? 0.0f : 1.0f);
  glVertex3f(cx, cy, s.min);
  glVertex3f(cx, cy, s.max);
  glColor3f(rgb ? 0.0f : 1.0f, 1.0f, rgb ? 0.0f : 1.0f);
  glVertex3f(cx, 0.0f, s.max);
  glVertex3f(cx, top_y, s.max);
  glColor3f(rgb ? 0.0f : 1.0f, rgb ? 0.0f : 1.0f, 1.0f);
  glVertex3f(0.0f, cy, s.max);
  glVertex3f(top_x, cy, s.max);
  out.cursor_drawn = true;
  out.cursor_height = s.heights[s.cursor_y * s.width + s.cursor_x];
  glEnd();
}

}  // namespace

const void* current_gl_context() {
  if (const void* egl = eglGetCurrentContext()) return egl;
  return glXGetCurrentContext();
}

std::vector<std::size_t> sampled_indices(std::size_t n, std::size_t step) {
  std::vector<std::size_t> v;
  if (n == 0) return v;
  if (step < 1) step = 1;
  v.reserve(n / step + 2);
  for (std::size_t i = 0; i < n; i += step) v.push_back(i);
  if (v.back() != n - 1) v.push_back(n - 1);
  return v;
}

std::size_t coarse_step_for(double full_ms, double target_ms, std::size_t width, std::size_t height) {
  const std::size_t shorter = std::min(width, height);
  if (shorter < 3) return 0;  // a step of 2 would leave fewer than two rows or columns
  double want = target_ms > 0.0 ? std::ceil(std::sqrt(full_ms / target_ms)) : 2.0;
  if (!(want >= 2.0)) want = 2.0;  // also NaN
  const std::size_t most = std::min(shorter - 1, std::max<std::size_t>(2, shorter / kMinCoarseCells));
  return want >= static_cast<double>(most) ? most : static_cast<std::size_t>(want);
}

std::size_t coarse_step_after(double coarse_ms, std::size_t step, double target_ms, std::size_t width,
                              std::size_t height) {
  const std::size_t most = coarse_step_for(1e300, target_ms, width, height);
  if (step >= most) return step;
  double want = std::ceil(static_cast<double>(step) * std::sqrt(coarse_ms / target_ms));
  if (!(want > static_cast<double>(step))) want = static_cast<double>(step + 1);  // also NaN
  return want >= static_cast<double>(most) ? most : static_cast<std::size_t>(want);
}

unsigned ListOwner::get() {
  if (id_ == 0) {
    id_ = glGenLists(1);
    context_ = current_gl_context();
  }
  return id_;
}

void ListOwner::reset() {
  if (id_ != 0 && context_ == current_gl_context()) glDeleteLists(id_, 1);
  id_ = 0;
}

SurfaceStrips::SurfaceStrips(const Scene& s, std::size_t step)
    : s_(s), rows_{sampled_indices(s.height, step)}, cols_{sampled_indices(s.width, step)}, step_(std::max<std::size_t>(step, 1)) {}

SurfaceStrips::SurfaceStrips(const Scene& s, Lattice rows, Lattice cols, std::size_t step, bool filtered)
    : s_(s), rows_(std::move(rows)), cols_(std::move(cols)), step_(std::max<std::size_t>(step, 1)), filtered_(filtered) {}

void SurfaceStrips::filtered_slope(std::size_t r, std::size_t c, std::size_t r_next, std::size_t c_next,
                                   float* normal) const {
  const float* m = s_.heights;
  const std::size_t w = s_.width;
  const float lo = s_.min;
  // The mean of the one-cell slopes over the rows (columns) the step spans: differences along a
  // row telescope, so each row adds one difference across the whole step.
  const auto mean_rise = [&](std::size_t a, std::size_t b, std::size_t from, std::size_t to, std::size_t stride,
                             std::size_t along) {
    double sum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = from; i < to; ++i) {
      const float ha = m[a * along + i * stride], hb = m[b * along + i * stride];
      if (s_.holes && !(std::isfinite(ha) && std::isfinite(hb))) continue;
      sum += vm::drawn_height(hb, lo) - vm::drawn_height(ha, lo);
      ++n;
    }
    return n ? static_cast<float>(sum / static_cast<double>(n)) : 0.0f;
  };
  const float dx = static_cast<float>(c_next - c), dy = static_cast<float>(r_next - r);
  normal[0] = -mean_rise(c, c_next, r, std::max(r_next, r + 1), w, 1) * dy;
  normal[1] = -mean_rise(r, r_next, c, std::max(c_next, c + 1), 1, w) * dx;
  normal[2] = dx * dy;
}

inline void SurfaceStrips::slope(std::size_t r, std::size_t c, std::size_t r_next, std::size_t c_next, float h0,
                                 float* normal) const {
  const bool long_step = c_next - c > 1 || r_next - r > 1;
  if (filtered_ && long_step) return filtered_slope(r, c, r_next, c_next, normal);
  const float* m = s_.heights;
  const std::size_t w = s_.width;
  // Forward differences towards the next sampled column and row; over a step of one cell this
  // is exactly the grid-unit normal, over longer steps the same slope scaled by the step lengths.
  const float ax = m[r * w + c_next], ay = m[r_next * w + c];
  float hx = vm::drawn_height(ax, s_.min), hy = vm::drawn_height(ay, s_.min);
  // Beside a hole the slope towards it is unknown: the surface is taken as level that way.
  if (s_.holes && !std::isfinite(ax)) hx = h0;
  if (s_.holes && !std::isfinite(ay)) hy = h0;
  vm::cell_normal(h0, hx, hy, normal);
  if (long_step) {
    const float dx = static_cast<float>(c_next - c), dy = static_cast<float>(r_next - r);
    normal[0] *= dy;
    normal[1] *= dx;
    normal[2] = dx * dy;
  }
}

void SurfaceStrips::build(std::size_t k, std::vector<StripVertex>& out) const {
  const float* m = s_.heights;
  const std::size_t w = s_.width, ncols = cols_.at.size(), p = s_.palette_count;
  const float lo = s_.min, hi = s_.max;
  // A colour matrix left over from another relief (its size differs) is not read at all: the
  // palette colours the surface until a matching one arrives.
  // A draped surface is white: the image and the palette colour it per pixel, under its light.
  const bool by_matrix = s_.colored_by_matrix(), coloured = !s_.draped() && (by_matrix || p > 0);
  const std::vector<std::size_t>& ra = rows_.at;
  const std::size_t above = k + 2 < ra.size() ? ra[k + 2] : rows_.after;
  // Row k + 1 (its normals look towards the row above it), then row k (towards row k + 1).
  const std::size_t rows[2] = {ra[k + 1], ra[k]}, next[2] = {above, ra[k + 1]};
  const float fy[2] = {static_cast<float>(rows[0]), static_cast<float>(rows[1])};
  out.resize(2 * ncols);
  StripVertex* v = out.data();
  for (std::size_t j = 0; j < ncols; ++j) {
    const std::size_t c = cols_.at[j], c_next = j + 1 < ncols ? cols_.at[j + 1] : cols_.after;
    const float fx = static_cast<float>(c);
    for (std::size_t half = 0; half < 2; ++half, ++v) {
      const std::size_t r = rows[half], i = r * w + c;
      v->position = {fx, fy[half], vm::drawn_height(m[i], lo)};
      v->hole = s_.holes && !std::isfinite(m[i]);
      v->has_colour = coloured;
      if (coloured) v->colour = by_matrix ? s_.colors[i] : s_.palette[vm::palette_index(m[i], lo, hi, p)];
      v->has_normal = c_next != SIZE_MAX && next[half] != SIZE_MAX;
      if (v->has_normal) slope(r, c, next[half], c_next, v->position[2], v->normal.data());
    }
  }
}

std::array<float, 3> SurfaceStrips::carried_into(std::size_t k) const {
  std::array<float, 3> n{0.0f, 0.0f, 1.0f};  // a fresh context's current normal
  const std::vector<std::size_t>& ra = rows_.at;
  std::size_t r = ra[k], c = cols_.before, r_next = ra[k + 1], c_next = cols_.at[0];
  if (c == SIZE_MAX) {
    // At the grid's first column the vertex before is the last one of the strip below, which
    // carries that of the sampled column before the grid's last.
    r_next = r;
    r = k > 0 ? ra[k - 1] : rows_.before;
    if (r == SIZE_MAX || s_.width < 2) return n;
    c_next = s_.width - 1;
    c = (s_.width - 2) / step_ * step_;
  }
  slope(r, c, r_next, c_next, vm::drawn_height(s_.heights[r * s_.width + c], s_.min), n.data());
  return n;
}

void SurfaceStrips::settle_normals(std::size_t k, std::vector<StripVertex>& strip) const {
  std::array<float, 3> carried = carried_into(k);
  for (StripVertex& v : strip) {
    if (v.has_normal) carried = v.normal;
    else v.normal = carried;
    v.has_normal = true;
  }
}

Renderer::Renderer()
    : tiles_(new tiles::TileSet), tiled_above_(loading::kTiledAboveCells), tile_cells_(tiles::TileTree::kTileCells) {}
Renderer::~Renderer() = default;

bool Renderer::tiled(const Scene& s) const { return static_cast<std::uint64_t>(s.width) * s.height > tiled_above_; }

void Renderer::set_tiling(std::uint64_t above_cells, std::size_t tile_cells) {
  tiled_above_ = above_cells;
  tile_cells_ = tile_cells;
}

void Renderer::compile(const Scene& scene, const Progress& progress, bool heights_changed) {
  drape_.upload(scene);
  if (tiled(scene)) {
    if (glIsList(kSurfaceList)) glDeleteLists(kSurfaceList, 1);
    coarse_list_.reset();
    coarse_stale_ = true;
    if (heights_changed || !tiles_->active()) tiles_->reset(scene, tile_cells_, progress);
    else tiles_->recolour(scene);
  } else {
    tiles_->clear();
    glNewList(kSurfaceList, GL_COMPILE);
    emit_surface(scene, 1, progress);
    glEndList();
    coarse_stale_ = true;
  }
  surface_ = true;
}

void Renderer::discard() {
  drape_.release();
  if (glIsList(kSurfaceList)) glDeleteLists(kSurfaceList, 1);
  coarse_list_.reset();
  tiles_->clear();
  surface_ = false;
  coarse_stale_ = true;
  coarse_step_ = 0;
}

void Renderer::stop_builds() { tiles_->stop(); }

void Renderer::set_tile_notify(std::function<void()> notify) { tiles_->set_notify(std::move(notify)); }

bool Renderer::ensure_coarse(const Scene& scene) {
  if (!coarse_enabled_ || !surface_ || !(full_ms_ > budget_ms_)) return false;
  std::size_t want = coarse_step_;
  if (coarse_stale_ || want == 0) {
    want = coarse_step_for(full_ms_, kCoarseTargetMs, scene.width, scene.height);
  } else if (coarse_ms_ > budget_ms_) {
    // Still too slow (the window may have grown, the machine may be busy).
    want = coarse_step_after(coarse_ms_, want, kCoarseTargetMs, scene.width, scene.height);
  }
  if (want < 2) return false;
  if (coarse_stale_ || want != coarse_step_) {
    glNewList(coarse_list_.get(), GL_COMPILE);
    emit_surface(scene, want, Progress());
    glEndList();
    coarse_step_ = want;
    coarse_stale_ = false;
    coarse_ms_ = 0.0;
  }
  return true;
}

PaintResult Renderer::paint(const Scene& s, int width, int height, Detail detail) {
  const auto t0 = std::chrono::steady_clock::now();
  if (surface_ && tiles_->active()) {
    const bool moving = detail == Detail::Moving;
    tiles::Choice chosen;
    PaintResult out = paint_frame(s, width, height, [&] {
      chosen = tiles_->draw(s, moving ? moving_error_px_ : kStillErrorPx, false);
    });
    out.tiles_wanted = chosen.wanted;
    out.tiles_missing = chosen.missing;
    out.tiles_drawn = chosen.draw.size();
    const double ms = ms_since(t0);
    if (moving && ms > budget_ms_) moving_error_px_ = std::min(moving_error_px_ * 2.0, 64.0);
    if (moving && ms < budget_ms_ / 4.0) moving_error_px_ = std::max(moving_error_px_ / 2.0, kMovingErrorPx);
    out.coarse = moving;
    (moving ? coarse_ms_ : full_ms_) = ms;
    return out;
  }
  const bool coarse = detail == Detail::Moving && ensure_coarse(s);
  PaintResult out = paint_frame(s, width, height, [&] {
    if (surface_) glCallList(coarse ? coarse_list_.get() : kSurfaceList);
  });
  out.coarse = coarse;
  (coarse ? coarse_ms_ : full_ms_) = ms_since(t0);
  return out;
}

PaintResult Renderer::paint_direct(const Scene& s, int width, int height, const Progress& progress) {
  return paint_part(s, width, height, Part{0, 0, width, height}, progress);
}

PaintResult Renderer::paint_part(const Scene& s, int width, int height, const Part& part, const Progress& progress) {
  drape_.upload(s);
  if (!tiled(s)) return paint_frame(s, width, height, [&] { emit_surface(s, 1, progress); }, &part);
  if (!tiles_->holds(s)) tiles_->reset(s, tile_cells_);
  tiles::Choice chosen;
  PaintResult out = paint_frame(
      s, width, height, [&] { chosen = tiles_->draw(s, kStillErrorPx, true, progress); }, &part);
  out.tiles_wanted = chosen.wanted;
  out.tiles_drawn = chosen.draw.size();
  return out;
}

PaintResult Renderer::paint_frame(const Scene& s, int width, int height, const std::function<void()>& surface,
                                  const Part* part) {
  PaintResult out;
  const PaintState restored_at_end;
  const double aspect = vm::aspect_of(width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double h = s.zoom_scale * 0.5f, l = s.zoom_scale * -0.5f;
  glOrtho(l * aspect, h * aspect, l, h, -10.0, 10.0);
  glGetDoublev(GL_PROJECTION_MATRIX, out.projection);  // the whole picture's, for picking
  const bool whole = !part || (part->x == 0 && part->y == 0 && part->width == width && part->height == height);
  if (whole) {
    glViewport(0, 0, std::max(width, 0), std::max(height, 0));
  } else {
    // The same volume cut to the part's pixels.
    const double x0 = l * aspect, xs = (h - l) * aspect / width, ys = (h - l) / height;
    glViewport(0, 0, part->width, part->height);
    glLoadIdentity();
    glOrtho(x0 + xs * part->x, x0 + xs * (part->x + part->width), l + ys * part->y, l + ys * (part->y + part->height),
            -10.0, 10.0);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  const std::uint32_t bg = s.bg_color;
  glClearColor((bg & 0xFF) / 255.0f, ((bg >> 8) & 0xFF) / 255.0f, ((bg >> 16) & 0xFF) / 255.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glEnable(GL_DEPTH_TEST);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  const GLfloat position[4] = {s.light_pos[0], s.light_pos[1], s.light_pos[2], 0.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_NORMALIZE);
  for (const auto& [name, v] : {std::pair<GLenum, float>{GL_AMBIENT, s.ambient}, {GL_DIFFUSE, s.diffuse},
                                {GL_SPECULAR, s.specular}}) {
    const GLfloat rgba[4] = {v, v, v, 0.0f};
    glLightfv(GL_LIGHT0, name, rgba);
  }

  glTranslated(s.pan_x, s.pan_y, 0.0);
  glRotatef(-s.tilt, 1.0f, 0.0f, 0.0f);
  glRotatef(s.azimuth, 0.0f, 0.0f, 1.0f);

  glTranslatef(0.0f, 0.0f, -0.5f);
  float sx = 0.0f, sy = 0.0f;
  vm::model_scale(s.width, s.height, s.step_x, s.step_y, sx, sy);
  glScalef(sx, sy, vm::model_scale_z(s.scale_z, s.min, s.max));
  // A grid whose rows run south (a north-up file) is mirrored by its scale; its upper side must stay
  // the front face, or two-sided lighting would light it from below.
  glFrontFace(sx * sy < 0.0f ? GL_CW : GL_CCW);
  glTranslatef((static_cast<float>(s.width) - 1) * -0.5f, (static_cast<float>(s.height) - 1) * -0.5f,
               -s.min);

  glColor3f(1.0f, 1.0f, 1.0f);
  const bool draped = drape_.ready(s);
  if (draped) drape_.begin(s);
  surface();
  if (draped) drape_.end();

  glDisable(GL_LIGHTING);
  glLineWidth(2.0f);
  draw_marker(s, out);

  glGetDoublev(GL_MODELVIEW_MATRIX, out.surface_modelview);
  glTranslatef(0.0f, 0.0f, s.max - s.min);
  out.viewport[2] = std::max(width, 0), out.viewport[3] = std::max(height, 0);
  glGetDoublev(GL_MODELVIEW_MATRIX, out.modelview);
  // The camera turns only about X and Z, so element 8 is always 0; zeroing 9 makes window x/y
  // independent of z, and 10 = 1 keeps the matrix invertible at every tilt but 90 degrees.
  out.modelview[9] = 0.0;
  out.modelview[10] = 1.0;
  glFinish();
  return out;
}

Picture Renderer::read_pixels(int width, int height) {
  Picture pic;
  if (width <= 0 || height <= 0) return pic;
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  std::vector<unsigned char> raw(row * static_cast<std::size_t>(height));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, raw.data());
  pic.width = width;
  pic.height = height;
  pic.rgb.resize(raw.size());
  for (int y = 0; y < height; ++y)  // OpenGL's rows run bottom-up
    std::memcpy(pic.rgb.data() + static_cast<std::size_t>(y) * row,
                raw.data() + static_cast<std::size_t>(height - 1 - y) * row, row);
  return pic;
}

}  // namespace lib3d
