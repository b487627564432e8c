#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "dialogs/palette/PaletteFile.h"
#include "dialogs/palette/PaletteLogic.h"
#include "tests/support/RasterFixtures.h"

using namespace lib3d::palette;

namespace {

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

std::string white_file() {
  PaletteFileData d;
  d.palette.fill(0xFFFFFF);
  return format_palette_file(d);
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int entries_in(const std::string& dir) {
  int n = 0;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = readdir(d)) n += e->d_name[0] != '.' || (e->d_name[1] != 0 && e->d_name[1] != '.');
  closedir(d);
  return n;
}

}  // namespace

TEST(PaletteFile, WritesTheExactLines) {
  const std::vector<std::string> l = lines_of(white_file());
  ASSERT_EQ(l.size(), 262u);
  EXPECT_EQ(l[0], "[Palette file]");
  EXPECT_EQ(l[1], "inHistmin = '0'");
  EXPECT_EQ(l[2], "inHistmax = '255'");
  EXPECT_EQ(l[3], "outHistmin = '0'");
  EXPECT_EQ(l[4], "outHistmax = '255'");
  EXPECT_EQ(l[5], "PALETTE (index R G B)");
  EXPECT_EQ(l[6], "0 255 255 255");
  EXPECT_EQ(l[7], "1 255 255 255");
  EXPECT_EQ(l[261], "255 255 255 255");
  EXPECT_EQ(white_file().back(), '\n');
  PaletteFileData d;
  d.palette[3] = 0x00030201;  // red 1, green 2, blue 3
  EXPECT_EQ(lines_of(format_palette_file(d))[9], "3 1 2 3");
}

TEST(PaletteFile, RoundTripIsExact) {
  PaletteFileData d;
  d.inMin = 17; d.inMax = 3; d.outMin = 255; d.outMax = 0;
  for (int i = 0; i < 256; ++i) d.palette[i] = (static_cast<std::uint32_t>(i) * 2654435761u) & 0xFFFFFFu;
  PaletteFileData back;
  ASSERT_EQ(read_palette_file(format_palette_file(d), back), ReadError::None);
  EXPECT_EQ(back.inMin, 17); EXPECT_EQ(back.inMax, 3); EXPECT_EQ(back.outMin, 255); EXPECT_EQ(back.outMax, 0);
  EXPECT_EQ(back.palette, d.palette);

  r3dtest::TempDir dir;
  ASSERT_TRUE(save_palette_file(dir.file("p.pal"), d));
  EXPECT_EQ(slurp(dir.file("p.pal")), format_palette_file(d));
  PaletteFileData loaded;
  ASSERT_TRUE(load_palette_file(dir.file("p.pal"), loaded));
  EXPECT_EQ(loaded.palette, d.palette);
  EXPECT_FALSE(load_palette_file(dir.file("missing.pal"), loaded));
}

TEST(PaletteFile, ScanIgnoresTextAroundKeysAndAcceptsQuirks) {
  std::string body = white_file();
  std::vector<std::string> l = lines_of(body);
  l[0] = "";                                               // heading line missing
  l[1] = "junk before inHistmin = ' 5' junk after";      // blank before the digits
  l[2] = "\n\nsome inHistmax = '+200'  trailing";          // blank lines between keys
  l[3] = "outHistmin='-0'";
  l[4] = "x outHistmax = '9' y 'z'";
  l[6] = "0 300 -1 256";                                   // components modulo 256
  l[13] = "  7   300\t-1 256  ";
  std::string text = "preamble inHistmax = '1'\n";
  for (const auto& s : l) text += s + "\r\n";             // CRLF line breaks
  PaletteFileData out;
  ASSERT_EQ(read_palette_file(text, out), ReadError::None);
  EXPECT_EQ(out.inMin, 5); EXPECT_EQ(out.inMax, 200); EXPECT_EQ(out.outMin, 0); EXPECT_EQ(out.outMax, 9);
  EXPECT_EQ(out.palette[7], 0x00FF2Cu);  // red 44, green 255, blue 0
  EXPECT_EQ(out.palette[0], 0x00FF2Cu);
  EXPECT_EQ(out.palette[8], 0xFFFFFFu);
}

