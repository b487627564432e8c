#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <cpl_string.h>

#include "hostlib/FileLayer.h"
#include "tests/support/RasterFixtures.h"

using r3dtest::Layout;
using r3dtest::TempDir;
using r3dtest::WriteRaster;

namespace {

const std::string kDem = std::string(R3D_SOURCE_DIR) + "/data/jacksboro_fault_dem.tif";

// Values that gdallocationinfo reports for pixel (x, y) of `file`, one process for all points.
std::vector<double> location_info(const std::string& file, const std::vector<std::pair<int, int>>& pts) {
  std::string coords;
  for (const auto& p : pts) coords += std::to_string(p.first) + " " + std::to_string(p.second) + "\\n";
  const std::string cmd = "printf '" + coords + "' | gdallocationinfo -valonly '" + file + "'";
  std::vector<double> out;
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return out;
  double v;
  while (fscanf(f, "%lf", &v) == 1) out.push_back(v);
  pclose(f);
  return out;
}

std::vector<double> read_row_as_double(CFileLayer& layer, int row) {
  std::vector<unsigned char> raw(layer.LineSize());
  const int n = layer.Width() * (IsTwoValuedType(layer.Type()) ? 2 : 1);
  std::vector<double> out(n);
  EXPECT_EQ(layer.ReadRow(raw.data(), 0, row, layer.Width()), 1) << "row " << row;
  EXPECT_EQ(ConvertLineToDouble(raw.data(), layer.Width(), layer.Type(), out.data()), 1);
  return out;
}

double position(int x, int y, double*) { return r3dtest::PositionValue(x, y); }

}  // namespace

TEST(FileLayer, SampleDemMatchesGdalLocationInfo) {
  CFileLayer layer(nullptr);
  ASSERT_NE(layer.Open(kDem.c_str(), 0x110, 0, 0x80000000), 0);
  EXPECT_EQ(layer.Width(), 403);
  EXPECT_EQ(layer.Height(), 344);
  EXPECT_EQ(layer.Type(), PT_INT16);
  EXPECT_EQ(layer.LineSize(), 403 * 2);
  // Corners, a block boundary (blocks are 10 rows) and a few inner pixels; read out of order so
  // that the block-row buffer has to be refilled.
  const std::vector<std::pair<int, int>> pts = {{0, 0},    {402, 343}, {200, 9}, {201, 10},
                                                 {17, 250}, {402, 0},   {0, 343}, {333, 171}};
  const auto expected = location_info(kDem, pts);
  ASSERT_EQ(expected.size(), pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    auto row = read_row_as_double(layer, pts[i].second);
    EXPECT_EQ(row[pts[i].first], expected[i]) << pts[i].first << "," << pts[i].second;
  }
  EXPECT_EQ(layer.Min(), 236);
  EXPECT_EQ(layer.Max(), 1076);
}

