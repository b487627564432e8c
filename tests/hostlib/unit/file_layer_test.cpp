#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "hostlib/FileLayer.h"
#include "tests/support/RasterFixtures.h"

using namespace r3dtest;

namespace {

const std::string kDem = std::string(R3D_SOURCE_DIR) + "/data/jacksboro_fault_dem.tif";

std::vector<double> read_row_as_double(CFileLayer& layer, int row) {
  std::vector<unsigned char> raw(layer.LineSize());
  std::vector<double> out(layer.Width() * (IsTwoValuedType(layer.Type()) ? 2 : 1));
  EXPECT_EQ(layer.ReadRow(raw.data(), 0, row, layer.Width()), 1) << "row " << row;
  EXPECT_EQ(ConvertLineToDouble(raw.data(), layer.Width(), layer.Type(), out.data()), 1);
  return out;
}

double position(int x, int y, double*) { return PositionValue(x, y); }

}  // namespace

// Row y is GDAL's row y however the rows are asked for: every kth row for k = 1, 3, 16, 129 (so
// that the block-row buffer is refilled, stepped through and skipped), then an earlier row again.
// The sample DEM has 10-row blocks; the tiled file has partial tiles at the right and bottom edges.
// Row i of a reduced raster is thus row i * k of the file, not the centre pixel a resampler would pick.
TEST(FileLayer, RowsAreGdalsInEveryLayoutAndOrder) {
  TempDir dir;
  auto fn = [](int x, int y, double*) { return std::sin(x * 0.37) * 1000 + y * 3.25; };
  ASSERT_TRUE(WriteRaster(dir.file("s.tif"), 600, 530, GDT_Float32, fn, Layout::Striped));
  ASSERT_TRUE(WriteRaster(dir.file("t.tif"), 600, 530, GDT_Float32, fn, Layout::Tiled, 128));
  for (const std::string& path : {kDem, dir.file("s.tif"), dir.file("t.tif")}) {
    int w = 0, h = 0;
    const auto truth = ReadWholeRaster(path, &w, &h);
    ASSERT_EQ(truth.size(), std::size_t(w) * h);
    const auto gdal_row = [&](std::size_t y) { return std::vector<double>(&truth[y * w], &truth[y * w] + w); };
    CFileLayer layer;
    ASSERT_NE(layer.Open(path.c_str()), 0) << path;
    EXPECT_EQ(layer.ReadSampled(1, 1, [](const CFileLayer::SampleRun& run) { return run.row != 300; }), 0);  // refused
    for (int k : {1, 3, 16, 129})
      for (int y = 0; y < h; y += k) ASSERT_EQ(read_row_as_double(layer, y), gdal_row(y)) << path << " y=" << y;
    EXPECT_EQ(read_row_as_double(layer, 1), gdal_row(1)) << path;
  }
}

