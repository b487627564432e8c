#include <gtest/gtest.h>

#include "dialogs/tools/ToolHelpers.h"

TEST(ToolHelpPath, QuotesAndAsterisksAreDropped) {
  EXPECT_EQ(tools::MakeHelpPath("/opt/host"), "/opt/host/On-line Help/Zovire3DUvezIra.zez");
  // A quoted program path leaves a leading quote in the directory part.
  EXPECT_EQ(tools::MakeHelpPath("\"/opt/My Host"), "/opt/My Host/On-line Help/Zovire3DUvezIra.zez");
  EXPECT_EQ(tools::MakeHelpPath("/a*b\"c"), "/abc/On-line Help/Zovire3DUvezIra.zez");
  EXPECT_EQ(tools::MakeHelpPath(""), "/On-line Help/Zovire3DUvezIra.zez");
}

TEST(ToolHelpPath, TopicAddress) {
  EXPECT_EQ(tools::MakeToolsHelpAddress("/h/x.zez", "Eng"), "/h/x.zez::/Eng/PanelTools.htm");
  EXPECT_EQ(tools::MakeToolsHelpAddress("/h/x.zez", "Rus"), "/h/x.zez::/Rus/PanelTools.htm");
}

TEST(ToolColors, CustomSlotsCycleOverSixteen) {
  std::uint32_t slots[tools::kCustomColorCount];
  for (auto& c : slots) c = 0xFFFFFF;
  int next = 0;
  for (int i = 0; i < 16; ++i) tools::PushCustomColor(slots, next, 0x7F7F7F);
  for (auto c : slots) EXPECT_EQ(c, 0x7F7F7Fu);
  EXPECT_EQ(next, 0);
  // The seventeenth push overwrites the first slot again and only it.
  tools::PushCustomColor(slots, next, 0x0000FF);
  EXPECT_EQ(slots[0], 0x0000FFu);
  EXPECT_EQ(slots[1], 0x7F7F7Fu);
  EXPECT_EQ(slots[15], 0x7F7F7Fu);
  EXPECT_EQ(next, 1);
  // A corrupted index restarts at slot 0 instead of writing outside the array.
  next = 16;
  tools::PushCustomColor(slots, next, 0x00FF00);
  EXPECT_EQ(slots[0], 0x00FF00u);
  next = -3;
  tools::PushCustomColor(slots, next, 0x111111);
  EXPECT_EQ(slots[0], 0x111111u);
  EXPECT_EQ(next, 1);
}
