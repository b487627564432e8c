#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "dialogs/tools/ToolHelpers.h"

TEST(ToolHelpPath, QuotesAndAsterisksAreDroppedAndTopicFollowsTheLanguage) {
  // {program directory as the command line gives it, book directory}: a quoted program path leaves
  // a leading quote in the directory part.
  const std::pair<const char*, std::string> rows[] = {
      {"/opt/host", "/opt/host"}, {"\"/opt/My Host", "/opt/My Host"}, {"/a*b\"c", "/abc"}, {"", ""}};
  for (const auto& [given, dir] : rows)
    EXPECT_EQ(tools::MakeHelpPath(given), dir + "/On-line Help/Zovire3DUvezIra.zez") << given;
  EXPECT_EQ(tools::MakeToolsHelpAddress("/h/x.zez", "Rus"), "/h/x.zez::/Rus/PanelTools.htm");
}

TEST(ToolColors, CustomSlotsCycleAndACorruptedIndexRestartsAtTheFirst) {
  std::uint32_t slots[tools::kCustomColorCount] = {};
  int next = 15;
  tools::PushCustomColor(slots, next, 0x0000FF);
  EXPECT_EQ(slots[15], 0x0000FFu);
  EXPECT_EQ(next, 0);
  // Out-of-range indexes write slot 0, never outside the array.
  for (int bad : {16, -3}) {
    next = bad;
    tools::PushCustomColor(slots, next, 0x111111u + bad);
    EXPECT_EQ(slots[0], 0x111111u + bad) << bad;
    EXPECT_EQ(next, 1) << bad;
  }
}
