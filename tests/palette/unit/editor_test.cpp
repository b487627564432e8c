// The palette editor's state machine against a recording window: what it sends to the view, when,
// and where the mouse puts the markers.
#include <gtest/gtest.h>

#include "dialogs/palette/PaletteEditor.h"

using namespace lib3d::palette;

namespace {

struct FakeWindow : PaletteEditorHost {
  std::vector<std::vector<std::uint32_t>> sent;
  std::string edits[kMarkerCount];
  int editWrites = 0, bins = -1, kind = -1;
  std::vector<int> painted;
  void erase_marker(int, int) override {}
  void draw_marker(int, int) override {}
  void write_marker_edit(int m, int v) override { edits[m] = std::to_string(v); ++editWrites; }
  void show_bins_and_kind(int b, int k) override { bins = b; kind = k; }
  void draw_palette_strip() override {}
  void draw_swatch() override {}
  void paint_entry_columns(int e, Colour) override { painted.push_back(e); }
  void send_palette(const std::vector<std::uint32_t>& p) override { sent.push_back(p); }
};

// One level per pixel: level v is at x = 13 + v.
constexpr int kInputY = 52, kOutputY = 172, kIntervalY = 145, kStripY = 160;
int px(int value) { return 13 + value; }
const std::vector<std::uint32_t> kWhite(256, 0xFFFFFF);

struct Editor : ::testing::Test {
  FakeWindow win;
  PaletteEditor ed{&win};
  void SetUp() override {
    ed.geometry = Geometry::from_placeholders({12, 70, 48, 90}, {12, 30, 270, 48}, {12, 150, 270, 168},
                                              {13, 31, 269, 47}, {13, 151, 269, 167});
    ed.initialise();
    ed.on_shown(kWhite);
  }
  void drag(int fromX, int fromY, int toX, int toY) {
    ed.mouse_down(fromX, fromY);
    ed.mouse_move(toX, toY);
    ed.mouse_up();
  }
};

}  // namespace

TEST_F(Editor, UpdateSendsTheMappedPaletteAndOnlyRangeEditsSendAgain) {
  ed.update(int(PaletteKind::Grey), "256");
  ASSERT_EQ(win.sent.size(), 1u);
  EXPECT_EQ(win.sent[0][77], rgb(77, 77, 77));
  // Interval edits move nothing in the view; output edits do, once per change.
  ed.edit_changed(IntervalMin, "10");
  ed.edit_changed(IntervalMax, "20");
  EXPECT_EQ(win.sent.size(), 1u);
  ed.edit_changed(OutMin, "255");
  ed.edit_changed(OutMax, "0");
  ed.edit_changed(OutMax, "0");
  ASSERT_EQ(win.sent.size(), 3u);
  EXPECT_EQ(win.sent.back()[0], rgb(255, 255, 255));
  // A reversed interval leaves the edited palette alone.
  const Palette256 before = ed.working.editedPalette;
  ed.edit_changed(IntervalMin, "200");
  ed.edit_changed(IntervalMax, "100");
  ed.update(int(PaletteKind::BlueToRed), "5");
  EXPECT_EQ(ed.working.editedPalette, before);
}

TEST_F(Editor, EditTextsAreLimitedButNotRewritten) {
  const int writes = win.editWrites;
  ed.edit_changed(InMax, "300");
  EXPECT_EQ(ed.markers[InMax], 255);
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
  ed.mouse_down(px(120), kInputY);  // the mouse writes the edit
  EXPECT_EQ(win.edits[InMin], "120");
}

