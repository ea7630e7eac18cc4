#include "layout.h"

#include <algorithm>
#include <utility>

#include "rt/runtime_limits.h"

namespace rt {

Point centred(int screenWidth, int screenHeight, int width, int height) {
  return Point{(screenWidth - width) / 2, (screenHeight - height) / 2};
}

int clampExtent(int value) { return std::clamp(value, 0, kMaxExtent); }

std::vector<std::size_t> tabOrder(std::vector<TabEntry> entries) {
  // Equal keys put the later unit first. A window has a handful of stops, so
  // an insertion sort does.
  auto before = [](const TabEntry& a, const TabEntry& b) {
    if (a.tabKey != b.tabKey) return a.tabKey < b.tabKey;
    return a.recordIndex > b.recordIndex;
  };
  for (std::size_t i = 1; i < entries.size(); ++i)
    for (std::size_t j = i; j > 0 && before(entries[j], entries[j - 1]); --j) std::swap(entries[j], entries[j - 1]);
  std::vector<std::size_t> order;
  order.reserve(entries.size());
  for (const TabEntry& e : entries) order.push_back(e.recordIndex);
  return order;
}

int nextTabStop(std::size_t count, int current, bool backward) {
  if (count == 0) return -1;
  const int n = static_cast<int>(count);
  if (current < 0 || current >= n) return backward ? n - 1 : 0;
  return backward ? (current + n - 1) % n : (current + 1) % n;
}

}  // namespace rt
