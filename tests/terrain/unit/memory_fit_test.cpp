// The memory check made before a relief is read: what the system reports, and the factors proposed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "terrain/MemoryFit.h"
#include "tests/support/RasterFixtures.h"

using namespace lib3d::loading;

TEST(MemoryFit, ReadsMemAvailableAndTheTightestCgroupLimit) {
  EXPECT_EQ(meminfo_available("MemTotal:  100 kB\nMemFree: 5 kB\nMemAvailable:   2048 kB\n"), 2048u * 1024);
  EXPECT_EQ(meminfo_available("MemTotal: 100 kB\n"), kUnlimited);
  r3dtest::TempDir root;
  // v2: the parent's limit is tighter than the group's own; v1: "no limit" is a huge number.
  for (const auto& [file, text] : {std::pair{"user/app/memory.max", "max"}, {"user/app/memory.current", "100"},
                                   {"user/memory.max", "1000"}, {"user/memory.current", "400"},
                                   {"memory/box/memory.limit_in_bytes", "9223372036854771712"},
                                   {"memory/box/memory.usage_in_bytes", "5"},
                                   {"memory/tight/memory.limit_in_bytes", "50"},
                                   {"memory/tight/memory.usage_in_bytes", "80"}}) {
    std::filesystem::create_directories(std::filesystem::path(root.file(file)).parent_path());
    ASSERT_TRUE(r3dtest::WriteTextFile(root.file(file), std::string(text) + "\n"));
  }
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"0::/user/app\n", 600}, {"0::/\n", kUnlimited}, {"5:cpu,memory:/box\n1:name=systemd:/x\n", kUnlimited},
      {"5:memory:/tight\n", 0}, {"0::/user/app\n5:memory:/tight\n", 0}, {"garbage", kUnlimited}};
  for (const auto& [procCgroup, headroom] : cases)
    EXPECT_EQ(cgroup_headroom(procCgroup, root.path()), headroom) << procCgroup;
  EXPECT_GT(available_memory(), 0u);
}

TEST(MemoryFit, ProposesTheSmallestFactorsThatFit) {
  constexpr std::uint64_t GiB = 1ull << 30;
  const struct { std::uint64_t w, h; std::size_t fx, fy; std::uint64_t available; bool fits; std::size_t wantX, wantY;
                 std::uint64_t perCell = kBytesPerCell; }
      cases[] = {
      {1000, 600, 3, 4, 1 * GiB, true, 3, 4},
      // Small grids cost a display list each cell: 2 M cells need 300 MB, 512 MiB leave 256 usable.
      {2000, 1000, 1, 1, GiB / 2, false, 2, 2},
      // Big ones are drawn from tiles: their grid and the tile cache. 10^10 cells against 18 GiB
      // usable: 3 is the first k; 4096^2 fits in 768 MiB (a list would need 2.5 GB).
      {100000, 100000, 1, 1, 24 * GiB, false, 3, 3},
      {100000, 100000, 1, 20, 4 * GiB, false, 3, 20},
      {4096, 4096, 1, 1, 1 * GiB, true, 1, 1},
      {3000, 1000, 1, 1, GiB / 2, false, 2, 2, kPictureBytesPerCell},  // one picture, no view
      {100000, 100000, 4, 4, 0, false, 100001, 100001},  // nothing left: only an empty grid fits
      {100000, 100000, 1, 1, kUnlimited, true, 1, 1}};
  for (const auto& c : cases) {
    const MemoryFit fit = fit_in_memory(c.w, c.h, c.fx, c.fy, c.available, c.perCell);
    EXPECT_EQ(std::tie(fit.fits, fit.factorX, fit.factorY), std::tie(c.fits, c.wantX, c.wantY)) << c.fx << "," << c.fy;
    // The factors proposed fit, and one step less would not.
    const std::size_t k = (fit.factorX > c.fx ? fit.factorX : fit.factorY) - 1;
    EXPECT_TRUE(c.fits || (fit_in_memory(c.w, c.h, fit.factorX, fit.factorY, c.available, c.perCell).fits &&
                           !fit_in_memory(c.w, c.h, std::max(c.fx, k), std::max(c.fy, k), c.available, c.perCell).fits));
  }
  EXPECT_EQ(format_bytes(1536ull << 20), "1.5 GiB");
  EXPECT_EQ(format_bytes(730ull << 20), "730 MiB");
}
