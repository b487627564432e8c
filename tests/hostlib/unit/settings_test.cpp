// The user's settings file: lookups by key and the words that switch a setting off.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "hostlib/Settings.h"
#include "tests/support/RasterFixtures.h"

TEST(Settings, KeysAreFoundAsWrittenByHand) {
  const char* text = "# comments and blank lines\n\n  coarse-drags =  Off \r\nother=1\ncoarse-drags-x = no\n"
                     "broken line\ncolour = a = b\n";
  struct Case {
    const char* key;
    const char* want;
  };
  for (const Case& c : {Case{"coarse-drags", "Off"}, Case{"other", "1"}, Case{"colour", "a = b"},
                        Case{"missing", "dflt"}, Case{"broken line", "dflt"}, Case{"# comments and blank lines", "dflt"}})
    EXPECT_EQ(c.want, FindSetting(text, c.key, "dflt")) << c.key;
  EXPECT_EQ("2", FindSetting("k = 1\nk = 2\n", "k", ""));  // the last line wins

  for (const char* off : {"off", "OFF", "no", "False", "0"}) EXPECT_TRUE(SettingIsOff(off)) << off;
  for (const char* on : {"on", "yes", "1", "", "offf"}) EXPECT_FALSE(SettingIsOff(on)) << on;
}

TEST(Settings, ReadFromTheUsersConfigDirectory) {
  r3dtest::TempDir dir;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  EXPECT_EQ("on", GetSetting("coarse-drags", "on"));  // no file yet
  std::filesystem::create_directory(dir.file("relief3d"));
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("relief3d/settings"), "coarse-drags = off\n"));
  EXPECT_EQ("off", GetSetting("coarse-drags", "on"));
  if (old) setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}
