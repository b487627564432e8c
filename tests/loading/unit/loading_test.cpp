// Relief and texture readers against rasters written and read back independently with GDAL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <optional>
#include <vector>

#include <gdal.h>

#include "frame/loading/Loading.h"
#include "hostlib/FileLayer.h"
#include "tests/support/RangeServer.h"
#include "tests/support/RasterFixtures.h"

using lib3d::loading::read_relief;
using lib3d::loading::read_texture;
using lib3d::loading::scale_to_byte;
using r3dtest::Layout;

namespace {

double Position(int x, int y, double*) { return r3dtest::PositionValue(x, y); }

// Outputs pre-filled with a sentinel so that "left untouched" can be checked.
struct ReliefOut {
  std::vector<float> heights{42.f};
  std::size_t cols = 7, rows = 9;
  bool untouched() const { return heights.size() == 1 && heights[0] == 42.f && cols == 7 && rows == 9; }
};
struct TextureOut {
  std::vector<std::uint32_t> colors{0xABCDEFu};
  std::size_t cols = 7, rows = 9;
  bool untouched() const { return colors.size() == 1 && colors[0] == 0xABCDEFu && cols == 7 && rows == 9; }
};

}  // namespace

// Every way a relief file is read, against what GDAL itself reads, bit for bit: cell (r, c) is
// pixel (c * kx, r * ky) for every layout, compression, byte order and pixel type. The comment on
// each row names the reader that serves it. Progress runs up to the row count without going back.
struct FileKind {
  const char* name;
  GDALDataType type;
  Layout layout;
  int tile;
  std::vector<std::string> options;
  const char* driver = "GTiff";
  int bands = 1;
  // Served over HTTP from 127.0.0.1 by byte ranges, behind this prefix ("/vsicurl/", or "" for a
  // bare http:// address); null: read from disk.
  const char* served = nullptr;
};

class ReliefFile : public testing::TestWithParam<FileKind> {};

TEST_P(ReliefFile, KeepsExactlyThePixelsGdalReads) {
  const FileKind& kind = GetParam();
  const bool isSigned = kind.type == GDT_Int16 || kind.type == GDT_CInt16;
  const bool isFloat = kind.type == GDT_Float32 || kind.type == GDT_Float64 || kind.type == GDT_CFloat32;
  const int modulus = kind.type == GDT_Byte ? 251 : 30011;
  auto value = [&](int x, int y, double* im) {
    double v = (x * 37 + y * 101) % modulus - (isSigned ? 15000 : 0) + (isFloat ? x / 8.0 : 0);
    *im = -v - 1;
    return v;
  };
  // 700 x 400 Float32 is just over 1 MiB, so that a whole-image strip is too large to read whole.
  const int W = 700, H = 400;
  r3dtest::TempDir dir;
  const std::string path = dir.file("relief");
  ASSERT_TRUE(r3dtest::WriteRaster(path, W, H, kind.type, value, kind.layout, kind.tile, kind.options, kind.driver,
                                   kind.bands));
  const std::vector<double> ref = r3dtest::ReadWholeRaster(path);
  ASSERT_EQ(ref.size(), std::size_t(W) * H);
  std::string source = path;
  std::optional<r3dtest::RangeServer> server;
  if (kind.served) {
    server.emplace(dir.path());
    ASSERT_TRUE(server->ok());
    source = kind.served + server->url("relief");
  }
  // Down to one cell, and beyond: no columns or no rows is an empty grid, not a failure.
  const std::pair<std::size_t, std::size_t> factors[] = {{1, 1},     {3, 4},   {16, 5}, {7, 399},
                                                         {700, 400}, {701, 1}, {1, 401}};
  for (const auto& [kx, ky] : factors) {
    ReliefOut out;
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    ASSERT_TRUE(read_relief(source, kx, ky, out.heights, out.cols, out.rows,
                            [&](std::size_t done, std::size_t total) { progress.emplace_back(done, total); }))
        << kx << "x" << ky;
    ASSERT_EQ(out.cols, W / kx);
    ASSERT_EQ(out.rows, H / ky);
    std::vector<float> want(out.cols * out.rows);
    for (std::size_t r = 0; r < out.rows; ++r)
      for (std::size_t c = 0; c < out.cols; ++c) want[r * out.cols + c] = float(ref[r * ky * W + c * kx]);
    ASSERT_EQ(out.heights.size(), want.size());
    EXPECT_TRUE(want.empty() || std::memcmp(out.heights.data(), want.data(), want.size() * sizeof(float)) == 0)
        << kx << "x" << ky;
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end())) << kx << "x" << ky;
    EXPECT_TRUE(std::all_of(progress.begin(), progress.end(), [&](auto& p) { return p.second == out.rows; }));
    EXPECT_EQ(progress.back().first, out.rows);
  }
  if (server) {
    EXPECT_GT(server->rangeRequests(), 0);  // read by ranges, not downloaded whole
  }
}

