#pragma once
// Raster files for tests, written with GDAL into a temporary directory that the test owns.
#include <functional>
#include <string>
#include <vector>

#include <gdal.h>

namespace r3dtest {

// A fresh directory under $TMPDIR, removed with everything in it when the object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

enum class Layout { Striped, Tiled };

// Value of pixel (column x, row y); for complex types `imag` receives the imaginary part.
using PixelFn = std::function<double(int x, int y, double* imag)>;

// Writes a GeoTIFF of `type` (GDT_Byte, GDT_Int16, GDT_Float32, GDT_CFloat32, ...); band b holds
// fn's picture moved b - 1 columns left (its pixel (x, y) is fn(x + b - 1, y)). Striped means one row per strip; tiled means 256 x 256 tiles (or `tile` if given).
// `options` ("KEY=VALUE" creation options) come last and win; `driver` may name another format.
// Returns false when GDAL could not write the file.
bool WriteRaster(const std::string& path, int width, int height, GDALDataType type, const PixelFn& fn,
                 Layout layout = Layout::Striped, int tile = 256, const std::vector<std::string>& options = {},
                 const char* driver = "GTiff", int bands = 1);

// Gives the file a geotransform, a CRS ("EPSG:32633"; null: none) and a unit for band 1's values.
bool Georeference(const std::string& path, const double transform[6], const char* crs, const char* unit = "");

// Default pixel rule used by many tests: a value that encodes its own position.
double PositionValue(int x, int y);  // = y * 1000 + x

// Files that are not readable rasters.
bool WriteTextFile(const std::string& path, const std::string& text);

// Reads a band of `path` as doubles through GDAL (real part for complex types); empty on failure.
std::vector<double> ReadWholeRaster(const std::string& path, int* width = nullptr, int* height = nullptr, int band = 1);

}  // namespace r3dtest
