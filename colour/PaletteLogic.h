#pragma once
// The palette editor's arithmetic: the record it edits, the interval fill, the level mapping, the
// way it reads numbers from its edits and the geometry of its strips and marker bands. No window.
#include <string>

#include "colour/BasePalettes.h"

namespace lib3d {
namespace palette {

// The six range ends, in the order every table of six uses.
enum PaletteMarker : int { InMin = 0, InMax = 1, OutMin = 2, OutMax = 3, IntervalMin = 4, IntervalMax = 5 };
constexpr int kMarkerCount = 6;

struct PaletteState {
  Palette256 finalPalette{};   // the palette last sent to the view
  Palette256 editedPalette{};  // the palette being edited (shown in the strip, stored in files)
  int inMin = 0;
  int inMax = 255;
  int outMin = 0;
  int outMax = 255;
  int intervalMin = 0;
  int intervalMax = 255;
  int kind = 0;
  int bins = 255;

  bool operator==(const PaletteState& o) const;
  bool operator!=(const PaletteState& o) const { return !(*this == o); }
};

// Reads an edit's text as the dialog does: at most the first 254 characters, optional leading blanks,
// an optional sign, then decimal digits; anything without digits reads as 0. Values beyond the int
// range saturate instead of overflowing.
int read_edit_integer(const std::string& text);

inline int clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Limits a bins number to the interval of `count` entries: first raised to at least 1, then lowered
// to at most count (in that order, so a reversed interval gives count itself).
int limit_bins(int n, int count);

// Fills edited[lo..hi] with `base` resampled into `bins` equal bands (bins already limited). Each entry
// advances an accumulator by 255 / (hi - lo); whenever it reaches the next band threshold (multiples of
// 256 / bins) the source index jumps to that threshold. At most one threshold is taken per entry.
// lo > hi leaves the palette unchanged; ends outside 0..255 are clamped.
void fill_interval(Palette256& edited, int lo, int hi, int bins, const Palette256& base);

// Maps the input range a..b of indices linearly onto the section c..d of `edited` (d < c reverses
// it); indices below a take edited[c], from b on edited[d]. The step is added repeatedly, not
// multiplied, so long ranges drift exactly as the palette has always been computed.
Palette256 map_levels(const Palette256& edited, int a, int b, int c, int d);

// Client-coordinate rectangle, right and bottom exclusive unless a caller says otherwise.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool contains_inclusive(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

enum class Zone { None, Input, Output, Interval, Strip, Swatch };

// Where the strips, bands and swatch lie, taken from the placeholder controls.
struct Geometry {
  Rect swatchRect, inputStripRect, paletteStripRect;  // window rectangles of the placeholders
  Rect inputStripArea, paletteStripArea;              // their client areas
  double levelsPerPixel = 1.0;
  Rect inputBand, outputBand, intervalBand;

  // Derives levelsPerPixel and the bands from the five rectangles.
  static Geometry from_placeholders(const Rect& swatch, const Rect& inputStrip, const Rect& paletteStrip,
                                    const Rect& inputArea, const Rect& paletteArea);

  int band_left() const { return inputBand.left; }  // L: the three bands share it
  // x of a marker holding value v, in every band.
  int marker_x(int v) const;
  // Value under client x (not limited).
  int value_at(int px) const;
  // Column j (0..511) of a strip whose client area starts at `areaLeft`.
  int strip_column(int areaLeft, int j) const;
  const Rect& band_of(int marker) const;

  // Which zone a left-button press at (px, py) falls into. The bands are tested from top to bottom by
  // their vertical range first; a press that passes a band's vertical test but misses it sideways is
  // ignored (Zone::None) rather than handed to a later zone.
  Zone hit(int px, int py) const;
};

// A triangle marker's outline as the closed line apex -> right corner -> left corner -> apex.
struct Triangle {
  int apexX, apexY, rightX, rightY, leftX, leftY;
};
// The outlines of marker `marker` at x with band top y0: one for an outline marker, four for a solid
// one (each smaller by a pixel from apex and base).
int marker_outlines(int marker, int x, int y0, Triangle out[4]);
// The rectangle an erase fills (right and bottom exclusive).
Rect marker_erase_rect(int x, int y0);

// Picks the marker of a pair for a press at value v: the high one on a tie or when nearer, except
// that with both markers on one value a press below it takes the low one.
bool choose_high_marker(int v, int lowValue, int highValue);

// A palette file name typed without an extension gets ".pal" (or the chosen file type's `extension`),
// so that the Load filter finds it.
std::string with_palette_extension(const std::string& path, const char* extension = ".pal");

}  // namespace palette
}  // namespace lib3d
