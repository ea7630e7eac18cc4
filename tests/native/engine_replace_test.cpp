// Replacement text and its $ forms.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_support.h"

using engine_test::utf8;

namespace {

struct Case {
  std::u16string_view pattern;
  const char* flags;
  std::u16string_view text;
  std::u16string_view replacement;
  std::u16string_view expected;
};

TEST(EngineReplace, DollarForms) {
  const Case cases[] = {
      {u"(\\w+) (\\w+)", "", u"john smith", u"$2 $1", u"smith john"},
      {u"b", "", u"abc", u"[$&]", u"a[b]c"},
      {u"b", "", u"abc", u"[$`]", u"a[a]c"},
      {u"b", "", u"abc", u"[$']", u"a[c]c"},
      {u"b", "", u"abc", u"$$", u"a$c"},
      {u"b", "", u"abc", u"$$1", u"a$1c"},
      {u"b", "", u"abc", u"$", u"a$c"},
      {u"b", "", u"abc", u"$x$", u"a$x$c"},
      {u"b", "", u"abc", u"$1", u"a$1c"},
      {u"(b)", "", u"abc", u"$0", u"a$0c"},
      {u"(b)", "", u"abc", u"$00", u"a$00c"},
      {u"(b)", "", u"abc", u"$1$2", u"ab$2c"},
      // More digits than groups: one digit, then a literal digit.
      {u"(b)", "", u"abc", u"$10", u"ab0c"},
      {u"(b)", "", u"abc", u"$01", u"abc"},
      {u"(b)", "", u"abc", u"$011", u"ab1c"},
      {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "", u"abcdefghij!", u"$10-$1-$11-$9", u"j-a-a1-i!"},
      {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)", "", u"abcdefghijkl", u"$12$11$99", u"lki9"},
      // A group that took no part gives nothing.
      {u"(a)|(b)", "", u"b", u"[$1|$2]", u"[|b]"},
      {u"x(y)?", "", u"x", u"<$1>", u"<>"},
      {u"信息框（(.*?)）", "g", u"信息框（甲）和信息框（乙）", u"<$1>", u"<甲>和<乙>"},
      {u"(\\d+)", "g", u"a1b22", u"$'|", u"ab22|b|"},
      {u"b", "g", u"abab", u"($`)", u"a(a)a(aba)"},
      {u"b", "g", u"abab", u"$&$&", u"abbabb"},
  };
  for (const Case& c : cases) {
    auto program = regex_engine::compile(c.pattern, engine_test::flags(c.flags));
    ASSERT_TRUE(program) << utf8(c.pattern);
    EXPECT_EQ(utf8(regex_engine::replace(*program, c.text, c.replacement)), utf8(c.expected))
        << "/" << utf8(c.pattern) << "/" << c.flags << " on \"" << utf8(c.text) << "\" with \""
        << utf8(c.replacement) << "\"";
  }
}

TEST(EngineReplace, GlobalAndEmptyMatches) {
  const Case cases[] = {
      {u"o", "g", u"foo boo", u"0", u"f00 b00"},
      {u"o", "", u"foo boo", u"0", u"f0o boo"},
      {u"z", "g", u"abc", u"$&", u"abc"},
      {u"x*", "g", u"abc", u"-", u"-a-b-c-"},
      {u"x*", "g", u"axb", u"[$&]", u"[]a[x][]b[]"},
      {u"x*", "", u"axb", u"-", u"-axb"},
      {u"", "g", u"", u"e", u"e"},
      {u"$", "gm", u"a\nb", u"!", u"a!\nb!"},
      {u"^", "gm", u"a\r\nb", u">", u">a\r>\n>b"},
      {u"\\s+", "g", u" a  b ", u"", u"ab"},
      {u"A", "gi", u"aAbA", u"_", u"__b_"},
  };
  for (const Case& c : cases) {
    auto program = regex_engine::compile(c.pattern, engine_test::flags(c.flags));
    ASSERT_TRUE(program) << utf8(c.pattern);
    EXPECT_EQ(utf8(regex_engine::replace(*program, c.text, c.replacement)), utf8(c.expected))
        << "/" << utf8(c.pattern) << "/" << c.flags << " on \"" << utf8(c.text) << "\"";
  }
}

}  // namespace
