#pragma once
// Geometry of the lighting page's sky picture: a polar map of light directions where the centre is
// elevation 0 (light from the viewer) and the outer ring elevation 90. Window-free so that it can be
// checked without a display. All coordinates are integer pixels as the page uses them.
#include <cstdint>

namespace tools {

struct IntRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct SkyLayout {
  IntRect frame;   // the picture's frame in page client coordinates
  IntRect sphere;  // the outer ring's bounding box, page client coordinates
  int dx = 1, dy = 1;  // outer ring size (always odd, so the centre falls on a pixel)
  double pixelsPerDegreeX = 1.0 / 181.0;
  double pixelsPerDegreeY = 1.0 / 181.0;
  int centerX = 0, centerY = 0;  // relative to the frame's top-left corner
  int bitmapWidth = 0;   // multiple of 4 so that 24-bit rows are whole 32-bit words
  int bitmapHeight = 0;
  int rowBytes = 0;
};

// Margin between the frame and the outer ring.
constexpr int kSkyMargin = 10;
// The marker is 15 x 15 pixels centred on its position.
constexpr int kMarkerHalf = 7;
constexpr int kMarkerSize = 15;

SkyLayout MakeSkyLayout(const IntRect& frame);

// Where the marker goes for the given angles (degrees), relative to the frame's top-left corner.
void MarkerPosition(const SkyLayout& layout, int azimuth, int elevation, int& x, int& y);

struct SkyAngles {
  int azimuth = 0;    // 0..360: 0 right, 90 up, 180 left, 270 down; just below the right horizontal is 360
  int elevation = 0;  // 0..90, held at 90 anywhere beyond the outer ring
};

// The angles of a page client point. The exact centre has no direction; it keeps `centreAzimuth`
// (the caller passes the current one so the azimuth does not jump when the elevation is 0 anyway).
SkyAngles PointToAngles(const SkyLayout& layout, int x, int y, int centreAzimuth);

// Bounding box, in bitmap coordinates, of the ring for `elevation` (90, 60 or 30): the outer ring
// inset by trunc((90 - elevation) * pixels per degree) on each side.
IntRect RingBox(const SkyLayout& layout, int elevation);

// The square, in bitmap coordinates, that the marker at (x, y) covers.
IntRect MarkerSquare(int x, int y);

}  // namespace tools
