// The Open dialog's arithmetic: factor scanning, the size label, the component bits and the data
// exchange's integer reading.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "dialogs/open/OpenDlgLogic.h"

using namespace lib3d::open;

// Typed text reads like %lg, then its absolute value; the whole part is clamped to int. Of the
// dialog's flags the first set bit names the component; bits above 2 mean nothing. The data exchange
// reads only whole integers in int's range (a refused text leaves the value).
TEST(OpenLogic, FactorsComponentsAndIntegersAtTheirEdges) {
  const std::pair<const char*, double> scans[] = {{"-3", 3}, {"  +12abc", 12}, {"0x10", 16}, {"-", 0}, {"nan", 0}, {"-inf", INFINITY}};
  for (const auto& [text, value] : scans) EXPECT_EQ(scan_factor(text), value) << text;
  const std::pair<double, int> wholes[] = {{2147483646.9, 2147483646}, {2147483647.0, INT_MAX}, {INFINITY, INT_MAX}, {NAN, 0}};
  for (const auto& [value, whole] : wholes) EXPECT_EQ(whole_factor(value), whole) << value;
  const std::pair<unsigned, unsigned> flags[] = {{0, 0}, {1, 1}, {2, 2}, {4, 3}, {7, 1}, {6, 2}, {8, 0}, {0xFFFFFFFCu, 3}};
  for (const auto& [bits, component] : flags) EXPECT_EQ(component_from_flags(bits), component) << bits;
  EXPECT_EQ(size_label("W", "H", 7, 7, 0, -1), "W: 0    H: 0");
  const std::pair<const char*, int> good[] = {{"12", 12}, {"  -5 ", -5}, {"+8", 8}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}};
  for (const auto& [text, value] : good) {
    int v = -7;
    EXPECT_TRUE(parse_int(text, v) && v == value) << text;
  }
  for (const char* bad : {"", " ", "0.5", "1e3", "12a", "a12", "--1", "+", "2147483648", "-2147483649", "1 2"}) {
    int v = 99;
    EXPECT_FALSE(parse_int(bad, v) || v != 99) << bad;
  }
}
