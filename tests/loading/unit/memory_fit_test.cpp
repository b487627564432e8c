// The memory check made before a relief is read: what the system reports, and the factors proposed.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include "frame/loading/MemoryFit.h"
#include "tests/support/RasterFixtures.h"

using namespace lib3d::loading;

namespace {
constexpr std::uint64_t GiB = 1ull << 30;
}

TEST(MemoryFit, ReadsMemAvailableAndTheTightestCgroupLimit) {
  EXPECT_EQ(meminfo_available("MemTotal:  100 kB\nMemFree: 5 kB\nMemAvailable:   2048 kB\n"), 2048u * 1024);
  EXPECT_EQ(meminfo_available("MemTotal: 100 kB\n"), kUnlimited);

  r3dtest::TempDir root;
  auto put = [&](const std::string& rel, const std::string& text) {
    std::string dir = root.path();
    for (std::size_t at = 0; (at = rel.find('/', at + 1)) != std::string::npos;)
      mkdir((dir + rel.substr(0, at)).c_str(), 0755);
    ASSERT_TRUE(r3dtest::WriteTextFile(dir + rel, text + "\n"));
  };
  // v2: the parent's limit is tighter than the group's own; v1: "no limit" is a huge number.
  put("/user/app/memory.max", "max");
  put("/user/app/memory.current", "100");
  put("/user/memory.max", "1000");
  put("/user/memory.current", "400");
  put("/memory/box/memory.limit_in_bytes", "9223372036854771712");
  put("/memory/box/memory.usage_in_bytes", "5");
  put("/memory/tight/memory.limit_in_bytes", "50");
  put("/memory/tight/memory.usage_in_bytes", "80");
  const struct {
    const char* procCgroup;
    std::uint64_t headroom;
  } cases[] = {
      {"0::/user/app\n", 600},
      {"0::/\n", kUnlimited},
      {"5:cpu,memory:/box\n1:name=systemd:/x\n", kUnlimited},
      {"5:memory:/tight\n", 0},
      {"0::/user/app\n5:memory:/tight\n", 0},
      {"garbage", kUnlimited},
  };
  for (const auto& c : cases) EXPECT_EQ(cgroup_headroom(c.procCgroup, root.path()), c.headroom) << c.procCgroup;
  EXPECT_GT(available_memory(), 0u);
}

TEST(MemoryFit, ProposesTheSmallestFactorsThatFit) {
  const struct {
    std::uint64_t w, h;
    std::size_t fx, fy;
    std::uint64_t available;
    bool fits;
    std::size_t wantX, wantY;
  } cases[] = {
      {1000, 600, 3, 4, 1 * GiB, true, 3, 4},
      // 100000^2 at 4,4 is 625 M cells; 24 GiB leaves 18 GiB usable, about 193 M cells: 8 is the first k.
      {100000, 100000, 4, 4, 24 * GiB, false, 8, 8},
      {100000, 100000, 1, 20, 24 * GiB, false, 3, 20},
      {100000, 100000, 4, 4, 0, false, 100001, 100001},  // nothing left: only an empty grid fits
      {100000, 100000, 1, 1, kUnlimited, true, 1, 1},
  };
  for (const auto& c : cases) {
    const MemoryFit fit = fit_in_memory(c.w, c.h, c.fx, c.fy, c.available);
    EXPECT_EQ(fit.fits, c.fits) << c.w << " at " << c.fx;
    EXPECT_EQ(fit.factorX, c.wantX) << c.w << " at " << c.fx;
    EXPECT_EQ(fit.factorY, c.wantY) << c.w << " at " << c.fx;
    if (!c.fits) {
      EXPECT_TRUE(fit_in_memory(c.w, c.h, fit.factorX, fit.factorY, c.available).fits);
      const std::size_t k = (fit.factorX > c.fx ? fit.factorX : fit.factorY) - 1;  // one step less
      EXPECT_FALSE(fit_in_memory(c.w, c.h, std::max(c.fx, k), std::max(c.fy, k), c.available).fits);
    }
  }
  EXPECT_EQ(format_bytes(1536ull << 20), "1.5 GiB");
  EXPECT_EQ(format_bytes(730ull << 20), "730 MiB");
}
