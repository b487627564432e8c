// Drape benchmark. (1) Loading: an 8192 x 8192 RGB orthophoto (1 m) laid over a 1024 x 1024 DEM (8 m
// cells, the same ground, UTM) by read_drape, against `gdalwarp` of that image to the same extent and
// resolution (into /vsimem, bilinear), both warm cache, medians of 3; goal: at most 1.5x. (2) Painting:
// a 1000 x 1000 relief with a 4096 x 4096 draped texture against the same relief with one colour a
// cell, offscreen 800 x 600, display list compiled, medians of 7 paints; goal: at most 1.3x. The rasters
// are generated once into $R3D_BENCH_DIR or /tmp/r3d-bench.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>

#include "bench/BenchRaster.h"
#include "render/OffscreenContext.h"
#include "render/Renderer.h"
#include "terrain/Document.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string utm_wkt() {
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(srs, 32633);
  char* wkt = nullptr;
  OSRExportToWkt(srs, &wkt);
  std::string out = wkt;
  CPLFree(wkt);
  OSRDestroySpatialReference(srs);
  return out;
}

// A raster of `bands` bands over 8192 m x 8192 m from (500000, 4100000) north-up, value(x, y, band).
template <class Value>
bool make(const std::string& path, int n, int bands, GDALDataType type, Value value) {
  if (benchraster::exists(path)) return true;
  std::printf("generating %s ...\n", path.c_str());
  std::fflush(stdout);
  const std::string tmp = path + ".part";
  char** opts = CSLSetNameValue(nullptr, "TILED", "YES");
  if (bands == 3) opts = CSLSetNameValue(opts, "PHOTOMETRIC", "RGB");
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), tmp.c_str(), n, n, bands, type, opts);
  CSLDestroy(opts);
  if (!ds) return false;
  double gt[6] = {500000, 8192.0 / n, 0, 4100000, 0, -8192.0 / n};
  GDALSetGeoTransform(ds, gt);
  GDALSetProjection(ds, utm_wkt().c_str());
  std::vector<float> row(n);
  bool ok = true;
  for (int b = 1; b <= bands && ok; ++b)
    for (int y = 0; y < n && ok; ++y) {
      for (int x = 0; x < n; ++x) row[x] = value(x, y, b);
      ok = GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, 0, y, n, 1, row.data(), n, 1, GDT_Float32, 0, 0) == CE_None;
    }
  GDALClose(ds);
  return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

// What gdalwarp does for the same image, extent and resolution (bilinear, an alpha band): its
// library routine in this process into memory, as read_drape's result stays in memory.
double gdalwarp_ms(const std::string& image) {
  const char* args[] = {"-q", "-of", "MEM", "-r", "bilinear", "-te", "500000", "4091808", "508192", "4100000",
                        "-ts", "8192", "8192", "-dstalpha", nullptr};
  GDALWarpAppOptions* opts = GDALWarpAppOptionsNew(const_cast<char**>(args), nullptr);
  GDALDatasetH src = GDALOpen(image.c_str(), GA_ReadOnly);
  const auto t0 = Clock::now();
  int bad = 0;
  GDALDatasetH out = GDALWarp("", nullptr, 1, &src, opts, &bad);
  std::vector<unsigned char> rgba(std::size_t{8192} * 8192 * 4);
  int bands[4] = {1, 2, 3, 4};
  const bool ok = out && GDALDatasetRasterIO(out, GF_Read, 0, 0, 8192, 8192, rgba.data(), 8192, 8192, GDT_Byte, 4,
                                             bands, 4, 4 * 8192, 1) == CE_None;
  const double ms = ms_since(t0);
  if (out) GDALClose(out);
  GDALClose(src);
  GDALWarpAppOptionsFree(opts);
  return ok ? ms : -1;
}

}  // namespace

