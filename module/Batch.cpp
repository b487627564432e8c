// Batch rendering for the host's command line: a relief file to a picture file with no window,
// through the same renderer as the view, in an offscreen context.

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "colour/BasePalettes.h"
#include "colour/PaletteFile.h"
#include "colour/PaletteLogic.h"
#include "hostlib/RenderOptions.h"
#include "terrain/Loading.h"
#include "module/ModuleExports.h"
#include "export/PictureFile.h"
#include "terrain/RasterProblem.h"
#include "render/OffscreenRender.h"
#include "render/ViewMath.h"

namespace {

namespace vm = lib3d::viewmath;

struct Outcome {
  int status = LIB3D_RENDER_OK;
  std::string message;
};

Outcome fail(int status, const std::string& message) { return Outcome{status, message}; }

std::string range_problem(const Lib3dRenderRequest& r) {
  static_assert(lib3d::kBasePaletteCount == lib3d::palette::kPaletteKindCount, "the editor's palettes");
  return lib3d::request_problem(r);
}

Outcome palette_for(const Lib3dRenderRequest& r, std::vector<std::uint32_t>& out) {
  using namespace lib3d::palette;
  Palette256 white;
  white.fill(0xFFFFFFu);  // the palette a new viewer starts with
  if (r.palette_file && *r.palette_file) {
    PaletteFileData data;
    std::string cause;  // "PATH: why", read without blocking and never past a palette's size
    if (!load_palette_file(r.palette_file, data, &cause))
      return fail(LIB3D_RENDER_IO_FAILED, "cannot read palette " + cause);
    // What the palette editor sends to the view after loading the file.
    const Palette256 final = map_levels(data.palette, data.inMin, data.inMax, data.outMin, data.outMax);
    out.assign(final.begin(), final.end());
  } else if (r.base_palette >= 0) {
    const Palette256 base = build_base_palette(r.base_palette, white, 0, 255, 0xFFFFFFu);
    out.assign(base.begin(), base.end());
  } else {
    out.assign(white.begin(), white.end());
  }
  return Outcome();
}

// `cause` is the reader's: "PATH: why" for the file, or a reason of its own (memory, factors).
std::string read_failure(const char* what, const std::string& path, const std::string& cause) {
  std::string why = lib3d::raster_problem(path);
  if (why.empty()) why = cause.rfind(path + ": ", 0) == 0 ? cause.substr(path.size() + 2) : cause;
  if (why.empty()) why = "its pixels could not be read";
  return std::string("cannot read ") + what + " " + path + ": " + why;
}

// Everything of the picture but the grid: camera, light, background and palette; colours per cell
// when a texture was asked for.
lib3d::Scene look_of(const Lib3dRenderRequest& r, const std::vector<std::uint32_t>& palette) {
  lib3d::Scene s;
  s.palette = palette.data();
  s.palette_count = palette.size();
  s.tilt = static_cast<float>(r.tilt);
  s.azimuth = static_cast<float>(r.azimuth);
  s.pan_x = static_cast<float>(r.pan_x);
  s.pan_y = static_cast<float>(r.pan_y);
  s.zoom_scale = vm::zoom_for_level(r.zoom_level).scale;
  s.scale_z = static_cast<float>(r.scale_z);
  s.bg_color = r.background;
  std::int32_t words[15] = {};
  words[3] = r.light_azimuth;
  words[4] = r.light_elevation;
  words[6] = r.ambient;
  words[7] = r.diffuse;
  words[8] = r.specular;
  const vm::Light light = vm::light_from_record(words);
  std::copy(light.pos, light.pos + 3, s.light_pos);
  s.ambient = light.ambient;
  s.diffuse = light.diffuse;
  s.specular = light.specular;
  if (r.red) {  // the worker only asks whether colours come per cell
    static const std::uint32_t one = 0;
    s.colors = &one;
    s.color_count = 1;
    s.width = s.height = 1;
  }
  return s;
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

  // Mesa's rasteriser starts up while the files are read.
  const lib3d::Scene look = look_of(r, palette);
  lib3d::OffscreenPreparation preparation(look, r.width, r.height);

  std::vector<float> heights;
  std::size_t cols = 0, rows = 0;
  std::string cause;
  // One picture drawn straight into the frame: the memory check counts no list and no view.
  if (!lib3d::loading::read_relief(CString(r.relief), r.factor_x, r.factor_y, heights, cols, rows, {}, &cause,
                                   lib3d::loading::kPictureBytesPerCell))
    return fail(LIB3D_RENDER_IO_FAILED, read_failure("relief", r.relief, cause));
  if (cols == 0 || rows == 0)
    return fail(LIB3D_RENDER_IO_FAILED, std::string("relief ") + r.relief + " has no cells left after reduction by " +
                                            std::to_string(r.factor_x) + "," + std::to_string(r.factor_y));

  std::vector<std::uint32_t> colors;
  if (r.red) {
    const char* files[3] = {r.red, r.green ? r.green : r.red, r.blue ? r.blue : r.red};
    std::size_t tcols = 0, trows = 0;
    if (!lib3d::loading::read_texture(CString(files[0]), CString(files[1]), CString(files[2]), r.factor_x,
                                      r.factor_y, 0, colors, tcols, trows, {}, &cause,
                                      lib3d::loading::kPictureBytesPerCell)) {
      for (const char* f : files)
        if (!lib3d::raster_problem(f).empty()) return fail(LIB3D_RENDER_IO_FAILED, read_failure("texture", f, ""));
      return fail(LIB3D_RENDER_IO_FAILED, "cannot read texture " + cause);
    }
    if (tcols != cols || trows != rows)
      return fail(LIB3D_RENDER_IO_FAILED, "texture size differs from the relief: " + std::to_string(tcols) + "x" +
                                              std::to_string(trows) + " cells against " + std::to_string(cols) +
                                              "x" + std::to_string(rows) + " after reduction");
  }

  lib3d::Scene s = look;
  s.heights = heights.data();
  s.width = cols;
  s.height = rows;
  const vm::Range range = vm::finite_range(heights.data(), heights.size());
  s.min = range.min;
  s.max = range.max;
  s.colors = colors.data();
  s.color_count = colors.size();

  std::unique_ptr<lib3d::OffscreenContext> context = preparation.take(error);
  if (!context) return fail(LIB3D_RENDER_NO_GL, error);
  lib3d::Picture picture;
  lib3d::render_offscreen(*context, s, picture);
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
