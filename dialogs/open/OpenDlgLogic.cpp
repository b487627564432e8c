#include "dialogs/open/OpenDlgLogic.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "resources/open_ids.h"
#include "hostlib/Resources.h"

namespace lib3d::open {

namespace {

// strtod follows LC_NUMERIC; a host that switched to a locale with a decimal comma must not turn
// a typed "2.7" into 2 by accident.
locale_t c_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

void replace_all(std::string& s, const std::string& what, const std::string& with) {
  for (std::size_t pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos + with.size()))
    s.replace(pos, what.size(), with);
}

}  // namespace

double scan_factor(const std::string& text) {
  double value = 0.0;
  const char* begin = text.c_str();
  char* end = nullptr;
  const double parsed = c_locale() ? strtod_l(begin, &end, c_locale()) : std::strtod(begin, &end);
  if (end != begin) value = parsed;
  if (std::isnan(value)) return 0.0;
  return std::fabs(value);
}

int whole_factor(double scanned) {
  if (std::isnan(scanned)) return 0;
  const double whole = std::trunc(std::fabs(scanned));
  if (whole >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(whole);
}

unsigned component_from_flags(std::uint32_t flags) {
  if (flags & 1u) return 1;
  if (flags & 2u) return 2;
  if (flags & 4u) return 3;
  return 0;
}

std::string size_label(const std::string& widthWord, const std::string& heightWord, int width, int height,
                       int factorX, int factorY) {
  const int w = factorX > 0 ? width / factorX : 0;
  const int h = factorY > 0 ? height / factorY : 0;
  return widthWord + ": " + std::to_string(w) + "    " + heightWord + ": " + std::to_string(h);
}

bool parse_int(const std::string& text, int& value) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto blank = [&](std::size_t k) { return text[k] == ' ' || text[k] == '\t'; };
  while (i < n && blank(i)) ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const std::size_t digitsStart = i;
  long long v = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
    ++i;
  }
  if (i == digitsStart) return false;
  while (i < n && blank(i)) ++i;
  if (i != n) return false;
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

bool parse_number(const std::string& text, double& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double parsed = c_locale() ? strtod_l(begin, &end, c_locale()) : std::strtod(begin, &end);
  if (end == begin || !std::isfinite(parsed)) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (end != begin + text.size()) return false;
  value = parsed;
  return true;
}

std::string integer_message() { return GetResourceString(ids::kMsgInteger); }
std::string number_message() { return GetResourceString(ids::kMsgNumber); }

std::string integer_range_message(int lo, int hi) {
  std::string s = GetResourceString(ids::kMsgIntegerRange);
  replace_all(s, "%1", std::to_string(lo));
  replace_all(s, "%2", std::to_string(hi));
  return s;
}

std::string memory_message(const loading::MemoryFit& fit) {
  std::string s = GetResourceString(ids::kMsgTooLarge);
  replace_all(s, "%1", loading::format_bytes(fit.needed));
  replace_all(s, "%2", loading::format_bytes(fit.usable));
  replace_all(s, "%3", std::to_string(fit.factorX));
  replace_all(s, "%4", std::to_string(fit.factorY));
  return s;
}

}  // namespace lib3d::open
