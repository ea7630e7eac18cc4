// Work grows linearly with the text, measured in VM steps rather than time
// so the test is exact under the sanitizers and on a loaded machine.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine_test_support.h"

using engine_test::utf8;

namespace {

struct Hostile {
  const char* name;
  std::u16string_view pattern;
  const char* flags;
  std::u16string_view unit;  // the text is this, repeated
  std::u16string_view tail;  // then this once
  std::size_t expectedMatchesPerUnit;
};

std::u16string textOf(const Hostile& h, std::size_t units) {
  std::u16string text;
  for (std::size_t i = 0; i < units; ++i) text += h.unit;
  text += h.tail;
  return text;
}

TEST(EngineLinear, StepsGrowInProportionToTheText) {
  const Hostile cases[] = {
      {"unclosed message boxes", u"信息框（(.*?)）", "gim", u"信息框（", u"", 0},
      {"nested stars", u"(a*)*b", "g", u"a", u"", 0},
      {"overlapping alternatives", u"(a|aa)*c", "g", u"a", u"", 0},
      {"counted lazy groups", u"(.*?,){10}x", "g", u",", u"", 0},
      {"nested pluses", u"(x+x+)+y", "g", u"x", u"", 0},
      {"many message boxes", u"信息框（(.*?)）", "gim", u"信息框（ab）", u"", 1},
      {"words", u"\\b(\\w+)\\s*", "g", u"ab ", u"", 1},
      {"empty matches", u"x*", "g", u"y", u"", 1},
      {"lazy to a far end", u"a.*?z", "g", u"a", u"z", 0},
      {"lazy inside greedy", u"(a*?)*b", "g", u"a", u"", 0},
  };
  const std::size_t n = 2000;
  for (const Hostile& h : cases) {
    auto program = regex_engine::compile(h.pattern, engine_test::flags(h.flags));
    ASSERT_TRUE(program) << h.name;
    std::size_t small = 0, large = 0;
    const std::u16string smallText = textOf(h, n);
    const std::u16string largeText = textOf(h, 4 * n);
    auto smallMatches = regex_engine::execute(*program, smallText, &small);
    auto largeMatches = regex_engine::execute(*program, largeText, &large);
    if (h.expectedMatchesPerUnit != 0) {
      // Counting from the matches keeps the test honest about doing the
      // search: both runs find every unit (x* also the empty end).
      EXPECT_GE(largeMatches.size(), 4 * n * h.expectedMatchesPerUnit) << h.name;
      EXPECT_GE(smallMatches.size(), n * h.expectedMatchesPerUnit) << h.name;
    }
    ASSERT_GT(small, 0u) << h.name;
    double ratio = static_cast<double>(large) / static_cast<double>(small);
    EXPECT_LE(ratio, 4.5) << h.name << ": " << small << " -> " << large << " steps";
    EXPECT_GE(ratio, 3.5) << h.name << ": " << small << " -> " << large << " steps";
    std::printf("%-26s n=%zu: %zu steps, 4n: %zu steps, ratio %.3f\n", h.name, n, small, large, ratio);
  }
}

// The lazy-to-a-far-end case has one match covering everything; make sure
// the step count above was for the real answer.
TEST(EngineLinear, FarEndMatchIsFound) {
  auto program = regex_engine::compile(u"a.*?z");
  ASSERT_TRUE(program);
  std::u16string text(5000, u'a');
  text += u'z';
  auto matches = regex_engine::execute(*program, text);
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].index, 0u);
  EXPECT_EQ(matches[0].length, text.size());
}

}  // namespace
