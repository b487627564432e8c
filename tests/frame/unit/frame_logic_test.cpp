// The frame's window-free parts: its texts, the load gauge, and the drawn toolbar strip and icons
// (pure images: no display needed).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>

#include "frame/FrameLogic.h"
#include "frame/LoadProgress.h"
#include "resources/frame_images.h"
#include "resources/module_images.h"

using namespace lib3d;

// Numbers as a default stream writes them, the zoom in single precision (1 / scale * 100), a
// tooltip after the first newline; the help book's path with quotes and asterisks dropped from the
// host directory and the executable's name cut off the command line.
TEST(FrameTexts, NumbersZoomTooltipsAndHelpPath) {
  const std::string book = "/On-line Help/Zovire3DUvezIra.zez";
  const std::pair<std::string, std::string> texts[] = {
      {format_float(153.25f), "153.25"}, {format_float(1234567.0f), "1.23457e+06"}, {format_float(0.00001f), "1e-05"},
      {zoom_scale_text(3.0f), "33.3333%"}, {zoom_scale_text(0.5f), "200%"},
      {tooltip_from_resource("prompt\ntip\nmore"), "tip\nmore"}, {tooltip_from_resource("no newline"), "no newline"},
      {help_path_from_directory("\"/opt/Program Files/Host"), "/opt/Program Files/Host" + book},
      {help_path_from_directory("/opt/a*b\"c"), "/opt/abc" + book}, {help_path_from_directory(""), book},
      {help_path_from_command_line("\"/opt/Host Dir/relief3d-host\" --lang=ru"), "/opt/Host Dir" + book},
      {help_path_from_command_line("/usr/local/bin/relief3d-host"), "/usr/local/bin" + book}};
  for (const auto& [text, want] : texts) EXPECT_EQ(text, want);
}

// Origin and divisor apply in unsigned integers (large origins stay exact); divisor 0 never
// divides; no cursor, no text, yet the largest real index is still a cell.
TEST(CursorReadout, OriginDivisorAndNoCursor) {
  const struct { std::size_t c, r; ReadoutSettings s; const char* text; } cases[] = {
      {12, 7, {0, 0, 1}, "12, 7"}, {13, 7, {100, 200, 2}, "106, 203"}, {13, 7, {100, 200, 0}, "113, 207"},
      {5, 9, {UINT64_C(10000000000000000000), 1, 3}, "10000000000000000001, 4"},
      {SIZE_MAX - 1, 0, {0, 0, 1}, "18446744073709551614, 0"}, {SIZE_MAX, 7, {0, 0, 1}, "(none)"},
      {7, SIZE_MAX, {0, 0, 0}, "(none)"}};
  for (const auto& c : cases)
    EXPECT_EQ(cursor_position_text(c.c, c.r, c.s).value_or("(none)"), c.text) << c.c << "," << c.r;
}

// The gauge value a load shows: the read fills its share, the compile the rest; a step that does
// not move the value is not shown, and a late or repeated report never moves it back.
TEST(LoadProgress, ReadThenCompileOnOneForwardScale) {
  std::vector<int> shown;
  LoadProgress p([&](int v) { shown.push_back(v); }, 0.25);
  const struct { bool compile; std::size_t done, total; int value; } steps[] = {
      {false, 0, 8, 0},   {false, 1, 8, 31},   {false, 1, 8, 31},  {false, 8, 8, 250},
      {true, 0, 0, 1000}, {true, 5, 10, 1000}, {false, 4, 8, 1000}};
  for (const auto& s : steps) {
    s.compile ? p.compile(s.done, s.total) : p.read(s.done, s.total);
    EXPECT_EQ(p.value(), s.value) << s.done << "/" << s.total;
  }
  EXPECT_EQ(shown, (std::vector<int>{31, 250, 1000}));
  LoadProgress q(nullptr, 0.25);
  q.compile(1, 2);
  EXPECT_EQ(q.value(), 625);  // half of the compile's three quarters, after the whole read
}

// Seven cells of 17 x 16 on the transparent grey, each with a motif and no two alike (the
// magnifiers differ by the bar).
TEST(ToolbarStrip, SevenDistinctCellsOnTheTransparentGrey) {
  wxImage strip = lib3d::draw_toolbar_strip();
  ASSERT_EQ(strip.GetSize(), wxSize(7 * 17, 16));
  std::set<std::vector<unsigned char>> distinct;
  for (int cell = 0; cell < 7; ++cell) {
    const wxImage part = strip.GetSubImage(wxRect(cell * 17, 0, 17, 16));
    const std::vector<unsigned char> p(part.GetData(), part.GetData() + 17 * 16 * 3);
    int transparent = 0;
    for (int i = 0; i < 17 * 16; ++i) transparent += p[3 * i] == 192 && p[3 * i + 1] == 192 && p[3 * i + 2] == 192;
    EXPECT_TRUE(transparent > 30 && transparent < 17 * 16 - 30) << cell << ": " << transparent;
    EXPECT_TRUE(distinct.insert(p).second) << cell;  // no two alike
  }
}

// Opaque at both sizes; the grey one truly grey; a yellow iris and a dark pupil at the centre.
TEST(ViewerIcons, OpaqueColourAndGreyAtBothSizes) {
  for (int size : {16, 32}) {
    const wxImage colour = lib3d::draw_viewer_icon(size, false), grey = lib3d::draw_viewer_icon(size, true);
    ASSERT_TRUE(colour.GetSize() == wxSize(size, size) && grey.GetSize() == wxSize(size, size) && colour.HasAlpha() &&
                grey.HasAlpha());
    int yellowish = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        EXPECT_TRUE((colour.GetAlpha(x, y) & grey.GetAlpha(x, y)) == 255 && grey.GetRed(x, y) == grey.GetGreen(x, y) &&
                    grey.GetGreen(x, y) == grey.GetBlue(x, y)) << x << "," << y;
        yellowish += colour.GetRed(x, y) > 200 && colour.GetGreen(x, y) > 130 && colour.GetBlue(x, y) < 80;
      }
    EXPECT_GT(yellowish, size * size / 12) << size;
    EXPECT_LT(std::max(colour.GetRed(size / 2 - 1, size / 2 - 1), grey.GetRed(size / 2 - 1, size / 2 - 1)), 60);
  }
}
