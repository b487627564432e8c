#include "terrain/Loading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "terrain/MemoryFit.h"
#include "terrain/RasterProblem.h"
#include "hostlib/FileLayer.h"

namespace lib3d::loading {

namespace {

// The host library's open arguments: read-only access, passed through as they are.
constexpr unsigned long kOpenMode = 0x110;
constexpr unsigned long kOpenAccess = 0x80000000UL;

// One open raster with what a reader needs of it, checked once before any row is read.
struct Source {
  CFileLayer layer;
  int width = 0;
  int height = 0;
  int type = 0;

  // False when the file (or its band `band`) does not open or reports a size or pixel type no
  // reader can walk.
  bool open(const CString& path, int band = 1) {
    if (!(band == 1 ? layer.Open(path.c_str(), kOpenMode, 0, kOpenAccess) : layer.OpenBand(path.c_str(), band)))
      return false;
    width = layer.Width();
    height = layer.Height();
    type = layer.Type();
    return width >= 0 && height >= 0 && PixelTypeSize(type) > 0;
  }
};

// A double that lies outside float's range has no defined conversion to float; give it the
// infinity that IEEE rounding would give instead of leaving it to the compiler.
float to_float(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::infinity();
  if (v < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// A zeroed grid of n cells. Fresh pages cost about 3 s a GiB in faults on virtual machines, more
// than reading the file: the range is mapped ahead by the kernel instead (MADV_POPULATE_WRITE,
// Linux 5.14; a hint, where refused the first write maps the pages). No huge pages are asked for: where
// the host takes back the guest's free memory (virtio-balloon free page reporting), whole free 2 MiB
// blocks are what it takes back first, so a huge-page grid lands on memory the host must map again
// (64 MB after another program freed 1 GiB: 52-146 ms with huge pages, 18-24 ms without; 7 ms
// against 25 ms where nothing was freed before). Mapping 4 KiB pages is the kernel's work a page,
// so a grid of 16 MB or more is mapped in two halves on two threads (64 MB: 15-22 ms against
// 19-29 ms).
template <typename T>
std::vector<T> fresh_grid(std::size_t n) {
  std::vector<T> grid;
  grid.reserve(n);
  constexpr std::size_t kWorthIt = 4u << 20;
  const std::size_t bytes = n * sizeof(T);
  const long page = ::sysconf(_SC_PAGESIZE);
  if (bytes >= kWorthIt && page > 0) {
    const auto p = reinterpret_cast<std::uintptr_t>(grid.data());
    const std::uintptr_t pg = static_cast<std::uintptr_t>(page);
    const std::uintptr_t begin = (p + pg - 1) / pg * pg, end = (p + bytes) / pg * pg;
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23;
#endif
    const auto populate = [](std::uintptr_t from, std::uintptr_t to) {
      if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    };
    const std::uintptr_t mid = begin + (end > begin ? (end - begin) / 2 / pg * pg : 0);
    std::thread upper;
    if (bytes >= 4 * kWorthIt && std::thread::hardware_concurrency() > 1) {
      try {
        upper = std::thread(populate, mid, end);
      } catch (const std::system_error&) {
      }
    }
    populate(begin, upper.joinable() ? mid : end);
    if (upper.joinable()) upper.join();
  }
  grid.resize(n);
  return grid;
}

// Converts one run of kept pixels to doubles piece by piece through a buffer on the stack and
// hands each piece to `use(values, step, at, n)`: pixels [at, at + n) of the run, pixel at + i in
// values[i * step] (two-valued types give two doubles a pixel, the real part first); `use` may
// overwrite the piece. The host library may call a receiver on two threads at once, so receivers
// share no scratch memory.
template <typename Use>
bool convert_run(const CFileLayer::SampleRun& run, int type, Use&& use) {
  constexpr std::size_t kPiece = 256;
  double values[2 * kPiece];
  const std::size_t step = IsTwoValuedType(type) ? 2 : 1;
  for (std::size_t at = 0; at < run.count; at += kPiece) {
    const std::size_t n = std::min(kPiece, run.count - at);
    if (!ConvertSamplesToDouble(run.first + at * run.stride, n, run.stride, type, values) ||
        !use(values, step, at, n))
      return false;
  }
  return true;
}

// Maps the rows a reader has finished onto the caller's scale: `part` of `parts` equal shares.
CFileLayer::Progress share_of(const Progress& progress, std::size_t part, std::size_t parts) {
  if (!progress) return {};
  return [&progress, part, parts](std::size_t done, std::size_t total) {
    progress(part * total + done, parts * total);
  };
}

// Why `path` failed: what is wrong with the file when something is (missing, a directory, not a
// raster), else the host library's own cause, else `fallback`.
bool refuse_raster(LoadError* error, const CString& path, const char* fallback) {
  if (!error) return false;
  std::string why = RasterErrorMessage() ? RasterErrorMessage() : "";
  const std::string problem = path.empty() ? std::string() : raster_problem(path);
  if (!problem.empty()) why = problem;
  return refuse(error, LoadError::Kind::File, path, why.empty() ? fallback : why);
}

// A grid that would not fit in the memory left is refused before anything is read.
bool fits(const Source& src, const CString& path, std::size_t factorX, std::size_t factorY,
          std::uint64_t bytesPerCell, LoadError* error) {
  const MemoryFit fit = fit_in_memory(static_cast<std::uint64_t>(src.width), static_cast<std::uint64_t>(src.height),
                                      factorX, factorY, available_memory(), bytesPerCell);
  return fit.fits || refuse(error, LoadError::Kind::Memory, path, fit_cause(fit));
}

bool refuse_factor(LoadError* error, const CString& path) {
  return refuse(error, LoadError::Kind::Factors, path, "a compression factor of 0");
}

bool refuse_memory(LoadError* error, const CString& path) {
  return refuse(error, LoadError::Kind::Memory, path, "out of memory");
}

}  // namespace

std::uint8_t scale_to_byte(double v, double min, double max) {
  // An empty range leaves the channel black rather than dividing by zero.
  if (!(max != min)) return 0;
  const double t = (v - min) / (max - min) * 255.0;
  // NaN (a NaN pixel or range) has no integer value at all: black as well.
  if (std::isnan(t)) return 0;
  // Beyond 2^63 (infinities included) the truncated value does not fit an int64. Any double of
  // that size is a multiple of 2^11, so its low 8 bits are 0 anyway: the wrap still holds.
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (t >= kLimit || t < -kLimit) return 0;
  const auto whole = static_cast<std::int64_t>(t);  // truncates toward zero
  return static_cast<std::uint8_t>(static_cast<std::uint64_t>(whole) & 0xFFu);
}

bool read_relief(const CString& path, std::size_t factorX, std::size_t factorY, std::vector<float>& heights,
                 std::size_t& cols, std::size_t& rows, const Progress& progress, LoadError* error,
                 std::uint64_t bytesPerCell, int band, bool overviews) {
  if (factorX == 0 || factorY == 0) return refuse_factor(error, path);
  Source src;
  if (!src.open(path, band)) return refuse_raster(error, path, "not a raster that can be read");
  // Read from overviews, the reduced grid is held once more in the file's own pixels.
  const std::uint64_t extra = overviews ? static_cast<std::uint64_t>(PixelTypeSize(src.type)) : 0;
  if (!fits(src, path, factorX, factorY, bytesPerCell + extra, error)) return false;

  const std::size_t outCols = static_cast<std::size_t>(src.width) / factorX;
  const std::size_t outRows = static_cast<std::size_t>(src.height) / factorY;
  const int type = src.type;

  try {
    std::vector<float> out = fresh_grid<float>(outRows * outCols);
    // A two-valued relief gives its real part, the first of each pair. Float32 pixels are copied
    // as they are: the detour through double that every other type takes cannot change them.
    const auto receive = [&](const CFileLayer::SampleRun& run) {
      float* dst = out.data() + run.row * outCols + run.column;
      const unsigned char* p = run.first;
      if (type == PT_FLOAT32) {
        for (std::size_t i = 0; i < run.count; ++i, p += run.stride) std::memcpy(dst + i, p, sizeof(float));
        return true;
      }
      return convert_run(run, type, [dst](const double* v, std::size_t step, std::size_t at, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) dst[at + i] = to_float(v[i * step]);
        return true;
      });
    };
    // With no columns or no rows nothing is read at all.
    if (!(overviews ? src.layer.ReadFromOverviews(factorX, factorY, receive, progress)
                    : src.layer.ReadSampled(factorX, factorY, receive, progress)))
      return refuse_raster(error, path, "a row cannot be read");
    heights.swap(out);
  } catch (const std::bad_alloc&) {
    return refuse_memory(error, path);
  }
  cols = outCols;
  rows = outRows;
  return true;
}

bool read_texture(const CString& red, const CString& green, const CString& blue, std::size_t factorX,
                  std::size_t factorY, std::size_t component, std::vector<std::uint32_t>& colors,
                  std::size_t& cols, std::size_t& rows, const Progress& progress, LoadError* error,
                  std::uint64_t bytesPerCell) {
  if (factorX == 0 || factorY == 0) return refuse_factor(error, red);
  const CString* paths[3] = {&red, &green, &blue};
  Source src[3];
  if (!src[0].open(red)) return refuse_raster(error, red, "not a raster that can be read");
  // One file of three or more bands named for all three channels is an RGB file: bands 1, 2, 3.
  const bool rgbFile = red == green && red == blue && src[0].layer.BandCount() >= 3;
  for (int k = 1; k < 3; ++k)
    if (!src[k].open(*paths[k], rgbFile ? k + 1 : 1)) return refuse_raster(error, *paths[k], "not a raster that can be read");

  // The red file fixes the size and the row layout of all three. A green or blue file that differs
  // from it in size, or in whether its pixels are two-valued, is refused as a whole: reading it with
  // the red file's layout would either leave cells undefined or overrun the converted row.
  const bool twoValued = IsTwoValuedType(src[0].type);
  for (int k = 1; k < 3; ++k) {
    if (src[k].width != src[0].width || src[k].height != src[0].height)
      return refuse(error, LoadError::Kind::Mismatch, *paths[k], "its size differs from " + red + "'s");
    if (IsTwoValuedType(src[k].type) != twoValued)
      return refuse(error, LoadError::Kind::Mismatch, *paths[k], "complex pixels where " + red + " has real ones, or the reverse");
  }
  if (!fits(src[0], red, factorX, factorY, bytesPerCell, error)) return false;
  // Unknown component codes take the real part, as the host library itself does.
  const int componentCode = component <= 3 ? static_cast<int>(component) : COMPONENT_REAL;

  const std::size_t width = static_cast<std::size_t>(src[0].width);
  const std::size_t outCols = width / factorX;
  const std::size_t outRows = static_cast<std::size_t>(src[0].height) / factorY;

  // The same file named again for a later channel gives that channel the same bytes (a grey
  // texture from one file): they are copied instead of read once more, and progress runs over the
  // reads alone.
  int same[3] = {-1, -1, -1};
  std::size_t reads = 0;
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < k; ++j)
      if (*paths[j] == *paths[k] && !rgbFile) same[k] = j;
    if (same[k] < 0) ++reads;
  }

