#include <gtest/gtest.h>

#include <fnmatch.h>

#include <clocale>

#include <cstdlib>
#include <set>
#include <sstream>
#include <fstream>
#include <string>

#include "host/common/HostStrings.h"
#include "hostlib/Controls.h"
#include "hostlib/HostLayout.h"
#include "hostlib/Paths.h"
#include "hostlib/ProcessLocale.h"
#include "hostlib/Resources.h"
#include "tests/support/RasterFixtures.h"

namespace {

// Points the configuration directory at a fresh temporary directory for one test.
class ConfigHome {
public:
  ConfigHome() {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) old_ = old, had_ = true;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  ~ConfigHome() {
    if (had_) setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }
  std::string file() const { return dir_.path() + "/relief3d/lastdirs"; }

private:
  r3dtest::TempDir dir_;
  std::string old_;
  bool had_ = false;
};

struct LanguageGuard {
  ResourceLanguage old = GetResourceLanguage();
  ~LanguageGuard() { SetResourceLanguage(old); }
};

}  // namespace

TEST(Paths, FilePathWithoutName) {
  EXPECT_EQ(GetFilePathWOName("\"/opt/relief 3d/bin/relief3d-host\" --lang=ru"), "\"/opt/relief 3d/bin");
  EXPECT_EQ(GetFilePathWOName("/opt/bin/host --plugins /x/y"), "/opt/bin");
  EXPECT_EQ(GetFilePathWOName("\"C:\\Program Files\\Host\\host.exe\" /a/b"), "\"C:\\Program Files\\Host");
  EXPECT_EQ(GetFilePathWOName("C:\\tools/mixed\\host.exe"), "C:\\tools/mixed");
  EXPECT_EQ(GetFilePathWOName("host --dir /tmp/x"), "");
  EXPECT_EQ(GetFilePathWOName("\"host\" /tmp/x"), "");
  EXPECT_EQ(GetFilePathWOName("\"/unterminated/dir/host"), "\"/unterminated/dir");
  EXPECT_EQ(GetFilePathWOName(""), "");
  EXPECT_EQ(GetFilePathWOName(nullptr), "");
}

TEST(Paths, ProcessCommandLine) {
  const std::string self = GetProcessCommandLine();
  ASSERT_GE(self.size(), 3u);
  EXPECT_EQ(self.front(), '"');
  EXPECT_EQ(self.back(), '"');
  EXPECT_NE(IsFileExist(self.substr(1, self.size() - 2).c_str()), 0);
  // The help path is built from it: the directory is where the executable lives.
  const std::string dir = GetFilePathWOName(self.c_str());
  EXPECT_EQ(dir, self.substr(0, self.rfind('/')));

  SetProcessCommandLine("\"/x/y/host\" --lang=ru");
  EXPECT_STREQ(GetProcessCommandLine(), "\"/x/y/host\" --lang=ru");
  SetProcessCommandLine(nullptr);
  EXPECT_EQ(GetProcessCommandLine(), self);
}

// An installed tree is told by its lib/relief3d/plugins folder; anything else is a build tree.
TEST(Paths, HostLayoutFromTheExecutableDirectory) {
  static std::set<std::string> dirs;
  dirs = {"/usr/lib/relief3d/plugins", "/usr/share/relief3d/data", "/opt/r3d/lib/relief3d/plugins",
          "/src/build/lib/relief3d"};
  const auto isDir = [](const std::string& d) { return dirs.count(d) > 0; };
  const struct {
    const char* exeDir;
    const char *plugins, *share, *samples;
  } cases[] = {
      {"/usr/bin", "/usr/lib/relief3d/plugins", "/usr/share/relief3d", "/usr/share/relief3d/data"},
      {"/opt/r3d/bin/", "/opt/r3d/lib/relief3d/plugins", "/opt/r3d/share/relief3d", ""},
      {"/src/build/bin", "/src/build/bin/plugins", "/src/build/bin", ""},  // no plugins folder: build tree
      {"/home/u/sbin", "/home/u/sbin/plugins", "/home/u/sbin", ""},
  };
  for (const auto& c : cases) {
    const HostLayout l = ResolveHostLayout(c.exeDir, isDir);
    EXPECT_EQ(l.pluginDir, c.plugins) << c.exeDir;
    EXPECT_EQ(l.shareDir, c.share) << c.exeDir;
    EXPECT_EQ(l.sampleDir, c.samples) << c.exeDir;
  }
}

