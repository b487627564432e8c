#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "hostlib/FileLayer.h"
#include "tests/support/RasterFixtures.h"

using r3dtest::Layout;
using r3dtest::TempDir;
using r3dtest::WriteRaster;

namespace {

const std::string kDem = std::string(R3D_SOURCE_DIR) + "/data/jacksboro_fault_dem.tif";

std::vector<double> read_row_as_double(CFileLayer& layer, int row) {
  std::vector<unsigned char> raw(layer.LineSize());
  std::vector<double> out(layer.Width() * (IsTwoValuedType(layer.Type()) ? 2 : 1));
  EXPECT_EQ(layer.ReadRow(raw.data(), 0, row, layer.Width()), 1) << "row " << row;
  EXPECT_EQ(ConvertLineToDouble(raw.data(), layer.Width(), layer.Type(), out.data()), 1);
  return out;
}

double position(int x, int y, double*) { return r3dtest::PositionValue(x, y); }

}  // namespace

// Corners, a block boundary (blocks are 10 rows) and inner pixels, read out of order so that the
// block-row buffer is refilled, against what gdallocationinfo reports.
TEST(FileLayer, SampleDemMatchesGdalLocationInfo) {
  CFileLayer layer(nullptr);
  ASSERT_NE(layer.Open(kDem.c_str(), 0x110, 0, 0x80000000), 0);
  EXPECT_EQ(layer.Type(), PT_INT16);
  EXPECT_EQ(layer.LineSize(), 403 * 2);
  EXPECT_EQ(layer.Height(), 344);
  EXPECT_EQ(layer.Min(), 236);
  EXPECT_EQ(layer.Max(), 1076);
  const std::pair<int, int> pts[] = {{0, 0}, {402, 343}, {200, 9}, {201, 10}, {17, 250}, {402, 0}, {0, 343}};
  std::string coords;
  for (const auto& p : pts) coords += std::to_string(p.first) + " " + std::to_string(p.second) + "\\n";
  FILE* f = popen(("printf '" + coords + "' | gdallocationinfo -valonly '" + kDem + "'").c_str(), "r");
  ASSERT_NE(f, nullptr);
  for (const auto& p : pts) {
    double expected = NAN;
    ASSERT_EQ(fscanf(f, "%lf", &expected), 1);
    EXPECT_EQ(read_row_as_double(layer, p.second)[p.first], expected) << p.first << "," << p.second;
  }
  pclose(f);
}

// Nothing that is not a whole raster opens, each with a message, and a failed open after a good
// one leaves the layer closed, not half-open.
TEST(FileLayer, BadFilesDoNotOpen) {
  TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("notes.tif"), "this is not a raster\n"));
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("empty.tif"), ""));
  // Cut to a few blocks, or by a few bytes only in both layouts (the directory survives, the last
  // block does not).
  for (const char* name : {"cut.tif", "scut.tif", "tcut.tif"}) {
    const std::string f = dir.file(name);
    ASSERT_TRUE(WriteRaster(f, 300, 200, GDT_Float32, position, name[0] == 't' ? Layout::Tiled : Layout::Striped, 64));
    std::filesystem::resize_file(f, name[0] == 'c' ? 4000 : std::filesystem::file_size(f) - 16);
  }
  CFileLayer layer;
  for (const std::string& path : {std::string(), dir.path(), dir.file("missing.tif"), dir.file("notes.tif"),
                                   dir.file("cut.tif"), dir.file("empty.tif"), dir.file("scut.tif"),
                                   dir.file("tcut.tif")}) {
    ASSERT_NE(layer.Open(kDem.c_str()), 0);
    EXPECT_EQ(layer.Open(path.c_str()), 0) << path;
    EXPECT_FALSE(layer.IsOpen());
    EXPECT_EQ(layer.Width() + layer.LineSize() + layer.Min(), 0);
    EXPECT_EQ(layer.Type(), PT_UNKNOWN);
    EXPECT_STRNE(RasterErrorMessage(), "") << path;
    unsigned char b[8];
    EXPECT_EQ(layer.ReadRow(b, 0, 0, 1), 0);
  }
  EXPECT_EQ(layer.Open(nullptr), 0);
  // An ASCII grid cut short opens, and its missing rows fail at once, however they are asked for
  // (GDAL's reader searches earlier rows recursively and would take exponential time).
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("cut.asc"), "ncols 3\nnrows 60\nxllcorner 0\nyllcorner 0\n"
                                                          "cellsize 1\n1 2 3\n4 5 6\n"));
  ASSERT_NE(layer.Open(dir.file("cut.asc").c_str()), 0);
  double row[3];
  for (int r : {59, 2, 40, 1}) EXPECT_EQ(layer.ReadRow(row, 0, r, 3), r == 1) << r;
  EXPECT_EQ(layer.Max(), 6);
  ASSERT_NE(layer.Open(dir.file("cut.asc").c_str()), 0);
  EXPECT_EQ(layer.ReadSampled(1, 30, [](const CFileLayer::SampleRun&) { return true; }), 0);
  EXPECT_STRNE(RasterErrorMessage(), "");
}

