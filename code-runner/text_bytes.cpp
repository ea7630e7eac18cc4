#include "text_bytes.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

unsigned char byteAt(const char* text, std::size_t index) { return static_cast<unsigned char>(text[index]); }

bool isLeadByte(unsigned char byte) { return byte >= 0x80; }

unsigned char folded(unsigned char byte) {
  return (byte >= 0x41 && byte <= 0x5A) ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool sameBytes(const char* at, const char* sought, std::size_t length, bool ignoreCase) {
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char a = byteAt(at, i);
    unsigned char b = byteAt(sought, i);
    if (ignoreCase) {
      a = folded(a);
      b = folded(b);
    }
    if (a != b) return false;
  }
  return true;
}

}  // namespace

int compareText(const char* a, const char* b) {
  a = orEmpty(a);
  b = orEmpty(b);
  for (std::size_t i = 0;; ++i) {
    const unsigned char x = byteAt(a, i);
    const unsigned char y = byteAt(b, i);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

std::string replaceQuoteMarkers(const char* pattern) {
  pattern = orEmpty(pattern);
  constexpr std::size_t markerLength = sizeof(kQuoteMarker) - 1;
  const std::size_t length = std::strlen(pattern);
  std::string out;
  out.reserve(length);
  std::size_t i = 0;
  // With at least markerLength bytes left, a lead byte always has its second
  // byte inside the string, so taking both never runs past the terminator.
  while (length - i >= markerLength) {
    if (std::memcmp(pattern + i, kQuoteMarker, markerLength) == 0) {
      out.push_back('"');
      i += markerLength;
    } else {
      const std::size_t step = isLeadByte(byteAt(pattern, i)) ? 2 : 1;
      out.append(pattern + i, step);
      i += step;
    }
  }
  out.append(pattern + i, length - i);
  return out;
}

int findText(const char* text, const char* sought, int start, bool ignoreCase) {
  text = orEmpty(text);
  sought = orEmpty(sought);
  const std::size_t length = std::strlen(text);
  const std::size_t soughtLength = std::strlen(sought);
  // Positions are only answered while they fit the int result.
  if (length >= static_cast<std::size_t>(INT_MAX)) return kNotFound;
  std::size_t at = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;  // 0-based from here on
  if (at >= length) return kNotFound;
  if (soughtLength == 0) return 1;
  for (;;) {
    if (length - at < soughtLength) return kNotFound;
    if (sameBytes(text + at, sought, soughtLength, ignoreCase)) return static_cast<int>(at + 1);
    if (isLeadByte(byteAt(text, at))) {
      if (byteAt(text, at + 1) == 0) return kNotFound;
      at += 2;
    } else {
      at += 1;
    }
  }
}

int truncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(value);
}

int matchOffset(const char* searched, const char* matchText, int firstIndex, const char* ignoreCaseText) {
  const bool ignoreCase = compareText(ignoreCaseText, "0") != 0;
  // Not found (-1) becomes -2 by the same subtraction.
  return findText(searched, matchText, firstIndex, ignoreCase) - 1;
}