TEST(FileLayer, BadFilesDoNotOpen) {
  TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("notes.tif"), "this is not a raster\n"));
  ASSERT_TRUE(r3dtest::WriteTruncatedTiff(dir.file("cut.tif"), 300, 200, 4000));
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("empty.tif"), ""));
  // Cut by a few bytes only, in both layouts: the directory survives, the last block does not.
  for (auto layout : {Layout::Striped, Layout::Tiled}) {
    const std::string f = dir.file(layout == Layout::Tiled ? "tcut.tif" : "scut.tif");
    ASSERT_TRUE(WriteRaster(f, 300, 200, GDT_Float32, position, layout, 64));
    std::filesystem::resize_file(f, std::filesystem::file_size(f) - 16);
  }
  CFileLayer layer;
  for (const std::string& path : {std::string(), dir.path(), dir.file("missing.tif"), dir.file("notes.tif"),
                                   dir.file("cut.tif"), dir.file("empty.tif"), dir.file("scut.tif"),
                                   dir.file("tcut.tif")}) {
    EXPECT_EQ(layer.Open(path.c_str()), 0) << path;
    EXPECT_FALSE(layer.IsOpen());
    EXPECT_EQ(layer.Width(), 0);
    EXPECT_EQ(layer.LineSize(), 0);
    EXPECT_EQ(layer.Type(), PT_UNKNOWN);
    EXPECT_STRNE(RasterErrorMessage(), "") << path;
  }
  EXPECT_EQ(layer.Open(nullptr), 0);
  // An ASCII grid cut short opens, and its missing rows fail at once, however they are asked for
  // (GDAL's reader searches earlier rows recursively and would take exponential time).
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("cut.asc"), "ncols 3\nnrows 60\nxllcorner 0\nyllcorner 0\n"
                                                          "cellsize 1\n1 2 3\n4 5 6\n"));
  ASSERT_NE(layer.Open(dir.file("cut.asc").c_str()), 0);
  double row[3];
  for (int r : {59, 2, 40, 1})
    EXPECT_EQ(layer.ReadRow(row, 0, r, 3), r == 1) << r;
  EXPECT_EQ(layer.Max(), 6);
  ASSERT_NE(layer.Open(dir.file("cut.asc").c_str()), 0);
  EXPECT_EQ(layer.ReadSampled(1, 30, [](const CFileLayer::SampleRun&) { return true; }), 0);
  EXPECT_STRNE(RasterErrorMessage(), "");
  // A failed open after a good one leaves the layer closed, not half-open.
  ASSERT_NE(layer.Open(kDem.c_str()), 0);
  EXPECT_EQ(layer.Open(dir.file("cut.tif").c_str()), 0);
  EXPECT_FALSE(layer.IsOpen());
  unsigned char b[8];
  EXPECT_EQ(layer.ReadRow(b, 0, 0, 1), 0);
  EXPECT_EQ(layer.Min(), 0);
}

TEST(FileLayer, BadReadArgumentsWriteNothing) {
  TempDir dir;
  const std::string f = dir.file("a.tif");
  ASSERT_TRUE(WriteRaster(f, 20, 7, GDT_Float32, position));
  CFileLayer layer;
  ASSERT_NE(layer.Open(f.c_str()), 0);
  const int line = layer.LineSize();
  ASSERT_EQ(line, 80);
  std::vector<unsigned char> buf(line + 32, 0xAB);
  unsigned char* body = buf.data() + 16;
  const struct {
    int col, row, count;
  } bad[] = {{0, -1, 20}, {0, 7, 20},          {-1, 0, 20},         {1, 0, 20},
             {0, 0, 21},  {0, 0, 0},           {0, 0, -5},          {20, 0, 1},
             {2147483647, 0, 2}, {5, 0, 2147483647}, {0, -2147483647 - 1, 1}};
  for (const auto& b : bad) {
    EXPECT_EQ(layer.ReadRow(body, b.col, b.row, b.count), 0) << b.col << " " << b.row << " " << b.count;
  }
  EXPECT_EQ(layer.ReadRow(nullptr, 0, 0, 20), 0);
  for (unsigned char c : buf) ASSERT_EQ(c, 0xAB);

  // A partial row lands at the start of the buffer and nothing beyond count pixels is written.
  ASSERT_EQ(layer.ReadRow(body, 15, 6, 5), 1);
  for (int i = 0; i < 5; ++i) {
    float v;
    std::memcpy(&v, body + 4 * i, 4);
    EXPECT_EQ(v, 6015 + i);
  }
  for (int i = 20; i < line + 16; ++i) ASSERT_EQ(body[i], 0xAB) << i;
  for (int i = 0; i < 16; ++i) ASSERT_EQ(buf[i], 0xAB);
}

