#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
  // Only regular files of plausible size are read: a device, a FIFO without writer, a huge file and
  // a directory fail at once instead of blocking or filling memory.
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  ASSERT_EQ(truncate(dir.file("p.pal").c_str(), 2 << 20), 0);
  for (const std::string& bad : {dir.file("missing.pal"), std::string("/dev/zero"), dir.file("fifo"),
                                 dir.file("p.pal"), dir.path()}) {
    std::string cause;
    EXPECT_FALSE(load_palette_file(bad, loaded, &cause)) << bad;
    EXPECT_EQ(cause.rfind(bad + ": ", 0), 0u) << cause;
  }
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

// Saving over an existing file: what the file is decides what happens, and a save that fails or is
// cut short leaves the old contents and no temporary file.
TEST(PaletteFile, SaveRespectsTheFileItReplaces) {
  enum Outcome { Saved, Refused, Killed };
  PaletteFileData d;
  const std::string fresh = format_palette_file(d);
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
  // A disk that fills up after the first 100 bytes.
  std::size_t written = 0;
  const WriteFunction full = [&](int fd, const void* buf, std::size_t n) -> ssize_t {
    if (written >= 100) { errno = ENOSPC; return -1; }
    const std::size_t part = n < 100 - written ? n : 100 - written;
    written += part;
    return ::write(fd, buf, part);
  };
  const WriteFunction killed = [](int fd, const void* buf, std::size_t) -> ssize_t {
    if (::write(fd, buf, 100) == 100) kill(getpid(), SIGKILL);
    return -1;
  };
  auto save = [&](const std::string& path) { return save_palette_file(path, d) ? Saved : Refused; };
  struct Case {
    const char* what;
    std::function<void(const std::string& dir, const std::string& target)> setup;
    std::function<Outcome(const std::string& dir, const std::string& target)> run;
    Outcome expected;
    const char* written;  // the name whose contents the save must change (or keep)
    int entries;          // files in the directory afterwards; -1: not checked (a kill leaves the temporary)
  };
  const auto none = [](auto&, auto&) {};
  const std::vector<Case> cases = {
      {"disk full", none, [&](auto&, auto& t) { return save_palette_file(t, d, full) ? Saved : Refused; }, Refused,
       "t", 1},
      {"missing directory", none, [&](auto& dir, auto&) { return save(dir + "/no/x.pal"); }, Refused, "t", 1},
      {"directory", [](auto& dir, auto&) { mkdir((dir + "/sub").c_str(), 0755); },
       [&](auto& dir, auto&) { return save(dir + "/sub"); }, Refused, "t", 2},
      {"read-only", [](auto&, auto& t) { chmod(t.c_str(), 0444); }, [&](auto&, auto& t) { return save(t); },
       Refused, "t", 1},
      {"symbolic link", [](auto& dir, auto&) { symlink("t", (dir + "/link").c_str()); },
       [&](auto& dir, auto&) { return save(dir + "/link"); }, Saved, "t", 2},
      {"hard link", [](auto& dir, auto& t) { link(t.c_str(), (dir + "/second").c_str()); },
       [&](auto&, auto& t) { return save(t); }, Saved, "second", 2},
      {"file size limit", none, [&](auto&, auto& t) {
         return in_child(t, [] { rlimit l{1000, 1000}; setrlimit(RLIMIT_FSIZE, &l); }, WriteFunction()); },
       Refused, "t", 1},
      {"killed while writing", none, [&](auto&, auto& t) { return in_child(t, [] {}, killed); }, Killed, "t", -1},
      {"owner and mode", [](auto&, auto& t) { chmod(t.c_str(), 0640); (void)!chown(t.c_str(), 1234, 4321); },
       [&](auto&, auto& t) { return save(t); }, Saved, "t", 1},
  };
  for (const Case& c : cases) {
    r3dtest::TempDir dir;
    const std::string target = dir.file("t");
    ASSERT_TRUE(r3dtest::WriteTextFile(target, "old contents\n"));
    c.setup(dir.path(), target);
    struct stat before, after;
    ASSERT_EQ(stat(target.c_str(), &before), 0);
    written = 0;
    EXPECT_EQ(c.run(dir.path(), target), c.expected) << c.what;
    EXPECT_EQ(slurp(dir.file(c.written)), c.expected == Saved ? fresh : "old contents\n") << c.what;
    if (c.entries >= 0) {
      EXPECT_EQ(entries_in(dir.path()), c.entries) << c.what;
    }
    // Whatever happened, the file keeps what it is: mode, owner, group and its links.
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode) << c.what;
    EXPECT_EQ(after.st_uid, before.st_uid) << c.what;
    EXPECT_EQ(after.st_gid, before.st_gid) << c.what;
    EXPECT_EQ(after.st_nlink, before.st_nlink) << c.what;
  }
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
