// libFuzzer target: relief and texture loading through the host library over GDAL in-memory files.
//
// Input byte 0 chooses the form. Even: a GeoTIFF is generated from the next bytes (size, pixel type,
// strips or tiles, block size, compression, pixel bytes) and then cut short and/or overwritten at
// positions the input gives. Odd: the rest of the input is the file itself, under a name whose
// extension byte 1 picks. Both are then loaded with factors from the input: whatever the file holds,
// a load either succeeds with a grid of the promised size or fails with a cause.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include "terrain/Loading.h"
#include "hostlib/FileLayer.h"

namespace {

struct Reader {
  const std::uint8_t* p;
  std::size_t n;
  std::size_t at = 0;
  std::uint8_t byte() { return at < n ? p[at++] : 0; }
  std::uint16_t word() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
};

const GDALDataType kTypes[] = {GDT_Byte,   GDT_UInt16,  GDT_Int16,    GDT_UInt32,   GDT_Int32,
                               GDT_Float32, GDT_Float64, GDT_CInt16,  GDT_CInt32,   GDT_CFloat32,
                               GDT_CFloat64, GDT_UInt64, GDT_Int64};
const char* const kCompress[] = {"NONE", "DEFLATE", "LZW", "PACKBITS"};
const char* const kExtensions[] = {".tif", ".asc", ".vrt", ".img", ".bil", ".xyz", ".png", ".bmp"};

// Writes a GeoTIFF into `path` from the reader's bytes; false when GDAL refuses the options.
bool generate(Reader& in, const std::string& path) {
  const int width = 1 + in.byte() % 48;
  const int height = 1 + in.byte() % 48;
  const GDALDataType type = kTypes[in.byte() % (sizeof kTypes / sizeof kTypes[0])];
  const std::uint8_t layout = in.byte();
  CPLStringList options;
  if (layout & 1) {
    options.SetNameValue("TILED", "YES");
    options.SetNameValue("BLOCKXSIZE", std::to_string(16 << ((layout >> 1) & 1)).c_str());
    options.SetNameValue("BLOCKYSIZE", std::to_string(16 << ((layout >> 2) & 1)).c_str());
  } else {
    options.SetNameValue("BLOCKYSIZE", std::to_string(1 + (layout >> 1) % height).c_str());
  }
  options.SetNameValue("COMPRESS", kCompress[(layout >> 5) & 3]);
  if (layout & 0x80) options.SetNameValue("SPARSE_OK", "YES");

  GDALDriverH drv = GDALGetDriverByName("GTiff");
  GDALDatasetH ds = GDALCreate(drv, path.c_str(), width, height, 1, type, options.List());
  if (!ds) return false;
  const int bytes = GDALGetDataTypeSizeBytes(type);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * bytes);
  for (std::uint8_t& b : pixels) b = in.byte();
  const bool ok = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, width, height, pixels.data(), width,
                               height, type, 0, 0) == CE_None;
  GDALClose(ds);
  return ok;
}

// Cuts the file short and overwrites some of its bytes, as the input says.
void damage(Reader& in, const std::string& path) {
  vsi_l_offset length = 0;
  GByte* file = VSIGetMemFileBuffer(path.c_str(), &length, FALSE);
  if (!file || length == 0) return;
  const std::uint8_t cut = in.byte();
  const int edits = in.byte() % 8;
  for (int i = 0; i < edits; ++i) {
    const std::size_t at = in.word() % length;
    file[at] = in.byte();
  }
  if (cut) {
    VSILFILE* f = VSIFOpenL(path.c_str(), "r+");
    if (f) {
      VSIFTruncateL(f, length * cut / 256);
      VSIFCloseL(f);
    }
  }
}

void load(const std::string& path, Reader& in) {
  const std::size_t fx = in.byte() % 9, fy = in.byte() % 9;  // 0 included: it must be refused
  const std::size_t component = in.byte() % 6;

  CFileLayer layer;
  long long cells = 0;
  if (layer.Open(path.c_str())) {
    if (layer.Width() <= 0 || layer.Height() <= 0 || layer.LineSize() < layer.Width() * PixelTypeSize(layer.Type()))
      std::abort();
    // Sizes GDAL reports for hostile headers can be enormous; the memory check is exercised elsewhere,
    // here only grids small enough to read quickly are loaded.
    if (fx && fy) cells = static_cast<long long>(layer.Width() / fx) * static_cast<long long>(layer.Height() / fy);
    if (layer.Height() / (fy ? fy : 1) > 4096 || cells > (1 << 20)) return;
    layer.Min();
    layer.Close();
  } else if (*RasterErrorMessage() == 0) {
    std::abort();  // a refusal always has a cause
  }

  std::vector<float> heights{1.f};
  std::size_t cols = 99, rows = 99;
  lib3d::LoadError cause;
  if (lib3d::loading::read_relief(path, fx, fy, heights, cols, rows, {}, &cause)) {
    if (heights.size() != cols * rows) std::abort();
  } else if (cause.detail.empty() || heights.size() != 1 || cols != 99) {
    std::abort();
  }
  std::vector<std::uint32_t> colors{7u};
  cause = lib3d::LoadError();
  if (lib3d::loading::read_texture(path, path, path, fx, fy, component, colors, cols, rows, {}, &cause)) {
    if (colors.size() != cols * rows) std::abort();
    for (std::uint32_t c : colors)
      if (c >> 24 || (c & 0xFF) != ((c >> 8) & 0xFF)) std::abort();  // one file: grey
  } else if (cause.detail.empty() || colors.size() != 1) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GDALAllRegister();
  CPLSetConfigOption("GDAL_CACHEMAX", "16");
  CPLSetConfigOption("CPL_DEBUG", "OFF");
  CPLPushErrorHandler(CPLQuietErrorHandler);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Reader in{data, size};
  const std::uint8_t form = in.byte();
  std::string path;
  if (form % 2 == 0) {
    path = "/vsimem/fuzz.tif";
    if (generate(in, path)) {
      damage(in, path);
      load(path, in);
    }
  } else {
    path = std::string("/vsimem/fuzz") + kExtensions[in.byte() % (sizeof kExtensions / sizeof kExtensions[0])];
    const std::size_t keep = in.byte();  // the last `keep` bytes pick the factors
    const std::size_t body = size - in.at > keep ? size - in.at - keep : 0;
    VSILFILE* f = VSIFileFromMemBuffer(path.c_str(), const_cast<GByte*>(data + in.at), body, FALSE);
    if (f) VSIFCloseL(f);
    in.at += body;
    load(path, in);
  }
  VSIUnlink(path.c_str());
  return 0;
}
