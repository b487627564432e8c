#pragma once
#include <cstdint>

namespace lib3d {

// The record the lighting page fills and View::set_lightPos reads: fifteen signed 32-bit words.
// The view reads only the words named here.
struct LightSettings {
  static constexpr int kAzimuth = 3;    // degrees
  static constexpr int kElevation = 4;  // degrees
  static constexpr int kAmbient = 6;    // percent
  static constexpr int kDiffuse = 7;    // percent
  static constexpr int kSpecular = 8;   // percent
  std::int32_t words[15] = {};
};
static_assert(sizeof(LightSettings) == 60, "fifteen 32-bit words");

}  // namespace lib3d
