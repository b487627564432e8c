// Relief and texture readers against rasters written and read back independently with GDAL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <set>

#include "terrain/Loading.h"
#include "hostlib/FileLayer.h"
#include "tests/support/RangeServer.h"
#include "tests/support/RasterFixtures.h"

using namespace lib3d::loading;
using r3dtest::Layout;

namespace {

double Position(int x, int y, double*) { return r3dtest::PositionValue(x, y); }

// Outputs pre-filled with a sentinel so that "left untouched" can be checked.
template <typename T> struct Out {
  std::vector<T> cells{T(42)};
  std::size_t cols = 7, rows = 9;
  bool untouched() const { return cells == std::vector<T>{T(42)} && cols == 7 && rows == 9; }
};

// Records a read's progress; `forward` holds when it ran up to `total` without going back.
struct Steps : std::vector<std::pair<std::size_t, std::size_t>> {
  Progress record() { return [this](std::size_t done, std::size_t total) { emplace_back(done, total); }; }
  bool forward(std::size_t total) const {
    return !empty() && std::is_sorted(begin(), end()) && back().first == total &&
           std::all_of(begin(), end(), [&](auto& p) { return p.second == total; });
  }
};

}  // namespace

// Every way a relief file is read, against what GDAL itself reads, bit for bit: cell (r, c) is
// pixel (c * kx, r * ky) of the file's last band for every layout, interleaving, compression, byte
// order and pixel type. The comment on
// each row names the reader that serves it.
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
  const std::vector<double> ref = r3dtest::ReadWholeRaster(path, nullptr, nullptr, kind.bands);
  ASSERT_EQ(ref.size(), std::size_t(W) * H);
  std::optional<r3dtest::RangeServer> server;
  if (kind.served) server.emplace(dir.path());
  ASSERT_TRUE(!server || server->ok()) << "the test's HTTP server did not start";
  const std::string source = server ? kind.served + server->url("relief") : path;
  // Down to one cell, and beyond: no columns or no rows is an empty grid, not a failure.
  for (const auto& [kx, ky] : {std::pair<std::size_t, std::size_t>{1, 1}, {3, 4}, {16, 5}, {7, 399}, {700, 400},
                               {701, 1}, {1, 401}}) {
    Out<float> out;
    Steps progress;
    ASSERT_TRUE(read_relief(source, kx, ky, out.cells, out.cols, out.rows, progress.record(), nullptr,
                            lib3d::loading::kBytesPerCell, kind.bands)) << kx << "x" << ky;
    ASSERT_EQ(std::make_pair(out.cols, out.rows), std::make_pair(W / kx, H / ky));
    std::vector<float> want(out.cols * out.rows);
    for (std::size_t i = 0; i < want.size(); ++i) want[i] = float(ref[i / out.cols * ky * W + i % out.cols * kx]);
    EXPECT_TRUE(out.cells.size() == want.size() && progress.forward(out.rows) &&
                (want.empty() || std::memcmp(out.cells.data(), want.data(), want.size() * sizeof(float)) == 0))
        << kx << "x" << ky;
  }
  EXPECT_TRUE(!server || server->rangeRequests() > 0);  // read by ranges, not downloaded whole
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
    {"BandInterleavedTwoBandsInt16", GDT_Int16, Layout::Striped, 0, {"INTERLEAVE=BAND"}, "GTiff", 2},  // raw strips
    {"BandInterleavedTilesFloat32", GDT_Float32, Layout::Tiled, 64, {"INTERLEAVE=BAND"}, "GTiff", 3},  // raw tiles
    {"EnviFloat64", GDT_Float64, Layout::Striped, 0, {}, "ENVI"},                                     // GDAL blocks
    {"DeflateOneStripFloat32", GDT_Float32, Layout::Striped, 0, {"COMPRESS=DEFLATE", "BLOCKYSIZE=400"}},  // GDAL rows
    {"TiledFloat32OverHttp", GDT_Float32, Layout::Tiled, 64, {}, "GTiff", 1, "/vsicurl/"},  // GDAL blocks, remote
    {"DeflateTilesAtBareUrl", GDT_Int16, Layout::Tiled, 32, {"COMPRESS=DEFLATE"}, "GTiff", 1, ""},  // the same
};

INSTANTIATE_TEST_SUITE_P(Kinds, ReliefFile, testing::ValuesIn(kFileKinds),
                         [](const testing::TestParamInfo<FileKind>& info) { return std::string(info.param.name); });

