// The byte-level text routines of the code runner. Texts that end in a lone
// lead byte are handed over in heap blocks of their exact size, so that
// AddressSanitizer sees any read past the terminating zero.
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "text_bytes.h"

namespace {

// A heap copy of `text` with no spare room behind its terminator.
class Exact {
 public:
  explicit Exact(const char* text) {
    if (text == nullptr) return;
    const std::size_t size = std::strlen(text) + 1;
    bytes_ = std::make_unique<char[]>(size);
    std::memcpy(bytes_.get(), text, size);
  }
  const char* get() const { return bytes_.get(); }

 private:
  std::unique_ptr<char[]> bytes_;
};

std::string show(const char* text) {
  if (text == nullptr) return "(none)";
  std::string out;
  char buffer[8];
  for (const char* p = text; *p != '\0'; ++p) {
    std::snprintf(buffer, sizeof buffer, "%02X ", static_cast<unsigned char>(*p));
    out += buffer;
  }
  return out.empty() ? "(empty)" : out;
}

#define ZHONG "\xD6\xD0"           // 中
#define MARKER "#\xD2\xFD\xBA\xC5"  // #引号

TEST(TextBytes, CompareText) {
  const struct {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"", "", 0},
      {nullptr, nullptr, 0},
      {nullptr, "", 0},
      {"", nullptr, 0},
      {"a", nullptr, 1},
      {nullptr, "a", -1},
      {"abc", "abc", 0},
      {"abc", "abd", -1},
      {"abd", "abc", 1},
      {"ab", "abc", -1},
      {"abc", "ab", 1},
      {"a", "A", 1},            // no case folding
      {" a", "a", -1},          // nothing trimmed
      {"a ", "a", 1},
      {"\x80", "\x7F", 1},      // bytes compare unsigned
      {"\xFF", "\x01", 1},
      {ZHONG, "z", 1},
      {ZHONG "a", ZHONG "b", -1},
      {"\xB0", "\xB0\x41", -1},  // lone lead byte
      {"abcdefgh", "abcdefgz", -1},  // magnitude never leaks out
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(show(c.a) + " vs " + show(c.b));
    const Exact a(c.a), b(c.b);
    EXPECT_EQ(compareText(a.get(), b.get()), c.expected);
    EXPECT_EQ(compareText(b.get(), a.get()), -c.expected);
  }
}

