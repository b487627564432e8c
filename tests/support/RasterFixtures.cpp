#include "tests/support/RasterFixtures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <cpl_string.h>
#include <gdal_priv.h>

namespace r3dtest {

TempDir::TempDir() {
  std::string base = std::filesystem::temp_directory_path().string() + "/r3dtest.XXXXXX";
  std::vector<char> buf(base.begin(), base.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data())) path_ = buf.data();
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
  const bool complex = GDALDataTypeIsComplex(type);
  std::vector<double> row(static_cast<size_t>(width) * (complex ? 2 : 1));
  bool ok = true;
  for (int y = 0; y < height && ok; ++y) {
    for (int x = 0; x < width; ++x) {
      double im = 0;
      row[complex ? 2 * x : x] = fn(x, y, &im);
      if (complex) row[2 * x + 1] = im;
    }
    for (int b = 1; b <= bands && ok; ++b)
      ok = ds->GetRasterBand(b)->RasterIO(GF_Write, 0, y, width, 1, row.data(), width, 1,
                                          complex ? GDT_CFloat64 : GDT_Float64, 0, 0) == CE_None;
  }
  GDALClose(ds);
  return ok;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  return static_cast<bool>(f);
}

std::vector<double> ReadWholeRaster(const std::string& path, int* width, int* height) {
  GDALAllRegister();
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (!ds) return {};
  int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
  std::vector<double> v(static_cast<size_t>(w) * h);
  if (GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, w, h, v.data(), w, h, GDT_Float64, 0, 0) !=
      CE_None)
    v.clear();
  GDALClose(ds);
  if (width) *width = w;
  if (height) *height = h;
  return v;
}

}  // namespace r3dtest
