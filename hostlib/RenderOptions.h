#pragma once
// The values a render request may hold and the picture formats it may write, declared once for the
// host's command line (its parsing and --help) and the module's checks alike.
#include <cstdio>
#include <string>
#include <vector>

#include "hostlib/RenderRequest.h"

namespace lib3d {

struct Range {
  double lo, hi;  // both included; NaN is never within
  bool holds(double v) const { return v >= lo && v <= hi; }
  std::string text() const {  // "0.01..1"
    char s[64];
    std::snprintf(s, sizeof s, "%.15g..%.15g", lo, hi);
    return s;
  }
};
constexpr Range kFactorRange{1, 1000};         // compression factors
constexpr Range kPixelRange{1, 16384};         // picture width and height
constexpr Range kTiltRange{0, 180};            // degrees: straight down .. from below
constexpr Range kAzimuthPanRange{-1e6, 1e6};   // azimuth in degrees, pan in view units
constexpr Range kZoomRange{-1000, 1000};       // the view's zoom steps but 0 and -1 (a zero-sized view)
constexpr Range kScaleZRange{0.0001, 100};     // the view's Z scale: 1 draws the height range as tall as the longer side
constexpr Range kExaggerationRange{0.01, 1000}; // times the true height (georeferenced reliefs)
constexpr Range kLightAzimuthRange{0, 360};    // whole degrees
constexpr Range kLightElevationRange{0, 90};
constexpr Range kPercentRange{0, 100};         // light strengths
constexpr Range kBandRange{1, 65535};          // a raster's bands
constexpr Range kTurntableRange{1, 3600};      // pictures of a turntable
// The base palettes in the palette editor's order, named as its list shows them (in English, words
// joined by '-'): base_palette is an index into these, or -1. The short names of earlier versions
// stay as aliases.
constexpr const char* kBasePaletteNames[] = {"grey",         "blue-to-red",   "gradient-between-ends",
                                             "solid-color",  "six-hues",      "hypsometric",
                                             "purple-to-red", "hue-cycle",    "blue-to-purple"};
constexpr const char* kBasePaletteAliases[] = {"gray", "blue-red", "ends", "solid", "six-hues",
                                               "table", "purple-red", "hue-cycle", "blue-purple"};
constexpr int kBasePaletteCount = sizeof kBasePaletteNames / sizeof *kBasePaletteNames;

inline bool is_zoom_step(double z) { return kZoomRange.holds(z) && z != 0 && z != -1; }

// ASCII letters in lower case, whatever the locale.
inline std::string lower(std::string s) {
  for (char& c : s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return s;
}

// The base palette a name stands for, in any case, with blanks or '-' between words ("Blue to
// red", "blue-to-red", "blue-red") or as its index; -1 for none.
inline int base_palette_index(const std::string& name) {
  std::string n = lower(name);
  for (char& c : n) c = c == ' ' ? '-' : c;
  for (int k = 0; k < kBasePaletteCount; ++k)
    if (n == kBasePaletteNames[k] || n == kBasePaletteAliases[k] || n == std::to_string(k)) return k;
  return -1;
}

// "a, b or c" (`last` joins the last two)
inline std::string listed(const std::vector<std::string>& items, const char* last = " or ") {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i == 0 ? "" : i + 1 < items.size() ? ", " : last) + items[i];
  return out;
}

// The file of picture k of a turntable: `pattern` with its one "%d" or "%0Nd" (N 1..9) replaced by k
// ("%%" stands for '%'). False when the pattern holds no such number, more than one, or another '%'.
inline bool frame_path(const std::string& pattern, int k, std::string& out) {
  out.clear();
  int numbers = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out += '%', ++i;
      continue;
    }
    std::size_t j = i + 1, width = 0;
    if (j + 1 < pattern.size() && pattern[j] == '0' && pattern[j + 1] >= '1' && pattern[j + 1] <= '9')
      width = static_cast<std::size_t>(pattern[j + 1] - '0'), j += 2;
    if (j >= pattern.size() || pattern[j] != 'd') return false;
    const std::string digits = std::to_string(k);
    out += std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
    ++numbers, i = j;
  }
  return numbers == 1;
}