TEST(TextBytes, ReplaceQuoteMarkers) {
  const struct {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {nullptr, ""},
      {"", ""},
      {"abc", "abc"},
      {MARKER, "\""},
      {"a" MARKER "b", "a\"b"},
      {MARKER MARKER, "\"\""},
      {"x" MARKER, "x\""},
      {MARKER "#", "\"#"},
      {"#" MARKER, "#\""},
      {"##" MARKER "##", "##\"##"},
      {ZHONG MARKER, ZHONG "\""},
      {"#\xD2\xFD\xBA", "#\xD2\xFD\xBA"},              // a marker cut short is copied
      {MARKER "\xD2\xFD", "\"\xD2\xFD"},                // marker then 引
      {"\xA3" MARKER, "\xA3" MARKER},                   // '#' is the second byte of a character
      {"\xB0\xB0\xB0\xB0\xB0\xB0" MARKER, "\xB0\xB0\xB0\xB0\xB0\xB0\""},
      {"\xB0\xB0\xB0\xB0\xB0" MARKER, "\xB0\xB0\xB0\xB0\xB0" MARKER},  // odd count: '#' is taken along
      {MARKER "\xB0", "\"\xB0"},                        // ends in a lone lead byte
      {"abcdef\xB0", "abcdef\xB0"},
      {"\xB0", "\xB0"},
      {"a\xB0" MARKER "\xB0", "a\xB0" MARKER "\xB0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(show(c.pattern));
    const Exact pattern(c.pattern);
    EXPECT_EQ(show(replaceQuoteMarkers(pattern.get()).c_str()), show(c.expected));
  }
}

struct FindCase {
  const char* text;
  const char* sought;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(TextBytes, FindText) {
  const FindCase cases[] = {
      {"abc", "b", 1, false, 2},
      {"abc", "b", 2, false, 2},
      {"abc", "b", 3, false, kNotFound},
      {"abc", "a", 0, false, 1},  // a start below 1 counts as 1
      {"abc", "a", -5, false, 1},
      {"abc", "a", INT_MIN, false, 1},
      {"abc", "c", 3, false, 3},
      {"abc", "c", 4, false, kNotFound},  // start behind the last byte
      {"abc", "c", INT_MAX, false, kNotFound},
      {"abc", "bc", 2, false, 2},
      {"abc", "bc", 3, false, kNotFound},
      {"abc", "abcd", 1, false, kNotFound},
      {"abcabc", "abc", 2, false, 4},
      // The empty text is found at 1, not at the start, while a byte remains.
      {"abc", "", 1, false, 1},
      {"abc", "", 3, false, 1},
      {"abc", "", -1, false, 1},
      {"abc", "", 4, false, kNotFound},
      {"abc", nullptr, 2, false, 1},
      {"", "", 1, false, kNotFound},
      {nullptr, "", 1, false, kNotFound},
      {"", "a", 1, false, kNotFound},
      {nullptr, nullptr, 0, true, kNotFound},
      // Letter case.
      {"Aa", "a", 1, false, 2},
      {"Aa", "a", 1, true, 1},
      {"aA", "A", 1, true, 1},
      {"ABC", "abc", 1, true, 1},
      {"abc", "ABC", 1, true, 1},
      {"xZ", "z", 1, true, 2},
      {"@", "`", 1, true, kNotFound},  // the bytes next to A and a
      {"[", "{", 1, true, kNotFound},  // and next to Z and z
      {"\xC1", "\xE1", 1, true, kNotFound},
      {"\xB0\x41", "\xB0\x61", 1, true, 1},  // folded on the second byte too
      {"\xB0\x41", "\xB0\x61", 1, false, kNotFound},
      // Two-byte characters are stepped over whole.
      {ZHONG "a", "a", 1, false, 3},
      {"\xB0\x61", "a", 1, false, kNotFound},
      {"\xB0\x41", "a", 1, true, kNotFound},
      {"\xB0\x41", "a", 2, true, 2},  // a start on a second byte compares there
      {"ab" ZHONG ZHONG "x", "x", 4, false, kNotFound},
      {"ab" ZHONG ZHONG "x", "x", 3, false, 7},
      {"ab" ZHONG ZHONG "x", ZHONG, 4, false, kNotFound},  // out of step: D0 D6, then D0 78
      {"ab" ZHONG ZHONG "x", ZHONG, 3, false, 3},
      {"ab" ZHONG ZHONG "x", "\xD0\xD6", 4, false, 4},  // compared before stepping
      // A lone lead byte at the end.
      {"a\xB0", "x", 1, false, kNotFound},
      {"a\xB0", "\xB0", 1, false, 2},
      {"a\xB0", "\xB0\x41", 1, false, kNotFound},
      {"\xB0", "", 1, false, 1},
      {"\xB0", "\xB0", 1, true, 1},
      {"a\xB0", "", 2, true, 1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(show(c.text) + "/ " + show(c.sought) + "from " + std::to_string(c.start) +
                 (c.ignoreCase ? " ignoring case" : " exact"));
    const Exact text(c.text), sought(c.sought);
    EXPECT_EQ(findText(text.get(), sought.get(), c.start, c.ignoreCase), c.expected);
  }
}

TEST(TextBytes, TruncateToInt) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    int expected;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {2.9, 2},
      {-2.9, -2},
      {-0.5, 0},
      {1e9, 1000000000},
      {2147483647.0, INT_MAX},
      {2147483647.9, INT_MAX},
      {1e12, INT_MAX},
      {inf, INT_MAX},
      {-2147483648.0, INT_MIN},
      {-2147483648.9, INT_MIN},
      {-1e300, INT_MIN},
      {-inf, INT_MIN},
      {std::nan(""), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(truncateToInt(c.value), c.expected);
  }
}

TEST(TextBytes, MatchOffset) {
  const struct {
    const char* name;
    const char* searched;
    const char* match;
    int firstIndex;
    const char* ignoreCase;
    int expected;
  } cases[] = {
      {"exact passes the upper-case letter", "Aa", "a", 1, "0", 1},
      {"case-blind finds it", "Aa", "a", 1, "-1", 0},
      {"FirstIndex itself is the start", "aa", "a", 1, "-1", 0},
      {"steps over a two-byte character", ZHONG "a", "a", 1, "-1", 2},
      {"start on a second byte", "ab" ZHONG ZHONG "x", "x", 4, "-1", -2},
      {"empty match", "abc", "", 2, "-1", 0},
      {"empty match, empty text", "", "", 0, "-1", -2},
      {"before any search: the number 0", "0", "", 0, "", 0},
      {"not found", "abc", "z", 0, "0", -2},
      {"unreadable flag is case-blind", "Aa", "a", 0, "", 0},
      {"no flag is case-blind", "Aa", "a", 0, nullptr, 0},
      {"only exactly 0 is exact: 00", "Aa", "a", 0, "00", 0},
      {"only exactly 0 is exact: ' 0'", "Aa", "a", 0, " 0", 0},
      {"only exactly 0 is exact: False", "Aa", "a", 0, "False", 0},
      {"exact", "Aa", "a", 0, "0", 1},
      {"negative FirstIndex", "abc", "a", -3, "0", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Exact searched(c.searched), match(c.match);
    EXPECT_EQ(matchOffset(searched.get(), match.get(), c.firstIndex, c.ignoreCase), c.expected);
  }
}

}  // namespace
