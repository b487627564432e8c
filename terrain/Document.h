#pragma once
// A relief as the viewer draws it, and the loads that make one: the same for the window and for a
// picture written from the command line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "terrain/Drape.h"
#include "terrain/Georef.h"
#include "terrain/LoadError.h"
#include "terrain/Loading.h"

namespace lib3d {

struct HeightRange {
  float min = 0.0f, max = 0.0f;
};
// Smallest and largest finite value of v[0..n). Real elevation models carry NaN or infinite
// no-data cells; they take no part in the range. With no finite value at all the range is (0, 0).
HeightRange finite_range(const float* v, std::size_t n);

// How a relief is read: its band, whether a reduction reads GDAL's overviews, and what is a hole.
struct ReliefOptions {
  int band = 1;
  bool overviews = false;     // a reduction by k reads the overview level nearest to k (not every k-th pixel)
  bool holes = true;          // no-data, masked and non-finite cells are holes; false: every value a height
  bool nodata_given = false;  // a no-data value the file does not declare, taken as if it did
  double nodata = 0.0;
  DrapeOptions drape;         // how a georeferenced texture is laid over a georeferenced relief
};

struct Document {
  // Cell (c, r) is heights[r * width + c]; min..max is the finite height range.
  std::vector<float> heights;
  std::size_t width = 0, height = 0;
  float min = 0.0f, max = 0.0f;
  // One colour word (0x00BBGGRR) per cell; empty: the palette colours the relief.
  std::vector<std::uint32_t> colors;
  // An image laid over the ground at its own resolution (it then colours the relief where it
  // covers it, the palette elsewhere); `drape_serial` changes with every new one.
  Drape drape;
  std::uint64_t drape_serial = 0;
  // Where the grid lies on the ground; bare (square cells, row 0 at the bottom) unless it was read
  // from a georeferenced file.
  Georef geo;
  // Holes are NaN cells: no triangle touches one and the range leaves them out. A grid handed to
  // the view through its API has none (its NaN cells lie on the floor, as they always did).
  bool holes = false;
  std::size_t hole_count = 0;
  int band = 1, band_count = 1;  // the file's band the heights come from, of how many
  // A value that looks like a void (-32768, -32767, -9999, <= -1e30) held by many cells of a file
  // that declares no no-data value: `suspect_count` cells of `suspect` (0 cells: none).
  double suspect = 0.0;
  std::size_t suspect_count = 0;

  // Takes the grid and finds its range. False, changing nothing, when the vector is shorter than
  // width x height cells (or that product overflows).
  bool set_heights(std::vector<float>&& grid, std::size_t columns, std::size_t rows);
};

// The texture's channel files (one file three times for grey) and the component of two-valued
// pixels.
struct TextureFiles {
  std::string red, green, blue;
  std::size_t component = 0;
};

// Reads the relief and its georeferencing into `doc` (its colours stay); `doc` changes only on
// success. A grid with no cells left after reduction is a success here.
bool load_relief(const std::string& path, std::size_t factorX, std::size_t factorY, const ReliefOptions& options,
                 Document& doc, LoadError& error, const loading::Progress& progress = {},
                 std::uint64_t bytesPerCell = loading::kBytesPerCell);

// Reads a texture for a relief of columns x rows cells: refused when its size after reduction
// differs, since colours go cell by cell.
bool load_texture(const TextureFiles& files, std::size_t factorX, std::size_t factorY, std::size_t columns,
                  std::size_t rows, std::vector<std::uint32_t>& colors, LoadError& error,
                  const loading::Progress& progress = {}, std::uint64_t bytesPerCell = loading::kBytesPerCell);

// The relief (refused when no cell is left after reduction) and, when `texture` is given, its
// colours: a drape when both are georeferenced (the factors then reduce only the relief), one
// colour a cell otherwise. `doc` changes only on success.
bool load_document(const std::string& relief, std::size_t factorX, std::size_t factorY, const ReliefOptions& options,
                   const TextureFiles* texture, Document& doc, LoadError& error,
                   std::uint64_t bytesPerCell = loading::kBytesPerCell);

}  // namespace lib3d
