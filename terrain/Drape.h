#pragma once
// An image laid over a georeferenced relief at its own resolution: GDAL's warper brings it onto the
// relief's ground and coordinate system, and its colours are made as GDAL's own tools make them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "terrain/Georef.h"
#include "terrain/LoadError.h"

namespace lib3d {

struct TextureFiles;

enum class Resampling { Nearest, Bilinear, Cubic };

struct DrapeOptions {
  Resampling resampling = Resampling::Bilinear;
  // Values of other types than Byte are stretched to 0..255 per band, from the cut_low % to the
  // cut_high % point of their cumulative count (as gdal_translate -scale at those values), or from
  // their minimum to their maximum.
  bool minmax = false;
  double cut_low = 2.0, cut_high = 98.0;
  // Texels on the longer side at most: a finer image is read reduced to it (never refused).
  int max_side = 8192;
};

// The image on the relief's ground: width x height RGBA texels over exactly the relief's extent,
// the outer edges of its outer cells (cell (c, r) of a cols x rows relief spans texels
// [c * width / cols, (c + 1) * width / cols) across), texel row 0 along the relief's row 0.
struct Drape {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // alpha 0 where the image does not cover the ground
  double coverage = 0.0;           // share of the relief's ground the image covers, 0..1
  double texel_x_m = 0.0, texel_y_m = 0.0;  // one texel on the ground, metres
  bool empty() const { return rgba.empty(); }
};

// What the Open dialog and --info say of an image before it is draped.
struct ImageFacts {
  bool georeferenced = false;
  int width = 0, height = 0, bands = 0;
  double pixel_x_m = 0.0, pixel_y_m = 0.0;  // ground size of a pixel, metres (georeferenced only)
  std::string crs_name;
};
// False, with `error`, when the file cannot be opened as a raster.
bool image_facts(const std::string& path, ImageFacts& facts, LoadError& error);

// Whether a texture is draped by georeferencing: the relief is mapped and the texture's first file
// has a geotransform and a coordinate system. Otherwise a texture goes cell by cell, as before.
bool drapes(const TextureFiles& files, const Georef& relief);

// Warps the image (one file of 1 band, grey or with a colour table, 3 bands RGB or 4 RGBA; or three
// single-band files as red, green, blue) onto the ground of a cols x rows relief at `relief`, at
// the image's own resolution up to options.max_side and what memory allows. False, leaving `out`
// as it was and saying why in `error`, when a file cannot be read, three files differ in size, the
// image does not overlap the relief, or its coordinate system does not convert to the relief's.
bool read_drape(const TextureFiles& files, const Georef& relief, std::size_t cols, std::size_t rows,
                const DrapeOptions& options, Drape& out, LoadError& error);

}  // namespace lib3d
