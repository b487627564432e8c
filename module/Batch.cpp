// Batch rendering for the host's command line: a relief file to a picture file with no window,
// through the same renderer as the view, in an offscreen context.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "colour/ColourTable.h"
#include "colour/PaletteFile.h"
#include "colour/PaletteLogic.h"
#include "export/PictureFile.h"
#include "hostlib/RenderOptions.h"
#include "module/ModuleExports.h"
#include "render/OffscreenRender.h"
#include "render/Picking.h"
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
  static_assert(lib3d::kBasePaletteCount == lib3d::palette::kPaletteKindCount, "the editor's palettes");
  return lib3d::request_problem(r);
}

// A palette file of the editor is the palette itself; a colour table (gdaldem's text, GMT's cpt) is
// read here, before the relief, so that a bad one fails at once, and becomes the palette once the
// relief's height range is known (until then `out` holds it over the table's own range).
Outcome palette_for(const Lib3dRenderRequest& r, std::vector<std::uint32_t>& out,
                    std::optional<lib3d::palette::ColourTable>& table) {
  using namespace lib3d::palette;
  if (r.palette_file && *r.palette_file && format_of_path(r.palette_file) != TableFormat::Palette) {
    ColourTable read;
    TableError error;
    if (!load_colour_table(r.palette_file, read, error))
      return fail(LIB3D_RENDER_IO_FAILED, std::string("cannot read colour table ") + r.palette_file + ": " + describe(error));
    const PaletteFileData data = to_palette(read, 0, 0);
    out = view_palette(&data, -1);
    table = std::move(read);
  } else if (r.palette_file && *r.palette_file) {
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

// What lies under picture pixel (x, y), found as the window's pointer finds it: "X,Y: cell C,R" (of
// the file) with the place in map terms and the height, or "X,Y: background".
std::string probe_line(const Lib3dRenderRequest& r, const lib3d::Document& doc, const lib3d::Scene& scene,
                       const lib3d::PaintResult& painted, double x, double y) {
  char at[96];
  std::snprintf(at, sizeof at, "%g,%g: ", x, y);
  std::size_t c = 0, row = 0;
  const bool hit = doc.geo.mapped ? lib3d::pick_surface(scene, painted, x, y, c, row)
                                  : lib3d::pick_top_plane(scene, painted, x, y, c, row);
  if (!hit) return std::string(at) + "background";
  const lib3d::MapWords words;
  std::string line = std::string(at) + "cell " + std::to_string(c * r.factor_x) + "," + std::to_string(row * r.factor_y);
  for (const std::string& part : {lib3d::map_xy_text(doc.geo, c, row, words), lib3d::lon_lat_text(doc.geo, c, row, words),
                                  std::isfinite(doc.heights[row * doc.width + c]) || !doc.holes
                                      ? lib3d::height_text(doc.geo, doc.heights[row * doc.width + c], words)
                                      : std::string("no data")})
    if (!part.empty()) line += "  |  " + part;
  return line;
}

// The pictures of a turntable: one surface compiled once, painted at each turn of the azimuth (or,
// for pictures larger than the context, drawn in parts each time).
Outcome turntable(const Lib3dRenderRequest& r, lib3d::Scene scene, lib3d::OffscreenContext& context) {
  lib3d::Renderer renderer;
  const bool whole = r.width <= context.width() && r.height <= context.height();
  if (whole) renderer.compile(scene);
  const float from = scene.azimuth;
  for (int k = 0; k < r.turntable; ++k) {
    scene.azimuth = from + 360.0f * static_cast<float>(k) / static_cast<float>(r.turntable);
    lib3d::Picture picture;
    if (whole) renderer.paint(scene, r.width, r.height), picture = lib3d::Renderer::read_pixels(r.width, r.height);
    else lib3d::render_offscreen(context, scene, r.width, r.height, picture);
    std::string path, error;
    bool bad_name = false;
    lib3d::frame_path(r.output, k, path);
    lib3d::PictureFile file;
    if (!file.open(path, error, bad_name) || !file.commit(picture, error)) return fail(LIB3D_RENDER_IO_FAILED, error);
  }
  return Outcome();
}

Outcome render(const Lib3dRenderRequest& r) {
  const std::string problem = range_problem(r);
  if (!problem.empty()) return fail(LIB3D_RENDER_BAD_VALUE, problem);

  std::string error;
  bool bad_name = false;
  lib3d::PictureFile picture_file;
  std::string first = r.output;
  if (r.turntable > 1) lib3d::frame_path(r.output, 0, first);
  if (!picture_file.open(first, error, bad_name))
    return fail(bad_name ? LIB3D_RENDER_BAD_VALUE : LIB3D_RENDER_IO_FAILED, error);

  std::vector<std::uint32_t> palette;
  std::optional<lib3d::palette::ColourTable> table;
  Outcome pal = palette_for(r, palette, table);
  if (pal.status != LIB3D_RENDER_OK) return pal;
  const lib3d::Camera camera = camera_of(r);
  lib3d::Look look = look_of(r, std::move(palette));

  // Mesa's rasteriser starts up while the files are read, warmed up in the picture's look: colours
  // from the palette or per cell.
  lib3d::Document warm;
  if (r.red) warm.colors.assign(1, 0u), warm.width = warm.height = 1;
  lib3d::OffscreenPreparation preparation(lib3d::scene_of(warm, camera, look), r.width, r.height);

  lib3d::TextureFiles texture;
  if (r.red) texture = {r.red, r.green ? r.green : r.red, r.blue ? r.blue : r.red, 0};
  lib3d::Document doc;
  lib3d::LoadError failure;
  // One picture drawn straight into the frame: the memory check counts no list and no view (a
  // turntable compiles one).
  if (!lib3d::load_document(r.relief, r.factor_x, r.factor_y, lib3d::relief_options_of(r), r.red ? &texture : nullptr, doc, failure,
                            r.turntable > 1 ? lib3d::loading::kBytesPerCell : lib3d::loading::kPictureBytesPerCell))
    return fail(LIB3D_RENDER_IO_FAILED, failure.message());
  if (table) {
    const lib3d::palette::PaletteFileData data = lib3d::palette::to_palette(*table, doc.min, doc.max);
    look.palette = lib3d::palette::view_palette(&data, -1);
  }
  if (r.exaggeration > 0) {
    const double truth = lib3d::true_scale_z(doc.geo, doc.max - doc.min, doc.width, doc.height);
    if (!(truth > 0))
      return fail(LIB3D_RENDER_IO_FAILED, std::string("relief ") + r.relief +
                                              " has no georeferencing or no height range: its true height is "
                                              "unknown (use --scale-z)");
    look.scale_z = static_cast<float>(r.exaggeration * truth);
  }

  std::unique_ptr<lib3d::OffscreenContext> context = preparation.take(error);
  if (!context) return fail(LIB3D_RENDER_NO_GL, error);
  lib3d::Picture picture;
  const lib3d::Scene scene = lib3d::scene_of(doc, camera, look);
  if (r.turntable > 1) return turntable(r, scene, *context);
  const lib3d::PaintResult painted = lib3d::render_offscreen(*context, scene, r.width, r.height, picture);
  if (!picture_file.commit(picture, error)) return fail(LIB3D_RENDER_IO_FAILED, error);
  Outcome done;
  // A picture is made either way; a rotation left out, or a value that looks like a void but is not
  // declared one, is noted.
  if (doc.geo.rotation_dropped) done.message = "note: the geotransform turns the grid; it is drawn north-up";
  if (doc.suspect_count > 0) {
    char note[200];
    std::snprintf(note, sizeof note, "note: %zu cells hold %g, a common void value: --nodata-value %g makes them holes",
                  doc.suspect_count, doc.suspect, doc.suspect);
    done.message = note;
  }
  if (r.probe_text && r.probe_text_size > 0) {
    std::string lines;
    for (int k = 0; k < r.probe_count && r.probes; ++k)
      lines += probe_line(r, doc, scene, painted, r.probes[2 * k], r.probes[2 * k + 1]) + "\n";
    std::snprintf(r.probe_text, r.probe_text_size, "%s", lines.c_str());
  }
  return done;
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
