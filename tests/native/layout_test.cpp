// Window arithmetic of the run time, on the host under the sanitizers.
#include <gtest/gtest.h>

#include <climits>

#include "layout.h"

namespace {

TEST(Layout, CentringTruncatesTowardZero) {
  struct Case {
    int sw, sh, w, h, x, y;
  } cases[] = {
      {1920, 1080, 410, 600, 755, 240}, {1366, 768, 410, 600, 478, 84}, {1024, 768, 410, 600, 307, 84},
      {640, 480, 410, 600, 115, -60},   {400, 599, 410, 600, -5, 0},    {401, 597, 410, 600, -4, -1},
      {0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const rt::Point p = rt::centred(c.sw, c.sh, c.w, c.h);
    EXPECT_EQ(p.x, c.x) << c.sw << "x" << c.sh;
    EXPECT_EQ(p.y, c.y) << c.sw << "x" << c.sh;
  }
}

TEST(Layout, ExtentsAreLimited) {
  const int cases[][2] = {{INT_MIN, 0}, {-1, 0}, {0, 0}, {1000, 1000}, {32627, 32627}, {32628, 32627},
                          {32767, 32627}, {INT_MAX, 32627}};
  for (const auto& c : cases) EXPECT_EQ(rt::clampExtent(c[0]), c[1]) << c[0];
}

TEST(Layout, TabOrderSortsByKeyThenLaterUnitFirst) {
  using V = std::vector<std::size_t>;
  EXPECT_EQ(rt::tabOrder({}), V{});
  EXPECT_EQ(rt::tabOrder({{1, 0}, {2, 0}}), (V{2, 1}));
  EXPECT_EQ(rt::tabOrder({{1, 0}, {2, 0}, {3, 1}}), (V{2, 1, 3}));
  EXPECT_EQ(rt::tabOrder({{1, 2}, {2, 1}, {3, 0}}), (V{3, 2, 1}));
  EXPECT_EQ(rt::tabOrder({{4, -1}, {1, 5}, {2, 5}, {3, -1}}), (V{4, 3, 2, 1}));
}

TEST(Layout, NextTabStopWrapsBothWays) {
  struct Case {
    std::size_t count;
    int current;
    bool backward;
    int next;
  } cases[] = {
      {0, -1, false, -1}, {0, 0, true, -1}, {1, 0, false, 0}, {1, 0, true, 0},  {3, -1, false, 0},
      {3, -1, true, 2},   {3, 0, false, 1}, {3, 2, false, 0}, {3, 0, true, 2},  {3, 1, true, 0},
      {3, 7, false, 0},   {2, 1, false, 0}, {2, 0, true, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(rt::nextTabStop(c.count, c.current, c.backward), c.next) << c.count << " " << c.current;
}

}  // namespace
