// Raster access over GDAL.
//
// Pixel type codes (PixelType in hostlib/FileLayer.h) against GDAL's types:
//
//   code  GDAL type                              raw bytes   doubles per pixel
//   ----  -------------------------------------  ---------   -----------------
//     1   GDT_Byte                                   1              1
//     2   GDT_Int8, or GDT_Byte with the band's         1              1
//         IMAGE_STRUCTURE PIXELTYPE=SIGNEDBYTE (GDAL < 3.7 has no Int8)
//     3   GDT_UInt16                                 2              1
//     4   GDT_Int16                                  2              1
//     5   GDT_UInt32                                 4              1
//     6   GDT_Int32                                  4              1
//     7   GDT_Float32                                4              1
//     8   GDT_Float64                                8              1
//     9   GDT_CInt16   (re, im interleaved)          4              2
//    10   GDT_CInt32                                 8              2
//    11   GDT_CFloat32                               8              2
//    12   GDT_CFloat64                              16              2
//    17   GDT_UInt64                                 8              1
//    18   GDT_Int64                                  8              1
//
// Rows are always read with a buffer as large as the window, so GDAL never substitutes an
// overview level.
//
// Reading speed. The viewer reads every k-th full-resolution row. Through GDAL's global block
// cache that is slow twice over: every touched block is copied into the cache, and a tiled file
// fills the cache (by default 5% of RAM) with blocks of which most rows are never asked for. So:
//  - uncompressed GeoTIFFs are opened with the driver's direct-IO mode: a row read becomes one
//    pread of exactly that row (striped) or of the row's pieces of each tile (tiled);
//  - files whose blocks span several rows (tiles, multi-row strips, compressed data) are read one
//    block row ("band") at a time into a buffer of this layer, the band's blocks are dropped from
//    GDAL's cache at once, and further rows of the same band are served from the buffer. The
//    buffer is capped; above the cap rows are read one by one.
//  Which of these wins for which layout was measured with bench/read.cpp.
#include "hostlib/FileLayer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>

namespace {

// GDAL prints every error to stderr by default; a host library that probes files must stay quiet.
struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() {
    CPLErrorReset();
    CPLPopErrorHandler();
  }
};

// Sets a GDAL configuration option for this thread only, restoring the previous value.
class ScopedThreadOption {
public:
  ScopedThreadOption(const char* key, const char* value) : key_(key) {
    const char* old = CPLGetThreadLocalConfigOption(key, nullptr);
    if (old) {
      had_ = true;
      old_ = old;
    }
    CPLSetThreadLocalConfigOption(key, value);
  }
  ~ScopedThreadOption() { CPLSetThreadLocalConfigOption(key_, had_ ? old_.c_str() : nullptr); }

private:
  const char* key_;
  bool had_ = false;
  std::string old_;
};

void register_drivers() {
  static const bool once = [] {
    GDALAllRegister();
    // A stalled server must not freeze the viewer for curl's default of minutes; the user's own
    // settings (environment or config file) win.
    for (const auto& [key, value] : {std::pair<const char*, const char*>{"GDAL_HTTP_CONNECTTIMEOUT", "10"},
                                     {"GDAL_HTTP_TIMEOUT", "60"}, {"GDAL_HTTP_MAX_RETRY", "2"},
                                     {"GDAL_HTTP_RETRY_DELAY", "1"}})
      if (!CPLGetConfigOption(key, nullptr)) CPLSetConfigOption(key, value);
    return true;
  }();
  (void)once;
}