TEST(FileLayer, StripedAndTiledReadTheSameEveryKthRow) {
  TempDir dir;
  // 600 x 530 with 128-pixel tiles: partial tiles at the right and bottom edges.
  auto fn = [](int x, int y, double*) { return std::sin(x * 0.37) * 1000 + y * 3.25; };
  ASSERT_TRUE(WriteRaster(dir.file("s.tif"), 600, 530, GDT_Float32, fn, Layout::Striped));
  ASSERT_TRUE(WriteRaster(dir.file("t.tif"), 600, 530, GDT_Float32, fn, Layout::Tiled, 128));
  int w = 0, h = 0;
  const auto truth = r3dtest::ReadWholeRaster(dir.file("s.tif"), &w, &h);
  ASSERT_EQ(truth.size(), 600u * 530u);
  for (const char* name : {"s.tif", "t.tif"}) {
    CFileLayer layer;
    ASSERT_NE(layer.Open(dir.file(name).c_str()), 0) << name;
    for (int k : {1, 3, 16, 129}) {
      // Row i of the reduced raster is row i * k of the file (the first row of each block), not
      // the centre pixel a resampler would pick.
      for (int i = 0; i * k < h; ++i) {
        auto row = read_row_as_double(layer, i * k);
        for (int x = 0; x < w; x += 7)
          ASSERT_EQ(row[x], truth[static_cast<size_t>(i * k) * w + x]) << name << " k=" << k;
        ASSERT_EQ(row[w - 1], truth[static_cast<size_t>(i * k) * w + w - 1]);
      }
    }
    // Going back to an earlier row after later ones.
    EXPECT_EQ(read_row_as_double(layer, 1)[2], truth[w + 2]);
  }
}

TEST(FileLayer, TypesAndRange) {
  TempDir dir;
  struct Case {
    GDALDataType gdal;
    int code;
    int bytes;
  };
  const Case cases[] = {{GDT_Byte, PT_BYTE, 1},       {GDT_UInt16, PT_UINT16, 2},   {GDT_Int16, PT_INT16, 2},
                        {GDT_UInt32, PT_UINT32, 4},   {GDT_Int32, PT_INT32, 4},     {GDT_Float32, PT_FLOAT32, 4},
                        {GDT_Float64, PT_FLOAT64, 8}, {GDT_CInt16, PT_CINT16, 4},   {GDT_CInt32, PT_CINT32, 8},
                        {GDT_CFloat32, PT_CFLOAT32, 8}, {GDT_CFloat64, PT_CFLOAT64, 16}};
  for (const Case& c : cases) {
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
    EXPECT_EQ(IsTwoValuedType(c.code), GDALDataTypeIsComplex(c.gdal) != 0);
    EXPECT_EQ(layer.Min(), 3) << f;
    EXPECT_EQ(layer.Max(), 41) << f;
    auto row = read_row_as_double(layer, 2);
    const int step = IsTwoValuedType(c.code) ? 2 : 1;
    EXPECT_EQ(row[4 * step], 27);
    if (step == 2) {
      EXPECT_EQ(row[4 * step + 1], -4);
    }
  }
}

TEST(FileLayer, SignedByteAndNanRange) {
  TempDir dir;
  // GDAL 3.6 writes signed bytes as Byte with PIXELTYPE=SIGNEDBYTE.
  const std::string f = dir.file("s8.tif");
  {
    GDALAllRegister();
    char** opts = CSLSetNameValue(nullptr, "PIXELTYPE", "SIGNEDBYTE");
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), f.c_str(), 3, 1, 1, GDT_Byte, opts);
    CSLDestroy(opts);
    ASSERT_NE(ds, nullptr);
    signed char v[3] = {-128, 5, 127};
    ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, 3, 1, v, 3, 1, GDT_Byte, 0, 0), CE_None);
    GDALClose(ds);
  }
  CFileLayer layer;
  ASSERT_NE(layer.Open(f.c_str()), 0);
  EXPECT_EQ(layer.Type(), PT_INT8);
  EXPECT_EQ(layer.Min(), -128);
  EXPECT_EQ(layer.Max(), 127);

  const std::string g = dir.file("nan.tif");
  ASSERT_TRUE(WriteRaster(g, 5, 3, GDT_Float32, [](int x, int y, double*) { return x == 1 ? NAN : x - 10.5 * y; }));
  ASSERT_NE(layer.Open(g.c_str()), 0);
  EXPECT_EQ(layer.Min(), 0 - 21.0);
  EXPECT_EQ(layer.Max(), 4);
  const std::string all = dir.file("allnan.tif");
  ASSERT_TRUE(WriteRaster(all, 2, 2, GDT_Float64, [](int, int, double*) { return NAN; }));
  ASSERT_NE(layer.Open(all.c_str()), 0);
  EXPECT_TRUE(std::isnan(layer.Min()));
}