// The file chooser's filter, matched the way GTK matches it (shell patterns, case as written).
TEST(Paths, RasterFilterTakesDemsInEitherCase) {
  std::istringstream list(RasterFilePatterns());
  std::vector<std::string> patterns;
  for (std::string p; std::getline(list, p, ';');) patterns.push_back(p);
  const auto matches = [&](const char* name) {
    for (const std::string& p : patterns)
      if (fnmatch(p.c_str(), name, 0) == 0) return true;
    return false;
  };
  for (const char* name : {"dem.tif", "DEM.TIF", "cog.Tiff", "N45E006.HGT", "mosaic.vrt", "grid.ASC", "srtm.bil",
                           "erdas.img", "era5.nc", "ortho.JP2"})
    EXPECT_TRUE(matches(name)) << name;
  for (const char* name : {"notes.txt", "dem.tif.aux.xml", "tif", "dem.tifx"}) EXPECT_FALSE(matches(name)) << name;
}

TEST(Paths, IsFileExist) {
  r3dtest::TempDir d;
  ASSERT_TRUE(r3dtest::WriteTextFile(d.file("a.txt"), "x"));
  EXPECT_NE(IsFileExist(d.file("a.txt").c_str()), 0);
  EXPECT_EQ(IsFileExist(d.file("b.txt").c_str()), 0);
  EXPECT_EQ(IsFileExist(d.path().c_str()), 0);
  EXPECT_EQ(IsFileExist(""), 0);
  EXPECT_EQ(IsFileExist(nullptr), 0);
}

TEST(LastDir, RememberedPerKeyAcrossLoads) {
  ConfigHome home;
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), "");
  SetLastDir("/data/palettes", "\\Viewer\\Palette");
  SetLastDir("/data/reliefs", "\\Viewer");
  SetLastDir("/odd\tdir\nwith \\ marks", "\\Processing");
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), "/data/palettes");
  EXPECT_EQ(GetLastDir("\\Viewer"), "/data/reliefs");
  EXPECT_EQ(GetLastDir("\\Processing"), "/odd\tdir\nwith \\ marks");
  SetLastDir("/data/other", "\\Viewer");
  EXPECT_EQ(GetLastDir("\\Viewer"), "/data/other");
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), "/data/palettes");
  EXPECT_EQ(GetLastDir("\\Unknown"), "");
  EXPECT_EQ(GetLastDir(nullptr), "");
  SetLastDir(nullptr, "\\Viewer");  // ignored
  EXPECT_EQ(GetLastDir("\\Viewer"), "/data/other");
  // Stored as a file, so a later process sees it.
  std::ifstream in(home.file());
  EXPECT_TRUE(in.good());
}

TEST(LastDir, CorruptFileGivesEmptyAndIsReplaced) {
  ConfigHome home;
  SetLastDir("/a", "\\Viewer");
  for (const char* junk : {"garbage\n", "relief3d-lastdirs 1\n\\Viewer\n", "relief3d-lastdirs 1\n\\Viewer\t/a\\q\n",
                           "", "\x01\x02\xff\xfe"}) {
    ASSERT_TRUE(r3dtest::WriteTextFile(home.file(), junk));
    EXPECT_EQ(GetLastDir("\\Viewer"), "") << junk;
  }
  SetLastDir("/b", "\\Processing");
  EXPECT_EQ(GetLastDir("\\Processing"), "/b");
}

