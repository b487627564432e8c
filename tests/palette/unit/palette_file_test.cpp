// Palette files: the text written, what the reader tolerates and refuses, and the writer's care for
// the file it replaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "dialogs/palette/PaletteFile.h"
#include "dialogs/palette/PaletteLogic.h"
#include "tests/support/RasterFixtures.h"

using namespace lib3d::palette;

namespace {

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string slurp(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

long entries_in(const std::string& dir) {
  return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
}

PaletteFileData white() {
  PaletteFileData d;
  d.palette.fill(0xFFFFFF);
  return d;
}

}  // namespace

// Other programs read these files: the lines are fixed, components in R G B order.
TEST(PaletteFile, WritesTheExactLinesAndReadsThemBack) {
  PaletteFileData d = white();
  d.palette[3] = 0x00030201;  // red 1, green 2, blue 3
  std::string want = "[Palette file]\ninHistmin = '0'\ninHistmax = '255'\noutHistmin = '0'\noutHistmax = '255'\n"
                     "PALETTE (index R G B)\n";
  for (int i = 0; i < 256; ++i) want += std::to_string(i) + (i == 3 ? " 1 2 3\n" : " 255 255 255\n");
  EXPECT_EQ(format_palette_file(d), want);

  d.inMin = 17; d.inMax = 3; d.outMin = 255; d.outMax = 0;
  for (int i = 0; i < 256; ++i) d.palette[i] = (static_cast<std::uint32_t>(i) * 2654435761u) & 0xFFFFFFu;
  r3dtest::TempDir dir;
  ASSERT_TRUE(save_palette_file(dir.file("p.pal"), d));
  EXPECT_EQ(slurp(dir.file("p.pal")), format_palette_file(d));
  PaletteFileData back;
  ASSERT_TRUE(load_palette_file(dir.file("p.pal"), back));
  EXPECT_EQ(std::tie(back.inMin, back.inMax, back.outMin, back.outMax), std::tie(d.inMin, d.inMax, d.outMin, d.outMax));
  EXPECT_EQ(back.palette, d.palette);
  // Only regular files of plausible size are read: a device, a FIFO without writer, a huge file and
  // a directory fail at once instead of blocking or filling memory.
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  ASSERT_EQ(truncate(dir.file("p.pal").c_str(), 2 << 20), 0);
  for (const std::string& bad : {dir.file("missing.pal"), std::string("/dev/zero"), dir.file("fifo"),
                                 dir.file("p.pal"), dir.path()}) {
    std::string cause;
    EXPECT_FALSE(load_palette_file(bad, back, &cause)) << bad;
    EXPECT_EQ(cause.rfind(bad + ": ", 0), 0u) << cause;
  }
}

TEST(PaletteFile, ScanIgnoresTextAroundKeysAndAcceptsQuirks) {
  std::vector<std::string> l = lines_of(format_palette_file(white()));
  l[0] = "";                                           // heading line missing
  l[1] = "junk before inHistmin = ' 5' junk after";  // blank before the digits
  l[2] = "\n\nsome inHistmax = '+200'  trailing";      // blank lines between keys
  l[3] = "outHistmin='-0'";
  l[4] = "x outHistmax = '9' y 'z'";
  l[6] = "0 300 -1 256";                               // components modulo 256
  l[13] = "  7   300\t-1 256  ";
  std::string text = "preamble inHistmax = '1'\n";
  for (const auto& s : l) text += s + "\r\n";         // CRLF line breaks
  PaletteFileData out;
  ASSERT_EQ(read_palette_file(text, out), ReadError::None);
  EXPECT_EQ(std::tie(out.inMin, out.inMax, out.outMin, out.outMax), std::make_tuple(5, 200, 0, 9));
  EXPECT_EQ(out.palette[7], 0x00FF2Cu);  // red 44, green 255, blue 0
  EXPECT_EQ(out.palette[0], 0x00FF2Cu);
  EXPECT_EQ(out.palette[8], 0xFFFFFFu);
}

// Every malformed file is refused as a whole and leaves the target untouched.
TEST(PaletteFile, MalformedFilesChangeNothing) {
  const std::vector<std::string> good = lines_of(format_palette_file(white()));
  const struct {
    const char* what;
    std::function<void(std::vector<std::string>&)> edit;
    ReadError expected;
  } cases[] = {
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
  for (const auto& c : cases) {
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

// Saving over an existing file: what the file is decides what happens, and a save that fails or is
// cut short leaves the old contents and no temporary file.
TEST(PaletteFile, SaveRespectsTheFileItReplaces) {
  enum Outcome { Saved, Refused, Killed };
  const PaletteFileData d;
  // Runs a save in a child process, which a file-size limit or a kill may end.
  auto in_child = [&](const std::string& path, const std::function<void()>& before, const WriteFunction& w) {
    const pid_t pid = fork();
    if (pid == 0) {
      before();
      _exit(save_palette_file(path, d, w) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? Killed : WEXITSTATUS(status) == 0 ? Saved : Refused;
  };
  std::size_t written = 0;  // a disk that fills up after the first 100 bytes
  const WriteFunction full = [&](int fd, const void* buf, std::size_t n) -> ssize_t {
    if (written >= 100) { errno = ENOSPC; return -1; }
    const std::size_t part = std::min(n, 100 - written);
    written += part;
    return ::write(fd, buf, part);
  };
  const WriteFunction killed = [](int fd, const void* buf, std::size_t) -> ssize_t {
    if (::write(fd, buf, 100) == 100) kill(getpid(), SIGKILL);
    return -1;
  };
  auto save = [&](const std::string& path, const WriteFunction& w = {}) { return save_palette_file(path, d, w) ? Saved : Refused; };
  using Dir = const std::string&;
  const auto none = [](Dir, Dir) {};
  const struct {
    const char* what;
    std::function<void(Dir dir, Dir target)> setup;
    std::function<Outcome(Dir dir, Dir target)> run;
    Outcome expected;
    const char* written;  // the name whose contents the save must change (or keep)
    int entries;          // files in the directory afterwards; -1: not checked (a kill leaves the temporary)
  } cases[] = {
      {"disk full", none, [&](Dir, Dir t) { return save(t, full); }, Refused, "t", 1},
      {"missing directory", none, [&](Dir dir, Dir) { return save(dir + "/no/x.pal"); }, Refused, "t", 1},
      {"directory", [](Dir dir, Dir) { mkdir((dir + "/sub").c_str(), 0755); },
       [&](Dir dir, Dir) { return save(dir + "/sub"); }, Refused, "t", 2},
      {"read-only", [](Dir, Dir t) { chmod(t.c_str(), 0444); }, [&](Dir, Dir t) { return save(t); }, Refused, "t", 1},
      {"symbolic link", [](Dir dir, Dir) { (void)!symlink("t", (dir + "/link").c_str()); },
       [&](Dir dir, Dir) { return save(dir + "/link"); }, Saved, "t", 2},
      {"hard link", [](Dir dir, Dir t) { (void)!link(t.c_str(), (dir + "/second").c_str()); },
       [&](Dir, Dir t) { return save(t); }, Saved, "second", 2},
      {"file size limit", none, [&](Dir, Dir t) {
         return in_child(t, [] { rlimit l{1000, 1000}; setrlimit(RLIMIT_FSIZE, &l); }, WriteFunction()); },
       Refused, "t", 1},
      {"killed while writing", none, [&](Dir, Dir t) { return in_child(t, [] {}, killed); }, Killed, "t", -1},
      {"owner and mode", [](Dir, Dir t) { chmod(t.c_str(), 0640); (void)!chown(t.c_str(), 1234, 4321); },
       [&](Dir, Dir t) { return save(t); }, Saved, "t", 1},
  };
  for (const auto& c : cases) {
    r3dtest::TempDir dir;
    const std::string target = dir.file("t");
    ASSERT_TRUE(r3dtest::WriteTextFile(target, "old contents\n"));
    c.setup(dir.path(), target);
    struct stat before, after;
    ASSERT_EQ(stat(target.c_str(), &before), 0);
    written = 0;
    EXPECT_EQ(c.run(dir.path(), target), c.expected) << c.what;
    EXPECT_EQ(slurp(dir.file(c.written)), c.expected == Saved ? format_palette_file(d) : "old contents\n") << c.what;
    if (c.entries >= 0) {
      EXPECT_EQ(entries_in(dir.path()), c.entries) << c.what;
    }
    // Whatever happened, the file keeps what it is: mode, owner, group and its links.
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_EQ(std::tie(after.st_mode, after.st_uid, after.st_gid, after.st_nlink),
              std::tie(before.st_mode, before.st_uid, before.st_gid, before.st_nlink)) << c.what;
  }
}

// The remembered folder takes either separator; a name typed without an extension gets one, so that
// the Load filter finds it.
TEST(PaletteFile, RememberedDirectoryAndExtension) {
  const std::pair<const char*, const char*> dirs[] = {{"/home/u/pal/a.pal", "/home/u/pal"}, {"C:\\data\\a.pal", "C:\\data"},
                                                      {"a\\b/c.pal", "a\\b"}, {"a/b\\c.pal", "a/b"}, {"/a.pal", ""}, {"a.pal", ""}};
  for (const auto& [path, dir] : dirs) EXPECT_EQ(directory_of(path), dir);
  const std::pair<const char*, const char*> named[] = {{"/p/ramp", "/p/ramp.pal"},     {"/p/ramp.txt", "/p/ramp.txt"},
                                                       {"/p.d/ramp", "/p.d/ramp.pal"}, {"/p/.ramp", "/p/.ramp.pal"},
                                                       {"C:\\p\\ramp", "C:\\p\\ramp.pal"}};
  for (const auto& [typed, saved] : named) EXPECT_EQ(with_palette_extension(typed), saved);
}