int main() {
  GDALAllRegister();
  const char* env = std::getenv("R3D_BENCH_DIR");
  const std::string dir = env && *env ? env : "/tmp/r3d-bench";
  ::mkdir(dir.c_str(), 0755);
  const std::string dem = dir + "/drape-dem-1024.tif", ortho = dir + "/drape-ortho-8192.tif";
  if (!make(dem, 1024, 1, GDT_Float32, [](int x, int y, int) { return 300 + 40 * std::sin(x * 0.02f) * std::cos(y * 0.03f); }) ||
      !make(ortho, 8192, 3, GDT_Byte, [](int x, int y, int b) {
        return static_cast<float>((x / 16 + y / 16 + b * 40) % 256);
      })) {
    std::fprintf(stderr, "cannot write the rasters into %s\n", dir.c_str());
    return 1;
  }
  // (1) Loading, warm: each file read once before timing.
  lib3d::Document doc;
  lib3d::LoadError error;
  if (!lib3d::load_relief(dem, 1, 1, lib3d::ReliefOptions(), doc, error)) {
    std::fprintf(stderr, "%s\n", error.line().c_str());
    return 1;
  }
  gdalwarp_ms(ortho);
  std::vector<double> ours, theirs;
  lib3d::Drape drape;
  for (int k = 0; k < 3; ++k) {
    theirs.push_back(gdalwarp_ms(ortho));
    lib3d::Drape d;
    const auto t0 = Clock::now();
    if (!lib3d::read_drape({ortho, ortho, ortho, 0}, doc.geo, doc.width, doc.height, lib3d::DrapeOptions(), d, error)) {
      std::fprintf(stderr, "%s\n", error.line().c_str());
      return 1;
    }
    ours.push_back(ms_since(t0));
    drape = std::move(d);
  }
  const double load_ratio = median(ours) / median(theirs);
  std::printf("8192^2 RGB over 1024^2: read_drape %.0f ms (%dx%d texels), gdalwarp's routine %.0f ms: %.2fx\n",
              median(ours), drape.width, drape.height, median(theirs), load_ratio);

  // (2) Painting a 1000^2 relief: a 4096^2 drape against one colour a cell.
  const int n = 1000, t = 4096, kW = 800, kH = 600;
  std::vector<float> heights(static_cast<std::size_t>(n) * n);
  std::vector<std::uint32_t> cells(heights.size()), palette(256);
  std::vector<std::uint8_t> texels(static_cast<std::size_t>(t) * t * 4);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      heights[static_cast<std::size_t>(r) * n + c] = 100 * std::sin(c * 0.05f) * std::cos(r * 0.037f);
      cells[static_cast<std::size_t>(r) * n + c] = static_cast<std::uint32_t>(c % 256 | (r % 256) << 8 | 0x40 << 16);
    }
  for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : i * 7 / 3);
  for (int i = 0; i < 256; ++i) palette[i] = static_cast<std::uint32_t>(i | (255 - i) << 8);
  std::string why;
  auto ctx = lib3d::OffscreenContext::create(kW, kH, why);
  if (!ctx) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
  }
  double paint[2] = {0, 0};
  for (int draped = 0; draped < 2; ++draped) {
    lib3d::Scene s;
    s.heights = heights.data(), s.width = s.height = n, s.min = -100, s.max = 100, s.tilt = 45, s.azimuth = 30;
    s.palette = palette.data(), s.palette_count = palette.size();
    if (draped) s.drape = texels.data(), s.drape_width = s.drape_height = t, s.drape_serial = 1;
    else s.colors = cells.data(), s.color_count = cells.size();
    lib3d::Renderer r;
    r.compile(s);
    r.paint(s, kW, kH);
    std::vector<double> ms;
    for (int k = 0; k < 7; ++k) {
      const auto t0 = Clock::now();
      r.paint(s, kW, kH);
      ms.push_back(ms_since(t0));
    }
    paint[draped] = median(ms);
  }
  const double paint_ratio = paint[1] / paint[0];
  std::printf("1000^2 paint: one colour a cell %.1f ms, 4096^2 drape %.1f ms: %.2fx\n", paint[0], paint[1], paint_ratio);
  std::printf("RESULT\tload 8192^2 RGB drape <= 1.5x gdalwarp (warm)\t%.2fx\t%s\n", load_ratio,
              load_ratio <= 1.5 ? "PASS" : "FAIL");
  std::printf("RESULT\tpaint 1000^2 with 4096^2 drape <= 1.3x per-cell colours\t%.2fx\t%s\n", paint_ratio,
              paint_ratio <= 1.3 ? "PASS" : "FAIL");
  return 0;
}