// Cancel sends the palette the view had when shown (once, and again on hiding) and keeps the edits
// for the next showing; a cancel with nothing sent returns to the committed state; Apply commits.
TEST_F(Editor, ApplyAndCancel) {
  const Palette256 shown = ed.committed.finalPalette;
  ed.update(int(PaletteKind::Grey), "256");
  ed.cancel();
  ASSERT_EQ(win.sent.size(), 2u);
  EXPECT_EQ(win.sent[1], std::vector<std::uint32_t>(shown.begin(), shown.end()));
  EXPECT_EQ(ed.working.kind, int(PaletteKind::Grey));
  ed.on_hidden();
  EXPECT_EQ(win.sent.size(), 3u);

  ed.on_shown(kWhite);
  ed.edit_changed(IntervalMin, "30");
  ed.cancel();
  EXPECT_EQ(ed.working, ed.committed);
  EXPECT_EQ(win.sent.size(), 3u);

  ed.on_shown(kWhite);
  ed.update(int(PaletteKind::Grey), "256");
  ed.apply();
  ed.on_shown({1, 2, 3});  // a short view palette only replaces its own entries
  EXPECT_EQ(ed.committed.finalPalette[2], 3u);
  EXPECT_EQ(ed.committed.finalPalette[200], rgb(200, 200, 200));
}

// A press takes the nearer marker of its band (the high one when exactly between, the low one left
// of two that coincide); a dragged marker stops at its partner, except the output pair, whose
// crossing reverses the palette.
TEST_F(Editor, MousePressesChooseAndLimitMarkers) {
  drag(px(127), kInputY, px(127), kInputY);
  EXPECT_EQ(ed.markers[InMin], 127);
  ed.mouse_down(px(191), kInputY);  // exactly between 127 and 255
  EXPECT_EQ(ed.dragMarker, InMax);
  ed.mouse_move(px(10), kInputY);
  EXPECT_EQ(ed.markers[InMax], 127);
  EXPECT_TRUE(ed.mouse_up());
  EXPECT_FALSE(ed.mouse_up());

  ed.edit_changed(IntervalMin, "200");
  ed.edit_changed(IntervalMax, "200");
  drag(px(150), kIntervalY, px(240), 0);  // the pointer's height does not matter while dragging
  EXPECT_EQ(ed.markers[IntervalMin], 200);
  ed.mouse_down(px(250), kIntervalY);
  EXPECT_EQ(ed.dragMarker, IntervalMax);
  ed.mouse_up();

  ed.working.editedPalette[200] = rgb(1, 1, 1);
  drag(px(0), kOutputY, px(300), kOutputY);
  EXPECT_EQ(ed.markers[OutMin], 255);
  ed.mouse_down(px(-3), kOutputY);  // both at 255, press in the left margin
  EXPECT_EQ(ed.dragMarker, OutMin);
  ed.mouse_move(px(200), kOutputY);
  ed.mouse_up();
  drag(px(250), kOutputY, px(10), kOutputY);
  EXPECT_EQ(ed.markers[OutMax], 10);
  EXPECT_EQ(win.sent.back()[0], rgb(1, 1, 1));

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
  ed.mouse_move(px(1), 999);
  ed.mouse_move(px(1), 999);  // already that colour: nothing sent
  ed.mouse_move(px(2), 999);
  EXPECT_EQ(win.painted, (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(win.sent.size(), 3u);
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

// A loaded file sets the range markers and the edited palette, not the interval.
TEST_F(Editor, TakingAFile) {
  PaletteFileData d;
  d.inMin = 10; d.inMax = 20; d.outMin = 255; d.outMax = 0;
  for (int i = 0; i < 256; ++i) d.palette[i] = rgb(i, 0, 0);
  ed.edit_changed(IntervalMin, "7");
  ed.take_file(d);
  EXPECT_EQ(ed.markers[InMin], 10);
  EXPECT_EQ(ed.markers[IntervalMin], 7);
  EXPECT_EQ(win.edits[OutMin], "255");
  ASSERT_EQ(win.sent.size(), 1u);
  EXPECT_EQ(win.sent[0][5], rgb(255, 0, 0));
  EXPECT_EQ(win.sent[0][200], rgb(0, 0, 0));
  const PaletteFileData back = ed.file_data();
  EXPECT_EQ(back.outMin, 255);
  EXPECT_EQ(back.palette, d.palette);
}
