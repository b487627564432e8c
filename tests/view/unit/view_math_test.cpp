// The view's window-free arithmetic.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "terrain/Document.h"
#include "render/ViewMath.h"

namespace vm = lib3d::viewmath;

TEST(ZoomSteps, SkipZeroAndMinusOneAndNeverOverflow) {
  // From the start level in and out: 0 and -1 are skipped, the visible height follows the percent.
  const struct { int from; bool in; int level, percent; float scale; } steps[] = {
      {-2, true, 1, 100, 1.0f}, {1, true, 2, 200, 0.5f},   {1, false, -2, 50, 2.0f},
      {-2, false, -3, 33, 3.0f}, {-3, false, -4, 25, 4.0f}, {2, true, 3, 300, 1.0f / 3},
      {INT_MAX, true, INT_MAX, -1, -1}, {INT_MIN + 1, false, INT_MIN + 1, -1, -1}};
  for (const auto& s : steps) {  // at the ends of the int range only the level and no overflow matter
    const vm::Zoom z = vm::zoom_step(s.from, s.in);
    EXPECT_TRUE(z.level == s.level && z.scale > 0 && (s.percent < 0 || (z.percent == s.percent && z.scale == s.scale)))
        << s.from << ": " << z.level << " " << z.percent << "% " << z.scale;
  }
}

// The direction for each angle pair is checked through the tool window's light; here the strengths
// and that no other word is read.
TEST(LightRecord, StrengthsFromTheirWordsAndNothingElse) {
  const std::int32_t w[15] = {999, 999, 999, 0, 0, 999, 30, 70, 20, 999, 999, 999, 999, 999, 999};
  const vm::Light l = vm::light_from_record(w);
  EXPECT_EQ(std::make_tuple(l.pos[2], l.ambient, l.diffuse, l.specular), std::make_tuple(1.0f, 0.3f, 0.7f, 0.2f));
}

// Heights to colours: the range ignores cells that are not finite; palette entries stay inside;
// the marker takes RGB only after a black, white or missing first entry.
TEST(HeightColours, RangePaletteEntriesAndMarker) {
  const float nan = std::nanf(""), inf = INFINITY;
  const std::vector<float> v = {nan, 3, -inf, -2, 7, inf, 7}, none = {nan, inf};
  const auto some = lib3d::finite_range(v.data(), v.size()), only = lib3d::finite_range(none.data(), none.size()),
             empty = lib3d::finite_range(nullptr, 0);
  EXPECT_EQ(std::make_tuple(some.min, some.max, only.min, only.max, empty.min, empty.max),
            std::make_tuple(-2.0f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f));
  // Ends, a truncated middle (0.5 * 255 = 127.5), one entry, a flat relief, non-finite heights,
  // heights outside the range, no entries.
  const struct { float h, lo, hi; std::size_t n, want; } rows[] = {
      {10, 10, 20, 256, 0}, {20, 10, 20, 256, 255}, {15, 10, 20, 256, 127}, {19, 10, 20, 1, 0},
      {5, 5, 5, 256, 0},    {std::nanf(""), 0, 1, 256, 0}, {INFINITY, 0, 1, 256, 0},
      {-3, 0, 1, 256, 0},   {3, 0, 1, 256, 255},  {1, 0, 1, 0, 0}};
  for (const auto& r : rows)
    EXPECT_EQ(r.want, vm::palette_index(r.h, r.lo, r.hi, r.n)) << r.h << " in " << r.lo << ".." << r.hi;
  EXPECT_LT(vm::palette_index(3e38f, -3e38f, 3e38f, 256), 256u);  // a range that overflows float
  // The marker's last word is compared whole.
  for (const auto& [word, rgb] : {std::pair{0xFFFFFFu, true}, {0u, true}, {0x808080u, false}, {0xFFFFFFFFu, false}})
    EXPECT_EQ(vm::marker_is_rgb(&word, 1), rgb) << std::hex << word;
  EXPECT_TRUE(vm::marker_is_rgb(nullptr, 0));
}
