// libFuzzer target: the Open dialog's reading of factor text and its memory check. The text goes
// through the typing-time scan and the exchange's integer parse, which must agree where both accept
// it; the trailing 26 bytes give a raster size, factors and a memory budget, and the factors proposed
// for a grid that does not fit must fit while one step less must not.
#include <cmath>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialogs/open/OpenDlgLogic.h"
#include "terrain/MemoryFit.h"

using namespace lib3d;

namespace {

template <typename T>
T take(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void check_text(const std::string& text) {
  const double scanned = open::scan_factor(text);
  if (std::isnan(scanned) || scanned < 0) std::abort();
  const int whole = open::whole_factor(scanned);
  if (whole < 0) std::abort();
  if (whole < INT_MAX && !(whole <= scanned && scanned < whole + 1.0)) std::abort();
  int value = 12345;
  if (open::parse_int(text, value)) {
    // An integer the exchange accepts reads as the same number while typing.
    if (scanned != std::fabs(static_cast<double>(value))) std::abort();
  } else if (value != 12345) {
    std::abort();  // a refused text leaves the value alone
  }
}

void check_fit(const std::uint8_t* p) {
  // Sizes as a raster reports them (positive ints); factors as the dialog or a command line gives them.
  const std::uint64_t w = take<std::uint32_t>(p) & 0x7FFFFFFFu, h = take<std::uint32_t>(p + 4) & 0x7FFFFFFFu;
  const std::size_t fx = take<std::uint16_t>(p + 8) | 1u, fy = take<std::uint16_t>(p + 10) | 1u;
  const std::uint64_t available = take<std::uint64_t>(p + 12) >> (p[20] & 63);
  const loading::MemoryFit fit = loading::fit_in_memory(w, h, fx, fy, available);
  if (fit.fits) {
    if (fit.factorX != fx || fit.factorY != fy || fit.needed > fit.usable) std::abort();
    return;
  }
  if (fit.factorX < fx || fit.factorY < fy) std::abort();
  if (!loading::fit_in_memory(w, h, fit.factorX, fit.factorY, available).fits) std::abort();
  const std::size_t k = fit.factorX > fx ? fit.factorX : fit.factorY;
  const std::size_t less = k - 1;
  if (less >= 1 && (less >= fx || less >= fy) &&
      loading::fit_in_memory(w, h, fx > less ? fx : less, fy > less ? fy : less, available).fits)
    std::abort();
  if (loading::fit_cause(fit).find(std::to_string(fit.factorX) + "," + std::to_string(fit.factorY)) ==
      std::string::npos)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kFitBytes = 26;
  if (size >= kFitBytes) {
    check_fit(data + size - kFitBytes);
    size -= kFitBytes;
  }
  check_text(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
