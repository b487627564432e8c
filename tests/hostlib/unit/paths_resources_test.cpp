#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <set>

#include "host/common/HostStrings.h"
#include "hostlib/RenderOptions.h"
#include "hostlib/Controls.h"
#include "hostlib/HostLayout.h"
#include "hostlib/Paths.h"
#include "hostlib/ProcessLocale.h"
#include "hostlib/Resources.h"
#include "hostlib/Settings.h"
#include "tests/support/RasterFixtures.h"

namespace {

// Points the configuration directory at a fresh temporary directory for one test.
struct ConfigHome : r3dtest::TempDir {
  ConfigHome() { setenv("XDG_CONFIG_HOME", path().c_str(), 1); }
  ~ConfigHome() { unsetenv("XDG_CONFIG_HOME"); }
  std::string config(const char* name) const {
    std::filesystem::create_directories(file("relief3d"));
    return file("relief3d/") + name;
  }
};

struct LanguageGuard {
  ResourceLanguage old = GetResourceLanguage();
  ~LanguageGuard() { SetResourceLanguage(old); }
};

}  // namespace

// The executable's directory from a command line: quoted or not, either slash, never an argument.
TEST(Paths, CommandLineDirectoryAndFileExistence) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"/opt/relief 3d/bin/relief3d-host\" --lang=ru", "\"/opt/relief 3d/bin"},
      {"/opt/bin/host --plugins /x/y", "/opt/bin"}, {"C:\\tools/mixed\\host.exe", "C:\\tools/mixed"},
      {"\"C:\\Program Files\\Host\\host.exe\" /a/b", "\"C:\\Program Files\\Host"}, {"host --dir /tmp/x", ""},
      {"\"host\" /tmp/x", ""}, {"\"/unterminated/dir/host", "\"/unterminated/dir"}, {"", ""}, {nullptr, ""}};
  for (const auto& [line, dir] : cases) EXPECT_EQ(GetFilePathWOName(line), dir) << (line ? line : "null");

  // The process's own command line names this executable, quoted; an override holds until reset.
  // Only regular files exist for IsFileExist.
  const std::string self = GetProcessCommandLine();
  ASSERT_GE(self.size(), 3u);
  EXPECT_EQ(self.front() + std::string(1, self.back()), "\"\"");
  EXPECT_NE(IsFileExist(self.substr(1, self.size() - 2).c_str()), 0);
  for (const char* no : {"/no/such/file", "/", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(IsFileExist(no), 0) << (no ? no : "null");
  EXPECT_EQ(GetFilePathWOName(self.c_str()), self.substr(0, self.rfind('/')));
  SetProcessCommandLine("\"/x/y/host\" --lang=ru");
  EXPECT_STREQ(GetProcessCommandLine(), "\"/x/y/host\" --lang=ru");
  SetProcessCommandLine(nullptr);
  EXPECT_EQ(GetProcessCommandLine(), self);
}

// An installed tree is told by its lib/relief3d/plugins folder; anything else is a build tree.
TEST(Paths, HostLayoutFromTheExecutableDirectory) {
  static const std::set<std::string> dirs = {"/usr/lib/relief3d/plugins", "/usr/share/relief3d/data",
                                             "/opt/r3d/lib/relief3d/plugins", "/src/build/lib/relief3d"};
  // Executable directory -> plug-ins | shared files | samples.
  for (const auto& [exeDir, want] : {std::pair<const char*, const char*>{
           "/usr/bin", "/usr/lib/relief3d/plugins|/usr/share/relief3d|/usr/share/relief3d/data"},
           {"/opt/r3d/bin/", "/opt/r3d/lib/relief3d/plugins|/opt/r3d/share/relief3d|"},
           {"/src/build/bin", "/src/build/bin/plugins|/src/build/bin|"},
           {"/home/u/sbin", "/home/u/sbin/plugins|/home/u/sbin|"}}) {
    const HostLayout l = ResolveHostLayout(exeDir, [](const std::string& d) { return dirs.count(d) > 0; });
    EXPECT_EQ(l.pluginDir + "|" + l.shareDir + "|" + l.sampleDir, want);
  }
}

// Last directories are kept per key in a file, so a later process sees them; any directory text
// survives; a corrupt file reads as empty and is replaced by the next write.
TEST(ConfigFiles, LastDirsPerKeyAndSettingsAsWrittenByHand) {
  ConfigHome home;
  EXPECT_EQ(GetLastDir("\\Viewer\\Palette"), "");
  EXPECT_EQ("on", GetSetting("coarse-drags", "on"));  // no file yet
  for (const auto& [dir, key] : {std::pair<const char*, const char*>{"/data/palettes", "\\Viewer\\Palette"},
                                 {"/data/reliefs", "\\Viewer"}, {"/odd\tdir\nwith \\ marks", "\\Processing"},
                                 {"/data/other", "\\Viewer"}, {nullptr, "\\Viewer"}})  // the last one ignored
    SetLastDir(dir, key);
  EXPECT_TRUE(std::filesystem::exists(home.config("lastdirs")));
  for (const auto& [key, dir] : {std::pair<const char*, const char*>{"\\Viewer\\Palette", "/data/palettes"},
                                 {"\\Viewer", "/data/other"}, {"\\Processing", "/odd\tdir\nwith \\ marks"},
                                 {"\\Unknown", ""}, {nullptr, ""}})
    EXPECT_EQ(GetLastDir(key), dir) << (key ? key : "null");
  for (const char* junk : {"garbage\n", "relief3d-lastdirs 1\n\\Viewer\n", "relief3d-lastdirs 1\n\\Viewer\t/a\\q\n",
                           "", "\x01\x02\xff\xfe"}) {
    ASSERT_TRUE(r3dtest::WriteTextFile(home.config("lastdirs"), junk));
    EXPECT_EQ(GetLastDir("\\Viewer"), "") << junk;
  }
  SetLastDir("/b", "\\Processing");
  EXPECT_EQ(GetLastDir("\\Processing"), "/b");

  // The user's settings file: keys as written by hand, the last line winning, and the words that
  // switch a setting off.
  const char* text = "# comments and blank lines\n\n  coarse-drags =  Off \r\nother=1\ncoarse-drags-x = no\n"
                     "broken line\ncolour = a = b\n";
  for (const auto& [key, want] : {std::pair<const char*, const char*>{"coarse-drags", "Off"}, {"other", "1"},
                                  {"colour", "a = b"}, {"missing", "dflt"}, {"broken line", "dflt"},
                                  {"# comments and blank lines", "dflt"}})
    EXPECT_EQ(want, FindSetting(text, key, "dflt")) << key;
  EXPECT_EQ("2", FindSetting("k = 1\nk = 2\n", "k", ""));
  for (const char* off : {"off", "OFF", "no", "False", "0"}) EXPECT_TRUE(SettingIsOff(off)) << off;
  for (const char* on : {"on", "yes", "1", "", "offf"}) EXPECT_FALSE(SettingIsOff(on)) << on;
  ASSERT_TRUE(r3dtest::WriteTextFile(home.config("settings"), "coarse-drags = off\n"));
  EXPECT_EQ("off", GetSetting("coarse-drags", "on"));
}

// Every host string, shared with modules or private, has an English and a different, Cyrillic
// Russian text.
TEST(Resources, HostStringsInBothLanguagesAndModulesBeforeThem) {
  LanguageGuard guard;
  for (int id = hoststr::kBrowse; id <= hoststr::kPathHint; ++id) {
    if (id == hoststr::kSizeFormat) continue;  // "%d x %d" has no words to translate
    SetResourceLanguage(ResourceLanguage::English);
    const std::string en = GetResourceString(id);
    SetResourceLanguage(ResourceLanguage::Russian);
    const std::string ru = GetResourceString(id);
    const bool cyrillic = ru.find_first_of("\xD0\xD1") != std::string::npos;
    EXPECT_TRUE(HasResourceString(id) && !en.empty() && ru != en && cyrillic) << id;
  }
  // The command line takes the base palettes by the names the palette dialog lists.
  SetResourceLanguage(ResourceLanguage::English);
  int k = 0;
  for (int id : {317, 269, 270, 271, 272, 296, 308, 309, 310}) EXPECT_EQ(lib3d::base_palette_index(GetResourceString(id)), k++);

  // Modules are searched latest-linked first, per language (a module without a text in the current
  // language hides the others' text); relinking moves a module to the front; unlinking is idempotent.
  SetResourceLanguage(ResourceLanguage::English);
  static const ResourceString a[] = {{269, "A-override", "А-замена"}, {5000, "A only", nullptr}};
  static const ResourceString b[] = {{5000, "B wins", "Б"}};
  static const ResourceString *const ta[] = {a}, *const tb[] = {b};
  static const std::size_t sa[] = {2}, sb[] = {1};
  ResourceModule ma{"a", ta, sa, 1}, mb{"b", tb, sb, 1};
  const std::string hostText = GetResourceString(269);
  const auto texts = [](ResourceLanguage lang) {
    SetResourceLanguage(lang);
    return GetResourceString(269) + "|" + GetResourceString(5000);
  };
  // Each step links (+) or unlinks (-) a module, then the English and Russian texts are read.
  const struct { char op; ResourceModule* module; std::string en, ru; } steps[] = {
      {'+', &ma, "A-override|A only", "А-замена|"},     {'+', &mb, "A-override|B wins", "А-замена|Б"},
      {'+', &ma, "A-override|A only", "А-замена|"},     {'-', &ma, hostText + "|B wins", ""},
      {'-', &mb, hostText + "|", ""},                    {'-', &mb, hostText + "|", ""}};
  for (const auto& s : steps) {
    if (s.op == '+') LinkResourceModule(s.module);
    else UnlinkResourceModule(s.module);
    EXPECT_EQ(texts(ResourceLanguage::English), s.en) << &s - steps;
    EXPECT_TRUE(s.ru.empty() || texts(ResourceLanguage::Russian) == s.ru) << &s - steps;
  }
  EXPECT_FALSE(HasResourceString(5000));
}

// The C library follows the interface language (GTK's dialogs translate through it); numbers never do.
TEST(Resources, ProcessLocaleFollowsTheLanguage) {
  ASSERT_TRUE(SetProcessLanguage(ResourceLanguage::Russian)) << "no Russian locale (scripts/setup.sh generates it)";
  EXPECT_EQ(std::string(std::setlocale(LC_MESSAGES, nullptr)).substr(0, 2), "ru");
  EXPECT_STREQ(std::getenv("LANGUAGE"), "ru");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  EXPECT_TRUE(SetProcessLanguage(ResourceLanguage::English));
  EXPECT_STREQ(std::getenv("LANGUAGE"), "en");  // under the Russian locale, English must be asked for
  std::setlocale(LC_ALL, "C");
  unsetenv("LANGUAGE");
}
