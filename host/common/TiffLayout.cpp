#include "host/common/TiffLayout.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace basekit {
namespace {

// Tags and field types of the directory entries this reader needs.
enum : unsigned {
  kWidth = 256, kHeight = 257, kBits = 258, kCompression = 259, kStripOffsets = 273, kSamples = 277,
  kRowsPerStrip = 278, kStripSizes = 279, kPlanar = 284, kTileWidth = 322, kTileHeight = 323,
  kTileOffsets = 324, kTileSizes = 325
};
enum : unsigned { kShort = 3, kLong = 4, kLong8 = 16 };

// More blocks than any raster GDAL would open in reasonable time; guards the array allocation.
constexpr std::uint64_t kMaxBlocks = 1ull << 26;

class Reader {
public:
  Reader(int fd, std::uint64_t size, bool little) : fd_(fd), size_(size), little_(little) {}

  bool bytes(std::uint64_t at, void* out, std::size_t n) const {
    if (at > size_ || n > size_ - at) return false;
    return ::pread(fd_, out, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
  }
  // An unsigned value of `n` bytes in the file's byte order.
  std::uint64_t decode(const unsigned char* p, unsigned n) const {
    std::uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(p[little_ ? i : n - 1 - i]) << (8 * i);
    return v;
  }
  bool number(std::uint64_t at, unsigned n, std::uint64_t* v) const {
    unsigned char b[8];
    if (!bytes(at, b, n)) return false;
    *v = decode(b, n);
    return true;
  }

private:
  int fd_;
  std::uint64_t size_;
  bool little_;
};

unsigned type_size(unsigned type) { return type == kShort ? 2 : type == kLong ? 4 : type == kLong8 ? 8 : 0; }

struct Entry {
  unsigned tag = 0, type = 0;
  std::uint64_t count = 0;
  std::uint64_t valueAt = 0;  // file offset of the values (inline or pointed to)
};

// Piece by piece through the stack: a whole-array buffer and a zero-filled result, both fresh
// pages, took half of a large striped file's open.
bool read_array(const Reader& rd, const Entry& e, std::vector<std::uint64_t>& out) {
  const unsigned n = type_size(e.type);
  if (n == 0 || e.count == 0 || e.count > kMaxBlocks) return false;
  out.clear();
  out.reserve(static_cast<std::size_t>(e.count));
  unsigned char piece[16384];
  const std::size_t per = sizeof piece / n;
  for (std::uint64_t i = 0; i < e.count; i += per) {
    const std::size_t m = static_cast<std::size_t>(std::min<std::uint64_t>(per, e.count - i));
    if (!rd.bytes(e.valueAt + i * n, piece, m * n)) return false;
    for (std::size_t j = 0; j < m; ++j) out.push_back(rd.decode(piece + j * n, n));
  }
  return true;
}

}  // namespace

bool read_tiff_layout(int fd, std::uint64_t fileSize, TiffLayout& out) {
  unsigned char head[16];
  if (fileSize < 8 || ::pread(fd, head, 8, 0) != 8) return false;
  if (head[0] != head[1] || (head[0] != 'I' && head[0] != 'M')) return false;
  const bool little = head[0] == 'I';
  const Reader rd(fd, fileSize, little);
  const std::uint64_t magic = rd.decode(head + 2, 2);
  const bool big = magic == 43;
  if (magic != 42 && !big) return false;
  std::uint64_t ifd = 0;
  if (big ? !rd.number(8, 8, &ifd) : !rd.number(4, 4, &ifd)) return false;
  // Classic TIFF: 2-byte count, 12-byte entries with a 4-byte value field; BigTIFF: 8, 20, 8.
  const unsigned countBytes = big ? 8 : 2, entryBytes = big ? 20 : 12, field = big ? 8 : 4;
  std::uint64_t entries = 0;
  if (!rd.number(ifd, countBytes, &entries) || entries == 0 || entries > 4096) return false;

  TiffLayout t;
  t.littleEndian = little;
  Entry offsets, sizes;
  std::uint64_t rowsPerStrip = 0;
  std::vector<unsigned char> dir(static_cast<std::size_t>(entries) * entryBytes);
  if (!rd.bytes(ifd + countBytes, dir.data(), dir.size())) return false;
  for (std::uint64_t i = 0; i < entries; ++i) {
    const unsigned char* p = dir.data() + i * entryBytes;
    Entry e;
    e.tag = static_cast<unsigned>(rd.decode(p, 2));
    e.type = static_cast<unsigned>(rd.decode(p + 2, 2));
    e.count = rd.decode(p + 4, big ? 8 : 4);
    const std::uint64_t fieldAt = ifd + countBytes + i * entryBytes + (big ? 12 : 8);
    const unsigned n = type_size(e.type);
    // Values that fit the field sit in it, left-aligned; longer ones are pointed to.
    if (n != 0 && e.count <= field / n) e.valueAt = fieldAt;
    else if (!rd.number(fieldAt, field, &e.valueAt)) return false;
    std::uint64_t first = 0;
    if (n != 0 && !rd.number(e.valueAt, n, &first)) return false;
    switch (e.tag) {
      case kWidth: t.width = first; break;
      case kHeight: t.height = first; break;
      case kBits: t.bitsPerSample = static_cast<unsigned>(first); break;
      case kCompression: t.compression = static_cast<unsigned>(first); break;
      case kSamples: t.samplesPerPixel = static_cast<unsigned>(first); break;
      case kRowsPerStrip: rowsPerStrip = first; break;
      case kPlanar: t.planar = static_cast<unsigned>(first); break;
      case kTileWidth: t.blockW = first; t.tiled = true; break;
      case kTileHeight: t.blockH = first; break;
      case kStripOffsets: case kTileOffsets: offsets = e; break;
      case kStripSizes: case kTileSizes: sizes = e; break;
      default: break;
    }
  }
  if (t.width == 0 || t.height == 0) return false;
  if (!t.tiled) {
    t.blockW = t.width;
    t.blockH = rowsPerStrip == 0 || rowsPerStrip > t.height ? t.height : rowsPerStrip;
  }
  if (t.blockW == 0 || t.blockH == 0) return false;
  if (!read_array(rd, offsets, t.offsets) || !read_array(rd, sizes, t.sizes)) return false;
  const std::uint64_t perPlane = t.blocks_across() * ((t.height + t.blockH - 1) / t.blockH);
  const std::uint64_t planes = t.planar == 2 ? t.samplesPerPixel : 1;
  if (t.offsets.size() != t.sizes.size() || t.offsets.size() < perPlane * planes) return false;
  out = std::move(t);
  return true;
}

}  // namespace basekit
