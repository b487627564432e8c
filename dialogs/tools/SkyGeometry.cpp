#include "dialogs/tools/SkyGeometry.h"

#include <algorithm>
#include <cmath>

namespace tools {
namespace {

constexpr double kPi = 3.141592653589793;

// Makes a length odd so that the ring has a centre pixel: an even w becomes w + 1, an odd w + 2.
int OddSpan(int w) { return 2 * ((w + 1) / 2) + 1; }

}  // namespace

SkyLayout MakeSkyLayout(const IntRect& frame) {
  SkyLayout s;
  s.frame = frame;
  const int w = (frame.right - kSkyMargin) - (frame.left + kSkyMargin);
  const int h = (frame.bottom - kSkyMargin) - (frame.top + kSkyMargin);
  s.dx = OddSpan(w);
  s.dy = OddSpan(h);
  s.sphere = {frame.left + kSkyMargin, frame.top + kSkyMargin, frame.left + kSkyMargin + s.dx,
              frame.top + kSkyMargin + s.dy};
  // 181 values from -90 to 90 across the ring.
  s.pixelsPerDegreeX = s.dx / 181.0;
  s.pixelsPerDegreeY = s.dy / 181.0;
  s.centerX = s.dx / 2 + kSkyMargin;
  s.centerY = s.dy / 2 + kSkyMargin;
  // A degenerate frame still gets a one-pixel bitmap rather than none.
  s.bitmapHeight = std::max(1, frame.bottom - frame.top);
  s.bitmapWidth = std::max(1, frame.right - frame.left);
  if (s.bitmapWidth % 4 != 0) s.bitmapWidth += 4 - s.bitmapWidth % 4;
  s.rowBytes = 3 * s.bitmapWidth;
  return s;
}

void MarkerPosition(const SkyLayout& layout, int azimuth, int elevation, int& x, int& y) {
  const double a = azimuth * kPi / 180.0;
  x = layout.centerX + static_cast<int>(std::trunc(std::cos(a) * elevation * layout.pixelsPerDegreeX));
  y = layout.centerY - static_cast<int>(std::trunc(std::sin(a) * elevation * layout.pixelsPerDegreeY));
}

SkyAngles PointToAngles(const SkyLayout& layout, int x, int y, int centreAzimuth) {
  const double u = (x - layout.frame.left - layout.centerX) / layout.pixelsPerDegreeX;
  const double v = (layout.frame.top - y + layout.centerY) / layout.pixelsPerDegreeY;
  const double r = std::sqrt(u * u + v * v);
  SkyAngles out;
  if (r > 0.0 && std::isfinite(r)) {
    // Rounding can push u / r a hair outside [-1, 1], where arccos is undefined.
    const double c = std::clamp(u / r, -1.0, 1.0);
    out.azimuth = static_cast<int>(std::trunc(std::acos(c) * 180.0 / kPi));
    if (v < 0) out.azimuth = 360 - out.azimuth;
  } else {
    out.azimuth = std::clamp(centreAzimuth, 0, 360);
  }
  // Clamp before converting: far outside the picture r may not fit an int.
  out.elevation = static_cast<int>(std::trunc(std::min(std::isfinite(r) ? r : 90.0, 90.0)));
  return out;
}

IntRect RingBox(const SkyLayout& layout, int elevation) {
  const int inset = 90 - elevation;
  const int a = static_cast<int>(std::trunc(inset * layout.pixelsPerDegreeX));
  const int b = static_cast<int>(std::trunc(inset * layout.pixelsPerDegreeY));
  return {kSkyMargin + a, kSkyMargin + b, kSkyMargin + layout.dx - a, kSkyMargin + layout.dy - b};
}

IntRect MarkerSquare(int x, int y) {
  return {x - kMarkerHalf, y - kMarkerHalf, x - kMarkerHalf + kMarkerSize,
          y - kMarkerHalf + kMarkerSize};
}

}  // namespace tools
