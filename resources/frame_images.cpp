// Drawn pixel by pixel rather than with a wxDC: the GTK device contexts anti-alias, which would leave
// near-grey fringes around every shape once the background grey becomes the mask.
#include "resources/frame_images.h"

#include <cmath>
#include <cstdlib>

#include "resources/frame_ids.h"
#include "resources/ModuleResources.h"

namespace lib3d {
namespace {

struct Rgb {
  unsigned char r, g, b;
};

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kDarkGrey{64, 64, 64};

// Draws inside one 17 x 16 cell of the strip; everything outside the cell is clipped.
class Cell {
public:
  Cell(wxImage& image, int index) : image_(image), ox_(index * kToolbarImageWidth) {}

  void pixel(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= kToolbarImageWidth || y >= kToolbarImageHeight) return;
    image_.SetRGB(ox_ + x, y, c.r, c.g, c.b);
  }
  void rect(int x0, int y0, int x1, int y1, Rgb c) {  // filled, inclusive corners
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) pixel(x, y, c);
  }
  void frame(int x0, int y0, int x1, int y1, Rgb c) {
    for (int x = x0; x <= x1; ++x) pixel(x, y0, c), pixel(x, y1, c);
    for (int y = y0; y <= y1; ++y) pixel(x0, y, c), pixel(x1, y, c);
  }
  void line(int x0, int y0, int x1, int y1, Rgb c) {  // Bresenham
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      pixel(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  // Disc of radius r around (cx, cy) in half-pixel units, filled, with an outline.
  void disc(double cx, double cy, double r, Rgb fill, Rgb outline) {
    for (int y = 0; y < kToolbarImageHeight; ++y)
      for (int x = 0; x < kToolbarImageWidth; ++x) {
        double d = std::hypot(x - cx, y - cy);
        if (d <= r - 1.0) pixel(x, y, fill);
        else if (d <= r) pixel(x, y, outline);
      }
  }

private:
  wxImage& image_;
  int ox_;
};

void draw_open(Cell c) {
  const Rgb back{176, 136, 0}, front{255, 224, 64}, edge{96, 64, 0};
  c.rect(1, 4, 11, 13, back);
  c.frame(1, 4, 11, 13, edge);
  c.rect(2, 3, 5, 3, edge);
  // Front flap, open towards the viewer: a parallelogram leaning right.
  for (int y = 8; y <= 13; ++y) {
    int shift = (13 - y) / 2;
    c.line(1 + shift, y, 12 + shift, y, front);
  }
  c.line(1, 13, 12, 13, edge);
  c.line(4, 8, 15, 8, edge);
  c.line(1, 13, 4, 8, edge);
  c.line(12, 13, 15, 8, edge);
  // Curved arrow over the folder, pointing to the right.
  const Rgb arrow{0, 0, 160};
  c.pixel(8, 5, arrow), c.pixel(8, 4, arrow), c.pixel(9, 3, arrow), c.pixel(9, 2, arrow);
  c.line(10, 1, 13, 1, arrow);
  c.pixel(14, 2, arrow);
  c.line(12, 3, 16, 3, arrow);
  c.line(15, 2, 15, 4, arrow);
  c.pixel(14, 4, arrow);
}

void draw_magnifier(Cell c, bool plus) {
  const Rgb glass{200, 232, 255}, handle{128, 72, 24};
  c.line(9, 10, 14, 15, handle);
  c.line(10, 10, 15, 15, handle);
  c.line(9, 11, 14, 16, handle);
  c.disc(6.0, 6.0, 5.6, glass, kBlack);
  c.line(4, 6, 8, 6, kBlack);
  if (plus) c.line(6, 4, 6, 8, kBlack);
}

void draw_pointer(Cell c) {
  const Rgb axis{0, 0, 160}, pin{224, 0, 0}, pinDark{128, 0, 0};
  for (int i = 0; i < kToolbarImageWidth; i += 3) c.line(i, 12, i + 1, 12, axis);  // dashed axes
  for (int i = 0; i < kToolbarImageHeight; i += 3) c.line(5, i, 5, i + 1, axis);
  c.line(5, 12, 10, 7, kDarkGrey);                                                  // the needle
  c.disc(11.5, 4.5, 3.6, pin, pinDark);                                            // the head
  c.pixel(10, 3, kWhite);
}

void draw_palette(Cell c) {
  // Upper square: a colour spectrum; lower square: a grey ramp (skipping the transparent grey).
  for (int x = 0; x < 12; ++x) {
    double h = x / 12.0 * 6.0;
    int k = static_cast<int>(h);
    double f = h - k;
    unsigned char up = static_cast<unsigned char>(255 * f), down = static_cast<unsigned char>(255 * (1 - f));
    Rgb col[6] = {{255, up, 0}, {down, 255, 0}, {0, 255, up}, {0, down, 255}, {up, 0, 255}, {255, 0, down}};
    c.line(3 + x, 1, 3 + x, 7, col[k % 6]);
  }
  c.frame(2, 0, 15, 8, kBlack);
  for (int x = 0; x < 12; ++x) {
    unsigned char g = static_cast<unsigned char>(x * 255 / 11);
    if (g == kToolbarTransparentGrey) g = 190;
    c.line(1 + x, 9, 1 + x, 14, Rgb{g, g, g});
  }
  c.frame(0, 8, 13, 15, kBlack);
}

void draw_tools(Cell c) {
  const Rgb steel{96, 112, 128}, wood{160, 96, 32}, grip{224, 32, 32};
  // Screwdriver from top-left to bottom-right.
  c.line(2, 2, 8, 8, steel);
  c.line(2, 1, 8, 7, steel);
  c.line(9, 9, 14, 14, grip);
  c.line(9, 10, 13, 14, grip);
  c.line(10, 9, 14, 13, grip);
  // Hammer from bottom-left to top-right, its head at the top.
  c.line(2, 14, 11, 5, wood);
  c.line(3, 14, 12, 5, wood);
  c.line(9, 1, 15, 7, kDarkGrey);
  c.line(10, 1, 15, 6, kDarkGrey);
  c.line(9, 2, 14, 7, kDarkGrey);
}

void draw_help(Cell c) {
  const Rgb cover{0, 64, 160}, pages{255, 255, 224}, disc{255, 208, 0};
  c.rect(2, 1, 12, 14, cover);
  c.line(3, 15, 13, 15, pages);
  c.line(13, 2, 13, 15, pages);
  c.frame(1, 1, 13, 15, kBlack);
  c.line(3, 1, 3, 14, kBlack);  // spine
  c.disc(8.5, 7.5, 4.6, disc, kBlack);
  // Question mark in the disc.
  c.line(7, 5, 9, 5, kBlack);
  c.pixel(10, 6, kBlack);
  c.pixel(9, 7, kBlack);
  c.pixel(8, 8, kBlack);
  c.pixel(8, 10, kBlack);
}

wxBitmap load_frame_bitmap(int id, int /*size*/) {
  if (id != IDR_FRAME_3D) return wxBitmap();
  return wxBitmap(draw_toolbar_strip());
}

const BitmapLoaderRegistrar kRegisterFrameImages(&load_frame_bitmap);

}  // namespace

wxImage draw_toolbar_strip() {
  wxImage image(kToolbarImageWidth * 7, kToolbarImageHeight);
  image.SetRGB(wxRect(0, 0, image.GetWidth(), image.GetHeight()), kToolbarTransparentGrey,
               kToolbarTransparentGrey, kToolbarTransparentGrey);
  draw_open(Cell(image, 0));
  draw_magnifier(Cell(image, 1), true);
  draw_magnifier(Cell(image, 2), false);
  draw_pointer(Cell(image, 3));
  draw_palette(Cell(image, 4));
  draw_tools(Cell(image, 5));
  draw_help(Cell(image, 6));
  return image;
}

}  // namespace lib3d
