// Batch rendering for the host's command line: a relief file to a picture file with no window,
// through the same renderer as the view, in an offscreen context.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "colour/PaletteFile.h"
#include "colour/PaletteLogic.h"
#include "export/PictureFile.h"
#include "module/ModuleExports.h"
#include "render/OffscreenRender.h"
#include "render/Scene.h"
#include "terrain/Document.h"

namespace {

namespace vm = lib3d::viewmath;

struct Outcome {
  int status = LIB3D_RENDER_OK;
  std::string message;
};

Outcome fail(int status, const std::string& message) { return Outcome{status, message}; }

std::string range_problem(const Lib3dRenderRequest& r) {
  if (!r.relief || !*r.relief) return "no relief file given";
  if (!r.output || !*r.output) return "no picture file given";
  if (r.factor_x < 1 || r.factor_x > 1000 || r.factor_y < 1 || r.factor_y > 1000)
    return "compression factors must be whole numbers 1..1000";
  if (r.width < 1 || r.width > 16384 || r.height < 1 || r.height > 16384)
    return "picture size must be 1..16384 pixels each way";
  if (!(r.tilt >= 0.0 && r.tilt <= 180.0)) return "tilt must be 0..180 degrees";
  if (!std::isfinite(r.azimuth) || !std::isfinite(r.pan_x) || !std::isfinite(r.pan_y))
    return "azimuth and pan must be finite";
  if (r.zoom_level == 0 || r.zoom_level == -1) return "zoom step is never 0 or -1";
  if (!(r.scale_z >= 0.01 && r.scale_z <= 1.0)) return "height scale must be 0.01..1";
  if (r.light_azimuth < 0 || r.light_azimuth > 360 || r.light_elevation < 0 || r.light_elevation > 90)
    return "light azimuth must be 0..360 and elevation 0..90 degrees";
  for (int p : {r.ambient, r.diffuse, r.specular})
    if (p < 0 || p > 100) return "light strengths must be 0..100 percent";
  if (r.background > 0xFFFFFFu) return "background must be a colour RRGGBB";
  if (r.base_palette < -1 || r.base_palette >= lib3d::palette::kPaletteKindCount) return "no such base palette";
  return std::string();
}

Outcome palette_for(const Lib3dRenderRequest& r, std::vector<std::uint32_t>& out) {
  using namespace lib3d::palette;
  if (r.palette_file && *r.palette_file) {
    PaletteFileData data;
    std::string cause;  // "PATH: why", read without blocking and never past a palette's size
    if (!load_palette_file(r.palette_file, data, &cause))
      return fail(LIB3D_RENDER_IO_FAILED, "cannot read palette " + cause);
    out = view_palette(&data, -1);
  } else {
    out = view_palette(nullptr, r.base_palette);
  }
  return Outcome();
}

lib3d::Camera camera_of(const Lib3dRenderRequest& r) {
  lib3d::Camera c;
  c.pan_x = static_cast<float>(r.pan_x);
  c.pan_y = static_cast<float>(r.pan_y);
  c.tilt = static_cast<float>(r.tilt);
  c.azimuth = static_cast<float>(r.azimuth);
  c.zoom = vm::zoom_for_level(r.zoom_level);
  return c;
}

lib3d::Look look_of(const Lib3dRenderRequest& r, std::vector<std::uint32_t>&& palette) {
  lib3d::Look look;
  look.scale_z = static_cast<float>(r.scale_z);
  look.bg_color = r.background;
  look.light = vm::light_of(r.light_azimuth, r.light_elevation, r.ambient, r.diffuse, r.specular);
  look.palette = std::move(palette);
  return look;
}

Outcome render(const Lib3dRenderRequest& r) {
  const std::string problem = range_problem(r);
  if (!problem.empty()) return fail(LIB3D_RENDER_BAD_VALUE, problem);

  std::string error;
  bool bad_name = false;
  lib3d::PictureFile picture_file;
  if (!picture_file.open(r.output, error, bad_name))
    return fail(bad_name ? LIB3D_RENDER_BAD_VALUE : LIB3D_RENDER_IO_FAILED, error);

  std::vector<std::uint32_t> palette;
  Outcome pal = palette_for(r, palette);
  if (pal.status != LIB3D_RENDER_OK) return pal;
  const lib3d::Camera camera = camera_of(r);
  const lib3d::Look look = look_of(r, std::move(palette));

  // Mesa's rasteriser starts up while the files are read, warmed up in the picture's look: colours
  // from the palette or per cell.
  lib3d::Document warm;
  if (r.red) warm.colors.assign(1, 0u), warm.width = warm.height = 1;
  lib3d::OffscreenPreparation preparation(lib3d::scene_of(warm, camera, look), r.width, r.height);

  lib3d::TextureFiles texture;
  if (r.red) texture = {r.red, r.green ? r.green : r.red, r.blue ? r.blue : r.red, 0};
  lib3d::Document doc;
  lib3d::LoadError failure;
  // One picture drawn straight into the frame: the memory check counts no list and no view.
  if (!lib3d::load_document(r.relief, r.factor_x, r.factor_y, r.red ? &texture : nullptr, doc, failure,
                            lib3d::loading::kPictureBytesPerCell))
    return fail(LIB3D_RENDER_IO_FAILED, failure.message());

  std::unique_ptr<lib3d::OffscreenContext> context = preparation.take(error);
  if (!context) return fail(LIB3D_RENDER_NO_GL, error);
  lib3d::Picture picture;
  lib3d::render_offscreen(*context, lib3d::scene_of(doc, camera, look), picture);
  if (!picture_file.commit(picture, error)) return fail(LIB3D_RENDER_IO_FAILED, error);
  return Outcome();
}

}  // namespace

extern "C" int Lib3dRenderFile(const Lib3dRenderRequest* request, char* message, size_t message_size) {
  Outcome o;
  if (!request || request->size < offsetof(Lib3dRenderRequest, width)) {
    o = fail(LIB3D_RENDER_BAD_VALUE, "no render request");
  } else {
    // A caller built against an older request leaves the newer fields at their defaults.
    Lib3dRenderRequest r;
    lib3d_render_request_defaults(&r);
    std::memcpy(&r, request, std::min(request->size, sizeof r));
    try {
      o = render(r);
    } catch (const std::bad_alloc&) {
      o = fail(LIB3D_RENDER_IO_FAILED, "not enough memory for this relief and picture");
    }
  }
  if (message && message_size > 0) {
    std::string line = o.message;
    for (char& c : line)
      if (c == '\n' || c == '\r') c = ' ';
    std::snprintf(message, message_size, "%s", line.c_str());
  }
  return o.status;
}