// A compressed striped file whose strip of row 50 is garbage: a load succeeds exactly when the
// factor skips row 50, so skipped rows are never read; a load that meets the bad row is refused as
// a whole. Values beyond float's range (row 0) become infinite.
TEST(Relief, RowsThatAreNotKeptAreNeverRead) {
  r3dtest::TempDir dir;
  const std::string path = dir.file("bad-row.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(path, 64, 100, GDT_Float64, [](int x, int y, double*) {
    return y || x > 1 ? r3dtest::PositionValue(x, y) : x ? -1e300 : 1e300; }, Layout::Striped, 0,
                                   {"COMPRESS=DEFLATE", "BLOCKYSIZE=1"}));
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  ASSERT_NE(ds, nullptr);
  const auto block = [&](const char* key) {
    const char* v = GDALGetMetadataItem(GDALGetRasterBand(ds, 1), key, "TIFF");
    return v ? std::atol(v) : 0L;
  };
  const long offset = block("BLOCK_OFFSET_0_50"), size = block("BLOCK_SIZE_0_50");
  GDALClose(ds);
  ASSERT_GT(offset * size, 0);
  ASSERT_TRUE(std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(offset)
                  .write(std::string(size, char(0xA5)).data(), size));

  Out<float> out, bad;
  ASSERT_TRUE(read_relief(path, 1, 3, out.cells, out.cols, out.rows));  // rows 0, 3, ..., 48, 51, ...
  ASSERT_EQ(out.rows, 33u);
  EXPECT_EQ(out.cells[17 * 64 + 5], float(r3dtest::PositionValue(5, 51)));
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(std::vector<float>(out.cells.begin(), out.cells.begin() + 3), (std::vector<float>{inf, -inf, 2}));
  Out<std::uint32_t> tex;
  EXPECT_FALSE(read_relief(path, 1, 2, bad.cells, bad.cols, bad.rows) ||
               read_relief(path, 1, 1, bad.cells, bad.cols, bad.rows) ||
               read_texture(path, path, path, 1, 5, 0, tex.cells, tex.cols, tex.rows));
  EXPECT_TRUE(bad.untouched() && tex.untouched());
  EXPECT_TRUE(read_texture(path, path, path, 1, 3, 0, tex.cells, tex.cols, tex.rows));
}

// Each refusal leaves the outputs alone and says why in one line, naming the file at fault; a grid
// too large for memory is refused before any row is read, naming factors that fit. A texture
// channel unlike the red file is refused even when larger, though reading it would stay in bounds.
TEST(Loading, RefusalsSayWhyAndLeaveTheOutputsAlone) {
  r3dtest::TempDir dir;
  const std::string a = dir.file("a.tif"), narrow = dir.file("narrow.tif"), low = dir.file("short.tif"),
                    cplx = dir.file("cplx.tif"), missing = dir.file("missing.tif"), huge = dir.file("huge.vrt");
  for (const auto& [file, w, h, type] : {std::tuple{a, 30, 20, GDT_Byte}, {narrow, 29, 20, GDT_Byte},
                                         {low, 30, 19, GDT_Byte}, {cplx, 30, 20, GDT_CInt16}})
    ASSERT_TRUE(r3dtest::WriteRaster(file, w, h, type, Position));
  ASSERT_TRUE(r3dtest::WriteTextFile(huge, "<VRTDataset rasterXSize=\"1000000\" rasterYSize=\"1000000\">"
                                           "<VRTRasterBand dataType=\"Float32\" band=\"1\"/></VRTDataset>\n"));
  const struct {
    std::string r, g, b;  // no green: a relief of r
    std::size_t fx, fy;
    std::string cause;  // a part of the cause
  } cases[] = {
      {a, "", "", 0, 1, "factor of 0"},   {a, "", "", 1, 0, "factor of 0"},   {missing, "", "", 1, 1, missing + ": "},
      {"", "", "", 1, 1, "no file name"},   {huge, "", "", 4, 4, "factors of at least"},
      {huge, huge, huge, 1, 1, "factors of at least"},  {a, a, a, 1, 0, "factor of 0"},
      {a, narrow, a, 1, 1, narrow},         {a, a, low, 1, 1, low},                {narrow, a, narrow, 1, 1, a},
      {a, cplx, a, 1, 1, cplx},             {cplx, a, a, 1, 1, a},                 {a, a, missing, 1, 1, missing}};
  for (const auto& c : cases) {
    Out<float> relief;
    Out<std::uint32_t> tex;
    lib3d::LoadError error;
    EXPECT_FALSE(c.g.empty() ? read_relief(c.r, c.fx, c.fy, relief.cells, relief.cols, relief.rows, {}, &error)
                             : read_texture(c.r, c.g, c.b, c.fx, c.fy, 0, tex.cells, tex.cols, tex.rows, {}, &error))
        << c.r << " " << c.g << " " << c.b;
    const std::string cause = error.line();
    EXPECT_TRUE(cause.find(c.cause) != std::string::npos && cause.find('\n') == std::string::npos &&
                relief.untouched() && tex.untouched()) << cause;
  }
}

