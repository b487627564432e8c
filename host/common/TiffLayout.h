#pragma once
// Where the blocks of a TIFF's first image lie in the file, read straight from its directory.
//
// GDAL hands these out one metadata lookup at a time (about a microsecond each, so ~20 ms for the
// 16384 strips of a large striped file); reading the two arrays ourselves takes two preads.
#include <cstdint>
#include <string>
#include <vector>

namespace basekit {

struct TiffLayout {
  bool littleEndian = true;
  std::uint64_t width = 0, height = 0;
  std::uint64_t blockW = 0, blockH = 0;  // strips: blockW == width, blockH == rows per strip
  bool tiled = false;
  unsigned compression = 1, samplesPerPixel = 1, bitsPerSample = 0, planar = 1;
  std::vector<std::uint64_t> offsets, sizes;  // per block, in the file's block order

  std::uint64_t blocks_across() const { return (width + blockW - 1) / blockW; }
};

// Reads the first directory of the (classic or big) TIFF open as `fd`. False when the file is not a
// TIFF this reader understands, or its arrays are inconsistent; nothing is then promised.
bool read_tiff_layout(int fd, std::uint64_t fileSize, TiffLayout& out);

}  // namespace basekit
