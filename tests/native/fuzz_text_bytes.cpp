// libFuzzer target over the byte-level text routines. Each text lives in a
// heap block of its exact size, so a read past a terminator is an
// AddressSanitizer report; the answers are also checked against what must
// hold for any input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "text_bytes.h"

namespace {

std::unique_ptr<char[]> exactCopy(const std::string& text) {
  const std::size_t length = std::strlen(text.c_str());  // up to an embedded zero
  auto bytes = std::make_unique<char[]>(length + 1);
  std::memcpy(bytes.get(), text.c_str(), length);
  bytes[length] = '\0';
  return bytes;
}

void check(bool condition) {
  if (!condition) std::abort();
}

int sign(int n) { return (n > 0) - (n < 0); }

unsigned char folded(unsigned char b) { return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b; }

// The quote-marker rule written out a second way.
std::string replacedSlowly(const std::string& pattern) {
  const std::string marker(kQuoteMarker);
  std::string out;
  std::size_t i = 0;
  while (i < pattern.size()) {
    if (pattern.size() - i < marker.size()) {
      out += pattern.substr(i);
      break;
    }
    if (pattern.compare(i, marker.size(), marker) == 0) {
      out += '"';
      i += marker.size();
    } else {
      const std::size_t step = static_cast<unsigned char>(pattern[i]) >= 0x80 ? 2 : 1;
      out += pattern.substr(i, step);
      i += step;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool ignoreCase = in.ConsumeBool();
  const int start = in.ConsumeIntegral<int>();
  const std::string firstText = in.ConsumeRandomLengthString(256);
  const std::string secondText = in.ConsumeRandomLengthString(64);
  const auto text = exactCopy(firstText);
  const auto sought = exactCopy(secondText);
  const std::size_t length = std::strlen(text.get());
  const std::size_t soughtLength = std::strlen(sought.get());

  const int c = compareText(text.get(), sought.get());
  check(c >= -1 && c <= 1);
  check(c == sign(std::strcmp(text.get(), sought.get())));  // strcmp compares unsigned bytes too
  check(compareText(sought.get(), text.get()) == -c);

  const std::string replaced = replaceQuoteMarkers(text.get());
  check(replaced == replacedSlowly(text.get()));
  check(replaced.size() <= length);

  const int found = findText(text.get(), sought.get(), start, ignoreCase);
  const long long from = start < 1 ? 1 : start;
  if (soughtLength == 0) {
    check(found == (from <= static_cast<long long>(length) ? 1 : kNotFound));
  } else if (found != kNotFound) {
    check(found >= from && static_cast<std::size_t>(found) - 1 + soughtLength <= length);
    for (std::size_t i = 0; i < soughtLength; ++i) {
      const auto a = static_cast<unsigned char>(text[static_cast<std::size_t>(found) - 1 + i]);
      const auto b = static_cast<unsigned char>(sought[i]);
      check(ignoreCase ? folded(a) == folded(b) : a == b);
    }
  }
  // Stepping depends on the text alone, so a case-blind search finds an exact
  // occurrence no later than the exact search does.
  const int exact = findText(text.get(), sought.get(), start, false);
  const int blind = findText(text.get(), sought.get(), start, true);
  if (exact != kNotFound) check(blind != kNotFound && blind <= exact);

  check(matchOffset(text.get(), sought.get(), start, ignoreCase ? "-1" : "0") == found - 1);
  return 0;
}
