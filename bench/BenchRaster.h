#pragma once
// The large synthetic rasters the benchmarks share: generated once into a cache directory and
// reused by later runs (written to a ".part" file and renamed, so an interrupted run leaves none).
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <cpl_string.h>
#include <gdal.h>

namespace benchraster {

inline bool exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

inline float value_at(int x, int y) { return static_cast<float>((x * 7 + y * 13) % 1000) + 0.25f; }

inline bool generate(const std::string& path, int size, bool tiled) {
  if (exists(path)) return true;
  std::printf("generating %s ...\n", path.c_str());
  std::fflush(stdout);
  const std::string tmp = path + ".part";
  char** opts = nullptr;
  if (tiled) {
    opts = CSLSetNameValue(opts, "TILED", "YES");
    opts = CSLSetNameValue(opts, "BLOCKXSIZE", "256");
    opts = CSLSetNameValue(opts, "BLOCKYSIZE", "256");
  } else {
    opts = CSLSetNameValue(opts, "BLOCKYSIZE", "1");
  }
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), tmp.c_str(), size, size, 1, GDT_Float32, opts);
  CSLDestroy(opts);
  if (!ds) return false;
  // Write in bands of 256 rows so that tiles are written once, whole.
  std::vector<float> band(static_cast<std::size_t>(size) * 256);
  bool ok = true;
  for (int y0 = 0; y0 < size && ok; y0 += 256) {
    const int rows = std::min(256, size - y0);
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < size; ++x) band[static_cast<std::size_t>(y) * size + x] = value_at(x, y0 + y);
    ok = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, y0, size, rows, band.data(), size, rows, GDT_Float32, 0,
                      0) == CE_None;
  }
  GDALClose(ds);
  return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace benchraster
