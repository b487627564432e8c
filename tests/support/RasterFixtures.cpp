#include "tests/support/RasterFixtures.h"

#include <ogr_srs_api.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <cpl_string.h>
#include <gdal_priv.h>

namespace r3dtest {

TempDir::TempDir() {
  path_ = std::filesystem::temp_directory_path().string() + "/r3dtest.XXXXXX";
  if (!mkdtemp(path_.data())) path_.clear();
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

double PositionValue(int x, int y) { return y * 1000.0 + x; }

bool WriteRaster(const std::string& path, int width, int height, GDALDataType type, const PixelFn& fn,
                 Layout layout, int tile, const std::vector<std::string>& options, const char* driver,
                 int bands) {
  GDALAllRegister();
  GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(driver);
  if (!drv) return false;
  const std::string t = std::to_string(tile);
  std::vector<std::string> all;
  if (std::string(driver) == "GTiff")
    all = layout == Layout::Tiled ? std::vector<std::string>{"TILED=YES", "BLOCKXSIZE=" + t, "BLOCKYSIZE=" + t}
                                  : std::vector<std::string>{"BLOCKYSIZE=1"};
  all.insert(all.end(), options.begin(), options.end());  // later ones win
  char** opts = nullptr;
  for (const std::string& o : all) opts = CSLSetNameValue(opts, o.substr(0, o.find('=')).c_str(), o.substr(o.find('=') + 1).c_str());
  GDALDataset* ds = drv->Create(path.c_str(), width, height, bands, type, opts);
  CSLDestroy(opts);
  if (!ds) return false;
  bool ok = true;
  for (int y = 0; y < height && ok; ++y) {
    // Complex pairs whatever the type (GDAL keeps the real part of a real band); fn sets im or not.
    std::vector<double> row(2 * static_cast<size_t>(width + bands - 1));
    for (int x = 0; x < width + bands - 1; ++x) row[2 * x] = fn(x, y, &row[2 * x + 1]);
    for (int b = 1; b <= bands && ok; ++b)
      ok = ds->GetRasterBand(b)->RasterIO(GF_Write, 0, y, width, 1, &row[2 * (b - 1)], width, 1, GDT_CFloat64, 0, 0) ==
           CE_None;
  }
  GDALClose(ds);
  return ok;
}

bool Georeference(const std::string& path, const double transform[6], const char* crs, const char* unit) {
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_Update);
  if (!ds) return false;
  double t[6];
  std::copy(transform, transform + 6, t);
  bool ok = GDALSetGeoTransform(ds, t) == CE_None;
  if (crs) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    char* wkt = nullptr;
    ok = ok && OSRSetFromUserInput(srs, crs) == OGRERR_NONE && OSRExportToWkt(srs, &wkt) == OGRERR_NONE &&
         GDALSetProjection(ds, wkt) == CE_None;
    CPLFree(wkt);
    OSRDestroySpatialReference(srs);
  }
  ok = ok && GDALSetRasterUnitType(GDALGetRasterBand(ds, 1), unit) == CE_None;
  GDALClose(ds);
  return ok;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  return static_cast<bool>(f);
}

std::vector<double> ReadWholeRaster(const std::string& path, int* width, int* height, int band) {
  GDALAllRegister();
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (!ds) return {};
  int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
  std::vector<double> v(static_cast<size_t>(w) * h);
  if (band > GDALGetRasterCount(ds) || GDALRasterIO(GDALGetRasterBand(ds, band), GF_Read, 0, 0, w, h, v.data(), w, h, GDT_Float64, 0, 0) !=
      CE_None)
    v.clear();
  GDALClose(ds);
  if (width) *width = w;
  if (height) *height = h;
  return v;
}

}  // namespace r3dtest