const FileKind kFileKinds[] = {
    {"StripedFloat32", GDT_Float32, Layout::Striped, 0, {}},                      // raw strips
    {"TiledFloat32PartialTiles", GDT_Float32, Layout::Tiled, 64, {}},             // raw tiles
    {"StripsOfSevenRowsInt16", GDT_Int16, Layout::Striped, 0, {"BLOCKYSIZE=7"}},  // raw strips
    {"OneStripUInt16", GDT_UInt16, Layout::Striped, 0, {"BLOCKYSIZE=400"}},       // raw strips
    {"TiledFloat64", GDT_Float64, Layout::Tiled, 128, {}},                        // raw tiles
    {"BigTiffStripsOfFiveInt16", GDT_Int16, Layout::Striped, 0, {"BIGTIFF=YES", "BLOCKYSIZE=5"}},  // raw strips
    {"StripedComplexFloat32", GDT_CFloat32, Layout::Striped, 0, {}},              // raw strips
    {"DeflateStripsFloat64", GDT_Float64, Layout::Striped, 0, {"COMPRESS=DEFLATE", "BLOCKYSIZE=16"}},  // GDAL blocks
    {"DeflateTilesInt16", GDT_Int16, Layout::Tiled, 32, {"COMPRESS=DEFLATE", "PREDICTOR=2"}},         // GDAL blocks
    {"BigEndianTiledFloat32", GDT_Float32, Layout::Tiled, 64, {"ENDIANNESS=BIG"}},                    // GDAL blocks
    {"BigEndianStripedComplexInt16", GDT_CInt16, Layout::Striped, 0, {"ENDIANNESS=BIG"}},             // GDAL blocks
    {"PixelInterleavedThreeBands", GDT_Byte, Layout::Striped, 0, {"INTERLEAVE=PIXEL"}, "GTiff", 3},   // GDAL blocks
    {"EnviFloat64", GDT_Float64, Layout::Striped, 0, {}, "ENVI"},                                     // GDAL blocks
    {"DeflateOneStripFloat32", GDT_Float32, Layout::Striped, 0, {"COMPRESS=DEFLATE", "BLOCKYSIZE=400"}},  // GDAL rows
    {"TiledFloat32OverHttp", GDT_Float32, Layout::Tiled, 64, {}, "GTiff", 1, "/vsicurl/"},  // GDAL blocks, remote
    {"DeflateTilesAtBareUrl", GDT_Int16, Layout::Tiled, 32, {"COMPRESS=DEFLATE"}, "GTiff", 1, ""},  // the same
};

INSTANTIATE_TEST_SUITE_P(Kinds, ReliefFile, testing::ValuesIn(kFileKinds),
                         [](const testing::TestParamInfo<FileKind>& info) { return std::string(info.param.name); });

// A compressed striped file whose strip of row 50 is garbage: the host opens it (first and last
// rows are fine), and a load succeeds exactly when the factor skips row 50, so skipped rows are
// never read; a load that meets the bad row is refused as a whole.
TEST(Relief, RowsThatAreNotKeptAreNeverRead) {
  r3dtest::TempDir dir;
  const std::string path = dir.file("bad-row.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(path, 64, 100, GDT_Float32, Position, Layout::Striped, 0,
                                   {"COMPRESS=DEFLATE", "BLOCKYSIZE=1"}));
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  ASSERT_NE(ds, nullptr);
  const char* off = GDALGetMetadataItem(GDALGetRasterBand(ds, 1), "BLOCK_OFFSET_0_50", "TIFF");
  const char* len = GDALGetMetadataItem(GDALGetRasterBand(ds, 1), "BLOCK_SIZE_0_50", "TIFF");
  ASSERT_TRUE(off && len);
  const std::string garbage(std::atol(len), char(0xA5));
  const long offset = std::atol(off);
  GDALClose(ds);
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::fseek(f, offset, SEEK_SET);
  std::fwrite(garbage.data(), 1, garbage.size(), f);
  std::fclose(f);
  CFileLayer probe;
  ASSERT_TRUE(probe.Open(path.c_str()));
  probe.Close();

  ReliefOut out;
  ASSERT_TRUE(read_relief(path, 1, 3, out.heights, out.cols, out.rows));  // rows 0, 3, ..., 48, 51, ...
  ASSERT_EQ(out.rows, 33u);
  EXPECT_EQ(out.heights[17 * 64 + 5], float(r3dtest::PositionValue(5, 51)));
  ASSERT_TRUE(read_relief(path, 1, 101, out.heights, out.cols, out.rows));
  EXPECT_EQ(out.rows, 0u);
  ReliefOut bad;
  EXPECT_FALSE(read_relief(path, 1, 2, bad.heights, bad.cols, bad.rows));
  EXPECT_FALSE(read_relief(path, 1, 1, bad.heights, bad.cols, bad.rows));
  EXPECT_TRUE(bad.untouched());
  TextureOut tex;
  EXPECT_FALSE(read_texture(path, path, path, 1, 5, 0, tex.colors, tex.cols, tex.rows));
  EXPECT_TRUE(tex.untouched());
  EXPECT_TRUE(read_texture(path, path, path, 1, 3, 0, tex.colors, tex.cols, tex.rows));
}