// Nothing that is not a whole raster opens, each with a message, and a failed open after a good
// one leaves the layer closed, not half-open; reads outside the raster give nothing.
TEST(FileLayer, BadFilesAndBadReadsGiveNothing) {
  TempDir dir;
  ASSERT_TRUE(WriteTextFile(dir.file("notes.tif"), "this is not a raster\n"));
  ASSERT_TRUE(WriteTextFile(dir.file("empty.tif"), ""));
  // Cut to a few blocks, or by a few bytes only in both layouts (the directory survives, the last
  // block does not).
  for (const char* name : {"cut.tif", "scut.tif", "tcut.tif"}) {
    const std::string f = dir.file(name);
    ASSERT_TRUE(WriteRaster(f, 300, 200, GDT_Float32, position, name[0] == 't' ? Layout::Tiled : Layout::Striped, 64));
    std::filesystem::resize_file(f, name[0] == 'c' ? 4000 : std::filesystem::file_size(f) - 16);
  }
  CFileLayer layer;
  for (const char* name : {"", ".", "missing.tif", "notes.tif", "cut.tif", "empty.tif", "scut.tif", "tcut.tif"}) {
    const std::string path = *name ? dir.file(name) : "";  // "." is the directory itself
    ASSERT_NE(layer.Open(kDem.c_str()), 0);
    EXPECT_TRUE(layer.Open(path.c_str()) == 0 && *RasterErrorMessage()) << path;
    unsigned char b[8];
    EXPECT_EQ(std::tuple(layer.IsOpen(), layer.Width() + layer.LineSize() + layer.Min(), layer.Type(),
                         layer.ReadRow(b, 0, 0, 1)), std::tuple(false, 0.0, int(PT_UNKNOWN), 0)) << path;
  }
  EXPECT_EQ(layer.Open(nullptr), 0);
  // An ASCII grid cut short opens, and its missing rows fail at once, however they are asked for
  // (GDAL's reader searches earlier rows recursively and would take exponential time).
  ASSERT_TRUE(WriteTextFile(dir.file("cut.asc"), "ncols 3\nnrows 60\nxllcorner 0\nyllcorner 0\n"
                                                 "cellsize 1\n1 2 3\n4 5 6\n"));
  ASSERT_NE(layer.Open(dir.file("cut.asc").c_str()), 0);
  double row[3];
  for (int r : {59, 2, 40, 1}) EXPECT_EQ(layer.ReadRow(row, 0, r, 3), r == 1) << r;
  EXPECT_EQ(layer.Max(), 6);
  ASSERT_NE(layer.Open(dir.file("cut.asc").c_str()), 0);
  EXPECT_EQ(layer.ReadSampled(1, 30, [](const CFileLayer::SampleRun&) { return true; }), 0);
  EXPECT_STRNE(RasterErrorMessage(), "");

  // Out-of-range rows, columns and counts (overflowing ones too) write nothing; a partial row lands
  // at the start of the buffer and nothing beyond count pixels is written.
  ASSERT_TRUE(WriteRaster(dir.file("a.tif"), 20, 7, GDT_Float32, position));
  ASSERT_NE(layer.Open(dir.file("a.tif").c_str()), 0);
  std::vector<unsigned char> buf(80 + 32, 0xAB);
  unsigned char* body = buf.data() + 16;
  const struct { int col, row, count; } bad[] = {
      {0, -1, 20}, {0, 7, 20}, {-1, 0, 20}, {1, 0, 20}, {0, 0, 21}, {0, 0, 0}, {0, 0, -5}, {20, 0, 1},
      {2147483647, 0, 2}, {5, 0, 2147483647}, {0, -2147483647 - 1, 1}};
  for (const auto& b : bad)
    EXPECT_EQ(layer.ReadRow(body, b.col, b.row, b.count), 0) << b.col << "," << b.row << "," << b.count;
  EXPECT_EQ(layer.ReadRow(nullptr, 0, 0, 20), 0);
  EXPECT_EQ(buf, std::vector<unsigned char>(buf.size(), 0xAB));
  double v[5];
  ASSERT_TRUE(layer.ReadRow(body, 15, 6, 5) && ConvertLineToDouble(body, 5, PT_FLOAT32, v));
  EXPECT_EQ(std::vector<double>(v, v + 5), (std::vector<double>{6015, 6016, 6017, 6018, 6019}));
  std::fill(body, body + 20, 0xAB);
  EXPECT_EQ(buf, std::vector<unsigned char>(buf.size(), 0xAB));
}