bool starts_with(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// A bare URL goes through GDAL's curl file system, which reads a cloud-optimised GeoTIFF by ranges;
// GDAL's HTTP driver would download the whole file first.
std::string gdal_path(const char* path) {
  const std::string p(path);
  for (const char* scheme : {"http://", "https://", "ftp://"})
    if (starts_with(p, scheme)) return "/vsicurl/" + p;
  return p;
}

// Every request to a remote file costs a round trip: such files are read a block row at a time,
// never row by row or piece by piece.
bool is_remote(const std::string& gdalPath) {
  for (const char* fs : {"/vsicurl", "/vsis3", "/vsigs", "/vsiaz", "/vsiadls", "/vsioss", "/vsiswift", "/vsiwebhdfs",
                         "/vsihdfs"})
    if (gdalPath.find(fs) != std::string::npos) return true;
  return false;
}

int code_of(GDALRasterBandH band) {
  switch (GDALGetRasterDataType(band)) {
    case GDT_Byte: {
      const char* pt = GDALGetMetadataItem(band, "PIXELTYPE", "IMAGE_STRUCTURE");
      return pt && EQUAL(pt, "SIGNEDBYTE") ? PT_INT8 : PT_BYTE;
    }
#if GDAL_VERSION_NUM >= 3070000
    case GDT_Int8: return PT_INT8;
#endif
    case GDT_UInt16: return PT_UINT16;
    case GDT_Int16: return PT_INT16;
    case GDT_UInt32: return PT_UINT32;
    case GDT_Int32: return PT_INT32;
    case GDT_Float32: return PT_FLOAT32;
    case GDT_Float64: return PT_FLOAT64;
    case GDT_CInt16: return PT_CINT16;
    case GDT_CInt32: return PT_CINT32;
    case GDT_CFloat32: return PT_CFLOAT32;
    case GDT_CFloat64: return PT_CFLOAT64;
    case GDT_UInt64: return PT_UINT64;
    case GDT_Int64: return PT_INT64;
    default: return PT_UNKNOWN;
  }
}

bool is_directory(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// A GeoTIFF cut short still opens when its directory lies before the cut; its missing blocks only
// fail when read. Check that every block the directory lists lies inside the file.
bool tiff_blocks_inside_file(GDALDatasetH ds, GDALRasterBandH band) {
  VSIStatBufL st;
  if (VSIStatL(GDALGetDescription(ds), &st) != 0) return true;  // not a plain file: cannot tell
  const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
  int bw = 0, bh = 0;
  GDALGetBlockSize(band, &bw, &bh);
  if (bw <= 0 || bh <= 0) return false;
  const long long nx = (GDALGetRasterBandXSize(band) + static_cast<long long>(bw) - 1) / bw;
  const long long ny = (GDALGetRasterBandYSize(band) + static_cast<long long>(bh) - 1) / bh;
  if (nx * ny > (1LL << 20)) return true;  // too many to check cheaply; reads will report it
  char key[64];
  for (long long y = 0; y < ny; ++y) {
    for (long long x = 0; x < nx; ++x) {
      snprintf(key, sizeof key, "BLOCK_OFFSET_%lld_%lld", x, y);
      const char* off = GDALGetMetadataItem(band, key, "TIFF");
      snprintf(key, sizeof key, "BLOCK_SIZE_%lld_%lld", x, y);
      const char* size = GDALGetMetadataItem(band, key, "TIFF");
      if (!off || !size) continue;  // sparse block: reads as zeros
      const std::uint64_t end = std::strtoull(off, nullptr, 10) + std::strtoull(size, nullptr, 10);
      if (end > fileSize) return false;
    }
  }
  return true;
}

// Largest block-row buffer a layer keeps (bytes). A 16384-wide Float32 file in 256-row tiles needs
// 16 MiB; wider or deeper tiles fall back to reading single rows.
constexpr std::size_t kMaxBandBytes = 64u << 20;

}  // namespace

struct CFileLayer::Impl {
  GDALDatasetH ds = nullptr;
  GDALRasterBandH band = nullptr;
  int width = 0;
  int height = 0;
  int type = PT_UNKNOWN;
  GDALDataType gdalType = GDT_Unknown;
  int pixelBytes = 0;
  int blockW = 0;
  int blockH = 0;
  bool directRows = false;  // read each row straight from the file
  std::vector<unsigned char> bandBuf;  // rows [bandFirst, bandFirst + bandRows) of full width
  int bandFirst = -1;
  int bandRows = 0;
  bool haveRange = false;
  double min = 0;
  double max = 0;

  bool read_rows_direct(int row, int rows, int col, int count, void* out) {
    return GDALRasterIO(band, GF_Read, col, row, count, rows, out, count, rows, gdalType, 0, 0) == CE_None;
  }

  bool load_band(int row) {
    const int first = row / blockH * blockH;
    const int rows = std::min(blockH, height - first);
    const std::size_t need = static_cast<std::size_t>(width) * pixelBytes * rows;
    if (bandBuf.size() < need) bandBuf.resize(need);
    bandFirst = -1;
    if (!read_rows_direct(first, rows, 0, width, bandBuf.data())) return false;
    // The band's blocks are in our buffer now; keep GDAL's cache from growing with the file.
    GDALFlushRasterCache(band);
    bandFirst = first;
    bandRows = rows;
    return true;
  }

  bool read(void* out, int col, int row, int count) {
    if (directRows) return read_rows_direct(row, 1, col, count, out);
    if (row < bandFirst || row >= bandFirst + bandRows) {
      if (!load_band(row)) return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * pixelBytes;
    std::memcpy(out, bandBuf.data() + rowBytes * (row - bandFirst) + static_cast<std::size_t>(col) * pixelBytes,
                static_cast<std::size_t>(count) * pixelBytes);
    return true;
  }
};

CFileLayer::CFileLayer(CMeterInfoBase*) : impl_(new Impl) {}
CFileLayer::~CFileLayer() { Close(); }

int CFileLayer::Open(const char* path, unsigned long, int, unsigned long) {
  Close();
  if (!path || !*path || is_directory(path)) return 0;
  register_drivers();
  QuietErrors quiet;
  const std::string source = gdal_path(path);
  const bool remote = is_remote(source);
  GDALDatasetH ds = nullptr;
  {
    // Read once at open by the GeoTIFF driver; it only takes effect for uncompressed files.
    ScopedThreadOption direct("GTIFF_DIRECT_IO", remote ? "NO" : "YES");
    // Looking for side-car files would list a remote folder, often a slow or refused request.
    ScopedThreadOption siblings("GDAL_DISABLE_READDIR_ON_OPEN", remote ? "EMPTY_DIR" : nullptr);
    ds = GDALOpenEx(source.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
  }
  if (!ds) return 0;
  Impl& d = *impl_;
  auto fail = [&] {
    GDALClose(ds);
    d = Impl();
    return 0;
  };
  if (GDALGetRasterCount(ds) < 1) return fail();
  d.ds = ds;
  d.band = GDALGetRasterBand(ds, 1);
  d.width = GDALGetRasterBandXSize(d.band);
  d.height = GDALGetRasterBandYSize(d.band);
  d.gdalType = GDALGetRasterDataType(d.band);
  d.type = code_of(d.band);
  d.pixelBytes = PixelTypeSize(d.type);
  if (d.width <= 0 || d.height <= 0 || d.type == PT_UNKNOWN || d.pixelBytes != GDALGetDataTypeSizeBytes(d.gdalType))
    return fail();
  if (static_cast<long long>(d.width) * d.pixelBytes > std::numeric_limits<int>::max()) return fail();
  GDALGetBlockSize(d.band, &d.blockW, &d.blockH);
  if (d.blockW <= 0 || d.blockH <= 0) return fail();

  GDALDriverH drv = GDALGetDatasetDriver(ds);
  const bool gtiff = drv && EQUAL(GDALGetDriverShortName(drv), "GTiff");
  const char* comp = GDALGetMetadataItem(ds, "COMPRESSION", "IMAGE_STRUCTURE");
  const bool uncompressed = !comp || EQUAL(comp, "NONE");
  if (gtiff && !tiff_blocks_inside_file(ds, d.band)) return fail();

  // One-row blocks gain nothing from a band buffer; neither do uncompressed striped GeoTIFFs in
  // direct-IO mode, which read any single row without touching its neighbours.
  const std::size_t bandBytes = static_cast<std::size_t>(d.width) * d.pixelBytes * d.blockH;
  const bool striped = d.blockW >= d.width;
  d.directRows = d.blockH == 1 || (gtiff && uncompressed && striped && !remote) || bandBytes > kMaxBandBytes;

  // A file whose first or last row cannot be read is not a raster we can show. A GeoTIFF's blocks
  // were all checked above, so its last row need not be read (for a tiled file that would mean a
  // whole band of tiles read only to be thrown away); the first row is what the viewer reads first.
  std::vector<unsigned char> probe(static_cast<std::size_t>(d.width) * d.pixelBytes);
  if ((!gtiff && !d.read(probe.data(), 0, d.height - 1, d.width)) || !d.read(probe.data(), 0, 0, d.width))
    return fail();
  return 1;
}

void CFileLayer::Close() {
  if (impl_->ds) {
    QuietErrors quiet;
    GDALClose(impl_->ds);
  }
  *impl_ = Impl();
}

bool CFileLayer::IsOpen() const { return impl_->ds != nullptr; }
int CFileLayer::Width() const { return impl_->width; }
int CFileLayer::Height() const { return impl_->height; }
int CFileLayer::Type() const { return impl_->type; }
int CFileLayer::LineSize() const { return impl_->width * impl_->pixelBytes; }

int CFileLayer::ReadRow(void* buffer, int firstColumn, int row, int count) {
  Impl& d = *impl_;
  if (!d.ds || !buffer || row < 0 || row >= d.height || firstColumn < 0 || count <= 0 ||
      static_cast<long long>(firstColumn) + count > d.width)
    return 0;
  QuietErrors quiet;
  return d.read(buffer, firstColumn, row, count) ? 1 : 0;
}

// The exact range of band 1 over every pixel (the real part of two-valued pixels). NaN pixels are
// skipped; a raster of NaN only gives NaN. No-data values count like any other value: the viewer
// shows raw values, so the range describes raw values too.
static void compute_range(CFileLayer& layer, double* outMin, double* outMax) {
  const int w = layer.Width();
  const int type = layer.Type();
  std::vector<unsigned char> raw(static_cast<std::size_t>(layer.LineSize()));
  std::vector<double> vals(static_cast<std::size_t>(w) * (IsTwoValuedType(type) ? 2 : 1));
  const int step = IsTwoValuedType(type) ? 2 : 1;
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  bool any = false;
  for (int r = 0; r < layer.Height(); ++r) {
    if (!layer.ReadRow(raw.data(), 0, r, w) || !ConvertLineToDouble(raw.data(), w, type, vals.data())) continue;
    for (std::size_t i = 0; i < vals.size(); i += step) {
      const double v = vals[i];
      if (std::isnan(v)) continue;
      any = true;
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
  *outMin = any ? lo : std::numeric_limits<double>::quiet_NaN();
  *outMax = any ? hi : std::numeric_limits<double>::quiet_NaN();
}

double CFileLayer::Min() {
  if (!impl_->ds) return 0;
  if (!impl_->haveRange) {
    compute_range(*this, &impl_->min, &impl_->max);
    impl_->haveRange = true;
  }
  return impl_->min;
}

double CFileLayer::Max() {
  if (!impl_->ds) return 0;
  Min();
  return impl_->max;
}

int PixelTypeSize(int type) {
  switch (type) {
    case PT_BYTE:
    case PT_INT8: return 1;
    case PT_UINT16:
    case PT_INT16: return 2;
    case PT_UINT32:
    case PT_INT32:
    case PT_FLOAT32:
    case PT_CINT16: return 4;
    case PT_FLOAT64:
    case PT_CINT32:
    case PT_CFLOAT32:
    case PT_UINT64:
    case PT_INT64: return 8;
    case PT_CFLOAT64: return 16;
    default: return 0;
  }
}

namespace {

// Raw rows come from byte buffers of any alignment: copy each value out instead of casting.
template <typename T>
void convert(const unsigned char* raw, std::size_t values, double* out) {
  for (std::size_t i = 0; i < values; ++i) {
    T v;
    std::memcpy(&v, raw + i * sizeof(T), sizeof(T));
    out[i] = static_cast<double>(v);
  }
}

}  // namespace

int ConvertLineToDouble(const void* raw, int width, int type, double* out) {
  if (!raw || !out || width <= 0) return 0;
  const auto* p = static_cast<const unsigned char*>(raw);
  const std::size_t n = static_cast<std::size_t>(width);
  switch (type) {
    case PT_BYTE: convert<std::uint8_t>(p, n, out); break;
    case PT_INT8: convert<std::int8_t>(p, n, out); break;
    case PT_UINT16: convert<std::uint16_t>(p, n, out); break;
    case PT_INT16: convert<std::int16_t>(p, n, out); break;
    case PT_UINT32: convert<std::uint32_t>(p, n, out); break;
    case PT_INT32: convert<std::int32_t>(p, n, out); break;
    case PT_FLOAT32: convert<float>(p, n, out); break;
    case PT_FLOAT64: convert<double>(p, n, out); break;
    case PT_UINT64: convert<std::uint64_t>(p, n, out); break;
    case PT_INT64: convert<std::int64_t>(p, n, out); break;
    case PT_CINT16: convert<std::int16_t>(p, 2 * n, out); break;
    case PT_CINT32: convert<std::int32_t>(p, 2 * n, out); break;
    case PT_CFLOAT32: convert<float>(p, 2 * n, out); break;
    case PT_CFLOAT64: convert<double>(p, 2 * n, out); break;
    default: return 0;
  }
  return 1;
}

int ExtractDesiredComponent(const double* in, int width, double* out, int component) {
  if (!in || !out || width <= 0) return 0;
  for (int i = 0; i < width; ++i) {
    const double re = in[2 * i];
    const double im = in[2 * i + 1];
    switch (component) {
      case COMPONENT_IMAGINARY: out[i] = im; break;
      case COMPONENT_AMPLITUDE: out[i] = std::hypot(re, im); break;
      case COMPONENT_PHASE: out[i] = std::atan2(im, re); break;
      default: out[i] = re; break;
    }
  }
  return 1;
}
