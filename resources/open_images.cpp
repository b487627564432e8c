// Icons of the Open dialog's "L" buttons: an open folder holding a sheet of paper, the sheet red,
// green, blue or grey. Drawn on demand at any size from shapes laid out on a 32 x 32 grid.
#include <algorithm>
#include <cmath>
#include <vector>

#include <wx/image.h>

#include "resources/open_ids.h"
#include "resources/ModuleResources.h"

namespace {

struct Pt {
  double x, y;
};
struct Rgb {
  unsigned char r, g, b;
};

struct Shape {
  std::vector<Pt> poly;
  Rgb fill;
  Rgb edge;
};

bool inside(const std::vector<Pt>& poly, double x, double y) {
  bool in = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt& a = poly[i];
    const Pt& b = poly[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

double edge_distance(const std::vector<Pt>& poly, double x, double y) {
  double best = 1e9;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt& a = poly[j];
    const Pt& b = poly[i];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(x - (a.x + t * dx), y - (a.y + t * dy)));
  }
  return best;
}

wxBitmap draw_folder(Rgb sheet, int size) {
  const Rgb outline{70, 55, 20};
  const Rgb back{214, 170, 70};
  const Rgb front{246, 206, 96};
  const Rgb sheetEdge{static_cast<unsigned char>(sheet.r / 2), static_cast<unsigned char>(sheet.g / 2),
                      static_cast<unsigned char>(sheet.b / 2)};
  const Rgb line{static_cast<unsigned char>((sheet.r + 255) / 2), static_cast<unsigned char>((sheet.g + 255) / 2),
                 static_cast<unsigned char>((sheet.b + 255) / 2)};
  const std::vector<Shape> shapes = {
      // back of the folder with its tab
      {{{2, 28}, {2, 6}, {4, 4}, {12, 4}, {14, 7}, {27, 7}, {27, 28}}, back, outline},
      // the sheet standing in the folder
      {{{7, 24}, {7, 2}, {25, 2}, {25, 24}}, sheet, sheetEdge},
      // lines of writing on the sheet
      {{{10, 6}, {22, 6}, {22, 7.5}, {10, 7.5}}, line, line},
      {{{10, 10}, {22, 10}, {22, 11.5}, {10, 11.5}}, line, line},
      {{{10, 14}, {19, 14}, {19, 15.5}, {10, 15.5}}, line, line},
      // the opened front flap
      {{{2, 28}, {7, 14}, {31, 14}, {26, 28}}, front, outline},
  };
  wxImage img(size, size);
  img.InitAlpha();
  const double scale = 32.0 / size;
  const double edgeWidth = std::max(0.9, scale * 0.75);
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px) {
      const double x = (px + 0.5) * scale, y = (py + 0.5) * scale;
      bool any = false;
      Rgb c{0, 0, 0};
      for (const Shape& s : shapes) {
        if (!inside(s.poly, x, y)) continue;
        any = true;
        c = edge_distance(s.poly, x, y) < edgeWidth ? s.edge : s.fill;
      }
      img.SetRGB(px, py, c.r, c.g, c.b);
      img.SetAlpha(px, py, any ? 255 : 0);
    }
  return wxBitmap(img);
}

wxBitmap load_open_bitmap(int id, int size) {
  if (size <= 0 || size > 1024) return wxBitmap();
  using namespace lib3d::open::ids;
  switch (id) {
    case kIconRed: return draw_folder({220, 30, 30}, size);
    case kIconGreen: return draw_folder({30, 170, 40}, size);
    case kIconBlue: return draw_folder({40, 70, 220}, size);
    case kIconGrey: return draw_folder({150, 150, 150}, size);
    default: return wxBitmap();
  }
}

const lib3d::BitmapLoaderRegistrar kRegisterOpenImages(&load_open_bitmap);

}  // namespace
