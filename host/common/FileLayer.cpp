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
// overview level; only ReadFromOverviews asks for one.
//
// Reading speed. The viewer keeps one pixel in k along both axes (ReadSampled). It reads block by
// block with GDALReadBlock into one reused buffer: that bypasses GDAL's global block cache (which
// would copy every block once more and, for tiles, fill up with rows nobody asked for), reads only
// block rows and blocks that hold a kept pixel, and hands the kept pixels on in place, strided, so
// that only they are ever converted. Blocks larger than kMaxBlockBytes (a compressed file in one
// strip) fall back to one RasterIO per kept row. Where the TIFF directory proves that the band's
// pixels lie in the file as the host holds them (uncompressed, one sample a pixel or each band in
// its own blocks, native byte order), the layer preads them itself: a kept row's bytes per strip, and per tile either the whole tile or
// just its kept rows. Uncompressed GeoTIFFs are opened in the driver's direct-IO mode, which makes
// the single-row reads of ReadRow one pread each. The figures behind these choices come from
// bench/read.cpp.
//
// Those raw reads run on two threads (WorkShare.h): copying out of the page cache is bound by what
// one core copies. They stay preads rather than a memory mapping: a mapped file that another
// program truncates meanwhile kills the viewer with SIGBUS, where pread returns short and the load
// fails with a message; and mapping is slower on virtual machines, where mapping a page costs about
// as much as copying it and every 4 KiB page read through the map misses the TLB (two threads,
// warm cache: tiled 16384² Float32 at k = 4, 132 ms mapped against 108 ms by pread; striped at
// k = 16, 14 ms against 7.5 ms). GDAL's own reads stay on the calling thread: a dataset handle is
// not safe to share between threads.
#include "hostlib/FileLayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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

#include "host/common/TiffLayout.h"
#include "host/common/WorkShare.h"