TEST(Resources, HostStringsInBothLanguages) {
  LanguageGuard guard;
  const int ids[] = {317, 269, 270, 271, 272, 296, 308, 309, 310, 273};
  SetResourceLanguage(ResourceLanguage::English);
  std::string english[10];
  for (int i = 0; i < 10; ++i) {
    english[i] = GetResourceString(ids[i]);
    EXPECT_FALSE(english[i].empty()) << ids[i];
    EXPECT_TRUE(HasResourceString(ids[i]));
  }
  EXPECT_EQ(english[0], "Grey");
  SetResourceLanguage(ResourceLanguage::Russian);
  for (int i = 0; i < 10; ++i) {
    const std::string ru = GetResourceString(ids[i]);
    EXPECT_NE(ru, english[i]) << ids[i];
    // Cyrillic letters are two-byte UTF-8 sequences starting with 0xD0 or 0xD1.
    EXPECT_TRUE(ru.find('\xD0') != std::string::npos || ru.find('\xD1') != std::string::npos) << ids[i];
  }
  EXPECT_EQ(GetResourceString(274), "");
  EXPECT_FALSE(HasResourceString(274));
}

TEST(Resources, ChainSearchesLatestModuleFirst) {
  LanguageGuard guard;
  SetResourceLanguage(ResourceLanguage::English);
  static const ResourceString a[] = {{269, "A-override", "А-замена"}, {5000, "A only", nullptr}};
  static const ResourceString b[] = {{5000, "B wins", "Б"}};
  static const ResourceString* const ta[] = {a};
  static const ResourceString* const tb[] = {b};
  static const std::size_t sa[] = {2}, sb[] = {1};
  ResourceModule ma, mb;
  ma.tables = ta, ma.tableSizes = sa, ma.tableCount = 1;
  mb.tables = tb, mb.tableSizes = sb, mb.tableCount = 1;
  mb.loadBitmap = [](int id, int size) { return id == 77 ? wxBitmap(size, size) : wxBitmap(); };

  const std::string hostText = GetResourceString(269);
  LinkResourceModule(&ma);
  EXPECT_EQ(GetResourceString(269), "A-override");
  EXPECT_EQ(GetResourceString(5000), "A only");
  LinkResourceModule(&mb);
  EXPECT_EQ(GetResourceString(5000), "B wins");
  SetResourceLanguage(ResourceLanguage::Russian);
  EXPECT_EQ(GetResourceString(5000), "Б");
  EXPECT_EQ(GetResourceString(269), "А-замена");
  SetResourceLanguage(ResourceLanguage::English);
  // Linking again moves a module to the front.
  LinkResourceModule(&ma);
  EXPECT_EQ(GetResourceString(5000), "A only");
  SetResourceLanguage(ResourceLanguage::Russian);
  EXPECT_EQ(GetResourceString(5000), "");  // A has no Russian text: not B's
  SetResourceLanguage(ResourceLanguage::English);
  UnlinkResourceModule(&ma);
  EXPECT_EQ(GetResourceString(5000), "B wins");
  EXPECT_EQ(GetResourceString(269), hostText);
  UnlinkResourceModule(&mb);
  EXPECT_FALSE(HasResourceString(5000));
  UnlinkResourceModule(&mb);  // twice: harmless
  EXPECT_EQ(GetResourceString(269), hostText);
}

// The C library follows the interface language (GTK's dialogs translate through it); numbers never do.
TEST(Resources, ProcessLocaleFollowsTheLanguage) {
  if (!SetProcessLanguage(ResourceLanguage::Russian)) GTEST_SKIP() << "no Russian locale installed";
  EXPECT_EQ(std::string(std::setlocale(LC_MESSAGES, nullptr)).substr(0, 2), "ru");
  EXPECT_STREQ(std::getenv("LANGUAGE"), "ru");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_STREQ(text, "1.5");
  EXPECT_TRUE(SetProcessLanguage(ResourceLanguage::English));
  EXPECT_STREQ(std::getenv("LANGUAGE"), "en");  // under the Russian locale, English must be asked for
  std::setlocale(LC_ALL, "C");
  unsetenv("LANGUAGE");
}
