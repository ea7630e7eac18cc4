#include "case_fold.h"

#include <cstdint>
#include <vector>

namespace regex_engine {
namespace {

// Runs of letter pairs where one case sits on the even code point and the
// other on the following odd one, or the other way round.
char16_t upperOfEvenPair(char16_t c) { return (c & 1) ? static_cast<char16_t>(c - 1) : c; }
char16_t upperOfOddPair(char16_t c) { return (c & 1) ? c : static_cast<char16_t>(c - 1); }

char16_t simpleUpper(char16_t c) {
  auto minus = [c](int d) { return static_cast<char16_t>(c - d); };
  if (c >= u'a' && c <= u'z') return minus(32);
  if (c < 0x80) return c;
  // Latin-1 and Latin Extended-A.
  if (c == 0xB5) return 0x39C;  // micro sign folds with Greek mu
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return minus(32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x12F) return upperOfEvenPair(c);
  if (c == 0x131) return u'I';
  if (c >= 0x132 && c <= 0x137) return upperOfEvenPair(c);
  if (c >= 0x139 && c <= 0x148) return upperOfOddPair(c);
  if (c >= 0x14A && c <= 0x177) return upperOfEvenPair(c);
  if (c >= 0x179 && c <= 0x17E) return upperOfOddPair(c);
  if (c == 0x17F) return u'S';
  // Greek.
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return minus(37);
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x3B1 && c <= 0x3CB) return minus(32);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return minus(63);
  switch (c) {  // the symbol variants of Greek letters
    case 0x3D0: return 0x392;
    case 0x3D1: return 0x398;
    case 0x3D5: return 0x3A6;
    case 0x3D6: return 0x3A0;
    case 0x3F0: return 0x39A;
    case 0x3F1: return 0x3A1;
    case 0x3F5: return 0x395;
    default: break;
  }
  // Cyrillic.
  if (c >= 0x430 && c <= 0x44F) return minus(32);
  if (c >= 0x450 && c <= 0x45F) return minus(80);
  if (c >= 0x460 && c <= 0x481) return upperOfEvenPair(c);
  if (c >= 0x48A && c <= 0x4BF) return upperOfEvenPair(c);
  if (c == 0x4CF) return 0x4C0;
  if (c >= 0x4C1 && c <= 0x4CE) return upperOfOddPair(c);
  if (c >= 0x4D0 && c <= 0x52F) return upperOfEvenPair(c);
  // Full-width Latin.
  if (c >= 0xFF41 && c <= 0xFF5A) return minus(32);
  return c;
}

char16_t fold(char16_t c) {
  char16_t u = simpleUpper(c);
  return (c >= 0x80 && u < 0x80) ? c : u;
}

// Built on first use: both lookups are on the matching path for every
// character. On the heap, so the 256 KB of tables take no room in the
// executable and no memory until a pattern ignores case; they live as long as
// the process.
struct Tables {
  char16_t folded[0x10000];
  char16_t next[0x10000];
};

const Tables* build() {
  Tables* t = new Tables;
  std::vector<std::int32_t> first(0x10000, -1);
  std::vector<std::int32_t> last(0x10000, -1);
  for (std::uint32_t i = 0; i < 0x10000; ++i) {
    char16_t c = static_cast<char16_t>(i);
    char16_t f = fold(c);
    t->folded[i] = f;
    t->next[i] = c;
    if (first[f] < 0) {
      first[f] = static_cast<std::int32_t>(i);
    } else {
      t->next[last[f]] = c;
    }
    last[f] = static_cast<std::int32_t>(i);
  }
  for (std::uint32_t f = 0; f < 0x10000; ++f) {
    if (first[f] >= 0) t->next[last[f]] = static_cast<char16_t>(first[f]);
  }
  return t;
}

const Tables& tables() {
  static const Tables* const t = build();
  return *t;
}

}  // namespace

char16_t foldCase(char16_t c) { return tables().folded[c]; }

char16_t nextCaseForm(char16_t c) { return tables().next[c]; }

}  // namespace regex_engine
