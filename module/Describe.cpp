// What the viewer derives from a relief file, without drawing: the host's --info.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <gdal.h>

#include "module/ModuleExports.h"
#include "terrain/Document.h"

namespace {

std::string number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// One "key: value" a line, in a fixed order; scripts read it.
std::string describe(const Lib3dRenderRequest& r, lib3d::LoadError& error) {
  lib3d::Document doc;
  if (!lib3d::load_relief(r.relief, r.factor_x, r.factor_y, lib3d::relief_options_of(r), doc, error, {},
                          lib3d::loading::kPictureBytesPerCell))
    return std::string();
  std::string type = "unknown", band = std::to_string(doc.band), overviews = "none";
  int width = 0, height = 0;
  // A bare URL is read by ranges, as the loader reads it: GDAL's HTTP driver would fetch it whole.
  const std::string path = r.relief;
  const bool url = path.find("://") != std::string::npos && path.find('/') > path.find("://");
  const std::string source = url ? "/vsicurl/" + path : path;
  if (GDALDatasetH ds = GDALOpen(source.c_str(), GA_ReadOnly)) {
    width = GDALGetRasterXSize(ds), height = GDALGetRasterYSize(ds);
    band += " of " + std::to_string(GDALGetRasterCount(ds));
    if (GDALRasterBandH b = doc.band <= GDALGetRasterCount(ds) ? GDALGetRasterBand(ds, doc.band) : nullptr) {
      type = GDALGetDataTypeName(GDALGetRasterDataType(b));
      if (const char* what = GDALGetDescription(b); what && *what) band += std::string(" (") + what + ")";
      for (int i = 0; i < GDALGetOverviewCount(b); ++i) {
        GDALRasterBandH o = GDALGetOverview(b, i);
        const std::string level = std::to_string(GDALGetRasterBandXSize(o)) + "x" + std::to_string(GDALGetRasterBandYSize(o));
        overviews = i ? overviews + ", " + level : level;
      }
    }
    GDALClose(ds);
  }
  const lib3d::Georef& g = doc.geo;
  const double truth = lib3d::true_scale_z(g, doc.max - doc.min, doc.width, doc.height);
  std::string out;
  auto line = [&out](const char* key, const std::string& value) { out += std::string(key) + ": " + value + "\n"; };
  line("file", r.relief);
  line("size", std::to_string(width) + " x " + std::to_string(height));
  line("factors", std::to_string(r.factor_x) + "," + std::to_string(r.factor_y));
  line("grid", std::to_string(doc.width) + " x " + std::to_string(doc.height));
  line("type", type);
  line("band", band);
  line("overviews", overviews);
  line("georeferenced", !g.mapped ? "no" : g.rotation_dropped ? "yes, rotation dropped" : "yes");
  line("crs", g.crs_name.empty() ? "none" : g.crs_name);
  line("cell_size_m", g.mapped ? number(g.cell_x_m) + " x " + number(g.cell_y_m) : "unknown");
  line("height_unit", g.height_unit);
  line("height_range", number(doc.min) + " .. " + number(doc.max));
  line("holes", std::to_string(doc.hole_count) + (doc.holes ? "" : " (no-data cells drawn as heights)"));
  line("true_scale_z", truth > 0 ? number(truth) : "unknown");
  line("exaggeration_at_scale_z_1", truth > 0 ? number(1.0 / truth) : "unknown");
  if (r.red) {
    const lib3d::TextureFiles files{r.red, r.green ? r.green : r.red, r.blue ? r.blue : r.red, 0};
    lib3d::ImageFacts facts;
    if (!lib3d::image_facts(files.red, facts, error)) return std::string();
    const bool drapes = lib3d::drapes(files, g);
    line("texture", drapes ? "laid over the ground by its georeferencing" : "one colour a cell");
    line("texture_size", std::to_string(facts.width) + " x " + std::to_string(facts.height));
    line("texture_resolution_m",
         facts.georeferenced ? number(facts.pixel_x_m) + " x " + number(facts.pixel_y_m) : "unknown");
    // The share it covers, from a small warp of it: the same footprint at any resolution.
    lib3d::DrapeOptions coarse = lib3d::relief_options_of(r).drape;
    coarse.max_side = 512;
    lib3d::Drape drape;
    if (drapes && !lib3d::read_drape(files, g, doc.width, doc.height, coarse, drape, error)) return std::string();
    line("texture_coverage", drapes ? number(drape.coverage) : "1");
  }
  return out;
}

}  // namespace

extern "C" int Lib3dDescribeFile(const Lib3dRenderRequest* request, char* text, size_t text_size) {
  std::string out;
  int status = LIB3D_RENDER_OK;
  if (!request || request->size < offsetof(Lib3dRenderRequest, width) || !request->relief) {
    out = "no relief given";
    status = LIB3D_RENDER_BAD_VALUE;
  } else {
    lib3d::LoadError error;
    try {
      out = describe(*request, error);
    } catch (const std::bad_alloc&) {
      error = lib3d::LoadError{lib3d::LoadError::Kind::Memory, request->relief, "out of memory", "relief"};
    }
    if (error) {
      out = error.message();
      status = LIB3D_RENDER_IO_FAILED;
    }
  }
  if (text && text_size > 0) std::snprintf(text, text_size, "%s", out.c_str());
  return status;
}
