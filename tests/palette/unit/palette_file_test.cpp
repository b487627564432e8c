// Palette files: the text written, what the reader tolerates and refuses, and the writer's care for
// the file it replaces.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "colour/PaletteFile.h"
#include "colour/PaletteLogic.h"
#include "tests/support/RasterFixtures.h"

using namespace lib3d::palette;

namespace {

std::string slurp(const std::string& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
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
  PaletteFileData back;
  ASSERT_TRUE(save_palette_file(dir.file("p.pal"), d) && load_palette_file(dir.file("p.pal"), back));
  EXPECT_EQ(std::tie(back.inMin, back.inMax, back.outMin, back.outMax, back.palette),
            std::tie(d.inMin, d.inMax, d.outMin, d.outMax, d.palette));
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

// Every malformed file is refused as a whole and leaves the target untouched. Each case replaces
// the first `from` of a good file by `to`, or cuts the file there (no `to`).
TEST(PaletteFile, MalformedFilesChangeNothing) {
  using E = ReadError;
  const struct { const char *from, *to; ReadError expected; } cases[] = {
      {"inHistmin = '0'\ninHistmax = '255'", "inHistmax = '255'\ninHistmin = '0'", E::MissingKey},
      {"outHistmax", "outHistMAX", E::MissingKey},       {"[Palette file]", nullptr, E::MissingKey},
      {"inHistmax = '255'", "inHistmax = '255", E::MissingQuotes}, {"'255'", "255", E::MissingQuotes},
      {"'0'", "'abc'", E::BadRangeValue},                {"'0'", "'1.5'", E::BadRangeValue},
      {"outHistmin = '0'", "outHistmin = ''", E::BadRangeValue}, {"'255'", "'256'", E::BadRangeValue},
      {"'0'", "'-1'", E::BadRangeValue},                 {"'0'", "'99999999999999999999'", E::BadRangeValue},
      {"R G B)", "R G)", E::MissingHeading},             {"\n194 ", nullptr, E::ShortPalette},
      {"\n94 255 255 255", "\n94 1 2", E::BadPaletteLine}, {"\n94 255", "\n94 1 2 3", E::BadPaletteLine},
      {"\n94 255 255", "\n94 1 2.5", E::BadPaletteLine},   {"\n94 255 255 255", "\n", E::BadPaletteLine},
      {"\n94 255 255", "\n94 1-2", E::BadPaletteLine},     {"\n94 ", "\n256 ", E::BadIndex},
      {"\n94 ", "\n-1 ", E::BadIndex},
      // With exactly 256 lines a repeated index leaves another one unnamed.
      {"\n94 ", "\n93 ", E::MissingEntry}};
  const std::string good = format_palette_file(white());
  for (const auto& c : cases) {
    std::string text = good;
    const std::size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    text = c.to ? text.replace(at, std::strlen(c.from), c.to) : text.substr(0, at);
    PaletteFileData out;
    out.inMin = 42;
    out.palette.fill(0x010203);
    EXPECT_EQ(read_palette_file(text, out), c.expected) << c.from << " -> " << (c.to ? c.to : "cut");
    EXPECT_EQ(std::make_pair(out.inMin, out.palette[94]), std::make_pair(42, 0x010203u)) << c.from;
  }
}

// Saving over an existing file: what the file is decides what happens, and a save that fails or is
// cut short leaves the old contents and no temporary file.
TEST(PaletteFile, SaveRespectsTheFileItReplaces) {
  enum Outcome { Saved, Refused, Killed };
  const PaletteFileData d;
  // A kill while writing ends the process: that save runs in a child.
  const auto save = [&](const std::string& path, bool killWhileWriting) {
    if (!killWhileWriting) return save_palette_file(path, d) ? Saved : Refused;
    const pid_t pid = fork();
    if (pid == 0) {
      _exit(save_palette_file(path, d, [](int fd, const void* buf, std::size_t) -> ssize_t {
        if (::write(fd, buf, 100) == 100) kill(getpid(), SIGKILL);
        return -1;
      }) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? Killed : WEXITSTATUS(status) == 0 ? Saved : Refused;
  };
  using Dir = const std::string&;
  // Whatever happens, the file keeps what it is: mode, owner, group and its links.
  const auto identity = [](Dir file) {
    struct stat st {};  // zeros if the file is gone
    stat(file.c_str(), &st);
    return std::make_tuple(st.st_mode, st.st_uid, st.st_gid, st.st_nlink);
  };
  rlimit sizeLimit{};
  getrlimit(RLIMIT_FSIZE, &sizeLimit);
  // Saving to `path` in a directory holding `t` after `setup`; `changed`: the name whose contents the
  // save must change (or keep); `entries`: files in the directory afterwards (-1: not checked, a kill
  // leaves the temporary). A file-size limit stands for a disk that fills up: the write stops short.
  const struct { const char* path; bool kill; void (*setup)(Dir); Outcome expected; const char* changed;
                 int entries; } cases[] = {
      {"no/x.pal", false, nullptr, Refused, "t", 1},
      {"sub", false, [](Dir dir) { mkdir((dir + "/sub").c_str(), 0755); }, Refused, "t", 2},
      {"t", false, [](Dir dir) { chmod((dir + "/t").c_str(), 0444); }, Refused, "t", 1},
      {"link", false, [](Dir dir) { (void)!symlink("t", (dir + "/link").c_str()); }, Saved, "t", 2},
      {"t", false, [](Dir dir) { (void)!link((dir + "/t").c_str(), (dir + "/second").c_str()); }, Saved, "second", 2},
      {"t", false, [](Dir) { rlimit l{}; getrlimit(RLIMIT_FSIZE, &l); l.rlim_cur = 1000; setrlimit(RLIMIT_FSIZE, &l); },
       Refused, "t", 1},
      {"t", true, nullptr, Killed, "t", -1},
      {"t", false, [](Dir dir) { chmod((dir + "/t").c_str(), 0640); (void)!chown((dir + "/t").c_str(), 1234, 4321); },
       Saved, "t", 1}};
  for (const auto& c : cases) {
    r3dtest::TempDir dir;
    const std::string target = dir.file("t");
    ASSERT_TRUE(r3dtest::WriteTextFile(target, "old contents\n"));
    if (c.setup) c.setup(dir.path());
    const auto before = identity(target);
    const std::string what = std::to_string(&c - cases) + ": " + c.path;
    EXPECT_EQ(save(dir.file(c.path), c.kill), c.expected) << what;
    setrlimit(RLIMIT_FSIZE, &sizeLimit);
    EXPECT_EQ(slurp(dir.file(c.changed)), c.expected == Saved ? format_palette_file(d) : "old contents\n") << what;
    const long entries = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_TRUE(c.entries < 0 || entries == c.entries) << what << ": " << entries << " files";
    EXPECT_EQ(identity(target), before) << what;
  }
}

// The remembered folder takes either separator; a name typed without an extension gets one, so that
// the Load filter finds it.
TEST(PaletteFile, RememberedDirectoryAndExtension) {
  const std::pair<const char*, const char*> dirs[] = {
      {"/home/u/pal/a.pal", "/home/u/pal"}, {"C:\\data\\a.pal", "C:\\data"}, {"a\\b/c.pal", "a\\b"},
      {"a/b\\c.pal", "a/b"}, {"/a.pal", ""}, {"a.pal", ""}};
  for (const auto& [path, dir] : dirs) EXPECT_EQ(directory_of(path), dir);
  const std::pair<const char*, const char*> named[] = {{"/p/ramp", "/p/ramp.pal"},     {"/p/ramp.txt", "/p/ramp.txt"},
                                                       {"/p.d/ramp", "/p.d/ramp.pal"}, {"/p/.ramp", "/p/.ramp.pal"},
                                                       {"C:\\p\\ramp", "C:\\p\\ramp.pal"}};
  for (const auto& [typed, saved] : named) EXPECT_EQ(with_palette_extension(typed), saved);
}
