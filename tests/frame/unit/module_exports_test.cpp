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

TEST(ModuleExports, OneToolWithOneEntryAndUnknownQueriesTouchNothing) {
  EXPECT_EQ(GetNumModuls(), 1);
  EXPECT_EQ(GetModuleFunction(0), reinterpret_cast<void*>(&RunViewer3D));
  EXPECT_EQ(GetModuleFunction(1), nullptr);
  EXPECT_EQ(GetModuleFunction(-1), nullptr);
  lib3d::link_module_resources();
  for (auto [module, query] : {std::pair{1, 3}, {0, 0}, {0, 6}, {-1, 1}, {0, -4}}) {
    Guarded buf(32);
    EXPECT_EQ(GetModuleInfo(module, query, buf.out(), 32), 0) << module << "," << query;
    EXPECT_EQ(buf.body(), std::string(32, kGuard)) << module << "," << query;
  }
  EXPECT_EQ(GetModuleInfo(0, 3, nullptr, 32), 0);
  EXPECT_EQ(Lib3dOpenFiles(nullptr, 1, 1, nullptr, nullptr, nullptr, 0), 0);  // no viewer in this process
  EXPECT_EQ(Lib3dSnapshot("/tmp/never.png"), 0);
}

// Captions are copied like strncpy: zero-padded when short, not terminated when they fill the
// buffer; query 4 writes exactly four zero bytes whatever size is passed.
TEST(ModuleExports, CopiesStayInsideTheBuffer) {
  lib3d::link_module_resources();
  const std::string caption = Caption(ResourceLanguage::English, 3);
  ASSERT_GT(caption.size(), 4u);
  const struct { int query; std::size_t size, passed; std::string body; } cases[] = {
      {3, 4, 4, caption.substr(0, 4)},
      {3, 32, 32, caption + std::string(32 - caption.size(), '\0')},
      {3, caption.size(), caption.size(), caption},
      {3, 0, 0, ""},
      {4, 8, 0, std::string(4, '\0') + std::string(4, kGuard)},
      {4, 8, 64, std::string(4, '\0') + std::string(4, kGuard)},
  };
  for (const auto& c : cases) {
    Guarded buf(c.size);
    EXPECT_EQ(GetModuleInfo(0, c.query, buf.out(), c.passed), 1);
    EXPECT_EQ(buf.body(), c.body) << c.query << " " << c.size;
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
