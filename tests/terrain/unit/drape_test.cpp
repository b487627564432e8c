// Images draped over a relief against what GDAL's own command-line tools make of the same files.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <gdal.h>

#include "terrain/Document.h"
#include "terrain/Drape.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/RunCommand.h"

namespace {

using Fill = std::function<double(int x, int y, int band)>;
using Geo = std::array<double, 6>;

// A GeoTIFF whose band b holds fill(x, y, b), on `t` in `crs` (anything GDAL takes as user input);
// `more` adds a colour table or a no-data value.
std::string Tiff(const std::string& path, int w, int h, int bands, GDALDataType type, const Fill& fill, Geo t,
                 const char* crs, const std::function<void(GDALDatasetH)>& more = {}) {
  GDALAllRegister();
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), w, h, bands, type, nullptr);
  std::vector<double> v(static_cast<std::size_t>(w) * h);
  for (int b = 1; b <= bands; ++b) {
    for (int i = 0; i < w * h; ++i) v[i] = fill(i % w, i / w, b);
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, 0, 0, w, h, v.data(), w, h, GDT_Float64, 0, 0), CE_None);
  }
  if (more) more(ds);
  GDALClose(ds);
  EXPECT_TRUE(r3dtest::Georeference(path, t.data(), crs));
  return path;
}

}  // namespace

