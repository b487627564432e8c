#include "terrain/MemoryFit.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace lib3d::loading {
namespace {

constexpr std::uint64_t kMiB = 1ull << 20;

// The first line of a small kernel file, empty when it cannot be read.
std::string first_line(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

bool parse_u64(const std::string& text, std::uint64_t& value) {
  if (text.empty()) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (v > (UINT64_MAX - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = v;
  return true;
}

// limit - usage of one cgroup directory; kUnlimited when its limit file is missing or says "max".
// cgroup v1 reports "no limit" as a huge page-rounded number rather than a word.
std::uint64_t headroom_of(const std::string& dir, const char* limitFile, const char* usageFile) {
  std::uint64_t limit = 0, usage = 0;
  if (!parse_u64(first_line(dir + "/" + limitFile), limit) || limit >= (1ull << 62)) return kUnlimited;
  if (!parse_u64(first_line(dir + "/" + usageFile), usage)) usage = 0;
  return limit > usage ? limit - usage : 0;
}

// The cgroup's directory and each ancestor up to `base` (inclusive).
std::uint64_t smallest_headroom(const std::string& base, std::string rel, const char* limitFile,
                                const char* usageFile) {
  std::uint64_t best = kUnlimited;
  while (true) {
    while (!rel.empty() && rel.back() == '/') rel.pop_back();
    best = std::min(best, headroom_of(base + rel, limitFile, usageFile));
    if (rel.empty()) break;
    const std::size_t slash = rel.rfind('/');
    rel = slash == std::string::npos ? std::string() : rel.substr(0, slash);
  }
  return best;
}

std::uint64_t cells_at(std::uint64_t width, std::uint64_t height, std::uint64_t fx, std::uint64_t fy) {
  return (width / fx) * (height / fy);
}

std::uint64_t bytes_for(std::uint64_t cells, std::uint64_t perCell) {
  if (cells > kTiledAboveCells && perCell > kTiledBytesPerCell) {
    if (cells > (UINT64_MAX - kTiledFixedBytes) / kTiledBytesPerCell) return UINT64_MAX;
    return cells * kTiledBytesPerCell + kTiledFixedBytes;
  }
  return perCell != 0 && cells > UINT64_MAX / perCell ? UINT64_MAX : cells * perCell;
}

}  // namespace

std::uint64_t meminfo_available(const std::string& meminfo) {
  std::istringstream in(meminfo);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    unsigned long long kb = 0;
    if (std::sscanf(line.c_str() + 13, "%llu", &kb) != 1) return kUnlimited;
    return kb > UINT64_MAX / 1024 ? kUnlimited : kb * 1024;
  }
  return kUnlimited;
}

std::uint64_t cgroup_headroom(const std::string& procCgroup, const std::string& root) {
  std::istringstream in(procCgroup);
  std::string line;
  std::uint64_t best = kUnlimited;
  // Lines are "id:controllers:path"; v2 has id 0 and no controllers, v1 names "memory" among them.
  while (std::getline(in, line)) {
    const std::size_t a = line.find(':');
    const std::size_t b = a == std::string::npos ? a : line.find(':', a + 1);
    if (b == std::string::npos) continue;
    const std::string controllers = line.substr(a + 1, b - a - 1);
    const std::string path = line.substr(b + 1);
    if (line.compare(0, a, "0") == 0 && controllers.empty()) {
      best = std::min(best, smallest_headroom(root, path, "memory.max", "memory.current"));
    } else {
      std::istringstream list(controllers);
      std::string c;
      while (std::getline(list, c, ','))
        if (c == "memory")
          best = std::min(best, smallest_headroom(root + "/memory", path, "memory.limit_in_bytes",
                                                  "memory.usage_in_bytes"));
    }
  }
  return best;
}

std::uint64_t available_memory() {
  auto slurp = [](const char* path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  };
  return std::min(meminfo_available(slurp("/proc/meminfo")),
                  cgroup_headroom(slurp("/proc/self/cgroup"), "/sys/fs/cgroup"));
}

std::uint64_t usable_memory(std::uint64_t available) {
  if (available == kUnlimited) return kUnlimited;
  const std::uint64_t keep = std::max(available / 4, 256 * kMiB);
  return available > keep ? available - keep : 0;
}

MemoryFit fit_in_memory(std::uint64_t width, std::uint64_t height, std::size_t factorX, std::size_t factorY,
                        std::uint64_t available, std::uint64_t bytesPerCell) {
  MemoryFit fit;
  const std::uint64_t fx = std::max<std::uint64_t>(factorX, 1), fy = std::max<std::uint64_t>(factorY, 1);
  fit.cells = cells_at(width, height, fx, fy);
  fit.needed = bytes_for(fit.cells, bytesPerCell);
  fit.usable = usable_memory(available);
  fit.factorX = factorX;
  fit.factorY = factorY;
  fit.fits = fit.needed <= fit.usable;
  if (fit.fits) return fit;
  // Cells only shrink as k grows, and k = max(width, height) + 1 leaves none: search between.
  auto fits_with = [&](std::uint64_t k) {
    return bytes_for(cells_at(width, height, std::max(fx, k), std::max(fy, k)), bytesPerCell) <= fit.usable;
  };
  std::uint64_t lo = 1, hi = std::max(width, height) + 1;
  while (lo < hi) {
    const std::uint64_t mid = lo + (hi - lo) / 2;
    if (fits_with(mid)) hi = mid;
    else lo = mid + 1;
  }
  fit.factorX = static_cast<std::size_t>(std::max(fx, lo));
  fit.factorY = static_cast<std::size_t>(std::max(fy, lo));
  return fit;
}

std::string format_bytes(std::uint64_t bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1024.0 && u < 6) {
    v /= 1024.0;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, v < 10.0 && u > 0 ? "%.1f %s" : "%.0f %s", v, kUnits[u]);
  return buf;
}

std::string fit_cause(const MemoryFit& fit) {
  return "the reduced grid of " + std::to_string(fit.cells) + " cells needs about " + format_bytes(fit.needed) +
         " of memory, but only " + format_bytes(fit.usable) + " can be used; use compression factors of at least " +
         std::to_string(fit.factorX) + "," + std::to_string(fit.factorY);
}

}  // namespace lib3d::loading