// Every GDAL type maps to its pixel code and GDAL's size, with its range and values (both parts
// of complex ones); signed bytes (Byte with PIXELTYPE=SIGNEDBYTE) are signed; NaN is no value.
TEST(FileLayer, TypesAndRange) {
  TempDir dir;
  const PixelFn ramp = [](int x, int y, double* im) { *im = -x; return 10.0 * y + x + 3; };
  const struct { GDALDataType gdal; int code; std::vector<std::string> options = {}; PixelFn fn = {};
                 double min = 3, max = 41; } cases[] = {
      {GDT_Byte, PT_BYTE},         {GDT_UInt16, PT_UINT16},   {GDT_Int16, PT_INT16},         {GDT_UInt32, PT_UINT32},
      {GDT_Int32, PT_INT32},       {GDT_Float32, PT_FLOAT32}, {GDT_Float64, PT_FLOAT64},     {GDT_CInt16, PT_CINT16},
      {GDT_CInt32, PT_CINT32},     {GDT_CFloat32, PT_CFLOAT32}, {GDT_CFloat64, PT_CFLOAT64},
      {GDT_Byte, PT_INT8, {"PIXELTYPE=SIGNEDBYTE"}, [](int x, int, double*) { return x ? 128 - x : 128; }, -128, 127},
      {GDT_Float32, PT_FLOAT32, {}, [](int x, int y, double*) { return x == 1 ? NAN : x - 10.5 * y; }, -31.5, 8},
      {GDT_Float64, PT_FLOAT64, {}, [](int, int, double*) { return NAN; }, NAN, NAN}};
  const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  for (const auto& c : cases) {
    const std::string f = dir.file(std::to_string(&c - cases) + ".tif");
    const PixelFn& fn = c.fn ? c.fn : ramp;
    ASSERT_TRUE(WriteRaster(f, 9, 4, c.gdal, fn, Layout::Striped, 256, c.options));
    CFileLayer layer;
    ASSERT_NE(layer.Open(f.c_str()), 0) << f;
    const int bytes = GDALGetDataTypeSizeBytes(c.gdal), step = GDALDataTypeIsComplex(c.gdal) ? 2 : 1;
    double im = 0;
    const double v = fn(4, 2, &im);
    const auto row = read_row_as_double(layer, 2);  // pixel 4, then its imaginary part if any
    EXPECT_EQ(std::tuple(layer.Type(), PixelTypeSize(c.code), layer.LineSize(), IsTwoValuedType(c.code)),
              std::tuple(c.code, bytes, 9 * bytes, step == 2)) << f;
    EXPECT_TRUE(same(layer.Min(), c.min) && same(layer.Max(), c.max) && same(row[4 * step], v) &&
                same(row[5 * step - 1], step == 2 ? im : v)) << f << " " << layer.Min() << ".." << layer.Max();
  }
}

// Real, imaginary, amplitude and phase of (re, im) pairs, also in place; an unknown component
// gives the real part. Unknown pixel codes are refused.
TEST(Conversion, ComponentsAndRawRows) {
  const double in[] = {3, 4, -1, 0, 0, -2, 0, 0};
  const std::pair<int, std::vector<double>> cases[] = {
      {COMPONENT_REAL, {3, -1, 0, 0}}, {COMPONENT_IMAGINARY, {4, 0, -2, 0}}, {COMPONENT_AMPLITUDE, {5, 1, 2, 0}},
      {COMPONENT_PHASE, {std::atan2(4.0, 3.0), M_PI, -M_PI / 2, 0}}, {7, {3, -1, 0, 0}}};
  for (const auto& [component, want] : cases) {
    std::vector<double> out(4), io(in, in + 8);
    ASSERT_EQ(ExtractDesiredComponent(in, 4, out.data(), component) +
                  ExtractDesiredComponent(io.data(), 4, io.data(), component), 2);
    EXPECT_EQ(out, want) << component;
    EXPECT_EQ(std::vector<double>(io.begin(), io.begin() + 4), want) << component;  // in place
  }
  double out[4];
  EXPECT_EQ(ExtractDesiredComponent(nullptr, 4, out, 0) + ExtractDesiredComponent(in, 4, nullptr, 0) +
                ExtractDesiredComponent(in, 0, out, 0), 0);

  // A 64-bit row (no GDAL type of the tests above gives one) from a deliberately misaligned buffer.
  unsigned char raw[1 + 16] = {}, *p = raw + 1;
  const std::int64_t i64[2] = {-(1LL << 40), 3};
  std::memcpy(p, i64, sizeof i64);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_INT64, out), 1);
  EXPECT_EQ(std::vector<double>(out, out + 2), (std::vector<double>{-1099511627776.0, 3}));
  for (int bad : {0, 13, 16, 19, -1}) EXPECT_EQ(ConvertLineToDouble(p, 2, bad, out) + PixelTypeSize(bad), 0) << bad;
  EXPECT_EQ(ConvertLineToDouble(nullptr, 2, PT_BYTE, out) + ConvertLineToDouble(p, 2, PT_BYTE, nullptr) +
                ConvertLineToDouble(p, 0, PT_BYTE, out), 0);
}
