#include "frame/ViewCommand.h"

#include <cstdio>

#include "hostlib/RenderOptions.h"

namespace lib3d {

namespace {

// Nine significant digits give a float back exactly; doubles that came from floats need no more.
std::string exact(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

}  // namespace

std::string shell_quoted(const std::string& word) {
  bool plain = !word.empty();
  for (char c : word)
    plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      std::string("/._-+,:=").find(c) != std::string::npos);
  if (plain) return word;
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string view_command(const ViewState& s) {
  std::string cmd = "relief3d-host --relief " + shell_quoted(s.relief);
  const auto add = [&cmd](const std::string& option, const std::string& value) {
    cmd += " --" + option + " " + shell_quoted(value);
  };
  if (s.factor_x != 1 || s.factor_y != 1) add("factors", std::to_string(s.factor_x) + "," + std::to_string(s.factor_y));
  const ReliefOptions& o = s.options;
  if (o.band != 1) add("band", std::to_string(o.band));
  if (o.overviews) cmd += " --overviews";
  if (!o.holes) add("nodata", "height");
  if (o.nodata_given) add("nodata-value", exact(o.nodata));
  if (!s.red.empty()) add("texture", s.red == s.green && s.red == s.blue ? s.red : s.red + "," + s.green + "," + s.blue);
  const DrapeOptions& d = o.drape;
  if (d.resampling != Resampling::Bilinear) add("texture-resampling", d.resampling == Resampling::Nearest ? "nearest" : "cubic");
  if (d.minmax) add("texture-stretch", "minmax");
  else if (d.cut_low != 2.0 || d.cut_high != 98.0) add("texture-stretch", "cut:" + exact(d.cut_low) + "," + exact(d.cut_high));
  add("azimuth", exact(s.azimuth));
  add("tilt", exact(s.tilt));
  add("zoom", std::to_string(s.zoom_level));
  add("pan", exact(s.pan_x) + "," + exact(s.pan_y));
  add("scale-z", exact(s.scale_z));
  add("light", std::to_string(s.light_azimuth) + "," + std::to_string(s.light_elevation));
  add("ambient", std::to_string(s.ambient));
  add("diffuse", std::to_string(s.diffuse));
  add("specular", std::to_string(s.specular));
  char rgb[8];
  const std::uint32_t b = s.background;
  std::snprintf(rgb, sizeof rgb, "%02X%02X%02X", b & 0xFFu, (b >> 8) & 0xFFu, (b >> 16) & 0xFFu);
  add("background", rgb);
  if (s.base_palette >= 0) add("base-palette", kBasePaletteNames[s.base_palette]);
  else if (!s.palette_file.empty()) add("palette", s.palette_file);
  add("size", std::to_string(s.width) + "x" + std::to_string(s.height));
  add("snapshot", s.picture);
  return cmd;
}

}  // namespace lib3d