// Empty when every value of `r` is within its range, else one line naming the first that is not.
// Without `files`, the relief and picture files may be missing (a request being built).
inline std::string request_problem(const Lib3dRenderRequest& r, bool files = true) {
  if (files && (!r.relief || !*r.relief)) return "no relief file given";
  if (files && (!r.output || !*r.output)) return "no picture file given";
  if (!kFactorRange.holds(r.factor_x) || !kFactorRange.holds(r.factor_y))
    return "compression factors must be whole numbers " + kFactorRange.text();
  if (!kPixelRange.holds(r.width) || !kPixelRange.holds(r.height))
    return "picture size must be " + kPixelRange.text() + " pixels each way";
  if (!kTiltRange.holds(r.tilt)) return "tilt must be " + kTiltRange.text() + " degrees";
  if (!kAzimuthPanRange.holds(r.azimuth) || !kAzimuthPanRange.holds(r.pan_x) || !kAzimuthPanRange.holds(r.pan_y))
    return "azimuth and pan must be finite, within " + kAzimuthPanRange.text();
  if (!is_zoom_step(r.zoom_level)) return "zoom step must be " + kZoomRange.text() + " and never 0 or -1";
  if (!kScaleZRange.holds(r.scale_z)) return "height scale must be " + kScaleZRange.text();
  if (r.exaggeration != 0 && !kExaggerationRange.holds(r.exaggeration))
    return "exaggeration must be " + kExaggerationRange.text();
  if (!kLightAzimuthRange.holds(r.light_azimuth) || !kLightElevationRange.holds(r.light_elevation))
    return "light azimuth must be " + kLightAzimuthRange.text() + " and elevation " + kLightElevationRange.text() +
           " degrees";
  for (int p : {r.ambient, r.diffuse, r.specular})
    if (!kPercentRange.holds(p)) return "light strengths must be " + kPercentRange.text() + " percent";
  if (r.background > 0xFFFFFFu) return "background must be a colour RRGGBB";
  if (!kBandRange.holds(r.band)) return "band must be " + kBandRange.text();
  if (r.nodata_given && !(r.nodata_value == r.nodata_value)) return "the no-data value must be a number";
  if (r.base_palette < -1 || r.base_palette >= kBasePaletteCount) return "no such base palette";
  if (r.turntable != 0 && !kTurntableRange.holds(r.turntable))
    return "a turntable must have " + kTurntableRange.text() + " pictures";
  std::string frame;
  if (files && r.turntable > 1 && !frame_path(r.output, 0, frame))
    return "the pictures of a turntable need one frame number in their name, such as frame_%03d.png";
  return std::string();
}

// The same for a camera alone (the viewer's window as the command line sets it).
inline std::string camera_problem(double tilt, double azimuth, int zoomLevel, double panX, double panY) {
  Lib3dRenderRequest r;
  lib3d_render_request_defaults(&r);
  r.tilt = tilt, r.azimuth = azimuth, r.zoom_level = zoomLevel, r.pan_x = panX, r.pan_y = panY;
  return request_problem(r, false);
}

// A picture file's format: its extensions in lower case (null when unused), GDAL's driver and its
// creation options (null-terminated).
struct PictureFormat { const char* extensions[2]; const char* driver; const char* options[3]; };
constexpr PictureFormat kPictureFormats[] = {
    // zlib level 3: a third of level 6's time for a few percent more bytes on rendered reliefs.
    {{"png"}, "PNG", {"ZLEVEL=3"}},
    {{"jpg", "jpeg"}, "JPEG", {"QUALITY=92"}},
    {{"tif", "tiff"}, "GTiff", {"COMPRESS=LZW", "PHOTOMETRIC=RGB"}},
};

// The format `path`'s extension (in any case) names; null when none.
inline const PictureFormat* picture_format(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return nullptr;
  const std::string ext = lower(path.substr(dot + 1));
  for (const PictureFormat& f : kPictureFormats)
    for (const char* e : f.extensions)
      if (e && ext == e) return &f;
  return nullptr;
}

// The extensions a picture may have: ".png, .jpg, .jpeg, .tif or .tiff"; with `same`, those of one
// format are joined by it: ".png, .jpg/.jpeg, .tif/.tiff".
inline std::string picture_extensions(const char* same = nullptr) {
  std::vector<std::string> all;
  for (const PictureFormat& f : kPictureFormats)
    for (const char* e : f.extensions)
      if (e && same && e != f.extensions[0]) all.back() += same + std::string(".") + e;
      else if (e) all.push_back(std::string(".") + e);
  return listed(all, same ? ", " : " or ");
}

}  // namespace lib3d
