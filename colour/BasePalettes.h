#pragma once
// The nine base palettes offered by the palette editor's "Palette" combo box. Plain computations,
// no window involved.
#include <array>
#include <cstdint>

namespace lib3d {
namespace palette {

// A colour word is 0x00BBGGRR: red in bits 0-7, green in 8-15, blue in 16-23.
using Colour = std::uint32_t;
using Palette256 = std::array<Colour, 256>;

inline Colour rgb(int r, int g, int b) {
  return static_cast<Colour>(r & 0xFF) | (static_cast<Colour>(g & 0xFF) << 8) |
         (static_cast<Colour>(b & 0xFF) << 16);
}
inline int red_of(Colour c) { return static_cast<int>(c & 0xFF); }
inline int green_of(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int blue_of(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// Combo order.
enum class PaletteKind : int {
  Grey = 0,
  BlueToRed = 1,
  EndsGradient = 2,
  SolidColour = 3,
  SixHues = 4,
  FixedTable = 5,
  PurpleToRed = 6,
  HueCycle = 7,
  BlueToPurple = 8,
};
constexpr int kPaletteKindCount = 9;

// Base palette of `kind`. EndsGradient runs from edited[lo] to edited[hi] (lo and hi are clamped to
// 0..255); SolidColour is `swatch` throughout. The combo always has a selection, so other kinds do
// not arise from the dialog; a kind outside 0..8 yields the grey ramp rather than anything undefined.
Palette256 build_base_palette(int kind, const Palette256& edited, int lo, int hi, Colour swatch);

}  // namespace palette
}  // namespace lib3d