TEST(Conversion, ComponentsOfTwoValuedPixels) {
  const double in[] = {3, 4, -1, 0, 0, -2, 0, 0};
  double out[4];
  ASSERT_EQ(ExtractDesiredComponent(in, 4, out, COMPONENT_REAL), 1);
  EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{3, -1, 0, 0}));
  ASSERT_EQ(ExtractDesiredComponent(in, 4, out, COMPONENT_IMAGINARY), 1);
  EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{4, 0, -2, 0}));
  ASSERT_EQ(ExtractDesiredComponent(in, 4, out, COMPONENT_AMPLITUDE), 1);
  EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{5, 1, 2, 0}));
  ASSERT_EQ(ExtractDesiredComponent(in, 4, out, COMPONENT_PHASE), 1);
  EXPECT_DOUBLE_EQ(out[0], std::atan2(4.0, 3.0));
  EXPECT_DOUBLE_EQ(out[1], M_PI);
  EXPECT_DOUBLE_EQ(out[2], -M_PI / 2);
  EXPECT_EQ(out[3], 0);
  ASSERT_EQ(ExtractDesiredComponent(in, 4, out, 7), 1);  // unknown component: real part
  EXPECT_EQ(out[1], -1);
  // In place, as a caller short of buffers may do.
  double io[] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(ExtractDesiredComponent(io, 3, io, COMPONENT_IMAGINARY), 1);
  EXPECT_EQ(std::vector<double>(io, io + 3), (std::vector<double>{2, 4, 6}));
  EXPECT_EQ(ExtractDesiredComponent(nullptr, 4, out, 0), 0);
  EXPECT_EQ(ExtractDesiredComponent(in, 0, out, 0), 0);
}

TEST(Conversion, RawRowsOfEveryTypeFromUnalignedBuffers) {
  unsigned char raw[1 + 32] = {};
  unsigned char* p = raw + 1;  // deliberately misaligned
  double out[4];
  const std::int16_t s16[2] = {-32768, 32767};
  std::memcpy(p, s16, sizeof s16);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_INT16, out), 1);
  EXPECT_EQ(out[0], -32768);
  EXPECT_EQ(out[1], 32767);
  const std::uint32_t u32[2] = {4294967295u, 7};
  std::memcpy(p, u32, sizeof u32);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_UINT32, out), 1);
  EXPECT_EQ(out[0], 4294967295.0);
  const std::int64_t i64[2] = {-(1LL << 40), 3};
  std::memcpy(p, i64, sizeof i64);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_INT64, out), 1);
  EXPECT_EQ(out[0], -1099511627776.0);
  const float cf[4] = {1.5f, -2.5f, 3, 4};
  std::memcpy(p, cf, sizeof cf);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_CFLOAT32, out), 1);
  EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{1.5, -2.5, 3, 4}));
  const signed char s8[2] = {-3, 100};
  std::memcpy(p, s8, 2);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_INT8, out), 1);
  EXPECT_EQ(out[0], -3);
  ASSERT_EQ(ConvertLineToDouble(p, 2, PT_BYTE, out), 1);
  EXPECT_EQ(out[0], 253);
  for (int bad : {0, 13, 16, 19, -1}) {
    EXPECT_EQ(ConvertLineToDouble(p, 2, bad, out), 0) << bad;
    EXPECT_EQ(PixelTypeSize(bad), 0) << bad;
  }
  EXPECT_EQ(ConvertLineToDouble(nullptr, 2, PT_BYTE, out), 0);
  EXPECT_EQ(ConvertLineToDouble(p, 2, PT_BYTE, nullptr), 0);
}
