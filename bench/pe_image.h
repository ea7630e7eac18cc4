// What the benchmark reads from an executable file without running it: its
// size and the DLLs the loader must find for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct ImageFacts {
  bool readable = false;
  std::string problem;  // why the file could not be read, when it could not
  std::uint64_t bytes = 0;
  std::vector<std::string> imports;  // lower case, in table order; delay-loaded ones too
};

// Reads PE32 (x86) and PE32+ (x64) images alike.
ImageFacts readImage(const std::wstring& path);

}  // namespace bench
