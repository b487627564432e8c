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

struct LanguageScope {
  ResourceLanguage saved = GetResourceLanguage();
  explicit LanguageScope(ResourceLanguage lang) {
    lib3d::link_module_resources();
    SetResourceLanguage(lang);
  }
  ~LanguageScope() { SetResourceLanguage(saved); }
};

// A buffer of `size` bytes between guard bytes; `out()` points at the usable part.
struct Guarded {
  std::vector<unsigned char> bytes;
  std::size_t size;
  explicit Guarded(std::size_t n) : bytes(n + 16, kGuard), size(n) {}
  void* out() { return bytes.data() + 8; }
  unsigned char at(std::size_t i) const { return bytes[8 + i]; }
  bool guards_intact() const {
    for (std::size_t i = 0; i < 8; ++i)
      if (bytes[i] != kGuard || bytes[8 + size + i] != kGuard) return false;
    return true;
  }
  bool untouched() const {
    for (unsigned char b : bytes)
      if (b != kGuard) return false;
    return true;
  }
};

}  // namespace

TEST(ModuleExports, OneToolWithOneEntry) {
  EXPECT_EQ(GetNumModuls(), 1);
  EXPECT_NE(GetModuleFunction(0), nullptr);
  EXPECT_EQ(GetModuleFunction(0), reinterpret_cast<void*>(&RunViewer3D));
  EXPECT_EQ(GetModuleFunction(1), nullptr);
  EXPECT_EQ(GetModuleFunction(-1), nullptr);
}

TEST(ModuleExports, UnknownModuleOrQueryLeavesTheBufferAlone) {
  LanguageScope en(ResourceLanguage::English);
  for (auto [module, query] : {std::pair{1, 3}, {0, 0}, {0, 6}, {-1, 1}, {0, -4}}) {
    Guarded buf(32);
    EXPECT_EQ(GetModuleInfo(module, query, buf.out(), buf.size), 0) << module << "," << query;
    EXPECT_TRUE(buf.untouched()) << module << "," << query;
  }
  EXPECT_EQ(GetModuleInfo(0, 3, nullptr, 32), 0);
}

TEST(ModuleExports, CaptionCopyHasStrncpySemantics) {
  LanguageScope en(ResourceLanguage::English);
  Guarded four(4);
  EXPECT_EQ(GetModuleInfo(0, 3, four.out(), 4), 1);
  EXPECT_EQ(std::memcmp(four.out(), "3D V", 4), 0);  // no terminator
  EXPECT_TRUE(four.guards_intact());

  Guarded wide(32);
  EXPECT_EQ(GetModuleInfo(0, 3, wide.out(), 32), 1);
  EXPECT_EQ(std::memcmp(wide.out(), "3D Viewer", 9), 0);
  for (std::size_t i = 9; i < 32; ++i) EXPECT_EQ(wide.at(i), 0) << i;  // 23 zero bytes
  EXPECT_TRUE(wide.guards_intact());

  Guarded exact(9);  // exactly the text's length: still no terminator
  EXPECT_EQ(GetModuleInfo(0, 5, exact.out(), 9), 1);
  EXPECT_EQ(std::memcmp(exact.out(), "3D Viewer", 9), 0);
  EXPECT_TRUE(exact.guards_intact());

  Guarded none(0);
  EXPECT_EQ(GetModuleInfo(0, 3, none.out(), 0), 1);
  EXPECT_TRUE(none.untouched());
}

TEST(ModuleExports, QueryFourWritesExactlyFourZeroBytes) {
  for (std::size_t n : {0u, 1u, 4u, 64u}) {
    Guarded buf(64);
    EXPECT_EQ(GetModuleInfo(0, 4, buf.out(), n), 1);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(buf.at(i), 0);
    for (std::size_t i = 4; i < 64; ++i) EXPECT_EQ(buf.at(i), kGuard) << "n=" << n << " i=" << i;
    EXPECT_TRUE(buf.guards_intact());
  }
}

TEST(ModuleExports, RussianCaptions) {
  LanguageScope ru(ResourceLanguage::Russian);
  Guarded caption(64), shortCaption(64);
  EXPECT_EQ(GetModuleInfo(0, 3, caption.out(), 64), 1);
  EXPECT_EQ(GetModuleInfo(0, 5, shortCaption.out(), 64), 1);
  EXPECT_EQ(std::string(static_cast<char*>(caption.out())), "Окно 3D просмотра");
  EXPECT_EQ(std::string(static_cast<char*>(shortCaption.out())), "3D просмотр");
}

TEST(ModuleExports, AutomationRefusesWithoutAGui) {
  EXPECT_EQ(Lib3dOpenFiles(nullptr, 1, 1, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(Lib3dSnapshot(nullptr), 0);
  EXPECT_EQ(Lib3dSnapshot("/tmp/never.png"), 0);  // no viewer in this process
}