// Out-of-range rows, columns and counts (overflowing ones too) write nothing; a partial row lands
// at the start of the buffer and nothing beyond count pixels is written.
TEST(FileLayer, BadReadArgumentsWriteNothing) {
  TempDir dir;
  const std::string f = dir.file("a.tif");
  ASSERT_TRUE(WriteRaster(f, 20, 7, GDT_Float32, position));
  CFileLayer layer;
  ASSERT_NE(layer.Open(f.c_str()), 0);
  ASSERT_EQ(layer.LineSize(), 80);
  std::vector<unsigned char> buf(80 + 32, 0xAB);
  unsigned char* body = buf.data() + 16;
  const struct { int col, row, count; } bad[] = {
      {0, -1, 20}, {0, 7, 20}, {-1, 0, 20}, {1, 0, 20}, {0, 0, 21}, {0, 0, 0}, {0, 0, -5}, {20, 0, 1},
      {2147483647, 0, 2}, {5, 0, 2147483647}, {0, -2147483647 - 1, 1}};
  for (const auto& b : bad) EXPECT_EQ(layer.ReadRow(body, b.col, b.row, b.count), 0) << b.col << " " << b.row << " " << b.count;
  EXPECT_EQ(layer.ReadRow(nullptr, 0, 0, 20), 0);
  EXPECT_EQ(buf, std::vector<unsigned char>(buf.size(), 0xAB));
  ASSERT_EQ(layer.ReadRow(body, 15, 6, 5), 1);
  float v[5];
  std::memcpy(v, body, sizeof v);
  EXPECT_EQ(std::vector<float>(v, v + 5), (std::vector<float>{6015, 6016, 6017, 6018, 6019}));
  std::fill(body, body + 20, 0xAB);
  EXPECT_EQ(buf, std::vector<unsigned char>(buf.size(), 0xAB));
}

