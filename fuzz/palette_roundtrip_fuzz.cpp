// libFuzzer target: palette save -> load through real files. The input gives the four range values,
// the 256 colours and, optionally, the byte after which the disk "fills up". A completed save must
// load back exactly; a failed one must leave the previous file as it was and no temporary file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cerrno>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "colour/PaletteFile.h"

using lib3d::palette::PaletteFileData;

namespace {

std::string g_dir;

int entries() {
  int n = 0;
  DIR* d = opendir(g_dir.c_str());
  if (!d) std::abort();
  while (dirent* e = readdir(d)) n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
  closedir(d);
  return n;
}

bool same(const PaletteFileData& a, const PaletteFileData& b) {
  return a.inMin == b.inMin && a.inMax == b.inMax && a.outMin == b.outMin && a.outMax == b.outMax &&
         a.palette == b.palette;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // tmpfs when there is one: every save ends in fsync.
  char tmpl[] = "/dev/shm/palette_rt_XXXXXX";
  char tmpl2[] = "/tmp/palette_rt_XXXXXX";
  const char* made = mkdtemp(tmpl);
  if (!made) made = mkdtemp(tmpl2);
  if (!made) std::abort();
  g_dir = made;
  std::atexit([] {
    ::unlink((g_dir + "/p.pal").c_str());
    ::rmdir(g_dir.c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  PaletteFileData d;
  d.inMin = data[0];
  d.inMax = data[1];
  d.outMin = data[2];
  d.outMax = data[3];
  const std::size_t failAt = (static_cast<std::size_t>(data[4]) << 4) | (data[5] & 15u);
  const bool fail = data[5] & 0x80;
  // The colour bytes repeat when the input is short.
  const std::uint8_t* colours = data + 6;
  const std::size_t n = size - 6;
  for (std::size_t i = 0; i < 256 && n > 0; ++i)
    d.palette[i] = colours[(3 * i) % n] | (colours[(3 * i + 1) % n] << 8) | (colours[(3 * i + 2) % n] << 16);
  const std::string path = g_dir + "/p.pal";
  PaletteFileData old;
  old.palette.fill(0x123456);
  if (!lib3d::palette::save_palette_file(path, old)) std::abort();

  std::size_t written = 0;
  const lib3d::palette::WriteFunction full = [&](int fd, const void* buf, std::size_t n) -> ssize_t {
    if (written >= failAt) {
      errno = ENOSPC;
      return -1;
    }
    const std::size_t part = n < failAt - written ? n : failAt - written;
    written += part;
    return ::write(fd, buf, part);
  };
  const bool saved = lib3d::palette::save_palette_file(path, d, fail ? full : lib3d::palette::WriteFunction());
  if (saved == (fail && failAt < lib3d::palette::format_palette_file(d).size())) std::abort();
  if (entries() != 1) std::abort();
  PaletteFileData back;
  std::string cause;
  if (!lib3d::palette::load_palette_file(path, back, &cause)) std::abort();
  if (!same(back, saved ? d : old)) std::abort();
  return 0;
}
