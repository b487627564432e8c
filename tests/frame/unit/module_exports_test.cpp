// The module's C exports, called the way a host calls them (wx is not running here).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostlib/Resources.h"
#include "module/ModuleExports.h"
#include "resources/ModuleResources.h"

namespace {

constexpr unsigned char kGuard = 0xA5;

// A buffer of `size` bytes between 8 guard bytes on each side; `out()` points at the usable part.
struct Guarded {
  std::vector<unsigned char> bytes;
  explicit Guarded(std::size_t n) : bytes(n + 16, kGuard) {}
  char* out() { return reinterpret_cast<char*>(bytes.data() + 8); }
  // The usable part as written, then whether the guards are intact.
  std::string body() const { return std::string(bytes.begin() + 8, bytes.end() - 8); }
  bool guards_intact() const {
    for (std::size_t i = 0; i < 8; ++i)
      if (bytes[i] != kGuard || bytes[bytes.size() - 1 - i] != kGuard) return false;
    return true;
  }
};

std::string Caption(ResourceLanguage lang, int query) {
  lib3d::link_module_resources();
  SetResourceLanguage(lang);
  Guarded buf(64);
  const int ok = GetModuleInfo(0, query, buf.out(), 64);
  SetResourceLanguage(ResourceLanguage::English);
  return ok == 1 ? std::string(buf.out()) : "(refused)";
}

}  // namespace

// One tool. Captions are copied like strncpy: zero-padded when short, not terminated when they
// fill the buffer; query 4 writes exactly four zero bytes whatever size is passed; unknown modules
// and queries are refused and touch nothing.
TEST(ModuleExports, CopiesStayInsideTheBuffer) {
  EXPECT_EQ(GetNumModuls(), 1);
  EXPECT_EQ(GetModuleFunction(0), reinterpret_cast<void*>(&RunViewer3D));
  EXPECT_EQ(GetModuleFunction(1), nullptr);
  EXPECT_EQ(GetModuleInfo(0, 3, nullptr, 32), 0);
  // No viewer in this process: nothing to open into or turn.
  EXPECT_EQ(Lib3dOpenFiles(nullptr, 1, 1, nullptr, nullptr, nullptr, 0) + Lib3dSetCamera(45, 45, -2, 0, 0), 0);
  const std::string caption = Caption(ResourceLanguage::English, 3);
  ASSERT_GT(caption.size(), 4u);
  const std::string untouched(8, kGuard);
  const struct { int module, query, ok; std::size_t size, passed; std::string body; } cases[] = {
      {0, 3, 1, 4, 4, caption.substr(0, 4)},
      {0, 3, 1, 32, 32, caption + std::string(32 - caption.size(), '\0')},
      {0, 3, 1, caption.size(), caption.size(), caption},
      {0, 3, 1, 0, 0, ""},
      {0, 4, 1, 8, 0, std::string(4, '\0') + std::string(4, kGuard)},
      {0, 4, 1, 8, 64, std::string(4, '\0') + std::string(4, kGuard)},
      {1, 3, 0, 8, 8, untouched}, {0, 0, 0, 8, 8, untouched}, {0, 6, 0, 8, 8, untouched},
      {-1, 1, 0, 8, 8, untouched}, {0, -4, 0, 8, 8, untouched},
  };
  for (const auto& c : cases) {
    Guarded buf(c.size);
    EXPECT_EQ(GetModuleInfo(c.module, c.query, buf.out(), c.passed), c.ok) << c.module << "," << c.query;
    EXPECT_EQ(buf.body(), c.body) << c.module << "," << c.query << " " << c.size;
    EXPECT_TRUE(buf.guards_intact());
  }
}

TEST(ModuleExports, CaptionsFollowTheResourceLanguage) {
  for (int query : {3, 5}) {
    const std::string en = Caption(ResourceLanguage::English, query), ru = Caption(ResourceLanguage::Russian, query);
    EXPECT_NE(en, ru);
    EXPECT_NE(ru.find('\xD0'), std::string::npos) << ru;  // Cyrillic
  }
}
