#include <gtest/gtest.h>

#include "dialogs/palette/PaletteEditor.h"

using namespace lib3d::palette;

namespace {

struct FakeWindow : PaletteEditorHost {
  std::vector<std::vector<std::uint32_t>> sent;
  std::string edits[kMarkerCount];
  int editWrites = 0;
  std::vector<int> painted;
  int stripDraws = 0, swatchDraws = 0, bins = -1, kind = -1;
  void erase_marker(int, int) override {}
  void draw_marker(int, int) override {}
  void write_marker_edit(int m, int v) override { edits[m] = std::to_string(v); ++editWrites; }
  void show_bins_and_kind(int b, int k) override { bins = b; kind = k; }
  void draw_palette_strip() override { ++stripDraws; }
  void draw_swatch() override { ++swatchDraws; }
  void paint_entry_columns(int e, Colour) override { painted.push_back(e); }
  void send_palette(const std::vector<std::uint32_t>& p) override { sent.push_back(p); }
};

// One level per pixel, L = 13 (see geometry_test).
Geometry unit_geometry() {
  return Geometry::from_placeholders({12, 70, 48, 90}, {12, 30, 270, 48}, {12, 150, 270, 168},
                                     {13, 31, 269, 47}, {13, 151, 269, 167});
}
constexpr int kInputY = 52, kOutputY = 172, kIntervalY = 145, kStripY = 160;
int px(int value) { return 13 + value; }

struct Editor : ::testing::Test {
  FakeWindow win;
  PaletteEditor ed{&win};
  void SetUp() override {
    ed.geometry = unit_geometry();
    ed.initialise();
    ed.on_shown(std::vector<std::uint32_t>(256, 0xFFFFFF));
  }
};

}  // namespace

TEST_F(Editor, FirstShowingAndFirstRepaintGiveWhite) {
  EXPECT_EQ(win.kind, 3);
  EXPECT_EQ(win.bins, 255);
  EXPECT_EQ(win.edits[InMax], "255");
  EXPECT_FALSE(ed.paletteSent);
  ed.fill_interval(win.kind, "255");
  for (Colour c : ed.working.editedPalette) EXPECT_EQ(c, 0xFFFFFFu);
  EXPECT_TRUE(win.sent.empty());
}

TEST_F(Editor, UpdateSendsTheMappedPalette) {
  ed.update(int(PaletteKind::BlueToRed), "256");
  ASSERT_EQ(win.sent.size(), 1u);
  ASSERT_EQ(win.sent[0].size(), 256u);
  EXPECT_EQ(win.sent[0][0], rgb(0, 0, 255));
  EXPECT_EQ(win.sent[0][255], rgb(255, 3, 0));
  EXPECT_EQ(ed.working.bins, 256);
  EXPECT_EQ(ed.working.kind, int(PaletteKind::BlueToRed));
  // A reversed interval leaves the edited palette alone.
  const Palette256 before = ed.working.editedPalette;
  ed.edit_changed(IntervalMin, "200");
  ed.edit_changed(IntervalMax, "100");
  ed.update(int(PaletteKind::Grey), "5");
  EXPECT_EQ(ed.working.editedPalette, before);
}

TEST_F(Editor, OnlyRangeMarkersSend) {
  ed.edit_changed(IntervalMin, "10");
  ed.edit_changed(IntervalMax, "20");
  EXPECT_TRUE(win.sent.empty());
  ed.edit_changed(OutMin, "255");
  ed.edit_changed(OutMax, "0");
  ASSERT_EQ(win.sent.size(), 2u);
  ed.edit_changed(OutMax, "0");  // same value: nothing
  EXPECT_EQ(win.sent.size(), 2u);
  EXPECT_EQ(ed.working.outMin, 255);
  EXPECT_EQ(ed.working.intervalMin, 10);
}

TEST_F(Editor, EditTextsAreLimitedButNotRewritten) {
  const int writes = win.editWrites;
  ed.edit_changed(InMax, "300");
  EXPECT_EQ(ed.markers[InMax], 255);  // already there
  ed.edit_changed(InMin, "-4");
  EXPECT_EQ(ed.markers[InMin], 0);
  ed.edit_changed(InMin, "abc");
  ed.edit_changed(InMin, "99");
  EXPECT_EQ(ed.markers[InMin], 99);
  EXPECT_EQ(win.editWrites, writes);
  // While the dialog writes its own texts, the range edits' notifications are ignored.
  ed.writingEdits = true;
  ed.edit_changed(InMin, "5");
  ed.edit_changed(IntervalMin, "5");
  ed.writingEdits = false;
  EXPECT_EQ(ed.markers[InMin], 99);
  EXPECT_EQ(ed.markers[IntervalMin], 5);
  // The mouse writes the edit.
  ed.mouse_down(px(120), kInputY);
  EXPECT_EQ(win.edits[InMin], "120");
}

TEST_F(Editor, ApplyAndCancel) {
  const Palette256 shown = ed.committed.finalPalette;
  ed.update(int(PaletteKind::Grey), "256");
  ed.cancel();
  ASSERT_EQ(win.sent.size(), 2u);
  EXPECT_EQ(win.sent[1], std::vector<std::uint32_t>(shown.begin(), shown.end()));
  EXPECT_EQ(ed.working.kind, int(PaletteKind::Grey));  // working stays as edited
  ed.on_hidden();
  EXPECT_EQ(win.sent.size(), 3u);

  ed.on_shown(std::vector<std::uint32_t>(256, 0xFFFFFF));
  ed.edit_changed(IntervalMin, "30");
  ed.cancel();  // nothing sent: working returns to committed
  EXPECT_EQ(ed.working, ed.committed);
  EXPECT_EQ(win.sent.size(), 3u);

  ed.on_shown(std::vector<std::uint32_t>(256, 0xFFFFFF));
  ed.update(int(PaletteKind::Grey), "256");
  ed.apply();
  EXPECT_EQ(ed.committed, ed.working);
  ed.on_hidden();
  EXPECT_EQ(win.sent.back()[200], rgb(200, 200, 200));
  ed.on_shown({1, 2, 3});  // a short view palette only replaces its own entries
  EXPECT_EQ(ed.committed.finalPalette[2], 3u);
  EXPECT_EQ(ed.committed.finalPalette[200], rgb(200, 200, 200));
}

