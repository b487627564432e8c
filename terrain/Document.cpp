#include "terrain/Document.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <gdal.h>

namespace lib3d {

HeightRange finite_range(const float* v, std::size_t n) {
  HeightRange r;
  bool any = false;
  for (std::size_t i = 0; i < n; ++i) {
    const float h = v[i];
    if (!std::isfinite(h)) continue;
    if (!any) {
      r.min = r.max = h;
      any = true;
    } else if (h < r.min) {
      r.min = h;
    } else if (h > r.max) {
      r.max = h;
    }
  }
  return r;
}

bool Document::set_heights(std::vector<float>&& grid, std::size_t columns, std::size_t rows) {
  if ((columns != 0 && rows > SIZE_MAX / columns) || grid.size() < columns * rows) return false;
  heights = std::move(grid);
  width = columns;
  height = rows;
  const HeightRange r = finite_range(heights.data(), columns * rows);
  min = r.min;
  max = r.max;
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

namespace {

// Turns the cells that are no data into holes (NaN): non-finite values, the no-data value the band
// declares or the user gives, and the cells the band's mask (a per-dataset mask, an alpha band)
// marks invalid. NaN in the float grid costs no memory and every consumer already leaves
// non-finite heights out of the range; a bit mask beside the grid would cost an eighth more and a
// second lookup at every vertex. Without holes, a value that looks like a void is counted instead.
void find_holes(const std::string& path, std::size_t kx, std::size_t ky, const ReliefOptions& o, Document& doc) {
  float* h = doc.heights.data();
  const std::size_t w = doc.width, n = doc.width * doc.height;
  bool declared = o.nodata_given;
  double nodata = o.nodata;
  std::vector<unsigned char> valid;  // the mask at the grid's cells, when the band has one
  if (GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr)) {
    doc.band_count = GDALGetRasterCount(ds);
    if (o.band >= 1 && o.band <= doc.band_count) {
      GDALRasterBandH band = GDALGetRasterBand(ds, o.band);
      int has = 0;
      const double v = GDALGetRasterNoDataValue(band, &has);
      if (has && !declared) declared = true, nodata = v;
      const int flags = GDALGetMaskFlags(band);
      if (o.holes && n > 0 && !(flags & GMF_ALL_VALID) && !(flags & GMF_NODATA)) {
        valid.assign(n, 1);
        GDALRasterBandH mask = GDALGetMaskBand(band);
        const int W = GDALGetRasterXSize(ds);
        std::vector<unsigned char> row(static_cast<std::size_t>(W));
        for (std::size_t r = 0; r < doc.height; ++r) {
          if (o.overviews) {  // the mask as the grid was read: the overview's nearest pixels
            GDALRasterIOExtraArg arg;
            INIT_RASTERIO_EXTRA_ARG(arg);
            arg.eResampleAlg = GRIORA_NearestNeighbour;
            if (GDALRasterIOEx(mask, GF_Read, 0, static_cast<int>(r * ky), static_cast<int>(w * kx), static_cast<int>(ky),
                               valid.data() + r * w, static_cast<int>(w), 1, GDT_Byte, 0, 0, &arg) != CE_None)
              break;
          } else if (GDALRasterIO(mask, GF_Read, 0, static_cast<int>(r * ky), W, 1, row.data(), W, 1, GDT_Byte, 0, 0) ==
                     CE_None) {
            for (std::size_t c = 0; c < w; ++c) valid[r * w + c] = row[c * kx];
          }
        }
      }
    }
    GDALClose(ds);
  }
  const float nodataf = static_cast<float>(nodata);
  const bool nodata_is_float = declared && std::isfinite(nodata) && std::fabs(nodata) <= 3.5e38;
  doc.holes = o.holes;
  // One pass: a value that looks like a void is counted while no value is declared void, and with
  // holes on every cell that is no data becomes NaN.
  const float hole = std::numeric_limits<float>::quiet_NaN();
  const double looks_void[4] = {-32768.0, -32767.0, -9999.0, -1e30};
  std::size_t looks[4] = {0, 0, 0, 0}, holes = 0;
  const bool masked = !valid.empty();
  for (std::size_t i = 0; i < n; ++i) {
    const float v = h[i];
    if (!declared && v <= -9999.0f) {
      const int k = v == -32768.0f ? 0 : v == -32767.0f ? 1 : v == -9999.0f ? 2 : v <= -1e30f ? 3 : -1;
      if (k >= 0) ++looks[k];
    }
    if (o.holes && (!std::isfinite(v) || (nodata_is_float && v == nodataf) || (masked && valid[i] == 0))) h[i] = hole, ++holes;
  }
  for (int k = 0; k < 4; ++k)
    if (looks[k] > doc.suspect_count) doc.suspect = looks_void[k], doc.suspect_count = looks[k];
  if (doc.suspect_count * 100 < n && doc.suspect_count < 100) doc.suspect_count = 0;
  doc.hole_count = holes;
}

}  // namespace

bool load_relief(const std::string& path, std::size_t factorX, std::size_t factorY, const ReliefOptions& options,
                 Document& doc, LoadError& error, const loading::Progress& progress, std::uint64_t bytesPerCell) {
  std::vector<float> heights;
  std::size_t cols = 0, rows = 0;
  if (!loading::read_relief(path, factorX, factorY, heights, cols, rows, progress, &error, bytesPerCell,
                            options.band, options.overviews)) {
    error.input = "relief";
    return false;
  }
  Document loaded;
  loaded.heights = std::move(heights);
  loaded.width = cols, loaded.height = rows;
  find_holes(path, factorX, factorY, options, loaded);
  doc.set_heights(std::move(loaded.heights), cols, rows);
  doc.geo = read_georef(path, factorX, factorY);
  doc.band = options.band;
  doc.holes = loaded.holes, doc.hole_count = loaded.hole_count, doc.band_count = loaded.band_count;
  doc.suspect = loaded.suspect, doc.suspect_count = loaded.suspect_count;
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
  if (texture && drapes(*texture, loaded.geo)) {
    if (!read_drape(*texture, loaded.geo, loaded.width, loaded.height, options.drape, loaded.drape, error)) {
      error.input = "texture";
      return false;
    }
    ++loaded.drape_serial;
  } else if (texture && !load_texture(*texture, factorX, factorY, loaded.width, loaded.height, loaded.colors, error, {},
                                      bytesPerCell)) {
    error.input = "texture";
    return false;
  }
  doc = std::move(loaded);
  return true;
}

}  // namespace lib3d
