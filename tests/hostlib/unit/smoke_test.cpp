#include <gtest/gtest.h>
#include "tests/support/RasterFixtures.h"
TEST(Smoke, TempDirAndRaster) {
  r3dtest::TempDir d;
  ASSERT_FALSE(d.path().empty());
  ASSERT_TRUE(r3dtest::WriteRaster(d.file("a.tif"), 4, 3, GDT_Int16, [](int x, int y, double*) { return r3dtest::PositionValue(x, y); }));
  int w = 0, h = 0;
  auto v = r3dtest::ReadWholeRaster(d.file("a.tif"), &w, &h);
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[2 * 4 + 3], 2003);
}