  try {
    std::vector<std::uint32_t> out = fresh_grid<std::uint32_t>(outRows * outCols);
    for (std::size_t k = 0, read = 0; k < 3; ++k) {
      const unsigned shift = 8u * static_cast<unsigned>(k);
      if (same[k] >= 0) {
        const unsigned from = 8u * static_cast<unsigned>(same[k]);
        for (std::uint32_t& w : out) w |= ((w >> from) & 0xFFu) << shift;
      } else {
        const double min = src[k].layer.Min();
        const double max = src[k].layer.Max();
        const int type = src[k].type;
        const auto receive = [&](const CFileLayer::SampleRun& run) {
          std::uint32_t* dst = out.data() + run.row * outCols + run.column;
          return convert_run(run, type, [&](double* v, std::size_t step, std::size_t at, std::size_t n) {
            if (twoValued) {  // the chosen component of each pair, in place of the pairs
              if (!ExtractDesiredComponent(v, static_cast<int>(n), v, componentCode)) return false;
              step = 1;
            }
            for (std::size_t i = 0; i < n; ++i)
              dst[at + i] |= static_cast<std::uint32_t>(scale_to_byte(v[i * step], min, max)) << shift;
            return true;
          });
        };
        if (!src[k].layer.ReadSampled(factorX, factorY, receive, share_of(progress, read++, reads)))
          return refuse_raster(error, *paths[k], "a row cannot be read");
      }
      src[k].layer.Close();
    }
    colors.swap(out);
  } catch (const std::bad_alloc&) {
    return refuse_memory(error, red);
  }
  cols = outCols;
  rows = outRows;
  return true;
}

}  // namespace lib3d::loading
