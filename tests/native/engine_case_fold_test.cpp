// The case folding IgnoreCase compares with.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "case_fold.h"

namespace {

using regex_engine::foldCase;
using regex_engine::nextCaseForm;

TEST(EngineCaseFold, KnownPairsFoldTogether) {
  const std::pair<char16_t, char16_t> same[] = {
      {u'a', u'A'},         {u'z', u'Z'},         {0x00E0, 0x00C0}, {0x00FE, 0x00DE}, {0x00FF, 0x0178},
      {0x0101, 0x0100},     {0x012F, 0x012E},     {0x0133, 0x0132}, {0x013A, 0x0139}, {0x0148, 0x0147},
      {0x014B, 0x014A},     {0x0177, 0x0176},     {0x017A, 0x0179}, {0x017E, 0x017D}, {0x00B5, 0x039C},
      {0x03BC, 0x039C},     {0x03B1, 0x0391},     {0x03C9, 0x03A9}, {0x03C2, 0x03A3}, {0x03C3, 0x03A3},
      {0x03AC, 0x0386},     {0x03AF, 0x038A},     {0x03CC, 0x038C}, {0x03CE, 0x038F}, {0x03CB, 0x03AB},
      {0x03D0, 0x0392},     {0x03F5, 0x0395},     {0x0430, 0x0410}, {0x044F, 0x042F}, {0x0450, 0x0400},
      {0x045F, 0x040F},     {0x0461, 0x0460},     {0x0481, 0x0480}, {0x048B, 0x048A}, {0x04BF, 0x04BE},
      {0x04CF, 0x04C0},     {0x04C2, 0x04C1},     {0x04CE, 0x04CD}, {0x04D1, 0x04D0}, {0x052F, 0x052E},
      {0xFF41, 0xFF21},     {0xFF5A, 0xFF3A},
  };
  for (auto [lower, upper] : same) {
    EXPECT_EQ(foldCase(lower), foldCase(upper)) << std::hex << unsigned{lower} << " " << unsigned{upper};
  }
  const std::pair<char16_t, char16_t> apart[] = {
      {0x017F, u's'}, {0x0131, u'i'}, {0x0130, u'i'}, {0x212A, u'k'}, {0x00F7, 0x00D7}, {0x0138, 0x0137},
      {0x0149, 0x0148}, {u'@', u'`'}, {u'[', u'{'}, {0x4FE1, 0x4FE0}, {0xFF08, 0xFF09}, {0xFF40, 0xFF20},
      {0xFF5B, 0xFF3B}, {0x0390, 0x03AA}, {0x03A2, 0x03C2},
  };
  for (auto [a, b] : apart) {
    EXPECT_NE(foldCase(a), foldCase(b)) << std::hex << unsigned{a} << " " << unsigned{b};
  }
}

// nextCaseForm must walk exactly the characters with the same folded form,
// or a class would match some case forms and not others.
TEST(EngineCaseFold, CaseFormCyclesAreTheFoldClasses) {
  std::map<char16_t, std::set<char16_t>> classes;
  for (char32_t i = 0; i < 0x10000; ++i) classes[foldCase(static_cast<char16_t>(i))].insert(static_cast<char16_t>(i));
  std::size_t multi = 0;
  for (const auto& [folded, members] : classes) {
    ASSERT_LE(members.size(), 4u) << std::hex << unsigned{folded};
    if (members.size() > 1) ++multi;
    // The folded form is a member of its own class, and folds to itself.
    EXPECT_TRUE(members.count(folded)) << std::hex << unsigned{folded};
    for (char16_t c : members) {
      std::set<char16_t> walked;
      char16_t form = c;
      do {
        walked.insert(form);
        form = nextCaseForm(form);
      } while (form != c && walked.size() <= members.size());
      EXPECT_EQ(walked, members) << std::hex << unsigned{c};
    }
  }
  // Characters with more than one case form, block by block: ASCII 26,
  // Latin-1 31, Latin Extended-A 61, Greek 33, Cyrillic 148, full-width 26.
  EXPECT_EQ(multi, 325u);
}

TEST(EngineCaseFold, NonAsciiNeverFoldsOntoAscii) {
  for (char32_t i = 0x80; i < 0x10000; ++i) {
    EXPECT_GE(foldCase(static_cast<char16_t>(i)), 0x80) << std::hex << unsigned(i);
  }
}

}  // namespace