namespace {

// Why the last Open or read of this thread failed (see RasterErrorMessage).
std::string& last_error() {
  thread_local std::string message;
  return message;
}

// GDAL prints every error to stderr by default; a host library that probes files must stay quiet.
// GDAL's own text of a failure is kept as the cause before it is cleared.
struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() {
    if (CPLGetLastErrorType() >= CE_Failure && *CPLGetLastErrorMsg()) {
      last_error() = CPLGetLastErrorMsg();
      std::replace(last_error().begin(), last_error().end(), '\n', ' ');  // some drivers quote file text
    }
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

// Largest block-row buffer ReadRow keeps (bytes). A 16384-wide Float32 file in 256-row tiles needs
// 16 MiB; wider or deeper tiles fall back to reading single rows.
constexpr std::size_t kMaxBandBytes = 64u << 20;

// Every block of `t` lies inside a file of `fileSize` bytes (a sparse block, offset and size 0,
// reads as zeros and lies nowhere).
bool blocks_inside(const basekit::TiffLayout& t, std::uint64_t fileSize) {
  for (std::size_t i = 0; i < t.offsets.size(); ++i) {
    if (t.offsets[i] == 0 && t.sizes[i] == 0) continue;
    if (t.offsets[i] > fileSize || t.sizes[i] > fileSize - t.offsets[i]) return false;
  }
  return true;
}

bool host_is_little_endian() {
  const std::uint16_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// True when band `band`'s pixels lie in the file exactly as the host holds them: uncompressed,
// one sample per pixel (or each band in blocks of its own), the host's byte order, the size GDAL
// reports, and every block present and as long as its rows. Only then are file bytes read without
// GDAL. The band's own blocks are then the ones left in `t`.
bool raw_readable(basekit::TiffLayout& t, int width, int height, int pixelBytes, int band) {
  if (t.compression != 1 || t.littleEndian != host_is_little_endian()) return false;
  if (!(t.samplesPerPixel == 1 || (t.planar == 2 && static_cast<unsigned>(band) <= t.samplesPerPixel))) return false;
  if (t.bitsPerSample != 8u * static_cast<unsigned>(pixelBytes)) return false;
  if (t.width != static_cast<std::uint64_t>(width) || t.height != static_cast<std::uint64_t>(height)) return false;
  const std::uint64_t rowBytes = t.blockW * static_cast<std::uint64_t>(pixelBytes);
  const std::uint64_t blocksDown = (t.height + t.blockH - 1) / t.blockH;
  // Separate planes follow each other in the block arrays, band 1's first.
  const std::size_t first = static_cast<std::size_t>(blocksDown * t.blocks_across() * (band - 1));
  for (std::uint64_t by = 0; by < blocksDown; ++by) {
    // Tiles are stored whole; the last strip holds only the rows that are left.
    const std::uint64_t rows = t.tiled ? t.blockH : std::min(t.blockH, t.height - by * t.blockH);
    for (std::uint64_t bx = 0; bx < t.blocks_across(); ++bx) {
      const std::size_t i = first + static_cast<std::size_t>(by * t.blocks_across() + bx);
      if (t.offsets[i] == 0 || t.sizes[i] < rows * rowBytes) return false;
    }
  }
  if (first > 0) t.offsets.erase(t.offsets.begin(), t.offsets.begin() + static_cast<std::ptrdiff_t>(first));
  return true;
}

// Reading one tile whole costs one call plus its bytes; reading its kept rows costs one call per
// row. A small read from the page cache costs about as much as copying kCallBytes more (measured:
// ~2.5 us a call against ~3.5 GB/s, whether through pread or batched through io_uring).
constexpr std::size_t kCallBytes = 9000;

// Largest block ReadSampled reads whole. 256 x 256 CFloat64 tiles (1 MiB) still are; a compressed
// file stored as one strip is not, and is read row by row through GDAL instead.
constexpr std::size_t kMaxBlockBytes = 1u << 20;
// Largest block we let GDAL decode at once (a compressed block, or a pixel-interleaved block of all
// bands): a 16384 x 16384 Float32 file stored as one compressed strip still opens.
constexpr std::size_t kMaxDecodedBlockBytes = std::size_t(1) << 30;

// Bytes a thread reads before it takes the next chunk of a raw read (at least one row, or one block
// row of tiles). Handing out a chunk costs one atomic add against at least 5 us of reading, and
// small chunks keep both threads busy to the end when another program holds a core for a while.
constexpr std::size_t kChunkBytes = 16u << 10;

// A ReadSampled progress callback as share_work reports to it.
std::function<void(std::size_t)> rows_done(const CFileLayer::Progress& progress, std::size_t rows) {
  if (!progress) return {};
  return [&progress, rows](std::size_t done) { progress(done, rows); };
}

// First output index whose sample k * i lies at or after `pos`.
std::size_t first_kept(std::size_t pos, std::size_t k) { return (pos + k - 1) / k; }

}  // namespace

struct CFileLayer::Impl {
  GDALDatasetH ds = nullptr;
  GDALRasterBandH band = nullptr;
  int bandNumber = 1;
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
  // Set when the band's bytes may be read straight from the file (see raw_readable).
  int fd = -1;
  basekit::TiffLayout raw;
  bool haveRange = false;
  double min = 0;
  double max = 0;
  // GDAL's ASCII grid reader finds a row by first reading every earlier one, recursively; when an
  // earlier row is missing that recursion grows exponentially, so asking a cut-short grid for a row
  // past the cut hangs. Such files are walked top-down here: rows [0, rowsKnownGood) were read, and
  // from firstBadRow on nothing is asked of GDAL again.
  bool topDownOnly = false;
  int rowsKnownGood = 1;  // Open reads row 0
  int firstBadRow = std::numeric_limits<int>::max();

  // For a topDownOnly file, reads the rows before `row` that were never read, in order.
  bool reach(int row) {
    if (!topDownOnly) return true;
    if (row >= firstBadRow) return false;
    std::vector<unsigned char> skipped;
    for (; rowsKnownGood < row; ++rowsKnownGood) {
      skipped.resize(static_cast<std::size_t>(width) * pixelBytes);
      if (!read_rows_direct(rowsKnownGood, 1, 0, width, skipped.data())) {
        firstBadRow = rowsKnownGood;
        last_error() = "row " + std::to_string(row) + " cannot be read: row " + std::to_string(firstBadRow) +
                       " is missing";
        return false;
      }
    }
    return true;
  }

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

  std::size_t block_bytes() const {
    return static_cast<std::size_t>(blockW) * static_cast<std::size_t>(blockH) * static_cast<std::size_t>(pixelBytes);
  }

  // The bands of a pixel-interleaved file put their blocks into GDAL's cache when one band reads
  // its own; drop them so that the cache does not grow with the file.
  void drop_other_bands() {
    for (int b = 1; b <= GDALGetRasterCount(ds); ++b)
      if (b != bandNumber) GDALFlushRasterCache(GDALGetRasterBand(ds, b));
  }

  bool sampled_by_blocks(std::size_t kx, std::size_t ky, std::size_t cols, std::size_t rows,
                         const CFileLayer::SampleReceiver& receiver, const CFileLayer::Progress& progress) {
    std::vector<unsigned char> block(block_bytes());
    const std::size_t px = static_cast<std::size_t>(pixelBytes);
    const std::size_t bw = static_cast<std::size_t>(blockW), bh = static_cast<std::size_t>(blockH);
    const std::size_t blocksX = (static_cast<std::size_t>(width) + bw - 1) / bw;
    for (std::size_t r0 = 0; r0 < rows;) {
      const std::size_t by = r0 * ky / bh;
      const std::size_t y0 = by * bh;
      const std::size_t r1 = std::min(rows, first_kept(y0 + bh, ky));
      for (std::size_t bx = 0; bx < blocksX; ++bx) {
        const std::size_t x0 = bx * bw;
        const std::size_t c0 = first_kept(x0, kx), c1 = std::min(cols, first_kept(x0 + bw, kx));
        if (c0 >= c1) continue;  // no kept column in this block
        if (!reach(static_cast<int>(y0)) ||
            GDALReadBlock(band, static_cast<int>(bx), static_cast<int>(by), block.data()) != CE_None)
          return false;
        for (std::size_t r = r0; r < r1; ++r) {
          const std::size_t offset = ((r * ky - y0) * bw + (c0 * kx - x0)) * px;
          if (!receiver(CFileLayer::SampleRun{r, c0, c1 - c0, kx * px, block.data() + offset})) return false;
        }
      }
      drop_other_bands();
      r0 = r1;
      if (progress) progress(r0, rows);
    }
    return true;
  }

  bool pread_all(void* out, std::size_t n, std::uint64_t at) const {
    auto* p = static_cast<unsigned char*>(out);
    while (n > 0) {
      const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(at));
      if (got <= 0) return false;
      p += got;
      at += static_cast<std::uint64_t>(got);
      n -= static_cast<std::size_t>(got);
    }
    return true;
  }

  // Strips: one pread per kept row, from its first pixel to its last kept one.
  bool sampled_raw_strips(std::size_t kx, std::size_t ky, std::size_t cols, std::size_t rows,
                          const CFileLayer::SampleReceiver& receiver, const CFileLayer::Progress& progress) {
    const std::size_t px = static_cast<std::size_t>(pixelBytes);
    const std::uint64_t rowBytes = raw.width * px;
    const std::size_t span = ((cols - 1) * kx + 1) * px;
    std::vector<unsigned char> buffers[2];
    const auto work = [&](std::size_t r0, std::size_t r1, int lane) -> std::size_t {
      std::vector<unsigned char>& row = buffers[lane];
      row.resize(span);
      for (std::size_t r = r0; r < r1; ++r) {
        const std::uint64_t y = r * ky;
        const std::uint64_t at = raw.offsets[static_cast<std::size_t>(y / raw.blockH)] + (y % raw.blockH) * rowBytes;
        if (!pread_all(row.data(), span, at) || !receiver(CFileLayer::SampleRun{r, 0, cols, kx * px, row.data()}))
          return basekit::kWorkFailed;
      }
      return r1 - r0;
    };
    return basekit::share_work(rows, kChunkBytes / span, work, rows_done(progress, rows));
  }

  // Tiles: each tile with kept pixels is read whole, or only its kept rows' pieces, whichever the
  // call-versus-bytes estimate finds cheaper. A block row is never split between threads, so each
  // output row's runs still come left to right.
  bool sampled_raw_tiles(std::size_t kx, std::size_t ky, std::size_t cols, std::size_t rows,
                         const CFileLayer::SampleReceiver& receiver, const CFileLayer::Progress& progress) {
    const std::size_t px = static_cast<std::size_t>(pixelBytes);
    const std::size_t bw = static_cast<std::size_t>(raw.blockW), bh = static_cast<std::size_t>(raw.blockH);
    const std::size_t tileBytes = bw * bh * px;
    const std::size_t across = static_cast<std::size_t>(raw.blocks_across());
    const std::size_t blockRows = (rows - 1) * ky / bh + 1;  // down to the one holding the last kept row
    std::vector<unsigned char> buffers[2];
    const auto work = [&](std::size_t by0, std::size_t by1, int lane) -> std::size_t {
      std::vector<unsigned char>& tile = buffers[lane];
      tile.resize(tileBytes);
      std::size_t done = 0;
      for (std::size_t by = by0; by < by1; ++by) {
        const std::size_t y0 = by * bh;
        const std::size_t r0 = first_kept(y0, ky), r1 = std::min(rows, first_kept(y0 + bh, ky));
        if (r0 >= r1) continue;  // no kept row in this block row
        for (std::size_t bx = 0; bx < across; ++bx) {
          const std::size_t x0 = bx * bw;
          const std::size_t c0 = first_kept(x0, kx), c1 = std::min(cols, first_kept(x0 + bw, kx));
          if (c0 >= c1) continue;
          const std::uint64_t base = raw.offsets[by * across + bx];
          const std::size_t skip = (c0 * kx - x0) * px;            // bytes before the first kept pixel
          const std::size_t span = ((c1 - 1 - c0) * kx + 1) * px;  // from it to the last kept one
          const bool whole = kCallBytes + tileBytes <= (r1 - r0) * (kCallBytes + span);
          if (whole && !pread_all(tile.data(), tileBytes, base)) return basekit::kWorkFailed;
          for (std::size_t r = r0; r < r1; ++r) {
            const std::size_t rowAt = (r * ky - y0) * bw * px + skip;
            const unsigned char* first = tile.data() + rowAt;
            if (!whole) {
              if (!pread_all(tile.data(), span, base + rowAt)) return basekit::kWorkFailed;
              first = tile.data();
            }
            if (!receiver(CFileLayer::SampleRun{r, c0, c1 - c0, kx * px, first})) return basekit::kWorkFailed;
          }
        }
        done += r1 - r0;
      }
      return done;
    };
    return basekit::share_work(blockRows, kChunkBytes / (across * tileBytes), work, rows_done(progress, rows));
  }

  bool sampled_by_rows(std::size_t kx, std::size_t ky, std::size_t cols, std::size_t rows,
                       const CFileLayer::SampleReceiver& receiver, const CFileLayer::Progress& progress) {
    const std::size_t px = static_cast<std::size_t>(pixelBytes);
    const int span = static_cast<int>((cols - 1) * kx + 1);  // from column 0 to the last kept one
    std::vector<unsigned char> row(static_cast<std::size_t>(span) * px);
    bool ok = true;
    for (std::size_t r = 0; r < rows && ok; ++r) {
      ok = reach(static_cast<int>(r * ky)) && read_rows_direct(static_cast<int>(r * ky), 1, 0, span, row.data()) &&
           receiver(CFileLayer::SampleRun{r, 0, cols, kx * px, row.data()});
      if (ok && progress) progress(r + 1, rows);
    }
    // Whatever GDAL cached for these rows is of no further use to a sampled read.
    GDALFlushRasterCache(band);
    drop_other_bands();
    return ok;
  }

  // One GDAL read of the whole band into the cols x rows grid, nearest pixel: GDAL takes it from
  // the overview level nearest to the reduction. Its progress reports the rows of the grid, all but
  // the last until they have been handed on.
  bool sampled_from_overviews(std::size_t cols, std::size_t rows, const CFileLayer::SampleReceiver& receiver,
                              const CFileLayer::Progress& progress) {
    const std::size_t rowBytes = cols * static_cast<std::size_t>(pixelBytes);
    std::vector<unsigned char> grid(rowBytes * rows);
    struct Report {
      const CFileLayer::Progress& progress;
      std::size_t rows, done;
    } report{progress, rows, 0};
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_NearestNeighbour;
    if (progress) {
      extra.pfnProgress = [](double part, const char*, void* data) -> int {
        Report& r = *static_cast<Report*>(data);
        const std::size_t done = std::min(r.rows - 1, static_cast<std::size_t>(std::max(part, 0.0) * r.rows));
        if (done > r.done) r.progress(r.done = done, r.rows);
        return TRUE;
      };
      extra.pProgressData = &report;
    }
    const bool ok = GDALRasterIOEx(band, GF_Read, 0, 0, width, height, grid.data(), static_cast<int>(cols),
                                   static_cast<int>(rows), gdalType, 0, 0, &extra) == CE_None;
    // Overview blocks, of every band of a pixel-interleaved file, stay in GDAL's cache otherwise.
    for (int b = 1; b <= GDALGetRasterCount(ds); ++b) {
      GDALRasterBandH each = GDALGetRasterBand(ds, b);
      for (int i = 0; i < GDALGetOverviewCount(each); ++i) GDALFlushRasterCache(GDALGetOverview(each, i));
      GDALFlushRasterCache(each);
    }
    if (!ok) return false;
    for (std::size_t r = 0; r < rows; ++r)
      if (!receiver(CFileLayer::SampleRun{r, 0, cols, static_cast<std::size_t>(pixelBytes), grid.data() + r * rowBytes}))
        return false;
    if (progress) progress(rows, rows);
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

int CFileLayer::Open(const char* path, unsigned long, int, unsigned long) { return OpenBand(path, 1); }

int CFileLayer::OpenBand(const char* path, int bandNumber) {
  Close();
  last_error().clear();
  if (!path || !*path) return last_error() = "no file name", 0;
  if (is_directory(path)) return last_error() = "it is a directory", 0;
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
  if (!ds) return last_error() = "not a raster that GDAL can read", 0;
  Impl& d = *impl_;
  auto fail = [&](const char* cause) {
    last_error() = cause;
    GDALClose(ds);
    if (d.fd >= 0) ::close(d.fd);
    d = Impl();
    return 0;
  };
  const int bands = GDALGetRasterCount(ds);
  if (bands < 1) return fail("it holds no raster band");
  if (bandNumber < 1 || bandNumber > bands) {
    const std::string cause = "it has " + std::to_string(bands) + (bands == 1 ? " band" : " bands") + ", no band " +
                              std::to_string(bandNumber);
    return fail(cause.c_str());
  }
  d.ds = ds;
  d.bandNumber = bandNumber;
  d.band = GDALGetRasterBand(ds, bandNumber);
  d.width = GDALGetRasterBandXSize(d.band);
  d.height = GDALGetRasterBandYSize(d.band);
  d.gdalType = GDALGetRasterDataType(d.band);
  d.type = code_of(d.band);
  d.pixelBytes = PixelTypeSize(d.type);
  if (d.width <= 0 || d.height <= 0 || d.type == PT_UNKNOWN || d.pixelBytes != GDALGetDataTypeSizeBytes(d.gdalType))
    return fail("empty raster or unsupported pixel type");
  if (static_cast<long long>(d.width) * d.pixelBytes > std::numeric_limits<int>::max()) return fail("rows too wide");
  GDALGetBlockSize(d.band, &d.blockW, &d.blockH);
  if (d.blockW <= 0 || d.blockH <= 0) return fail("invalid block size");
  GDALDriverH drv = GDALGetDatasetDriver(ds);
  const bool gtiff = drv && EQUAL(GDALGetDriverShortName(drv), "GTiff");
  const char* comp = GDALGetMetadataItem(ds, "COMPRESSION", "IMAGE_STRUCTURE");
  const bool uncompressed = !comp || EQUAL(comp, "NONE");
  // GDAL decodes a compressed block whole, and a pixel-interleaved one for all bands at once, before
  // the band gets a value: a damaged header (a huge strip, thousands of samples a pixel) asks for
  // gigabytes that way.
  const char* interleave = GDALGetMetadataItem(ds, "INTERLEAVE", "IMAGE_STRUCTURE");
  const bool pixelInterleaved = interleave && EQUAL(interleave, "PIXEL") && GDALGetRasterCount(ds) > 1;
  const double decodedBlock = static_cast<double>(d.block_bytes()) * (pixelInterleaved ? GDALGetRasterCount(ds) : 1);
  if ((pixelInterleaved || !uncompressed) && decodedBlock > static_cast<double>(kMaxDecodedBlockBytes))
    return fail("its blocks are too large to decode");

  if (gtiff) {
    // The directory read by hand answers both questions at the cost of two preads; GDAL's block
    // metadata, one lookup per block, stays the fallback for TIFFs it does not understand.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    basekit::TiffLayout layout;
    if (fd >= 0 && ::fstat(fd, &st) == 0 && read_tiff_layout(fd, static_cast<std::uint64_t>(st.st_size), layout)) {
      if (!blocks_inside(layout, static_cast<std::uint64_t>(st.st_size))) {
        ::close(fd);
        return fail("the file is cut short: blocks lie beyond its end");
      }
      if (uncompressed && raw_readable(layout, d.width, d.height, d.pixelBytes, bandNumber)) {
        d.fd = fd;
        d.raw = std::move(layout);
        d.raw.sizes = {};  // checked; only the offsets are needed from here on
      } else {
        ::close(fd);
      }
    } else {
      if (fd >= 0) ::close(fd);
      if (!tiff_blocks_inside_file(ds, d.band)) return fail("the file is cut short: blocks lie beyond its end");
    }
  }

  // One-row blocks gain nothing from a band buffer; neither do uncompressed striped GeoTIFFs in
  // direct-IO mode, which read any single row without touching its neighbours.
  const std::size_t bandBytes = static_cast<std::size_t>(d.width) * d.pixelBytes * d.blockH;
  const bool striped = d.blockW >= d.width;
  d.directRows = d.blockH == 1 || (gtiff && uncompressed && striped && !remote) || bandBytes > kMaxBandBytes;

  // A file whose first or last block cannot be read is not a raster we can show. A GeoTIFF's blocks
  // were all checked above, so its last one need not be read; the first is what the viewer reads
  // first. Blocks too large to read whole are probed by their first and last row. An ASCII grid is
  // only ever read top-down (see Impl::topDownOnly): its first row is all that is probed.
  const char* driverName = drv ? GDALGetDriverShortName(drv) : "";
  d.topDownOnly = EQUAL(driverName, "AAIGrid") || EQUAL(driverName, "GRASSASCIIGrid") || EQUAL(driverName, "ISG");
  const bool probeLast = !gtiff && !d.topDownOnly;
  if (d.fd >= 0) {
    // Pixels read by hand: their first row is probed the same way, without GDAL's block set-up.
    std::vector<unsigned char> probe(static_cast<std::size_t>(d.raw.blockW) * d.pixelBytes);
    if (!d.pread_all(probe.data(), probe.size(), d.raw.offsets[0])) return fail("its rows cannot be read");
  } else if (d.block_bytes() <= kMaxBlockBytes) {
    std::vector<unsigned char> probe(d.block_bytes());
    const int lastBlockRow = (d.height - 1) / d.blockH;
    if (GDALReadBlock(d.band, 0, 0, probe.data()) != CE_None ||
        (probeLast && GDALReadBlock(d.band, 0, lastBlockRow, probe.data()) != CE_None))
      return fail("its rows cannot be read");
    d.drop_other_bands();
  } else {
    std::vector<unsigned char> probe(static_cast<std::size_t>(d.width) * d.pixelBytes);
    if ((probeLast && !d.read(probe.data(), 0, d.height - 1, d.width)) || !d.read(probe.data(), 0, 0, d.width))
      return fail("its rows cannot be read");
  }
  CPLErrorReset();  // warnings of a successful open are no cause
  return 1;
}

void CFileLayer::Close() {
  if (impl_->ds) {
    QuietErrors quiet;
    GDALClose(impl_->ds);
  }
  if (impl_->fd >= 0) ::close(impl_->fd);
  *impl_ = Impl();
}

bool CFileLayer::IsOpen() const { return impl_->ds != nullptr; }
int CFileLayer::Width() const { return impl_->width; }
int CFileLayer::Height() const { return impl_->height; }
int CFileLayer::Type() const { return impl_->type; }
int CFileLayer::LineSize() const { return impl_->width * impl_->pixelBytes; }
int CFileLayer::BandCount() const { return impl_->ds ? GDALGetRasterCount(impl_->ds) : 0; }

const char* CFileLayer::BandDescription(int band) const {
  if (!impl_->ds || band < 1 || band > GDALGetRasterCount(impl_->ds)) return "";
  const char* text = GDALGetDescription(GDALGetRasterBand(impl_->ds, band));
  return text ? text : "";
}

int CFileLayer::ReadRow(void* buffer, int firstColumn, int row, int count) {
  Impl& d = *impl_;
  if (!d.ds || !buffer || row < 0 || row >= d.height || firstColumn < 0 || count <= 0 ||
      static_cast<long long>(firstColumn) + count > d.width)
    return 0;
  QuietErrors quiet;
  last_error().clear();
  if (d.reach(row) && d.read(buffer, firstColumn, row, count)) return 1;
  if (last_error().empty()) last_error() = "row " + std::to_string(row) + " cannot be read";
  return 0;
}

const char* RasterErrorMessage() { return last_error().c_str(); }

// The reduced grid of either reader: every step-th pixel exactly, or through the overviews.
int CFileLayer::read_reduced(Impl& d, std::size_t stepX, std::size_t stepY, const SampleReceiver& receiver,
                             const Progress& progress, bool overviews) {
  if (!d.ds || stepX == 0 || stepY == 0 || !receiver) return 0;
  const std::size_t cols = static_cast<std::size_t>(d.width) / stepX;
  const std::size_t rows = static_cast<std::size_t>(d.height) / stepY;
  if (cols == 0 || rows == 0) {
    if (progress) progress(rows, rows);
    return 1;
  }
  QuietErrors quiet;
  last_error().clear();
  bool ok = false;
  if (overviews) ok = d.sampled_from_overviews(cols, rows, receiver, progress);
  else if (d.fd >= 0 && !d.raw.tiled) ok = d.sampled_raw_strips(stepX, stepY, cols, rows, receiver, progress);
  else if (d.fd >= 0 && d.block_bytes() <= kMaxBlockBytes) ok = d.sampled_raw_tiles(stepX, stepY, cols, rows, receiver, progress);
  else if (d.block_bytes() <= kMaxBlockBytes) ok = d.sampled_by_blocks(stepX, stepY, cols, rows, receiver, progress);
  else ok = d.sampled_by_rows(stepX, stepY, cols, rows, receiver, progress);
  if (!ok && last_error().empty()) last_error() = overviews ? "its overviews cannot be read" : "its pixels cannot be read";
  return ok ? 1 : 0;
}

int CFileLayer::ReadSampled(std::size_t stepX, std::size_t stepY, const SampleReceiver& receiver,
                            const Progress& progress) {
  return read_reduced(*impl_, stepX, stepY, receiver, progress, false);
}

int CFileLayer::ReadFromOverviews(std::size_t stepX, std::size_t stepY, const SampleReceiver& receiver,
                                  const Progress& progress) {
  // Without a level to read from, GDAL would read every block of the band to pick its pixels.
  const bool levels = impl_->ds && GDALGetOverviewCount(impl_->band) > 0 && (stepX > 1 || stepY > 1);
  return read_reduced(*impl_, stepX, stepY, receiver, progress, levels);
}

// Lowers `to` to `v` (or raises it, with `less` reversed) where v lies beyond it.
template <typename Less>
void push_bound(std::atomic<double>& to, double v, Less less) {
  double now = to.load(std::memory_order_relaxed);
  while (less(v, now) && !to.compare_exchange_weak(now, v, std::memory_order_relaxed)) {
  }
}

// The exact range of the band over every pixel (the real part of two-valued pixels). NaN pixels are
// skipped; a raster of NaN only gives NaN. No-data values count like any other value: the viewer
// shows raw values, so the range describes raw values too. Runs arrive on two threads at once:
// each is reduced on its own, in pieces through a stack buffer, then merged.
static void compute_range(CFileLayer& layer, double* outMin, double* outMax) {
  const int type = layer.Type();
  const std::size_t step = IsTwoValuedType(type) ? 2 : 1;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::atomic<double> lo{kInf}, hi{-kInf};
  layer.ReadSampled(1, 1, [&](const CFileLayer::SampleRun& run) {
    constexpr std::size_t kPiece = 256;
    double vals[2 * kPiece];
    double runLo = kInf, runHi = -kInf;
    for (std::size_t i = 0; i < run.count; i += kPiece) {
      const std::size_t n = std::min(kPiece, run.count - i);
      if (!ConvertSamplesToDouble(run.first + i * run.stride, n, run.stride, type, vals)) return false;
      for (std::size_t j = 0; j < n * step; j += step) {
        const double v = vals[j];
        if (v < runLo) runLo = v;  // NaN compares false both ways
        if (v > runHi) runHi = v;
      }
    }
    push_bound(lo, runLo, std::less<double>());
    push_bound(hi, runHi, std::greater<double>());
    return true;
  });
  // Only NaN pixels (or none read) leave the bounds where they started.
  const bool any = lo.load() <= hi.load();
  *outMin = any ? lo.load() : std::numeric_limits<double>::quiet_NaN();
  *outMax = any ? hi.load() : std::numeric_limits<double>::quiet_NaN();
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

// Raw pixels come from byte buffers of any alignment: copy each value out instead of casting.
// Two-valued pixels give both parts.
template <typename T, int Parts = 1>
void convert(const unsigned char* raw, std::size_t count, std::size_t stride, double* out) {
  for (std::size_t i = 0; i < count; ++i, raw += stride)
    for (int part = 0; part < Parts; ++part) {
      T v;
      std::memcpy(&v, raw + part * sizeof(T), sizeof(T));
      *out++ = static_cast<double>(v);
    }
}

}  // namespace

int ConvertSamplesToDouble(const void* first, std::size_t count, std::size_t stride, int type, double* out) {
  if (!first || !out || count == 0) return 0;
  const auto* p = static_cast<const unsigned char*>(first);
  switch (type) {
    case PT_BYTE: convert<std::uint8_t>(p, count, stride, out); break;
    case PT_INT8: convert<std::int8_t>(p, count, stride, out); break;
    case PT_UINT16: convert<std::uint16_t>(p, count, stride, out); break;
    case PT_INT16: convert<std::int16_t>(p, count, stride, out); break;
    case PT_UINT32: convert<std::uint32_t>(p, count, stride, out); break;
    case PT_INT32: convert<std::int32_t>(p, count, stride, out); break;
    case PT_FLOAT32: convert<float>(p, count, stride, out); break;
    case PT_FLOAT64: convert<double>(p, count, stride, out); break;
    case PT_UINT64: convert<std::uint64_t>(p, count, stride, out); break;
    case PT_INT64: convert<std::int64_t>(p, count, stride, out); break;
    case PT_CINT16: convert<std::int16_t, 2>(p, count, stride, out); break;
    case PT_CINT32: convert<std::int32_t, 2>(p, count, stride, out); break;
    case PT_CFLOAT32: convert<float, 2>(p, count, stride, out); break;
    case PT_CFLOAT64: convert<double, 2>(p, count, stride, out); break;
    default: return 0;
  }
  return 1;
}

int ConvertLineToDouble(const void* raw, int width, int type, double* out) {
  if (width <= 0) return 0;
  return ConvertSamplesToDouble(raw, static_cast<std::size_t>(width), static_cast<std::size_t>(PixelTypeSize(type)),
                                type, out);
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