// Every malformed file is refused as a whole and leaves the target untouched.
TEST(PaletteFile, MalformedFilesChangeNothing) {
  const std::vector<std::string> good = lines_of(white_file());
  struct Case {
    const char* what;
    std::function<void(std::vector<std::string>&)> edit;
    ReadError expected;
  };
  const std::vector<Case> cases = {
      {"keys out of order", [](auto& l) { std::swap(l[1], l[2]); }, ReadError::MissingKey},
      {"no outHistmax", [](auto& l) { l[4] = "outHistMAX = '1'"; }, ReadError::MissingKey},
      {"one quote", [](auto& l) { l[2] = "inHistmax = '255"; }, ReadError::MissingQuotes},
      {"no quotes", [](auto& l) { l[2] = "inHistmax = 255"; }, ReadError::MissingQuotes},
      {"not a number", [](auto& l) { l[1] = "inHistmin = 'abc'"; }, ReadError::BadRangeValue},
      {"fraction", [](auto& l) { l[1] = "inHistmin = '1.5'"; }, ReadError::BadRangeValue},
      {"empty quotes", [](auto& l) { l[3] = "outHistmin = ''"; }, ReadError::BadRangeValue},
      {"range above 255", [](auto& l) { l[4] = "outHistmax = '256'"; }, ReadError::BadRangeValue},
      {"negative range", [](auto& l) { l[1] = "inHistmin = '-1'"; }, ReadError::BadRangeValue},
      {"huge range", [](auto& l) { l[1] = "inHistmin = '99999999999999999999'"; }, ReadError::BadRangeValue},
      {"no heading", [](auto& l) { l[5] = "PALETTE (index R G)"; }, ReadError::MissingHeading},
      {"short palette", [](auto& l) { l.resize(200); }, ReadError::ShortPalette},
      {"three numbers", [](auto& l) { l[100] = "94 1 2"; }, ReadError::BadPaletteLine},
      {"five numbers", [](auto& l) { l[100] = "94 1 2 3 4"; }, ReadError::BadPaletteLine},
      {"fraction component", [](auto& l) { l[100] = "94 1 2.5 3"; }, ReadError::BadPaletteLine},
      {"empty palette line", [](auto& l) { l[100] = ""; }, ReadError::BadPaletteLine},
      {"glued numbers", [](auto& l) { l[100] = "94 1-2 3"; }, ReadError::BadPaletteLine},
      {"index 256", [](auto& l) { l[100] = "256 1 2 3"; }, ReadError::BadIndex},
      {"index -1", [](auto& l) { l[100] = "-1 1 2 3"; }, ReadError::BadIndex},
      // With exactly 256 lines a repeated index leaves another one unnamed.
      {"duplicate index", [](auto& l) { l[100] = "93 1 2 3"; }, ReadError::MissingEntry},
      {"empty file", [](auto& l) { l.clear(); }, ReadError::MissingKey},
  };
  for (const Case& c : cases) {
    std::vector<std::string> l = good;
    c.edit(l);
    std::string text;
    for (const auto& s : l) text += s + "\n";
    PaletteFileData out;
    out.inMin = 42;
    out.palette.fill(0x010203);
    EXPECT_EQ(read_palette_file(text, out), c.expected) << c.what;
    EXPECT_EQ(out.inMin, 42) << c.what;
    EXPECT_EQ(out.palette[94], 0x010203u) << c.what;
  }
}

TEST(PaletteFile, FailedSaveKeepsTheOldFile) {
  r3dtest::TempDir dir;
  const std::string target = dir.file("keep.pal");
  ASSERT_TRUE(r3dtest::WriteTextFile(target, "old contents\n"));
  chmod(target.c_str(), 0640);
  PaletteFileData d;

  // The disk fills up after the first 100 bytes.
  std::size_t written = 0;
  const WriteFunction failing = [&](int fd, const void* buf, std::size_t n) -> ssize_t {
    if (written >= 100) { errno = ENOSPC; return -1; }
    const std::size_t part = n < 100 - written ? n : 100 - written;
    written += part;
    return ::write(fd, buf, part);
  };
  EXPECT_FALSE(save_palette_file(target, d, failing));
  EXPECT_EQ(written, 100u);
  EXPECT_EQ(slurp(target), "old contents\n");
  EXPECT_EQ(entries_in(dir.path()), 1);  // no temporary file left behind

  // A target whose directory does not exist, and a target that is a directory.
  EXPECT_FALSE(save_palette_file(dir.file("nodir/x.pal"), d));
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  EXPECT_FALSE(save_palette_file(dir.file("sub"), d));
  struct stat st;
  ASSERT_EQ(stat(dir.file("sub").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(entries_in(dir.path()), 2);

  // A successful save replaces the file and keeps its permissions.
  ASSERT_TRUE(save_palette_file(target, d));
  EXPECT_EQ(slurp(target), format_palette_file(d));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(PaletteFile, RememberedDirectory) {
  EXPECT_EQ(directory_of("/home/u/pal/a.pal"), "/home/u/pal");
  EXPECT_EQ(directory_of("C:\\data\\a.pal"), "C:\\data");
  EXPECT_EQ(directory_of("a\\b/c.pal"), "a\\b");
  EXPECT_EQ(directory_of("a/b\\c.pal"), "a/b");
  EXPECT_EQ(directory_of("/a.pal"), "");
  EXPECT_EQ(directory_of("a.pal"), "");
  // A name typed without an extension is saved with one, so that the Load filter finds it.
  const std::pair<const char*, const char*> named[] = {{"/p/ramp", "/p/ramp.pal"},     {"/p/ramp.txt", "/p/ramp.txt"},
                                                       {"/p.d/ramp", "/p.d/ramp.pal"}, {"/p/.ramp", "/p/.ramp.pal"},
                                                       {"C:\\p\\ramp", "C:\\p\\ramp.pal"}};
  for (const auto& [typed, saved] : named) EXPECT_EQ(lib3d::palette::with_palette_extension(typed), saved);
}