// (v - min) / (max - min) * 255 truncated toward zero, then taken modulo 256: one 255th of the range
// above max wraps to 0, one below min to 255; a reversed range follows the formula; an empty range
// or a value that is not finite gives 0.
TEST(TextureScale, TruncatesWrapsAndDegenerateInputsGiveZero) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const struct { double v, min, max; int byte; } cases[] = {
      {0, 0, 255, 0},      {255, 0, 255, 255}, {127.9, 0, 255, 127}, {512, 0, 510, 0},  {-2, 0, 510, 255},
      {-0.5, 0, 255, 0},   {300, 0, 255, 44},  {-300, 0, 255, 212},  {0, 255, 0, 255},  {5, 3, 3, 0},
      {nan, 0, 255, 0},    {10, nan, 255, 0},  {-inf, 0, 255, 0},    {1e300, 0, 1, 0},  {5, -inf, inf, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(scale_to_byte(c.v, c.min, c.max), c.byte) << c.v << " in " << c.min << ".." << c.max;
}

class TextureLayout : public testing::TestWithParam<Layout> {};

// Three different files land in the right bytes, each scaled by its own range, and progress runs
// over the files read, in turn; a factor beyond the width is an empty grid, not a failure. Of a
// complex file the chosen component is scaled (an unknown one takes the real part): its imaginary
// parts differ from the real ones, so taking the wrong part shows. One file for all three is a grey;
// one file of three bands for all three gives its bands as red, green, blue.
TEST_P(TextureLayout, ChannelsAreScaledIntoTheirBytes) {
  r3dtest::TempDir dir;
  const int W = 90, H = 70;
  const struct { std::string path; GDALDataType type; r3dtest::PixelFn fn; int bands = 1; } files[] = {
      {dir.file("r.tif"), GDT_Int16, [](int x, int y, double*) { return double((x + y) % 256); }},
      {dir.file("g.tif"), GDT_Float32, [](int x, int, double*) { return 1000.0 + x * 10; }},
      {dir.file("b.tif"), GDT_Int32, [](int, int y, double*) { return double(-y); }},
      {dir.file("c.tif"), GDT_CFloat32, [](int x, int y, double* im) { *im = 200.0 - x * 3 - y; return x + y + 0.0; }},
      {dir.file("rgb.tif"), GDT_Byte, [](int x, int y, double*) { return (x * 5 + y) % 200 + 20.0; }, 3}};
  // A complex file: of its real parts. Each band of the RGB file has the same range.
  const double range[5][2] = {{0, 158}, {1000, 1890}, {-69, 0}, {0, 158}, {20, 219}};
  for (const auto& f : files)
    ASSERT_TRUE(r3dtest::WriteRaster(f.path, W, H, f.type, f.fn, GetParam(), 32, {}, "GTiff", f.bands));
  const struct { int channel[3]; std::size_t component, fx, fy; } cases[] = {
      {{0, 1, 2}, 0, 4, 3}, {{0, 1, 2}, 0, 91, 1}, {{3, 3, 3}, COMPONENT_IMAGINARY, 2, 2}, {{3, 3, 3}, 7, 2, 2},
      {{4, 4, 4}, 0, 3, 2}};
  for (const auto& c : cases) {
    Out<std::uint32_t> out;
    Steps progress;
    ASSERT_TRUE(read_texture(files[c.channel[0]].path, files[c.channel[1]].path, files[c.channel[2]].path, c.fx, c.fy,
                             c.component, out.cells, out.cols, out.rows, progress.record()));
    ASSERT_EQ(std::tuple(out.cols, out.rows, out.cells.size()), std::tuple(W / c.fx, H / c.fy, out.cols * out.rows));
    const bool rgb = files[c.channel[0]].bands == 3;  // its bands 1, 2, 3 are read in turn
    EXPECT_TRUE(progress.forward((rgb ? 3 : std::set<int>(c.channel, c.channel + 3).size()) * out.rows)) << c.fx;
    for (std::size_t i = 0; i < out.cells.size(); ++i) {
      std::uint32_t want = 0;
      for (int k = 0; k < 3; ++k) {
        const int f = c.channel[k];
        double im = 0;
        const double re = files[f].fn(int(i % out.cols * c.fx) + (rgb ? k : 0), int(i / out.cols * c.fy), &im);
        const double part = c.component == COMPONENT_IMAGINARY ? im : re;
        want |= std::uint32_t(scale_to_byte(part, range[f][0], range[f][1])) << 8 * k;
      }
      ASSERT_EQ(out.cells[i], want) << "channel " << c.channel[0] << " cell " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextureLayout, testing::Values(Layout::Striped, Layout::Tiled));
