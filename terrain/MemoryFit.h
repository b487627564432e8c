#pragma once
// Whether a relief reduced by given factors fits in the memory this process may still use, decided
// from the file's size alone, before any row is read.
#include <cstddef>
#include <cstdint>
#include <string>

namespace lib3d::loading {

// What one reduced cell costs once shown, measured as the viewer's peak resident memory: 2.48 GB with
// a 4096² grid against 0.17 GB with a 128² one, about 140 B a cell. Most of it is the display list
// (about 48 B a list vertex, two vertices a cell in strips, its index buffers and what Mesa stages
// while compiling); the rest is the grid, a colour matrix and the drags' coarse list. Rounded up.
constexpr std::uint64_t kBytesPerCell = 150;

// What one cell costs for a single picture drawn straight into an offscreen frame, with no list and
// no view: the grid, the colour matrix and what the rasteriser holds a triangle while it draws
// (measured: about 14 B a cell over 4 to 17 M cells), with room to spare.
constexpr std::uint64_t kPictureBytesPerCell = 32;

// Reliefs of more cells than this are drawn from tiles at the detail the screen can show, not from
// one display list of every cell: 2^21 cells (1448 x 1448), where the list's still frame passes
// a quarter of a second.
constexpr std::uint64_t kTiledAboveCells = std::uint64_t{1} << 21;
// A relief drawn from tiles costs its grid (4 B a cell), a colour matrix when it has one (4 B) and
// what reading takes on top (measured as the viewer's peak resident memory over its grid: see
// bench/tiles.cpp), plus the tile cache, whatever the cost of a small grid's cell.
constexpr std::uint64_t kTiledBytesPerCell = 12;
constexpr std::uint64_t kTiledFixedBytes = std::uint64_t{512} << 20;

// Unknown (no /proc, no limit): treated as unlimited.
constexpr std::uint64_t kUnlimited = UINT64_MAX;

// MemAvailable of a /proc/meminfo text, in bytes; kUnlimited without the line.
std::uint64_t meminfo_available(const std::string& meminfo);

// How much more the cgroups of a process may charge: the smallest "limit - usage" of its memory
// cgroup and every ancestor, read below `root` (normally /sys/fs/cgroup) from the /proc/self/cgroup
// text; v2 (memory.max, memory.current) and v1 (memory.limit_in_bytes, memory.usage_in_bytes).
// kUnlimited when no limit is set.
std::uint64_t cgroup_headroom(const std::string& procCgroup, const std::string& root);

// The smaller of MemAvailable and the cgroup headroom of this process.
std::uint64_t available_memory();

// What a load may take of `available`: a quarter, and at least 256 MiB, stay for everything else.
std::uint64_t usable_memory(std::uint64_t available);

struct MemoryFit {
  bool fits = true;
  std::uint64_t cells = 0;   // of the requested grid
  std::uint64_t needed = 0;  // bytes
  std::uint64_t usable = 0;  // bytes
  std::size_t factorX = 0;   // the smallest factors that fit (the requested ones when they do)
  std::size_t factorY = 0;
};

// A width x height raster at factorX, factorY (each >= 1) against `available` bytes, each cell
// costing `bytesPerCell` (or less, when the reduced grid is big enough to be drawn from tiles). When it does not fit, the proposed factors are the smallest k applied to
// both, never below what was asked (max(factorX, k), max(factorY, k)), with which the grid fits.
MemoryFit fit_in_memory(std::uint64_t width, std::uint64_t height, std::size_t factorX, std::size_t factorY,
                        std::uint64_t available, std::uint64_t bytesPerCell = kBytesPerCell);

// "1.5 GiB", "730 MiB": one decimal below 10 units.
std::string format_bytes(std::uint64_t bytes);

// The one-line cause for a grid that does not fit, in English (the command line and logs).
std::string fit_cause(const MemoryFit& fit);

}  // namespace lib3d::loading