// Each refusal leaves the outputs alone and says why in one line; a grid too large for memory is
// refused before any row is read, naming factors that fit.
TEST(Relief, RefusedLoadsSayWhyAndLeaveTheOutputsAlone) {
  r3dtest::TempDir dir;
  const std::string good = dir.file("r.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(good, 20, 10, GDT_Byte, Position));
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("text.tif"), "not a raster\n"));
  const std::string huge = dir.file("huge.vrt");
  ASSERT_TRUE(r3dtest::WriteTextFile(huge, "<VRTDataset rasterXSize=\"100000\" rasterYSize=\"100000\">"
                                           "<VRTRasterBand dataType=\"Float32\" band=\"1\"/></VRTDataset>\n"));
  const struct {
    std::string path;
    std::size_t fx, fy;
    const char* cause;  // a part of the cause
  } cases[] = {
      {good, 0, 1, "factor of 0"},
      {good, 1, 0, "factor of 0"},
      {dir.file("missing.tif"), 1, 1, "missing.tif: "},
      {dir.file("text.tif"), 1, 1, "text.tif: "},
      {"", 1, 1, "no file name"},
      {huge, 1, 1, "factors of at least"},
      {huge, 4, 4, "factors of at least"},
  };
  for (const auto& c : cases) {
    ReliefOut out;
    std::string cause;
    EXPECT_FALSE(read_relief(c.path, c.fx, c.fy, out.heights, out.cols, out.rows, {}, &cause)) << c.path;
    EXPECT_NE(cause.find(c.cause), std::string::npos) << cause;
    EXPECT_EQ(cause.find('\n'), std::string::npos) << cause;
    EXPECT_TRUE(out.untouched()) << c.path;
  }
}

TEST(Relief, ValuesBeyondFloatBecomeInfinite) {
  r3dtest::TempDir dir;
  const std::string path = dir.file("big.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(path, 3, 1, GDT_Float64, [](int x, int, double*) { return x == 0 ? 1e300 : x == 1 ? -1e300 : 1.5; }));
  ReliefOut out;
  ASSERT_TRUE(read_relief(path, 1, 1, out.heights, out.cols, out.rows));
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(out.heights, (std::vector<float>{inf, -inf, 1.5f}));
}

// (v - min) / (max - min) * 255 truncated toward zero, then taken modulo 256: one 255th of the range
// above max wraps to 0, one below min to 255; a reversed range follows the formula; an empty range
// or a value that is not finite gives 0.
TEST(TextureScale, TruncatesWrapsAndDegenerateInputsGiveZero) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const struct {
    double v, min, max;
    int byte;
  } cases[] = {{0, 0, 255, 0},        {255, 0, 255, 255},   {127.9, 0, 255, 127},  {512, 0, 510, 0},
               {-2, 0, 510, 255},     {-0.5, 0, 255, 0},    {300, 0, 255, 44},     {-300, 0, 255, 212},
               {0, 255, 0, 255},      {5, 3, 3, 0},         {3, 3, 3, 0},          {nan, 0, 255, 0},
               {10, nan, 255, 0},     {inf, 0, 255, 0},     {-inf, 0, 255, 0},     {1e300, 0, 1, 0},
               {-1e300, 0, 1, 0},     {5, -inf, inf, 0}};
  for (const auto& c : cases) EXPECT_EQ(scale_to_byte(c.v, c.min, c.max), c.byte) << c.v << " in " << c.min << ".." << c.max;
}

class TextureLayout : public testing::TestWithParam<Layout> {};

