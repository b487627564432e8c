// The Open dialog's arithmetic: factor scanning, the size label, the component bits and the data
// exchange's integer reading and messages.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "dialogs/open/OpenDlgLogic.h"
#include "hostlib/Resources.h"
#include "resources/ModuleResources.h"

using namespace lib3d::open;

TEST(FactorScan, ReadsLikePercentLgThenAbsolute) {
  EXPECT_EQ(scan_factor("2.7"), 2.7);
  EXPECT_EQ(scan_factor("-3"), 3.0);
  EXPECT_EQ(scan_factor("  +12abc"), 12.0);
  EXPECT_EQ(scan_factor("1e2"), 100.0);
  EXPECT_EQ(scan_factor("0x10"), 16.0);
  EXPECT_EQ(scan_factor(""), 0.0);
  EXPECT_EQ(scan_factor("abc"), 0.0);
  EXPECT_EQ(scan_factor("-"), 0.0);
  EXPECT_EQ(scan_factor("nan"), 0.0);
  EXPECT_TRUE(std::isinf(scan_factor("-inf")));
  EXPECT_GT(scan_factor("-inf"), 0);
}

TEST(FactorScan, WholePartIsClampedToInt) {
  EXPECT_EQ(whole_factor(2.7), 2);
  EXPECT_EQ(whole_factor(0.5), 0);
  EXPECT_EQ(whole_factor(1000.999), 1000);
  EXPECT_EQ(whole_factor(2147483646.9), 2147483646);
  EXPECT_EQ(whole_factor(2147483647.0), INT_MAX);
  EXPECT_EQ(whole_factor(1e300), INT_MAX);
  EXPECT_EQ(whole_factor(INFINITY), INT_MAX);
  EXPECT_EQ(whole_factor(NAN), 0);
}

TEST(Component, FirstSetBitWins) {
  EXPECT_EQ(component_from_flags(0), 0u);
  EXPECT_EQ(component_from_flags(1), 1u);
  EXPECT_EQ(component_from_flags(2), 2u);
  EXPECT_EQ(component_from_flags(4), 3u);
  EXPECT_EQ(component_from_flags(7), 1u);
  EXPECT_EQ(component_from_flags(6), 2u);
  EXPECT_EQ(component_from_flags(8), 0u);  // bits above 2 mean nothing here
  EXPECT_EQ(component_from_flags(0xFFFFFFF8u | 4u), 3u);
}

TEST(SizeLabel, IntegerDivisionAndSpacing) {
  EXPECT_EQ(size_label("Width", "Height", 2000, 1500, 2, 2), "Width: 1000    Height: 750");
  EXPECT_EQ(size_label("Width", "Height", 1000, 600, 3, 4), "Width: 333    Height: 150");
  EXPECT_EQ(size_label("Ширина", "Высота", 7, 7, 1000, 1), "Ширина: 0    Высота: 7");
  EXPECT_EQ(size_label("W", "H", 7, 7, 0, -1), "W: 0    H: 0");
}

TEST(DataExchangeInt, AcceptsOnlyWholeIntegers) {
  int v = -7;
  EXPECT_TRUE(parse_int("12", v));
  EXPECT_EQ(v, 12);
  EXPECT_TRUE(parse_int("  -5 ", v));
  EXPECT_EQ(v, -5);
  EXPECT_TRUE(parse_int("+8", v));
  EXPECT_EQ(v, 8);
  EXPECT_TRUE(parse_int("2147483647", v));
  EXPECT_EQ(v, INT_MAX);
  EXPECT_TRUE(parse_int("-2147483648", v));
  EXPECT_EQ(v, INT_MIN);
  v = 99;
  for (const char* bad : {"", " ", "0.5", "1e3", "12a", "a12", "--1", "+", "2147483648", "-2147483649",
                          "99999999999999999999", "1 2"}) {
    EXPECT_FALSE(parse_int(bad, v)) << bad;
    EXPECT_EQ(v, 99) << bad;
  }
}

TEST(DataExchangeInt, MessagesInBothLanguages) {
  lib3d::link_module_resources();
  SetResourceLanguage(ResourceLanguage::English);
  EXPECT_EQ(integer_message(), "Please enter an integer.");
  EXPECT_EQ(integer_range_message(1, 1000), "Please enter an integer between 1 and 1000.");
  EXPECT_EQ(GetResourceString(2797), "Width");
  EXPECT_EQ(GetResourceString(2798), "Height");
  SetResourceLanguage(ResourceLanguage::Russian);
  EXPECT_EQ(integer_message(), "Введите целое число.");
  EXPECT_EQ(integer_range_message(1, 1000), "Введите целое число от 1 до 1000.");
  EXPECT_EQ(GetResourceString(2797), "Ширина");
  EXPECT_EQ(GetResourceString(2798), "Высота");
  SetResourceLanguage(ResourceLanguage::English);
}
