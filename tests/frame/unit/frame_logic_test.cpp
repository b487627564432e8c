#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "frame/FrameLogic.h"
#include "frame/LoadProgress.h"

using namespace lib3d;

TEST(FrameFormat, FloatsAsADefaultStreamWritesThem) {
  EXPECT_EQ(format_float(153.25f), "153.25");
  EXPECT_EQ(format_float(1234567.0f), "1.23457e+06");
  EXPECT_EQ(format_float(0.00001f), "1e-05");
}

TEST(FrameFormat, ZoomTexts) {
  // After a height matrix: single-precision 1 / scale * 100.
  EXPECT_EQ(zoom_scale_text(2.0f), "50%");
  EXPECT_EQ(zoom_scale_text(1.0f), "100%");
  EXPECT_EQ(zoom_scale_text(3.0f), "33.3333%");
  EXPECT_EQ(zoom_scale_text(0.5f), "200%");
}

TEST(CursorReadout, OriginAndDivisorApplyInUnsignedIntegers) {
  EXPECT_EQ(cursor_position_text(12, 7, {0, 0, 1}).value(), "12, 7");
  EXPECT_EQ(cursor_position_text(13, 7, {100, 200, 2}).value(), "106, 203");
  // Large origins stay exact (no float or signed arithmetic on the way).
  EXPECT_EQ(cursor_position_text(5, 9, {UINT64_C(10000000000000000000), 1, 3}).value(),
            "10000000000000000001, 4");
}

TEST(CursorReadout, DivisorZeroShowsIndicesUndivided) {
  EXPECT_EQ(cursor_position_text(13, 7, {0, 0, 0}).value(), "13, 7");
  EXPECT_EQ(cursor_position_text(13, 7, {100, 200, 0}).value(), "113, 207");
}

TEST(CursorReadout, NoCursorGivesNoText) {
  EXPECT_FALSE(cursor_position_text(SIZE_MAX, 7, {0, 0, 1}).has_value());
  EXPECT_FALSE(cursor_position_text(7, SIZE_MAX, {0, 0, 1}).has_value());
  EXPECT_FALSE(cursor_position_text(SIZE_MAX, SIZE_MAX, {0, 0, 0}).has_value());
  // The largest real index is still a cell.
  EXPECT_TRUE(cursor_position_text(SIZE_MAX - 1, 0, {0, 0, 1}).has_value());
}

TEST(HelpPath, QuotesAndAsterisksAreRemoved) {
  EXPECT_EQ(help_path_from_directory("\"/opt/Program Files/Host"),
            "/opt/Program Files/Host/On-line Help/Zovire3DUvezIra.zez");
  EXPECT_EQ(help_path_from_directory("/opt/a*b\"c"), "/opt/abc/On-line Help/Zovire3DUvezIra.zez");
  EXPECT_EQ(help_path_from_directory(""), "/On-line Help/Zovire3DUvezIra.zez");
}

TEST(HelpPath, FromAQuotedCommandLine) {
  EXPECT_EQ(help_path_from_command_line("\"/opt/Host Dir/relief3d-host\" --lang=ru"),
            "/opt/Host Dir/On-line Help/Zovire3DUvezIra.zez");
  EXPECT_EQ(help_path_from_command_line("/usr/local/bin/relief3d-host"),
            "/usr/local/bin/On-line Help/Zovire3DUvezIra.zez");
}

TEST(Tooltips, TextAfterTheFirstNewline) {
  EXPECT_EQ(tooltip_from_resource("\nOpen file ( Ctrl+O )"), "Open file ( Ctrl+O )");
  EXPECT_EQ(tooltip_from_resource("prompt\ntip\nmore"), "tip\nmore");
  EXPECT_EQ(tooltip_from_resource("no newline"), "no newline");
}

TEST(ToolbarStyles, EnableAndPressTouchOnlyTheirOwnBit) {
  ToolbarStyles s;
  s.add(ID_POINTER_3D);
  s.add(ID_HELP_3D);
  EXPECT_EQ(s.is_enabled(ID_POINTER_3D), 1);
  s.enable(ID_POINTER_3D, false);
  EXPECT_EQ(s.style(ID_POINTER_3D), TBBS_DISABLED);
  EXPECT_EQ(s.is_enabled(ID_POINTER_3D), 0);
  s.press(ID_POINTER_3D, true);
  EXPECT_EQ(s.style(ID_POINTER_3D), TBBS_DISABLED | TBBS_PRESSED);
  EXPECT_EQ(s.is_enabled(ID_POINTER_3D), 0);
  s.enable(ID_POINTER_3D, true);
  EXPECT_EQ(s.style(ID_POINTER_3D), TBBS_PRESSED);
  s.press(ID_POINTER_3D, false);
  EXPECT_EQ(s.style(ID_POINTER_3D), 0u);
  EXPECT_EQ(s.style(ID_HELP_3D), 0u);  // the other button never moved
}

TEST(ToolbarStyles, UnknownCommandsChangeNothingAndCountAsEnabled) {
  ToolbarStyles s;
  s.add(ID_ZOOM_IN_3D);
  s.enable(12345, false);
  s.press(12345, true);
  EXPECT_FALSE(s.has(12345));
  EXPECT_EQ(s.is_enabled(12345), 1);
  EXPECT_FALSE(s.is_pressed(12345));
  EXPECT_EQ(s.style(ID_ZOOM_IN_3D), 0u);
}

// The gauge value a load shows: the read fills its share, the compile the rest; a step that does
// not move the value is not shown, and a late or repeated report never moves it back.
TEST(LoadProgress, ReadThenCompileOnOneForwardScale) {
  std::vector<int> shown;
  LoadProgress p([&](int v) { shown.push_back(v); }, 0.25);
  const struct {
    bool compile;
    std::size_t done, total;
    int value;
  } steps[] = {{false, 0, 8, 0},     {false, 1, 8, 31},  {false, 1, 8, 31},     {false, 8, 8, 250},
               {true, 0, 0, 1000},   {true, 5, 10, 1000}, {false, 4, 8, 1000}};
  for (const auto& s : steps) {
    if (s.compile) p.compile(s.done, s.total);
    else p.read(s.done, s.total);
    EXPECT_EQ(p.value(), s.value) << s.done << "/" << s.total;
  }
  EXPECT_EQ(shown, (std::vector<int>{31, 250, 1000}));
  LoadProgress q(nullptr, 0.25);
  q.compile(1, 2);
  EXPECT_EQ(q.value(), 625);  // half of the compile's three quarters, after the whole read
}
