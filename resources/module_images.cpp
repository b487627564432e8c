#include "resources/module_images.h"

#include <algorithm>
#include <cmath>

#include "resources/ModuleResources.h"

namespace lib3d {
namespace {

struct Rgbf {
  double r, g, b;
};

Rgbf mix(Rgbf a, Rgbf b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Colour of the eye at (u, v), both in [-1, 1] with the eye centred at the origin.
Rgbf eye_colour(double u, double v) {
  const double r = std::hypot(u, v);
  const double angle = std::atan2(v, u);
  if (std::hypot(u + 0.17, v + 0.17) < 0.09) return {255, 255, 255};  // catch light
  if (r < 0.24) return {12, 10, 10};                                   // pupil
  if (r < 0.6) {                                                       // iris, darker at its rim
    const double t = (r - 0.24) / 0.36;
    Rgbf c = mix({255, 226, 40}, {214, 140, 0}, t * t);
    const double streak = 0.92 + 0.08 * std::sin(angle * 14.0);
    return {c.r * streak, c.g * streak, c.b * streak};
  }
  if (r < 0.68) return {48, 32, 16};                                   // dark lid rim
  if (r < 0.82) return mix({150, 150, 136}, {110, 104, 92}, (r - 0.68) / 0.14);  // bare skin
  // Feathers: brown, with streaks that run away from the eye.
  const double streak = 0.5 + 0.5 * std::sin(angle * 9.0 + r * 6.0);
  Rgbf c = mix({150, 100, 50}, {88, 56, 28}, streak);
  const double shade = std::clamp(1.25 - r * 0.35, 0.7, 1.0);
  return {c.r * shade, c.g * shade, c.b * shade};
}

wxBitmap load_module_bitmap(int id, int size) {
  if ((id != 2757 && id != 2758) || size <= 0) return wxBitmap();
  return wxBitmap(draw_viewer_icon(size, id == 2758), 32);
}

const BitmapLoaderRegistrar kRegisterModuleImages(&load_module_bitmap);

}  // namespace

wxImage draw_viewer_icon(int size, bool grey) {
  wxImage image(size, size);
  image.InitAlpha();
  const int samples = 3;  // supersampling per axis keeps the small icon smooth without a DC
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      Rgbf sum{0, 0, 0};
      for (int sy = 0; sy < samples; ++sy)
        for (int sx = 0; sx < samples; ++sx) {
          // The eye sits a little off-centre, as in a close-up of a bird's head.
          double u = ((x + (sx + 0.5) / samples) / size) * 2.0 - 1.0 + 0.06;
          double v = ((y + (sy + 0.5) / samples) / size) * 2.0 - 1.0 + 0.04;
          Rgbf c = eye_colour(u * 1.05, v * 1.05);
          sum.r += c.r, sum.g += c.g, sum.b += c.b;
        }
      const double n = samples * samples;
      double r = sum.r / n, g = sum.g / n, b = sum.b / n;
      if (grey) r = g = b = 0.299 * r + 0.587 * g + 0.114 * b;
      auto byte = [](double v) { return static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L)); };
      image.SetRGB(x, y, byte(r), byte(g), byte(b));
      image.SetAlpha(x, y, 255);
    }
  return image;
}

}  // namespace lib3d
