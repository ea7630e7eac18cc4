// Window arithmetic that needs no Windows headers, so it also builds natively.
#pragma once

#include <cstddef>
#include <vector>

namespace rt {

struct Point {
  int x, y;
};

// Top-left corner that centres an outer size on a screen; negative when the
// screen is smaller. Division truncates toward zero.
Point centred(int screenWidth, int screenHeight, int width, int height);

// A written width or height, limited to what the run time applies.
int clampExtent(int value);

struct TabEntry {
  std::size_t recordIndex;  // position of the unit in the window record
  int tabKey;
};

// Tab order: ascending tab key; among equal keys the later unit comes first.
std::vector<std::size_t> tabOrder(std::vector<TabEntry> entries);

// The next stop from `current` (an index into `order`, or -1 when the focus is
// on none of them), forward or backward, wrapping around. -1 when empty.
int nextTabStop(std::size_t count, int current, bool backward);

}  // namespace rt
