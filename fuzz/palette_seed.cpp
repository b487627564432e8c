// Writes seed palette files for the fuzzer's corpus with the same writer that Save uses.
#include <cstdio>
#include <fstream>
#include <string>

#include "dialogs/palette/PaletteFile.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  for (int n = 0; n < 4; ++n) {
    lib3d::palette::PaletteFileData d;
    d.inMin = n * 20;
    d.inMax = 255 - n * 30;
    d.outMin = n % 2 ? 255 : 0;
    d.outMax = n % 2 ? 0 : 255;
    for (int i = 0; i < 256; ++i)
      d.palette[i] = n == 0 ? 0xFFFFFFu : ((static_cast<unsigned>(i) * (2654435761u + n)) & 0xFFFFFFu);
    std::ofstream(dir + "/seed" + std::to_string(n) + ".pal", std::ios::binary)
        << lib3d::palette::format_palette_file(d);
  }
  // A file written on Windows, with text around the keys.
  std::string crlf = "[Palette file]\r\nx inHistmin = ' 5' y\r\ninHistmax = '+200'\r\n\r\noutHistmin = '0'\r\n"
                     "outHistmax = '9'\r\nPALETTE (index R G B)\r\n";
  for (int i = 0; i < 256; ++i) crlf += std::to_string(i) + " 300 -1 256\r\n";
  std::ofstream(dir + "/seed_crlf.pal", std::ios::binary) << crlf;
  return 0;
}