// Row i of a reduced raster is row i * k of the file (the first row of each block), not the centre
// pixel a resampler would pick; tiles partial at the right and bottom edges read alike.
TEST(FileLayer, StripedAndTiledReadTheSameEveryKthRow) {
  TempDir dir;
  auto fn = [](int x, int y, double*) { return std::sin(x * 0.37) * 1000 + y * 3.25; };
  ASSERT_TRUE(WriteRaster(dir.file("s.tif"), 600, 530, GDT_Float32, fn, Layout::Striped));
  ASSERT_TRUE(WriteRaster(dir.file("t.tif"), 600, 530, GDT_Float32, fn, Layout::Tiled, 128));
  int w = 0, h = 0;
  const auto truth = r3dtest::ReadWholeRaster(dir.file("s.tif"), &w, &h);
  ASSERT_EQ(truth.size(), 600u * 530u);
  for (const char* name : {"s.tif", "t.tif"}) {
    CFileLayer layer;
    ASSERT_NE(layer.Open(dir.file(name).c_str()), 0) << name;
    EXPECT_EQ(layer.ReadSampled(1, 1, [](const CFileLayer::SampleRun& run) { return run.row != 500; }), 0);  // refused
    for (int k : {1, 3, 16, 129})
      for (int i = 0; i * k < h; ++i) {
        const auto row = read_row_as_double(layer, i * k);
        for (int x : {0, 127, 128, 300, 511, 512, w - 1})
          ASSERT_EQ(row[x], truth[static_cast<size_t>(i * k) * w + x]) << name << " k=" << k << " x=" << x;
      }
    EXPECT_EQ(read_row_as_double(layer, 1)[2], truth[w + 2]);  // back to an earlier row
  }
}

// Every GDAL type maps to its pixel code and size, with its range and values (both parts of
// complex ones); signed bytes (Byte with PIXELTYPE=SIGNEDBYTE) are signed; NaN is no value.
TEST(FileLayer, TypesAndRange) {
  TempDir dir;
  const struct { GDALDataType gdal; int code, bytes; } cases[] = {
      {GDT_Byte, PT_BYTE, 1},         {GDT_UInt16, PT_UINT16, 2},   {GDT_Int16, PT_INT16, 2},
      {GDT_UInt32, PT_UINT32, 4},     {GDT_Int32, PT_INT32, 4},     {GDT_Float32, PT_FLOAT32, 4},
      {GDT_Float64, PT_FLOAT64, 8},   {GDT_CInt16, PT_CINT16, 4},   {GDT_CInt32, PT_CINT32, 8},
      {GDT_CFloat32, PT_CFLOAT32, 8}, {GDT_CFloat64, PT_CFLOAT64, 16}};
  for (const auto& c : cases) {
    const std::string f = dir.file(std::string(GDALGetDataTypeName(c.gdal)) + ".tif");
    ASSERT_TRUE(WriteRaster(f, 9, 4, c.gdal, [](int x, int y, double* im) {
      *im = -x;
      return 10 * y + x + 3;
    }));
    CFileLayer layer;
    ASSERT_NE(layer.Open(f.c_str()), 0) << f;
    EXPECT_EQ(layer.Type(), c.code) << f;
    EXPECT_EQ(PixelTypeSize(c.code), c.bytes);
    EXPECT_EQ(layer.LineSize(), 9 * c.bytes);
    const int step = GDALDataTypeIsComplex(c.gdal) ? 2 : 1;
    EXPECT_EQ(IsTwoValuedType(c.code), step == 2);
    EXPECT_EQ(layer.Min(), 3) << f;
    EXPECT_EQ(layer.Max(), 41) << f;
    const auto row = read_row_as_double(layer, 2);
    EXPECT_EQ(row[4 * step], 27);
    EXPECT_EQ(row[5 * step - 1], step == 2 ? -4 : 27);  // the imaginary part, if any
  }
  const struct { const char* name; GDALDataType type; std::vector<std::string> options; r3dtest::PixelFn fn; int code;
                 double min, max; } ranges[] = {
      {"s8.tif", GDT_Byte, {"PIXELTYPE=SIGNEDBYTE"}, [](int x, int, double*) { return x == 0 ? 128 : x == 1 ? 5 : 127; },
       PT_INT8, -128, 127},
      {"nan.tif", GDT_Float32, {}, [](int x, int y, double*) { return x == 1 ? NAN : x - 10.5 * y; }, PT_FLOAT32,
       -21, 2},
      {"allnan.tif", GDT_Float64, {}, [](int, int, double*) { return NAN; }, PT_FLOAT64, NAN, NAN}};
  for (const auto& r : ranges) {
    const std::string f = dir.file(r.name);
    ASSERT_TRUE(WriteRaster(f, 3, 3, r.type, r.fn, Layout::Striped, 256, r.options));
    CFileLayer layer;
    ASSERT_NE(layer.Open(f.c_str()), 0) << r.name;
    EXPECT_EQ(layer.Type(), r.code) << r.name;
    EXPECT_TRUE(layer.Min() == r.min || (std::isnan(layer.Min()) && std::isnan(r.min))) << r.name;
    EXPECT_TRUE(layer.Max() == r.max || (std::isnan(layer.Max()) && std::isnan(r.max))) << r.name;
  }
}

