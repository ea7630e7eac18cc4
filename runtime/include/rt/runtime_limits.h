#pragma once

namespace rt {

// The largest width or height that a property write applies.
constexpr int kMaxExtent = 32627;

}  // namespace rt
