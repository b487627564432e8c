#include "colour/PaletteLogic.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace lib3d {
namespace palette {

bool PaletteState::operator==(const PaletteState& o) const {
  return finalPalette == o.finalPalette && editedPalette == o.editedPalette && inMin == o.inMin &&
         inMax == o.inMax && outMin == o.outMin && outMax == o.outMax && intervalMin == o.intervalMin &&
         intervalMax == o.intervalMax && kind == o.kind && bins == o.bins;
}

int read_edit_integer(const std::string& text) {
  // The edits hand over at most 254 characters.
  const std::size_t n = text.size() < 254 ? text.size() : 254;
  std::size_t i = 0;
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  const long long cap = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > cap) value = cap;  // saturate: the callers limit the value anyway
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) value = std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

int limit_bins(int n, int count) {
  int bins = n < 1 ? 1 : n;
  if (bins > count) bins = count;
  return bins;
}

void fill_interval(Palette256& edited, int lo, int hi, int bins, const Palette256& base) {
  lo = clamp(lo, 0, 255);
  hi = clamp(hi, 0, 255);
  if (lo > hi || bins < 1) return;
  // A one-entry interval has an infinite step: it passes its first threshold at once, which does not
  // matter because no entry follows.
  const double step = hi == lo ? std::numeric_limits<double>::infinity() : 255.0 / (hi - lo);
  const double width = 256.0 / bins;
  double acc = 0.0;
  double next = width;
  int src = 0;
  for (int k = lo; k <= hi; ++k) {
    acc = acc + step;
    edited[k] = base[src];
    if (acc >= next) {
      src = next >= 255.0 ? 255 : static_cast<int>(next);
      next = next + width;
    }
  }
}

Palette256 map_levels(const Palette256& edited, int a, int b, int c, int d) {
  a = clamp(a, 0, 256);
  b = clamp(b, 0, 256);
  c = clamp(c, 0, 255);
  d = clamp(d, 0, 255);
  Palette256 out{};
  for (int k = 0; k < a; ++k) out[k] = edited[c];
  if (b > a) {
    const double delta = static_cast<double>(d - c) / static_cast<double>(b - a);
    double t = c;
    for (int k = a; k < b; ++k) {
      out[k] = edited[clamp(static_cast<int>(t), 0, 255)];
      t = t + delta;
    }
  }
  for (int k = b; k < 256; ++k) out[k] = edited[d];
  return out;
}

Geometry Geometry::from_placeholders(const Rect& swatch, const Rect& inputStrip, const Rect& paletteStrip,
                                     const Rect& inputArea, const Rect& paletteArea) {
  Geometry g;
  g.swatchRect = swatch;
  g.inputStripRect = inputStrip;
  g.paletteStripRect = paletteStrip;
  g.inputStripArea = inputArea;
  g.paletteStripArea = paletteArea;
  // A strip narrower than its frame would give no scale at all; keep one level per pixel then.
  const int inner = inputStrip.width() - 2;
  g.levelsPerPixel = inner > 0 ? 256.0 / inner : 1.0;
  g.inputBand = {inputStrip.left + 1, inputStrip.bottom + 1, inputStrip.right - 1, inputStrip.bottom + 8};
  g.outputBand = {paletteStrip.left + 1, paletteStrip.bottom + 1, paletteStrip.right - 1, paletteStrip.bottom + 8};
  g.intervalBand = {paletteStrip.left + 1, paletteStrip.top - 8, paletteStrip.right - 1, paletteStrip.top - 1};
  return g;
}

int Geometry::marker_x(int v) const { return static_cast<int>(v / levelsPerPixel) + band_left(); }

int Geometry::value_at(int px) const {
  double v = (static_cast<double>(px) - band_left()) * levelsPerPixel;
  // A captured drag reports any screen position; keep the conversion inside int.
  if (v > 1e6) v = 1e6;
  if (v < -1e6) v = -1e6;
  return static_cast<int>(v);
}

int Geometry::strip_column(int areaLeft, int j) const {
  return areaLeft + static_cast<int>((0.5 / levelsPerPixel) * j);
}

const Rect& Geometry::band_of(int marker) const {
  if (marker <= InMax) return inputBand;
  if (marker <= OutMax) return outputBand;
  return intervalBand;
}

Zone Geometry::hit(int px, int py) const {
  if (py >= inputBand.top - 6 && py <= inputBand.bottom + 6)
    return px >= inputBand.left - 6 && px <= inputBand.right + 6 ? Zone::Input : Zone::None;
  if (py >= outputBand.top && py <= outputBand.bottom + 6)
    return px >= outputBand.left - 6 && px <= outputBand.right + 6 ? Zone::Output : Zone::None;
  if (py >= intervalBand.top - 6 && py <= intervalBand.bottom)
    return px >= intervalBand.left - 6 && px <= intervalBand.right + 6 ? Zone::Interval : Zone::None;
  if (py >= paletteStripRect.top && py <= paletteStripRect.bottom)
    return px >= paletteStripRect.left && px <= paletteStripRect.right ? Zone::Strip : Zone::None;
  if (swatchRect.contains_inclusive(px, py)) return Zone::Swatch;
  return Zone::None;
}

int marker_outlines(int marker, int x, int y0, Triangle out[4]) {
  // Markers over the palette strip point down at it, the others point up at theirs.
  const bool down = marker >= IntervalMin;
  const int apexY = down ? y0 + 7 : y0;
  const int baseY = down ? y0 : y0 + 7;
  const int toward = down ? -1 : 1;  // from apex to base
  const int count = (marker % 2 == 0) ? 4 : 1;
  for (int i = 0; i < count; ++i) {
    out[i].apexX = x;
    out[i].apexY = apexY + toward * i;
    out[i].rightX = x + 3 - i;
    out[i].rightY = baseY - toward * i;
    out[i].leftX = x - 4 + i;
    out[i].leftY = baseY - toward * i;
  }
  return count;
}

Rect marker_erase_rect(int x, int y0) { return {x - 4, y0, x + 4, y0 + 8}; }

bool choose_high_marker(int v, int lowValue, int highValue) {
  if (lowValue == highValue && v < lowValue) return false;
  return std::abs(static_cast<long long>(v) - lowValue) >= std::abs(static_cast<long long>(v) - highValue);
}

std::string with_palette_extension(const std::string& path, const char* extension) {
  const std::size_t name = path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1;
  const std::size_t dot = path.rfind('.');
  // A leading dot starts a hidden name, not an extension.
  if (name >= path.size() || (dot != std::string::npos && dot > name)) return path;
  return path + extension;
}

}  // namespace palette
}  // namespace lib3d
