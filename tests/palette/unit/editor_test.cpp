// The palette editor's state machine against a recording window: what it sends to the view, when,
// and where the mouse puts the markers.
#include <gtest/gtest.h>

#include "dialogs/palette/PaletteEditor.h"

using namespace lib3d::palette;

namespace {

// Records what the editor asks of its window; drawing is not its business here.
struct FakeWindow : PaletteEditorHost {
  std::vector<std::vector<std::uint32_t>> sent;
  std::string edits[kMarkerCount];
  int editWrites = 0;
  std::vector<int> painted;
  void write_marker_edit(int m, int v) override { edits[m] = std::to_string(v); ++editWrites; }
  void erase_marker(int, int) override {}
  void draw_marker(int, int) override {}
  void show_bins_and_kind(int, int) override {}
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
  Editor() {
    ed.geometry = Geometry::from_placeholders({12, 70, 48, 90}, {12, 30, 270, 48}, {12, 150, 270, 168},
                                              {13, 31, 269, 47}, {13, 151, 269, 167});
    ed.initialise();
    ed.on_shown(kWhite);
  }
  void edit(std::initializer_list<std::pair<int, const char*>> changes) {
    for (const auto& [marker, text] : changes) ed.edit_changed(marker, text);
  }
};

}  // namespace

// Interval edits move nothing in the view; output edits do, once per change, and the typed text is
// never rewritten; while the dialog writes its own texts their notifications are ignored; a reversed
// interval leaves the edited palette alone.
TEST_F(Editor, UpdateSendsTheMappedPaletteAndOnlyRangeEditsSendAgain) {
  const int writes = win.editWrites;
  ed.update(int(PaletteKind::Grey), "256");
  ASSERT_TRUE(win.sent.size() == 1u && win.sent[0][77] == rgb(77, 77, 77));
  edit({{IntervalMin, "10"}, {IntervalMax, "20"}, {OutMin, "300"}, {OutMax, "0"}, {OutMax, "0"}});
  ASSERT_TRUE(win.sent.size() == 3u && win.sent.back()[0] == rgb(255, 255, 255)) << win.sent.size();
  ed.writingEdits = true;
  edit({{OutMin, "5"}});
  ed.writingEdits = false;
  EXPECT_EQ(std::make_tuple(ed.markers[OutMin], win.sent.size(), win.editWrites), std::make_tuple(255, 3u, writes));
  const Palette256 before = ed.working.editedPalette;
  edit({{IntervalMin, "200"}, {IntervalMax, "100"}});
  ed.update(int(PaletteKind::BlueToRed), "5");
  EXPECT_EQ(ed.working.editedPalette, before);
}

// Cancel sends the palette the view had when shown (once, and again on hiding) and keeps the edits
// for the next showing; a cancel with nothing sent returns to the committed state; Apply commits.
TEST_F(Editor, ApplyAndCancel) {
  const Palette256 shown = ed.committed.finalPalette;
  ed.update(int(PaletteKind::Grey), "256");
  ed.cancel();
  ed.on_hidden();
  ASSERT_EQ(win.sent.size(), 3u);
  EXPECT_TRUE(win.sent[1] == win.sent[2] && win.sent[1] == std::vector<std::uint32_t>(shown.begin(), shown.end()));
  EXPECT_EQ(ed.working.kind, int(PaletteKind::Grey));

  ed.on_shown(kWhite);
  edit({{IntervalMin, "30"}});
  ed.cancel();
  EXPECT_TRUE(ed.working == ed.committed && win.sent.size() == 3u);

  ed.on_shown(kWhite);
  ed.update(int(PaletteKind::Grey), "256");
  ed.apply();
  ed.on_shown({1, 2, 3});  // a short view palette only replaces its own entries
  EXPECT_EQ(std::make_pair(ed.committed.finalPalette[2], ed.committed.finalPalette[200]),
            std::make_pair(3u, rgb(200, 200, 200)));
}

