#pragma once
// The one relief3d-host command line that draws the window's picture: built from plain values, so
// that it needs no window.
#include <cstddef>
#include <cstdint>
#include <string>

#include "terrain/Document.h"

namespace lib3d {

struct ViewState {
  std::string relief;
  std::size_t factor_x = 1, factor_y = 1;
  ReliefOptions options;
  std::string red, green, blue;  // the texture's files, empty for none (the same path thrice: one file)
  double tilt = 45, azimuth = 45, pan_x = 0, pan_y = 0;
  int zoom_level = -2;
  float scale_z = 1.0f;
  int light_azimuth = 0, light_elevation = 0, ambient = 30, diffuse = 70, specular = 20;
  std::uint32_t background = 0x7F7F7Fu;  // 0x00BBGGRR
  int base_palette = -1;       // a base palette's index, or -1
  std::string palette_file;    // otherwise a palette file, or empty for the white palette
  int width = 0, height = 0;   // the picture, pixels
  std::string picture;
};

// A word as a POSIX shell reads it back unchanged: in single quotes unless it needs none.
std::string shell_quoted(const std::string& word);

// "relief3d-host --relief ... --snapshot PICTURE": every option whose value differs from the
// command line's default, numbers written so that they read back exactly (the view's floats).
std::string view_command(const ViewState& state);

}  // namespace lib3d