// Three different files land in the right bytes, each scaled by its own range.
TEST_P(TextureLayout, ChannelsAreScaledIntoTheirBytes) {
  r3dtest::TempDir dir;
  const int W = 90, H = 70;
  auto red = [](int x, int y, double*) { return double((x + y) % 256); };  // range 0..158
  auto green = [](int x, int y, double*) { return 1000.0 + x * 10; };       // 1000..1890
  auto blue = [](int x, int y, double*) { return double(-y); };            // -69..0
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("r.tif"), W, H, GDT_Int16, red, GetParam(), 32));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("g.tif"), W, H, GDT_Float32, green, GetParam(), 32));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("b.tif"), W, H, GDT_Int32, blue, GetParam(), 32));
  TextureOut out;
  ASSERT_TRUE(read_texture(dir.file("r.tif"), dir.file("g.tif"), dir.file("b.tif"), 4, 3, 0, out.colors,
                           out.cols, out.rows));
  ASSERT_EQ(out.cols, 22u);
  ASSERT_EQ(out.rows, 23u);
  ASSERT_EQ(out.colors.size(), 22u * 23u);
  for (std::size_t r = 0; r < out.rows; ++r)
    for (std::size_t c = 0; c < out.cols; ++c) {
      const int x = int(4 * c), y = int(3 * r);
      const std::uint32_t want = scale_to_byte(red(x, y, nullptr), 0, 158) |
                                 std::uint32_t(scale_to_byte(green(x, y, nullptr), 1000, 1890)) << 8 |
                                 std::uint32_t(scale_to_byte(blue(x, y, nullptr), -69, 0)) << 16;
      ASSERT_EQ(out.colors[r * out.cols + c], want) << r << "," << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextureLayout, testing::Values(Layout::Striped, Layout::Tiled));

// The component chosen in the file dialog is the one scaled: imaginary parts differ from the
// real ones here, so taking the wrong part shows.
TEST(Texture, ComplexTextureUsesTheChosenComponent) {
  r3dtest::TempDir dir;
  const std::string path = dir.file("c.tif");
  auto fn = [](int x, int y, double* im) {
    *im = 200.0 - x * 3 - y;
    return double(x + y);
  };
  ASSERT_TRUE(r3dtest::WriteRaster(path, 40, 20, GDT_CFloat32, fn));
  CFileLayer layer;
  ASSERT_TRUE(layer.Open(path.c_str()));
  const double min = layer.Min(), max = layer.Max();
  layer.Close();

  TextureOut real, imag;
  ASSERT_TRUE(read_texture(path, path, path, 2, 2, COMPONENT_REAL, real.colors, real.cols, real.rows));
  ASSERT_TRUE(read_texture(path, path, path, 2, 2, COMPONENT_IMAGINARY, imag.colors, imag.cols, imag.rows));
  ASSERT_EQ(imag.cols, 20u);
  ASSERT_EQ(imag.rows, 10u);
  int differ = 0;
  for (std::size_t r = 0; r < 10; ++r)
    for (std::size_t c = 0; c < 20; ++c) {
      double im = 0;
      const double re = fn(int(2 * c), int(2 * r), &im);
      const std::uint32_t gi = scale_to_byte(im, min, max), gr = scale_to_byte(re, min, max);
      ASSERT_EQ(imag.colors[r * 20 + c], gi | gi << 8 | gi << 16) << r << "," << c;
      ASSERT_EQ(real.colors[r * 20 + c], gr | gr << 8 | gr << 16) << r << "," << c;
      differ += gi != gr;
    }
  EXPECT_GT(differ, 0);
}

TEST(Texture, MismatchedOrMissingFilesAreRefused) {
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("a.tif"), 30, 20, GDT_Byte, Position));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("narrow.tif"), 29, 20, GDT_Byte, Position));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("short.tif"), 30, 19, GDT_Byte, Position));
  ASSERT_TRUE(r3dtest::WriteRaster(dir.file("cplx.tif"), 30, 20, GDT_CInt16, Position));
  const std::string a = dir.file("a.tif"), narrow = dir.file("narrow.tif"), cplx = dir.file("cplx.tif");
  // A larger green file is refused too, even though reading it would stay inside every buffer.
  const struct {
    std::string r, g, b;
    std::size_t fx, fy;
    std::string blamed;  // the file the cause names
  } cases[] = {
      {a, narrow, a, 1, 1, narrow},          {a, a, dir.file("short.tif"), 1, 1, dir.file("short.tif")},
      {narrow, a, narrow, 1, 1, a},          {a, cplx, a, 1, 1, cplx},
      {cplx, a, a, 1, 1, a},                 {a, a, dir.file("missing.tif"), 1, 1, dir.file("missing.tif")},
      {a, a, a, 0, 1, "factor of 0"},        {a, a, a, 1, 0, "factor of 0"},
  };
  for (const auto& c : cases) {
    TextureOut out;
    std::string cause;
    EXPECT_FALSE(read_texture(c.r, c.g, c.b, c.fx, c.fy, 0, out.colors, out.cols, out.rows, {}, &cause))
        << c.blamed;
    EXPECT_NE(cause.find(c.blamed), std::string::npos) << cause;
    EXPECT_TRUE(out.untouched()) << c.blamed;
  }
  // Zero columns is not a failure.
  TextureOut out;
  ASSERT_TRUE(read_texture(a, a, a, 31, 1, 0, out.colors, out.cols, out.rows));
  EXPECT_EQ(out.cols, 0u);
  EXPECT_EQ(out.rows, 20u);
  EXPECT_TRUE(out.colors.empty());
}