// A press takes the nearer marker of its band (the high one when exactly between, the low one left
// of two that coincide); a dragged marker stops at its partner, except the output pair, whose
// crossing reverses the palette. The pointer's height does not matter while dragging.
TEST_F(Editor, MousePressesChooseAndLimitMarkers) {
  edit({{IntervalMin, "200"}, {IntervalMax, "200"}});
  ed.working.editedPalette[200] = rgb(1, 1, 1);
  const struct { int from, y, to, toY, marker, value; } drags[] = {
      {127, kInputY, 127, kInputY, InMin, 127},          {191, kInputY, 10, kInputY, InMax, 127},
      {150, kIntervalY, 240, 0, IntervalMin, 200},        {250, kIntervalY, 250, kIntervalY, IntervalMax, 250},
      {0, kOutputY, 300, kOutputY, OutMin, 255},          {-3, kOutputY, 200, kOutputY, OutMin, 200},  // both at 255
      {250, kOutputY, 10, kOutputY, OutMax, 10}};
  for (const auto& d : drags) {
    ed.mouse_down(px(d.from), d.y);
    const int chosen = ed.dragMarker;
    ed.mouse_move(px(d.to), d.toY);
    const bool ended = ed.mouse_up();
    EXPECT_TRUE(chosen == d.marker && ed.markers[d.marker] == d.value && ended && !ed.mouse_up())
        << d.from << "," << d.y << ": marker " << chosen << " at " << ed.markers[d.marker];
  }
  EXPECT_EQ(win.sent.back()[0], rgb(1, 1, 1));
  // Presses outside every zone, or beside a band, change nothing.
  const std::size_t sends = win.sent.size();
  EXPECT_EQ(ed.mouse_down(px(400), kInputY), PressResult::Ignored);
  EXPECT_EQ(ed.mouse_down(px(10), 5), PressResult::Ignored);
  EXPECT_EQ(std::make_pair(ed.dragMode, win.sent.size()), std::make_pair(DragMode::None, sends));
}

// Dragging over the strip paints entries with the swatch colour (sending only changes); the swatch
// asks for the colour chooser; the next repaint refills painted entries inside the interval.
TEST_F(Editor, PaintingEntries) {
  ed.set_swatch(rgb(9, 9, 9));
  EXPECT_EQ(ed.mouse_down(12, kStripY), PressResult::Capture);  // left edge paints entry 0
  for (int x : {1, 1, 2}) ed.mouse_move(px(x), 999);
  ASSERT_EQ(win.sent.size(), 3u);
  EXPECT_EQ(win.sent.back()[2], rgb(9, 9, 9));
  ed.mouse_up();
  ed.mouse_move(px(50), kStripY);  // not dragging: nothing painted
  EXPECT_EQ(win.painted, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ed.mouse_down(20, 80), PressResult::ChooseSwatch);
  EXPECT_EQ(ed.dragMode, DragMode::None);
  ed.fill_interval(int(PaletteKind::Grey), "256");
  EXPECT_EQ(ed.working.editedPalette[1], rgb(1, 1, 1));
}

// A loaded file sets the range markers and the edited palette, not the interval.
TEST_F(Editor, TakingAFile) {
  PaletteFileData d;
  d.inMin = 10, d.inMax = 20, d.outMin = 255, d.outMax = 0;
  for (int i = 0; i < 256; ++i) d.palette[i] = rgb(i, 0, 0);
  edit({{IntervalMin, "7"}});
  ed.take_file(d);
  EXPECT_EQ(std::tuple(ed.markers[InMin], ed.markers[IntervalMin], win.edits[OutMin]), std::tuple(10, 7, "255"));
  ASSERT_EQ(win.sent.size(), 1u);
  EXPECT_EQ(std::make_pair(win.sent[0][5], win.sent[0][200]), std::make_pair(rgb(255, 0, 0), rgb(0, 0, 0)));
  const PaletteFileData back = ed.file_data();
  EXPECT_EQ(std::make_pair(back.outMin, back.palette), std::make_pair(255, d.palette));
}