// Real, imaginary, amplitude and phase of (re, im) pairs, also in place; an unknown component
// gives the real part.
TEST(Conversion, ComponentsOfTwoValuedPixels) {
  const double in[] = {3, 4, -1, 0, 0, -2, 0, 0};
  const struct { int component; std::vector<double> want; } cases[] = {
      {COMPONENT_REAL, {3, -1, 0, 0}},
      {COMPONENT_IMAGINARY, {4, 0, -2, 0}},
      {COMPONENT_AMPLITUDE, {5, 1, 2, 0}},
      {COMPONENT_PHASE, {std::atan2(4.0, 3.0), M_PI, -M_PI / 2, 0}},
      {7, {3, -1, 0, 0}}};
  for (const auto& c : cases) {
    double out[4];
    ASSERT_EQ(ExtractDesiredComponent(in, 4, out, c.component), 1);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(out[i], c.want[i]) << c.component << " " << i;
  }
  double io[] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(ExtractDesiredComponent(io, 3, io, COMPONENT_IMAGINARY), 1);
  EXPECT_EQ(std::vector<double>(io, io + 3), (std::vector<double>{2, 4, 6}));
  double out[4];
  EXPECT_EQ(ExtractDesiredComponent(nullptr, 4, out, 0), 0);
  EXPECT_EQ(ExtractDesiredComponent(in, 0, out, 0), 0);
}

// Extremes of each width, read from a deliberately misaligned buffer; unknown codes are refused.
TEST(Conversion, RawRowsOfEveryTypeFromUnalignedBuffers) {
  unsigned char raw[1 + 32] = {};
  unsigned char* p = raw + 1;
  const std::int16_t s16[2] = {-32768, 32767};
  const std::uint32_t u32[2] = {4294967295u, 7};
  const std::int64_t i64[2] = {-(1LL << 40), 3};
  const float cf[4] = {1.5f, -2.5f, 3, 4};
  const signed char s8[2] = {-3, 100};
  const struct { const void* data; std::size_t size; int type; std::vector<double> want; } cases[] = {
      {s16, sizeof s16, PT_INT16, {-32768, 32767}},
      {u32, sizeof u32, PT_UINT32, {4294967295.0, 7}},
      {i64, sizeof i64, PT_INT64, {-1099511627776.0, 3}},
      {cf, sizeof cf, PT_CFLOAT32, {1.5, -2.5, 3, 4}},
      {s8, sizeof s8, PT_INT8, {-3, 100}},
      {s8, sizeof s8, PT_BYTE, {253, 100}}};
  for (const auto& c : cases) {
    std::memcpy(p, c.data, c.size);
    double out[4];
    ASSERT_EQ(ConvertLineToDouble(p, 2, c.type, out), 1) << c.type;
    EXPECT_EQ(std::vector<double>(out, out + c.want.size()), c.want) << c.type;
  }
  double out[4];
  for (int bad : {0, 13, 16, 19, -1}) {
    EXPECT_EQ(ConvertLineToDouble(p, 2, bad, out), 0) << bad;
    EXPECT_EQ(PixelTypeSize(bad), 0) << bad;
  }
  EXPECT_EQ(ConvertLineToDouble(nullptr, 2, PT_BYTE, out), 0);
  EXPECT_EQ(ConvertLineToDouble(p, 2, PT_BYTE, nullptr), 0);
}