TEST_F(Editor, MousePressesChooseAndLimitMarkers) {
  ed.mouse_down(px(127), kInputY);  // nearer the low marker
  EXPECT_EQ(ed.markers[InMin], 127);
  ed.mouse_up();
  ed.mouse_down(px(191), kInputY);  // exactly between 127 and 255: the high one
  EXPECT_EQ(ed.markers[InMax], 191);
  EXPECT_EQ(ed.dragMarker, InMax);
  ed.mouse_move(px(10), kInputY);   // dragging InMax left stops at InMin
  EXPECT_EQ(ed.markers[InMax], 127);
  EXPECT_TRUE(ed.mouse_up());
  EXPECT_FALSE(ed.mouse_up());

  ed.edit_changed(IntervalMin, "200");
  ed.edit_changed(IntervalMax, "200");
  ed.mouse_down(px(150), kIntervalY);
  EXPECT_EQ(ed.dragMarker, IntervalMin);
  EXPECT_EQ(ed.markers[IntervalMin], 150);
  ed.mouse_move(px(240), 0);  // the pointer's height does not matter while dragging
  EXPECT_EQ(ed.markers[IntervalMin], 200);
  ed.mouse_up();
  ed.mouse_down(px(250), kIntervalY);
  EXPECT_EQ(ed.dragMarker, IntervalMax);

  // Output markers pass each other, which reverses the palette.
  ed.mouse_up();
  ed.working.editedPalette[200] = rgb(1, 1, 1);
  ed.mouse_down(px(0), kOutputY);
  EXPECT_EQ(ed.dragMarker, OutMin);
  ed.mouse_move(px(300), kOutputY);
  EXPECT_EQ(ed.markers[OutMin], 255);
  ed.mouse_up();
  ed.mouse_down(px(-3), kOutputY);  // both at 255, press below them (in the left margin): the low one
  EXPECT_EQ(ed.dragMarker, OutMin);
  EXPECT_EQ(ed.markers[OutMin], 0);
  ed.mouse_move(px(200), kOutputY);
  ed.mouse_up();
  ed.mouse_down(px(250), kOutputY);
  EXPECT_EQ(ed.dragMarker, OutMax);
  ed.mouse_move(px(10), kOutputY);  // OutMax below OutMin
  EXPECT_EQ(ed.markers[OutMax], 10);
  EXPECT_EQ(win.sent.back()[0], rgb(1, 1, 1));
  ed.mouse_up();

  // Presses outside every zone, or beside a band, change nothing.
  const std::size_t sends = win.sent.size();
  EXPECT_EQ(ed.mouse_down(px(400), kInputY), PressResult::Ignored);
  EXPECT_EQ(ed.mouse_down(px(10), 5), PressResult::Ignored);
  EXPECT_EQ(ed.dragMode, DragMode::None);
  EXPECT_EQ(win.sent.size(), sends);
}

TEST_F(Editor, PaintingEntries) {
  ed.set_swatch(rgb(9, 9, 9));
  EXPECT_EQ(ed.mouse_down(12, kStripY), PressResult::Capture);  // left edge paints entry 0
  EXPECT_EQ(win.painted, std::vector<int>{0});
  EXPECT_EQ(win.sent.size(), 1u);
  ed.mouse_move(px(1), 999);
  ed.mouse_move(px(1), 999);  // already that colour: nothing sent
  ed.mouse_move(px(2), 999);
  EXPECT_EQ(win.painted, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(win.sent.size(), 3u);
  EXPECT_EQ(win.sent.back()[2], rgb(9, 9, 9));
  ed.mouse_up();
  ed.mouse_move(px(50), kStripY);  // not dragging: nothing painted
  EXPECT_EQ(win.painted.size(), 3u);
  // The swatch asks for the colour chooser and starts no drag.
  EXPECT_EQ(ed.mouse_down(20, 80), PressResult::ChooseSwatch);
  EXPECT_EQ(ed.dragMode, DragMode::None);
  // The next repaint refills painted entries inside the interval.
  ed.fill_interval(int(PaletteKind::Grey), "256");
  EXPECT_EQ(ed.working.editedPalette[1], rgb(1, 1, 1));
}

TEST_F(Editor, TakingAFile) {
  PaletteFileData d;
  d.inMin = 10; d.inMax = 20; d.outMin = 255; d.outMax = 0;
  for (int i = 0; i < 256; ++i) d.palette[i] = rgb(i, 0, 0);
  ed.edit_changed(IntervalMin, "7");
  ed.take_file(d);
  EXPECT_EQ(ed.markers[InMin], 10);
  EXPECT_EQ(ed.markers[IntervalMin], 7);
  EXPECT_EQ(win.edits[OutMin], "255");
  EXPECT_EQ(ed.working.editedPalette, d.palette);
  ASSERT_EQ(win.sent.size(), 1u);
  EXPECT_EQ(win.sent[0][5], rgb(255, 0, 0));
  EXPECT_EQ(win.sent[0][200], rgb(0, 0, 0));
  const PaletteFileData back = ed.file_data();
  EXPECT_EQ(back.outMin, 255);
  EXPECT_EQ(back.palette, d.palette);
}
