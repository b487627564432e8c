#include "terrain/Document.h"

#include <cmath>

namespace lib3d {

bool Document::set_heights(std::vector<float>&& grid, std::size_t columns, std::size_t rows) {
  if ((columns != 0 && rows > SIZE_MAX / columns) || grid.size() < columns * rows) return false;
  heights = std::move(grid);
  width = columns;
  height = rows;
  // Non-finite cells (no-data in real elevation models) take no part in the range; with no finite
  // cell at all the range is 0..0.
  bool any = false;
  min = max = 0.0f;
  for (std::size_t i = 0, n = columns * rows; i < n; ++i) {
    const float h = heights[i];
    if (!std::isfinite(h)) continue;
    if (!any) {
      min = max = h;
      any = true;
    } else if (h < min) {
      min = h;
    } else if (h > max) {
      max = h;
    }
  }
  return true;
}

bool load_texture(const TextureFiles& files, std::size_t factorX, std::size_t factorY, std::size_t columns,
                  std::size_t rows, std::vector<std::uint32_t>& colors, LoadError& error,
                  const loading::Progress& progress, std::uint64_t bytesPerCell) {
  std::vector<std::uint32_t> read;
  std::size_t tcols = 0, trows = 0;
  if (!loading::read_texture(files.red, files.green, files.blue, factorX, factorY, files.component, read, tcols,
                             trows, progress, &error, bytesPerCell))
    return false;
  if (tcols != columns || trows != rows)
    return refuse(&error, LoadError::Kind::Mismatch, "",
                  "texture size differs from the relief: " + std::to_string(tcols) + "x" + std::to_string(trows) +
                      " cells against " + std::to_string(columns) + "x" + std::to_string(rows) +
                      " after reduction");
  colors.swap(read);
  return true;
}

bool load_relief(const std::string& path, std::size_t factorX, std::size_t factorY, const ReliefOptions& options,
                 Document& doc, LoadError& error, const loading::Progress& progress, std::uint64_t bytesPerCell) {
  std::vector<float> heights;
  std::size_t cols = 0, rows = 0;
  if (!loading::read_relief(path, factorX, factorY, heights, cols, rows, progress, &error, bytesPerCell,
                            options.band, options.overviews)) {
    error.input = "relief";
    return false;
  }
  doc.set_heights(std::move(heights), cols, rows);
  doc.geo = read_georef(path, factorX, factorY);
  doc.band = options.band;
  return true;
}

bool load_document(const std::string& relief, std::size_t factorX, std::size_t factorY, const ReliefOptions& options,
                   const TextureFiles* texture, Document& doc, LoadError& error, std::uint64_t bytesPerCell) {
  Document loaded;
  if (!load_relief(relief, factorX, factorY, options, loaded, error, {}, bytesPerCell)) return false;
  if (loaded.width == 0 || loaded.height == 0) {
    refuse(&error, LoadError::Kind::Empty, relief,
           "has no cells left after reduction by " + std::to_string(factorX) + "," + std::to_string(factorY));
    error.input = "relief";
    return false;
  }
  if (texture && !load_texture(*texture, factorX, factorY, loaded.width, loaded.height, loaded.colors, error, {},
                               bytesPerCell)) {
    error.input = "texture";
    return false;
  }
  doc = std::move(loaded);
  return true;
}

}  // namespace lib3d
