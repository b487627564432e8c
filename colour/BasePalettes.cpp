#include "colour/BasePalettes.h"

namespace lib3d {
namespace palette {
namespace {

// trunc() of a double that is known to lie within 0..255 (plus rounding noise at the ends).
int trunc_byte(double x) {
  int v = static_cast<int>(x);
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

int clamp_index(int i) { return i < 0 ? 0 : (i > 255 ? 255 : i); }

// Colour words of the fixed table, 0xBBGGRR.
const Colour kFixedTable[256] = {
  0xA5501Eu, 0xAB5B2Bu, 0xB16639u, 0xB77246u, 0xBD7D54u, 0xC38861u, 0xC9946Fu, 0xCF9F7Du,  // 0..7
  0xD5AA8Bu, 0xDBB699u, 0xE1C1A7u, 0xE7CCB5u, 0xEDD8C3u, 0xF3E3D1u, 0xF9EEDEu, 0xFFFAECu,  // 8..15
  0xBFFF58u, 0xBDFF5Cu, 0xBBFF60u, 0xB9FF64u, 0xB7FF68u, 0xB5FF6Cu, 0xB3FF70u, 0xB1FF74u,  // 16..23
  0xAFFF78u, 0xAEFF7Cu, 0xACFF80u, 0xABFF84u, 0xAAFF88u, 0xA8FF8Cu, 0xA7FF90u, 0xA5FF94u,  // 24..31
  0xA4FF98u, 0xA3FF9Cu, 0xA2FFA0u, 0xA1FFA4u, 0xA0FFA8u, 0x9EFFACu, 0x9DFFB0u, 0x9BFFB4u,  // 32..39
  0x9AFFB8u, 0x9AFFBCu, 0x9AFFC0u, 0x9CFFC4u, 0x9AFFC8u, 0x9AFFCCu, 0x9AFFD0u, 0x9AFFD4u,  // 40..47
  0x9BFFD8u, 0x9BFFDCu, 0x9AFFE1u, 0x9AFFE5u, 0x9AFFEAu, 0x99FFEEu, 0x99FFF3u, 0x99FFF8u,  // 48..55
  0x98FFFCu, 0x97FDFFu, 0x96FBFFu, 0x95FAFFu, 0x94F8FEu, 0x93F7FEu, 0x92F6FEu, 0x91F5FDu,  // 56..63
  0x90F4FDu, 0x8FF3FDu, 0x8EF1FCu, 0x8DEFFCu, 0x8CEEFCu, 0x8BECFBu, 0x8AEAFBu, 0x89E9FBu,  // 64..71
  0x87E7FAu, 0x86E5FAu, 0x85E4FAu, 0x84E2F9u, 0x83E0F9u, 0x82DFF9u, 0x81DDF8u, 0x80DBF8u,  // 72..79
  0x7FDAF8u, 0x7ED8F7u, 0x7DD6F7u, 0x7BD5F7u, 0x7AD3F6u, 0x79D1F6u, 0x77D0F6u, 0x76CEF5u,  // 80..87
  0x75CCF5u, 0x74CBF5u, 0x72C9F4u, 0x71C7F4u, 0x70C6F4u, 0x6EC4F3u, 0x6DC2F3u, 0x6BC1F3u,  // 88..95
  0x6ABFF2u, 0x69BDF2u, 0x67BCF2u, 0x66BAF1u, 0x65B8F1u, 0x64B7F1u, 0x62B5F0u, 0x61B3F0u,  // 96..103
  0x60B2F0u, 0x5FB0EFu, 0x5DAEEFu, 0x5CADEFu, 0x5BABEEu, 0x59A9EEu, 0x58A8EEu, 0x57A6EDu,  // 104..111
  0x56A4EDu, 0x54A3EDu, 0x53A1ECu, 0x529FECu, 0x519EECu, 0x4F9CEBu, 0x4E9AEBu, 0x4D99EBu,  // 112..119
  0x4B97EAu, 0x4A95EAu, 0x4994EAu, 0x4892E9u, 0x4790E9u, 0x468FE9u, 0x448DE8u, 0x438BE8u,  // 120..127
  0x428AE8u, 0x4088E7u, 0x3F86E7u, 0x3E85E7u, 0x3D83E6u, 0x3B81E6u, 0x3A80E6u, 0x397EE5u,  // 128..135
  0x387CE5u, 0x367BE5u, 0x3579E4u, 0x3477E4u, 0x3376E4u, 0x3174E3u, 0x3072E3u, 0x2F71E3u,  // 136..143
  0x2E6FE2u, 0x2D6DE2u, 0x2B6CE2u, 0x2A6AE1u, 0x2968E1u, 0x2767E1u, 0x2665E0u, 0x2563E0u,  // 144..151
  0x2462E0u, 0x2360DFu, 0x215EDFu, 0x205DDFu, 0x1F5BDEu, 0x1D5ADEu, 0x1C58DEu, 0x1B56DDu,  // 152..159
  0x1A54DDu, 0x1953DDu, 0x1751DCu, 0x1650DCu, 0x154EDCu, 0x144CDBu, 0x134ADBu, 0x1149DBu,  // 160..167
  0x1047DAu, 0x0F45DAu, 0x0E44DAu, 0x0C42D9u, 0x0B40D9u, 0x0A3FD9u, 0x093ED7u, 0x073CD5u,  // 168..175
  0x063AD5u, 0x0538D4u, 0x0437D3u, 0x0235D2u, 0x0133D2u, 0x0031D1u, 0x002ECFu, 0x002CCEu,  // 176..183
  0x002BCCu, 0x002DCAu, 0x002EC8u, 0x0030C6u, 0x0031C4u, 0x0033C2u, 0x0035C0u, 0x0037BEu,  // 184..191
  0x0039BDu, 0x003BBCu, 0x003DBBu, 0x003FBAu, 0x0041B9u, 0x0043B8u, 0x0045B7u, 0x0047B6u,  // 192..199
  0x2148B5u, 0x214BB5u, 0x224EB5u, 0x2351B5u, 0x2554B5u, 0x2757B5u, 0x295AB5u, 0x2B5DB5u,  // 200..207
  0x2D60B6u, 0x2E63B6u, 0x3066B6u, 0x3169B6u, 0x336CB6u, 0x356FB6u, 0x3772B6u, 0x3875B6u,  // 208..215
  0x3A78B6u, 0x427CB5u, 0x4A81B4u, 0x5285B2u, 0x5A8AB1u, 0x628EAFu, 0x6A92AEu, 0x7297ACu,  // 216..223
  0x7B9CAAu, 0x84A1A9u, 0x8CA6A9u, 0x94ABA8u, 0x9CB0A7u, 0xA5B5A6u, 0xAEBAA6u, 0xB6BEA5u,  // 224..231
  0xBEC3A4u, 0xC0C5A7u, 0xC3C7AAu, 0xC6CAAEu, 0xC8CCB1u, 0xCACEB4u, 0xCED1B7u, 0xD0D3BBu,  // 232..239
  0xD2D5BEu, 0xD5D8C1u, 0xD8DAC4u, 0xDBDDC8u, 0xDEDFCBu, 0xE1E2CEu, 0xE4E4D1u, 0xE7E7D4u,  // 240..247
  0xF4E9D7u, 0xEDECDAu, 0xF0EEDDu, 0xF3F0E0u, 0xF5F3E3u, 0xF7F5E6u, 0xF5F7E9u, 0xF8FBECu,  // 248..255
};

void grey(Palette256& p) {
  for (int i = 0; i < 256; ++i) p[i] = rgb(i, i, i);
}

void blue_to_red(Palette256& p) {
  for (int i = 0; i < 256; ++i) {
    if (i < 64) p[i] = rgb(0, 4 * i, 255);
    else if (i < 128) p[i] = rgb(0, 255, 255 - 4 * (i - 64));
    else if (i < 192) p[i] = rgb(4 * (i - 128), 255, 0);
    else p[i] = rgb(255, 255 - 4 * (i - 192), 0);
  }
}

// Each component walks from c1's towards c2's by repeated addition of a 255th of the difference, so
// the last entry may stay one below c2's component; the rounding is part of the palette's look.
void ends_gradient(Palette256& p, Colour c1, Colour c2) {
  double v[3] = {double(red_of(c1)), double(green_of(c1)), double(blue_of(c1))};
  const double d[3] = {(red_of(c2) - red_of(c1)) / 255.0, (green_of(c2) - green_of(c1)) / 255.0,
                       (blue_of(c2) - blue_of(c1)) / 255.0};
  for (int i = 0; i < 256; ++i) {
    p[i] = rgb(trunc_byte(v[0]), trunc_byte(v[1]), trunc_byte(v[2]));
    for (int c = 0; c < 3; ++c) v[c] = v[c] + d[c];
  }
}

void six_hues(Palette256& p) {
  for (int i = 0; i < 256; ++i) {
    int r = 0, g = 0, b = 0;
    switch (i % 6) {
      case 0: b = i; break;
      case 1: g = i; b = i; break;
      case 2: g = i; break;
      case 3: r = i; g = i; break;
      case 4: r = i; break;
      default: r = i; b = i; break;
    }
    p[i] = rgb(r, g, b);
  }
}

void purple_to_red(Palette256& p) {
  for (int i = 0; i < 256; ++i) {
    double r = 0, g = 0, b = 0;
    if (i <= 27) { r = 3.642 * (28 - i) + 102; g = 0; b = 204; }
    else if (i <= 55) { r = 3.642 * (56 - i); g = 5.464 * (i - 28); b = 204; }
    else if (i <= 83) { r = 0; g = 1.821 * (i - 56) + 153; b = 204; }
    else if (i <= 111) { r = 0; g = 204; b = 204 - 1.821 * (i - 84); }
    else if (i <= 139) { r = 0; g = 204; b = 153 - 5.464 * (i - 112); }
    else if (i <= 168) { r = 5.275 * (i - 140); g = 204; b = 1.758 * (i - 140); }
    else if (i <= 197) { r = 1.758 * (i - 169) + 153; g = 204; b = 51; }
    else if (i <= 226) { r = 204; g = 3.517 * (227 - i) + 102; b = 51 - 1.758 * (i - 198); }
    else { r = 204; g = 3.517 * (256 - i); b = 0; }
    p[i] = rgb(trunc_byte(r), trunc_byte(g), trunc_byte(b));
  }
}

void hue_cycle(Palette256& p) {
  for (int i = 0; i < 256; ++i) {
    double r, g, b;
    if (i <= 95) { r = 2.66 * i; g = 255 - 2.66 * i; b = 255; }
    else if (i <= 175) { r = 255; g = 3.1875 * (i - 95); b = 255 - 2.25 * (i - 95); }
    else { r = 255 - 2.75 * (i - 175); g = 255; b = 2.75 * (i - 175) + 35; }
    p[i] = rgb(trunc_byte(r), trunc_byte(g), trunc_byte(b));
  }
}

void blue_to_purple(Palette256& p) {
  for (int i = 0; i < 256; ++i) {
    int r, g, b;
    if (i <= 13) { r = 0; g = 2 * (i + 25); b = 2 * i + 107; }
    else if (i <= 74) { r = 3 * (i - 14); g = 2 * (i + 25); b = 2 * i + 107; }
    else if (i <= 99) { r = 3 * (i - 14); g = 2 * (i + 25); b = 250 - 4 * (i - 75); }
    else if (i <= 149) { r = 255; g = trunc_byte(248 - 0.5 * (i - 100)); b = 150 - 3 * (i - 100); }
    else if (i <= 209) { r = 255; g = 520 - 2 * i; b = 0; }
    else { r = 885 - 3 * i; g = 520 - 2 * i; b = 2 * i - 418; }
    p[i] = rgb(r, g, b);
  }
}

}  // namespace

Palette256 build_base_palette(int kind, const Palette256& edited, int lo, int hi, Colour swatch) {
  Palette256 p{};
  switch (static_cast<PaletteKind>(kind)) {
    case PaletteKind::BlueToRed: blue_to_red(p); break;
    case PaletteKind::EndsGradient: ends_gradient(p, edited[clamp_index(lo)], edited[clamp_index(hi)]); break;
    case PaletteKind::SolidColour: p.fill(swatch & 0x00FFFFFFu); break;
    case PaletteKind::SixHues: six_hues(p); break;
    case PaletteKind::FixedTable:
      for (int i = 0; i < 256; ++i) p[i] = kFixedTable[i];
      break;
    case PaletteKind::PurpleToRed: purple_to_red(p); break;
    case PaletteKind::HueCycle: hue_cycle(p); break;
    case PaletteKind::BlueToPurple: blue_to_purple(p); break;
    case PaletteKind::Grey:
    default: grey(p); break;
  }
  return p;
}

}  // namespace palette
}  // namespace lib3d
