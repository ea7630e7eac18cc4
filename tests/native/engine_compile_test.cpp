// Patterns the engine refuses, and the edges of what it accepts.

#include <gtest/gtest.h>

#include <string>

#include "engine_test_support.h"

using engine_test::utf8;

namespace {

std::u16string repeated(std::u16string_view piece, std::size_t times) {
  std::u16string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(EngineCompile, RefusesWhatTheDialectLacksOrMalformedPatterns) {
  const std::u16string_view patterns[] = {
      // Back-references and octal escapes.
      u"(a)\\1", u"\\1", u"\\9", u"\\01",
      // Look-around, named groups, inline flags.
      u"a(?=b)", u"a(?!b)", u"(?<=a)b", u"(?<!a)b", u"(?<n>a)", u"(?i)a", u"(?", u"(?)",
      // Unbalanced parentheses.
      u"(ab", u"ab)", u")(", u"((a)", u"(", u")",
      // Quantifiers with nothing (repeatable) before them.
      u"*a", u"+a", u"?a", u"a**", u"a*+", u"a???", u"a{2}{3}", u"a{2}*", u"^*", u"$+", u"\\b+", u"\\B?",
      u"|*", u"(*)", u"(|+)", u"{2}", u"x|{1,2}",
      // Classes.
      u"[z-a]", u"[a", u"[", u"[^", u"[\\B]", u"[a-", u"[\\", u"[\\1]", u"[\\q]",
      // Escapes.
      u"a\\", u"\\xZZ", u"\\x4", u"\\u12G4", u"\\u123", u"\\q", u"\\A", u"\\z", u"\\Z", u"\\k<n>", u"\\p{L}",
      u"\\c1", u"\\c", u"\\e",
      // Counts out of order or beyond the size bound.
      u"a{3,2}", u"a{99999}", u"a{1,99999}", u"(?:a{100}){300}", u"(?:(?:(?:a{20}){20}){20}){20}",
      u"a{4294967296}", u"a{2,99999999999999999999}",
  };
  for (std::u16string_view p : patterns) {
    EXPECT_FALSE(regex_engine::compile(p)) << utf8(p);
  }
}

TEST(EngineCompile, NestingBound) {
  for (std::u16string_view open : {u"(", u"(?:"}) {
    std::u16string ok = repeated(open, 1000) + u"a" + repeated(u")", 1000);
    std::u16string tooDeep = repeated(open, 1001) + u"a" + repeated(u")", 1001);
    auto program = regex_engine::compile(ok);
    ASSERT_TRUE(program) << utf8(open);
    EXPECT_FALSE(regex_engine::compile(tooDeep)) << utf8(open);
    auto matches = regex_engine::execute(*program, u"xa");
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].index, 1u);
    EXPECT_EQ(matches[0].length, 1u);
    EXPECT_EQ(matches[0].groups.size(), open == u"(" ? 1000u : 0u);
    for (const auto& g : matches[0].groups) EXPECT_EQ(g, (regex_engine::Span{1, 1}));
  }
  // Depth, not count: many groups side by side are fine, up to the bound on
  // per-thread memory (threads times slots).
  EXPECT_TRUE(regex_engine::compile(repeated(u"(a)", 300)));
  EXPECT_FALSE(regex_engine::compile(repeated(u"(a)", 2000)));
}

TEST(EngineCompile, AcceptsTheEdgesOfTheDialect) {
  struct Case {
    std::u16string_view pattern;
    std::u16string_view text;
    const char* expected;
  };
  const std::u16string big = u"a{1000}";
  const Case cases[] = {
      {u"", u"", "0[]"},
      {u"(?:)", u"x", "0[]"},
      {u"()", u"x", "0[] 0()"},
      {u"(?:){1000000}", u"x", "0[]"},
      {u"()*", u"x", "0[] -"},
      {u"(?:a|)+", u"aa", "0[aa]"},
      {u"[]]", u"]", ""},
      {u"a{0,3}", u"aaaa", "0[aaa]"},
      {u"a{1,}", u"aa", "0[aa]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(engine_test::run(c.pattern, "", c.text), c.expected) << utf8(c.pattern);
  }
  auto program = regex_engine::compile(big);
  ASSERT_TRUE(program);
  std::u16string text(1001, u'a');
  auto matches = regex_engine::execute(*program, text);
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].length, 1000u);
  EXPECT_TRUE(regex_engine::execute(*program, text.substr(0, 999)).empty());
}

}  // namespace