// Each row drapes an image over a 20 x 15 relief and runs GDAL's tools on the same file for the
// picture expected on the texture's grid ({in}, {out}, {w} x {h}): colours within `tol` levels and
// alpha where it covers, or (tol < 0) its brightest texel within one relief cell.
TEST(Drape, ColoursAndPlacesImagesAsGdalToolsDo) {
  r3dtest::TempDir dir;
  const Geo utm{500000, 10, 0, 5000000, 0, -10}, geo{15, 0.001, 0, 45, 0, -0.001};
  auto flat = [](int, int, int) { return 0.0; };
  const lib3d::Georef reliefUtm = lib3d::read_georef(Tiff(dir.file("u.tif"), 20, 15, 1, GDT_Float32, flat, utm, "EPSG:32633"), 1, 1);
  const lib3d::Georef reliefGeo = lib3d::read_georef(Tiff(dir.file("g.tif"), 20, 15, 1, GDT_Float32, flat, geo, "EPSG:4326"), 1, 1);
  auto rgb = [](int x, int y, int b) { return (x * 37 + y * 11 + b * 70) % 256; };
  auto one = [&](const char* name, int w, int h, int bands, GDALDataType type, const Fill& fill, Geo t = {},
                 const char* crs = "EPSG:32633", std::function<void(GDALDatasetH)> more = {}) {
    if (t[1] == 0) t = {500000, 200.0 / w, 0, 5000000, 0, -150.0 / h};
    const std::string p = Tiff(dir.file(name), w, h, bands, type, fill, t, crs, more);
    return [p] { return lib3d::TextureFiles{p, p, p, 0}; };
  };
  auto palette = [](GDALDatasetH ds) {
    GDALColorTableH ct = GDALCreateColorTable(GPI_RGB);
    const GDALColorEntry e[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
    for (int i = 0; i < 4; ++i) GDALSetColorEntry(ct, i, &e[i]);
    GDALSetRasterColorTable(GDALGetRasterBand(ds, 1), ct);
    GDALSetRasterNoDataValue(GDALGetRasterBand(ds, 1), 3);
    GDALDestroyColorTable(ct);
  };
  // 5 % of pixels at 1000 and at 3000 hold the 2 % and 98 % points whatever the rounding; 1 % are
  // far brighter and 1 % no-data.
  auto outliers = [](int x, int y, int) {
    const int i = y * 20 + x;
    return i % 100 == 7 ? 60000 : i % 100 == 50 ? 0 : i % 20 == 0 ? 1000 : i % 20 == 1 ? 3000 : 1200 + i * 37 % 1600;
  };
  auto noData0 = [](GDALDatasetH ds) { for (int b = 1; b <= 3; ++b) GDALSetRasterNoDataValue(GDALGetRasterBand(ds, b), 0); };
  const std::string red = Tiff(dir.file("r.tif"), 20, 15, 1, GDT_Byte, rgb, utm, "EPSG:32633");
  const std::string blue = Tiff(dir.file("b.tif"), 10, 15, 1, GDT_Byte, rgb, utm, "EPSG:32633");
  const std::string png = "gdal_translate -q -of PNG ";
  struct Case {
    const char* name;
    std::function<lib3d::TextureFiles()> image;
    std::string ref;  // or "refused: " and the refusal's words
    int tol = 0, w = 20, h = 15;
    double coverage = 1.0;
    lib3d::Resampling resampling = lib3d::Resampling::Nearest;
    int maxSide = 8192;
    bool geographic = false;
  };
  const Case cases[] = {
      {"rgb", one("rgb.tif", 20, 15, 3, GDT_Byte, rgb), png + "{in} {out}"},
      {"rgba, alpha 0 uncovered", one("rgba.tif", 20, 15, 4, GDT_Byte, [&](int x, int y, int b) { return b < 4 ? rgb(x, y, b) : x < 5 ? 0 : 255; }),
       png + "{in} {out}", 0, 20, 15, 0.75},
      // Halved with bilinear weights: interpolated indices would give colours of no entry.
      {"paletted, no-data index uncovered", one("pal.tif", 40, 30, 1, GDT_Byte, [](int x, int y, int) { return x < 10 ? 3 : (x + 2 * y) % 3; }, {}, "EPSG:32633", palette),
       "gdal_translate -q -of VRT -expand rgba {in} {out}.vrt && gdalwarp -q -r bilinear -ts {w} {h} {out}.vrt {out}", 2, 20, 15, 0.75,
       lib3d::Resampling::Bilinear, 20},
      {"uint16 cut 2..98", one("u16.tif", 20, 15, 3, GDT_UInt16, outliers, {}, "EPSG:32633", noData0),
       png + "-ot Byte -scale_1 1000 3000 0 255 -scale_2 1000 3000 0 255 -scale_3 1000 3000 0 255 -b 1 -b 2 -b 3 -b mask {in} {out}",
       1, 20, 15, 0.99},
      {"checkerboard at 4x keeps its squares", one("chk.tif", 80, 60, 3, GDT_Byte, [](int x, int y, int) { return (x + y) % 2 * 200 + 20; }),
       png + "{in} {out}", 1, 80, 60, 1.0, lib3d::Resampling::Bilinear},
      {"utm over geographic", one("mark.tif", 60, 60, 3, GDT_Byte, [](int x, int y, int) { return x == 35 && y == 30 ? 255 : 10 + (x + y) % 3; }, {499000, 50, 0, 4984000, 0, -50}),
       "gdalwarp -q -r near -t_srs EPSG:4326 -te 15 44.985 15.02 45 -ts {w} {h} {in} {out}", -1, 0, 0, 1.0,
       lib3d::Resampling::Bilinear, 8192, true},
      {"half covered", one("half.tif", 10, 15, 3, GDT_Byte, rgb, {500000, 10, 0, 5000000, 0, -10}),
       "gdalwarp -q -r near -dstalpha -te 500000 4999850 500200 5000000 -ts {w} {h} {in} {out}", 0, 20, 15, 0.5},
      {"no overlap", one("far.tif", 20, 15, 3, GDT_Byte, rgb, {600000, 10, 0, 5000000, 0, -10}),
       "refused: does not cover any of the relief's ground"},
      {"local crs", one("local.tif", 20, 15, 3, GDT_Byte, rgb, utm, R"(LOCAL_CS["site",UNIT["metre",1]])"),
       "refused: does not convert to the relief's"},
      {"three files of two sizes", [&] { return lib3d::TextureFiles{red, red, blue, 0}; }, "refused: b.tif: its size 10 x 15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const lib3d::DrapeOptions options{c.resampling, false, 2.0, 98.0, c.maxSide};
    lib3d::Drape d;
    d.width = -7;  // a refusal leaves it
    lib3d::LoadError e;
    const lib3d::TextureFiles f = c.image();
    const bool ok = lib3d::read_drape(f, c.geographic ? reliefGeo : reliefUtm, 20, 15, options, d, e);
    if (c.ref.rfind("refused: ", 0) == 0) {
      EXPECT_TRUE(!ok && d.width == -7 && e.kind == lib3d::LoadError::Kind::Mismatch) << e.line();
      EXPECT_NE(e.line().find(c.ref.substr(9)), std::string::npos) << e.line();
      continue;
    }
    ASSERT_TRUE(ok) << e.line();
    EXPECT_TRUE(!c.w || (d.width == c.w && d.height == c.h)) << d.width << " x " << d.height;
    EXPECT_NEAR(d.coverage, c.coverage, 0.01);
    std::string cmd = c.ref, out = dir.file(std::string("ref") + std::to_string(&c - cases) + ".tif");
    for (auto [key, value] : {std::pair{"{in}", f.red}, {"{out}", out}, {"{w}", std::to_string(d.width)}, {"{h}", std::to_string(d.height)}})
      for (std::size_t at; (at = cmd.find(key)) != std::string::npos;) cmd.replace(at, std::strlen(key), value);
    const r3dtest::Outcome run = r3dtest::RunCommand(cmd);
    ASSERT_EQ(run.status, 0) << cmd << "\n" << run.out;
    std::vector<double> ref[4];
    int rw = 0, rh = 0;
    for (int b = 0; b < 4; ++b) ref[b] = r3dtest::ReadWholeRaster(out, &rw, &rh, b + 1);
    ASSERT_EQ(rw * rh, d.width * d.height);
    if (c.tol < 0) {
      auto brightest = [&](auto at) { int best = 0; for (int i = 1; i < rw * rh; ++i) if (at(i) > at(best)) best = i; return best; };
      const int got = brightest([&](int i) { return d.rgba[4 * i]; }), want = brightest([&](int i) { return ref[0][i]; });
      EXPECT_LE(std::abs(got % rw - want % rw), rw / 20) << got << " " << want;
      EXPECT_LE(std::abs(got / rw - want / rw), rh / 15) << got << " " << want;
      continue;
    }
    int worst = 0;
    for (int i = 0; i < rw * rh; ++i) {
      const double alpha = ref[3].empty() ? 255 : ref[3][i];
      worst = std::max(worst, static_cast<int>(std::abs(d.rgba[4 * i + 3] - alpha)));
      for (int b = 0; b < 3 && alpha > 0; ++b) worst = std::max(worst, static_cast<int>(std::abs(d.rgba[4 * i + b] - ref[b][i])));
    }
    EXPECT_LE(worst, c.tol);
  }
}
