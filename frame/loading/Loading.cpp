#include "frame/loading/Loading.h"

#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "frame/loading/MemoryFit.h"
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
  std::size_t lineSize = 0;

  // False when the file does not open or reports a row layout that a buffer of LineSize() bytes
  // could not hold: ReadRow writes Width() raw pixels and ConvertLineToDouble reads them, so a
  // LineSize() smaller than that would let either run past the raw row.
  bool open(const CString& path) {
    if (!layer.Open(path.c_str(), kOpenMode, 0, kOpenAccess)) return false;
    width = layer.Width();
    height = layer.Height();
    type = layer.Type();
    const int line = layer.LineSize();
    const int pixel = PixelTypeSize(type);
    if (width < 0 || height < 0 || line < 0 || pixel <= 0) return false;
    if (static_cast<std::size_t>(line) < static_cast<std::size_t>(width) * static_cast<std::size_t>(pixel))
      return false;
    lineSize = static_cast<std::size_t>(line);
    return true;
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

// Reads one full-resolution row and converts it to doubles. `values` holds Width() doubles, or
// twice that for two-valued pixels; `component` (when not null) then receives the chosen part.
bool read_row(Source& src, int row, std::vector<unsigned char>& raw, std::vector<double>& values,
              std::vector<double>* component, int componentCode) {
  if (!src.layer.ReadRow(raw.data(), 0, row, src.width)) return false;
  if (!ConvertLineToDouble(raw.data(), src.width, src.type, values.data())) return false;
  if (component && !ExtractDesiredComponent(values.data(), src.width, component->data(), componentCode))
    return false;
  return true;
}

// Stores a refusal's cause for the caller and gives the refusal.
bool refuse(std::string* cause, std::string text) {
  if (cause) *cause = std::move(text);
  return false;
}

// The host library's own cause of a failed open or read, else `fallback`.
bool refuse_raster(std::string* cause, const CString& path, const char* fallback) {
  const char* why = RasterErrorMessage();
  return refuse(cause, path + ": " + (why && *why ? why : fallback));
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
                 std::size_t& cols, std::size_t& rows, std::string* cause) {
  if (factorX == 0 || factorY == 0) return refuse(cause, "a compression factor of 0");
  Source src;
  if (!src.open(path)) return refuse_raster(cause, path, "not a raster that can be read");
  const MemoryFit fit = fit_in_memory(static_cast<std::uint64_t>(src.width), static_cast<std::uint64_t>(src.height),
                                      factorX, factorY, available_memory());
  if (!fit.fits) return refuse(cause, fit_cause(fit));

  const std::size_t width = static_cast<std::size_t>(src.width);
  const std::size_t outCols = width / factorX;
  const std::size_t outRows = static_cast<std::size_t>(src.height) / factorY;

  // A two-valued relief converts to (real, imaginary) pairs; the height is the real part, taken
  // with the host's own component extraction so that the pair layout stays the library's business.
  const bool twoValued = IsTwoValuedType(src.type);

  try {
    std::vector<float> out(outRows * outCols);
    // With no columns there is nothing to keep from any row, so no row is read.
    if (outCols != 0 && outRows != 0) {
      std::vector<unsigned char> raw(src.lineSize);
      std::vector<double> values(twoValued ? 2 * width : width);
      std::vector<double> real(twoValued ? width : 0);
      for (std::size_t r = 0; r < outRows; ++r) {
        // r * factorY <= Height() - 1, so the row number fits an int.
        const int fileRow = static_cast<int>(r * factorY);
        if (!read_row(src, fileRow, raw, values, twoValued ? &real : nullptr, COMPONENT_REAL))
          return refuse_raster(cause, path, "a row cannot be read");
        const std::vector<double>& line = twoValued ? real : values;
        float* dst = out.data() + r * outCols;
        for (std::size_t c = 0; c < outCols; ++c) dst[c] = to_float(line[c * factorX]);
      }
    }
    heights.swap(out);
  } catch (const std::bad_alloc&) {
    return refuse(cause, "out of memory");
  }
  cols = outCols;
  rows = outRows;
  return true;
}

bool read_texture(const CString& red, const CString& green, const CString& blue, std::size_t factorX,
                  std::size_t factorY, std::size_t component, std::vector<std::uint32_t>& colors,
                  std::size_t& cols, std::size_t& rows, std::string* cause) {
  if (factorX == 0 || factorY == 0) return refuse(cause, "a compression factor of 0");
  const CString* paths[3] = {&red, &green, &blue};
  Source src[3];
  for (int k = 0; k < 3; ++k)
    if (!src[k].open(*paths[k])) return refuse_raster(cause, *paths[k], "not a raster that can be read");

  // The red file fixes the size and the row layout of all three. A green or blue file that differs
  // from it in size, or in whether its pixels are two-valued, is refused as a whole: reading it with
  // the red file's layout would either leave cells undefined or overrun the converted row.
  const bool twoValued = IsTwoValuedType(src[0].type);
  for (int k = 1; k < 3; ++k) {
    if (src[k].width != src[0].width || src[k].height != src[0].height)
      return refuse(cause, *paths[k] + ": its size differs from " + red + "'s");
    if (IsTwoValuedType(src[k].type) != twoValued)
      return refuse(cause, *paths[k] + ": complex pixels where " + red + " has real ones, or the reverse");
  }
  const MemoryFit fit = fit_in_memory(static_cast<std::uint64_t>(src[0].width),
                                      static_cast<std::uint64_t>(src[0].height), factorX, factorY, available_memory());
  if (!fit.fits) return refuse(cause, fit_cause(fit));
  // Unknown component codes take the real part, as the host library itself does.
  const int componentCode = component <= 3 ? static_cast<int>(component) : COMPONENT_REAL;

  const std::size_t width = static_cast<std::size_t>(src[0].width);
  const std::size_t outCols = width / factorX;
  const std::size_t outRows = static_cast<std::size_t>(src[0].height) / factorY;

  try {
    std::vector<std::uint32_t> out(outRows * outCols, 0u);
    if (outCols != 0 && outRows != 0) {
      std::vector<double> values(twoValued ? 2 * width : width);
      std::vector<double> part(twoValued ? width : 0);
      for (int k = 0; k < 3; ++k) {
        const unsigned shift = 8u * static_cast<unsigned>(k);
        // The same file named again for a later channel gives that channel the same bytes (a grey
        // texture from one file): copy them instead of reading the raster once more.
        int same = -1;
        for (int j = 0; j < k; ++j)
          if (*paths[j] == *paths[k]) same = j;
        if (same >= 0) {
          const unsigned from = 8u * static_cast<unsigned>(same);
          for (std::uint32_t& w : out) w |= ((w >> from) & 0xFFu) << shift;
          src[k].layer.Close();
          continue;
        }
        const double min = src[k].layer.Min();
        const double max = src[k].layer.Max();
        std::vector<unsigned char> raw(src[k].lineSize);
        for (std::size_t r = 0; r < outRows; ++r) {
          const int fileRow = static_cast<int>(r * factorY);
          if (!read_row(src[k], fileRow, raw, values, twoValued ? &part : nullptr, componentCode))
            return refuse_raster(cause, *paths[k], "a row cannot be read");
          const std::vector<double>& line = twoValued ? part : values;
          std::uint32_t* dst = out.data() + r * outCols;
          for (std::size_t c = 0; c < outCols; ++c)
            dst[c] |= static_cast<std::uint32_t>(scale_to_byte(line[c * factorX], min, max)) << shift;
        }
        src[k].layer.Close();
      }
    }
    colors.swap(out);
  } catch (const std::bad_alloc&) {
    return refuse(cause, "out of memory");
  }
  cols = outCols;
  rows = outRows;
  return true;
}

}  // namespace lib3d::loading
