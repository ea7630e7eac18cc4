// What searches find: one table per part of the dialect. Each row is a
// pattern, its flags, a text and every match with its groups.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine_test_support.h"

using namespace std::literals;
using engine_test::run;
using engine_test::utf8;

namespace {

struct Case {
  std::u16string_view pattern;
  const char* flags;
  std::u16string_view text;
  const char* expected;
};

void check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.pattern, c.flags, c.text), c.expected)
        << "pattern /" << utf8(c.pattern) << "/" << c.flags << " on \"" << utf8(c.text) << "\"";
  }
}

TEST(EngineMatch, LiteralsAndEscapes) {
  check({
      {u"abc", "", u"xabcabc", "1[abc]"},
      {u"abc", "g", u"xabcabc", "1[abc] | 4[abc]"},
      {u"abc", "g", u"ab", ""},
      {u"a.b", "", u"axb", "0[axb]"},
      {u"a\\.b", "", u"axb a.b", "4[a.b]"},
      {u"\\*\\+\\?\\(\\)\\[\\]\\{\\}\\|\\^\\$\\/\\\\", "", u"x*+?()[]{}|^$/\\", "1[*+?()[]{}|^$/\\]"},
      {u"\\n\\r\\t\\f\\v", "", u"a\n\r\t\f\vb", "1[\\n\\r\\t\\x0C\\x0B]"},
      {u"\\x41\\x4a\\u4FE1\\u606f", "", u"xAJ信息", "1[AJ信息]"},
      {u"\\cJ\\ci", "", u"a\n\tb", "1[\\n\\t]"},
      {u"a\\0b", "", u"a\0b"sv, "0[a\\x00b]"},
      {u"\\-\\,\\:\\\"\\'\\<\\>\\#\\%\\&\\=\\!\\~\\`\\@\\ ", "", u"-,:\"'<>#%&=!~`@ ", "0[-,:\"'<>#%&=!~`@ ]"},
      {u"\\（\\）", "", u"（）", "0[（）]"},
      // Braces that do not form a count are literal text.
      {u"a{", "", u"a{", "0[a{]"},
      {u"{", "g", u"x{y{", "1[{] | 3[{]"},
      {u"a{1", "", u"a{1", "0[a{1]"},
      {u"a{,2}", "", u"aa a{,2}", "3[a{,2}]"},
      {u"x{a}", "", u"x{a}", "0[x{a}]"},
      {u"a{1,2}{", "", u"aa{", "0[aa{]"},
      {u"}]", "", u"a}]", "1[}]]"},
  });
}

TEST(EngineMatch, ShorthandClasses) {
  check({
      {u"\\d+", "", u"ab 123 4", "3[123]"},
      {u"\\D+", "", u"12ab3", "2[ab]"},
      {u"\\w+", "", u"中文abc_9 x", "2[abc_9]"},
      {u"\\W+", "", u"ab, 中c", "2[, 中]"},
      {u"\\s+", "", u"a \t\n\v\f\rb", "1[ \\t\\n\\x0B\\x0C\\r]"},
      // Only ASCII white space: the ideographic and no-break spaces are not.
      {u"\\s", "g", u"\u3000\u00a0 ", "2[ ]"},
      {u"\\S+", "", u"  ab\u3000c d", "2[ab\u3000c]"},
      // ASCII digits only.
      {u"\\d", "", u"\uff11\u0661", ""},
  });
}

TEST(EngineMatch, DotStopsAtLineTerminators) {
  check({
      {u".+", "", u"ab\ncd", "0[ab]"},
      {u".+", "g", u"ab\ncd", "0[ab] | 3[cd]"},
      {u".+", "g", u"ab\r\ncd", "0[ab] | 4[cd]"},
      {u"a.c", "g", u"a\rc a\nc a\u2028c axc", "8[a\u2028c] | 12[axc]"},
      {u".", "g", u"", ""},
      {u".", "g", u"\r\n", ""},
      {u"a.b", "", u"a\0b"sv, "0[a\\x00b]"},
  });
}

TEST(EngineMatch, BracketClasses) {
  check({
      {u"[abc]+", "", u"xxbcay", "2[bca]"},
      {u"[^abc]+", "", u"abxyc", "2[xy]"},
      {u"[a-c0-2]+", "", u"zab012 3", "1[ab012]"},
      {u"[\\d.]+", "", u"v1.25x", "1[1.25]"},
      {u"[\\w-]+", "", u"#ab-c_d#", "1[ab-c_d]"},
      {u"[a-]+", "", u"x-a-y", "1[-a-]"},
      {u"[-a]+", "", u"x-a-y", "1[-a-]"},
      // A range cannot end at \d, so the dash is a member.
      {u"[\\d-z]+", "", u"y5-z-x", "1[5-z-]"},
      {u"[a-\\d]+", "", u"b-a9", "1[-a9]"},
      {u"[\\]\\\\\\-]+", "", u"a]\\-b", "1[]\\-]"},
      {u"[\\b]", "", u"a\bb", "1[\\x08]"},
      {u"[\\x41-\\x43]+", "", u"ABCD", "0[ABC]"},
      {u"[\\u4FE1\\u606F]+", "", u"x信息框", "1[信息]"},
      {u"[^\\n]+", "", u"ab\ncd", "0[ab]"},
      {u"[\\s\\S]+", "", u"a\nb", "0[a\\nb]"},
      {u"[\\D]+", "", u"12ab3", "2[ab]"},
      {u"[^\\W]+", "", u"+-ab_1 ", "2[ab_1]"},
      {u"[.]", "", u"a.b", "1[.]"},
      {u"[$^]+", "", u"a$^b", "1[$^]"},
      {u"[(|)[]+", "", u"a(|)[b", "1[(|)[]"},
      {u"[{}*+?]+", "", u"x{}*+?", "1[{}*+?]"},
      {u"[a-a]", "", u"ba", "1[a]"},
      {u"[\\u0000-\\uffff]+", "", u"\n中\r", "0[\\n中\\r]"},
      // [] matches nothing and [^] anything, line terminators included.
      {u"a[]", "g", u"a", ""},
      {u"a[^]b", "", u"a\nb", "0[a\\nb]"},
  });
}

TEST(EngineMatch, GreedyAndLazyQuantifiers) {
  check({
      {u"a*", "", u"aaab", "0[aaa]"},
      {u"a*?", "", u"aaab", "0[]"},
      {u"a+", "", u"baaab", "1[aaa]"},
      {u"a+?", "", u"baaab", "1[a]"},
      {u"a?", "", u"ab", "0[a]"},
      {u"a??", "", u"ab", "0[]"},
      {u"a??b", "", u"ab", "0[ab]"},
      {u"a?", "", u"b", "0[]"},
      {u"a{2}", "g", u"aaaaa", "0[aa] | 2[aa]"},
      {u"a{2,}", "g", u"aaaaa a", "0[aaaaa]"},
      {u"a{2,3}", "g", u"aaaaa", "0[aaa] | 3[aa]"},
      {u"a{2,3}?", "g", u"aaaaa", "0[aa] | 2[aa]"},
      {u"a{2,}?", "", u"aaaaa", "0[aa]"},
      {u"a{0}b", "", u"ab", "1[b]"},
      {u"(a){0}", "", u"a", "0[] -"},
      {u"a{0,0}", "g", u"a", "0[] | 1[]"},
      {u"<.*>", "", u"<a><b>", "0[<a><b>]"},
      {u"<.*?>", "g", u"<a><b>", "0[<a>] | 3[<b>]"},
      {u"(a+)(a*)", "", u"aaa", "0[aaa] 0(aaa) 3()"},
      {u"(a+?)(a*)", "", u"aaa", "0[aaa] 0(a) 1(aa)"},
      {u"(a*?)(a?\?)b", "", u"aab", "0[aab] 0(a) 1(a)"},
      {u"(?:ab){2}", "", u"abababx", "0[abab]"},
      {u"(?:ab){2,}?c", "", u"abababc", "0[abababc]"},
      {u"(a|b){1,3}?c", "", u"ababc", "1[babc] 3(b)"},
      {u"x(?:ab){0,2}", "g", u"xababab xa", "0[xabab] | 8[x]"},
      // Lazy still has to find a match when the short way fails.
      {u"(.*?),(.*)", "", u"a,b,c", "0[a,b,c] 0(a) 2(b,c)"},
      {u"(.*),(.*?)", "", u"a,b,c", "0[a,b,] 0(a,b) 4()"},
  });
}

TEST(EngineMatch, AlternationPrefersTheEarlierBranch) {
  check({
      {u"a|ab", "", u"ab", "0[a]"},
      {u"ab|a", "", u"ab", "0[ab]"},
      {u"(a|ab)(c|bcd)", "", u"abcd", "0[abcd] 0(a) 1(bcd)"},
      {u"(ab|a)(c|bcd)", "", u"abcd", "0[abc] 0(ab) 2(c)"},
      {u"|a", "", u"a", "0[]"},
      {u"a|", "g", u"ab", "0[a] | 1[] | 2[]"},
      {u"x(a|b|c)y", "", u"xcy", "0[xcy] 1(c)"},
      {u"(?:a|b)+", "", u"cabba", "1[abba]"},
      // The leftmost start wins over an earlier alternative.
      {u"b|ab", "", u"ab", "0[ab]"},
      {u"c|a(b|x)|a", "g", u"axabac", "0[ax] 1(x) | 2[ab] 3(b) | 4[a] - | 5[c] -"},
  });
}

TEST(EngineMatch, Captures) {
  check({
      {u"(a|b)*", "", u"ab", "0[ab] 1(b)"},
      {u"(a)|(b)", "", u"b", "0[b] - 0(b)"},
      {u"(a)|b", "", u"b", "0[b] -"},
      {u"(a)?b", "", u"b", "0[b] -"},
      {u"(\\d+)-(\\d+)", "", u"tel 12-345", "4[12-345] 4(12) 7(345)"},
      {u"((a)(b))", "", u"ab", "0[ab] 0(ab) 0(a) 1(b)"},
      {u"()", "", u"x", "0[] 0()"},
      {u"(|)", "", u"x", "0[] 0()"},
      // Groups inside a repetition report the last iteration, and start
      // each iteration unset.
      {u"(?:(a)|b)*", "", u"ab", "0[ab] -"},
      {u"(?:(a)|(b))+", "", u"ab", "0[ab] - 1(b)"},
      {u"((a)|b)+", "", u"ab", "0[ab] 1(b) -"},
      {u"(a(b)?)+", "", u"aba", "0[aba] 2(a) -"},
      {u"(z)((a+)?(b+)?(c))*", "", u"zaacbbbcac", "0[zaacbbbcac] 0(z) 8(ac) 8(a) - 9(c)"},
      {u"(?:(a)|b){2}", "", u"ab", "0[ab] -"},
      {u"(?:(a)|b){2}", "", u"ba", "0[ba] 1(a)"},
      // An optional iteration that consumes nothing does not count.
      {u"(a*)*", "", u"b", "0[] -"},
      {u"(a*)+", "", u"b", "0[] 0()"},
      {u"(a?)?", "", u"b", "0[] -"},
      {u"(a*){2,}", "", u"b", "0[] 0()"},
      {u"(a*)*", "", u"aab", "0[aa] 0(aa)"},
      {u"(a|)*b", "", u"aab", "0[aab] 1(a)"},
      {u"(?:(a)|())*b", "", u"ab", "0[ab] 0(a) -"},
      {u"(a)(?:(b)|c)*", "", u"abc", "0[abc] 0(a) -"},
      {u"(a)+(b)", "", u"aab", "0[aab] 1(a) 2(b)"},
  });
}

// A greedy loop around a lazy one: each outer iteration takes the lazy
// loop's shortest non-empty way, then the outer loop comes round again
// rather than letting the lazy loop stretch the iteration it is in.
TEST(EngineMatch, LazyLoopsInsideGreedyLoops) {
  check({
      {u"(?:a*?)*", "", u"aa", "0[aa]"},
      {u"x(?:a*?)*", "", u"xaa", "0[xaa]"},
      {u"(a*?)+b", "", u"aab", "0[aab] 1(a)"},
      {u"(\\w*?)+", "", u"bB", "0[bB] 1(B)"},
      {u"(?:a*?)+", "", u"aa", "0[aa]"},
      {u"(a*?)*", "", u"aa", "0[aa] 1(a)"},
      {u"(a*?)*?b", "", u"aab", "0[aab] 1(a)"},
      {u"(?:a*?){2,}", "", u"aaa", "0[aaa]"},
      {u"(?:(a*?)b*?)*", "", u"abab", "0[abab] 3()"},
      {u"((a*?)*)*", "", u"aaa", "0[aaa] 0(aaa) 2(a)"},
      {u"(?:(?:a*?)*)*", "", u"aa", "0[aa]"},
      {u"(?:a*?)*", "g", u"aabaa", "0[aa] | 2[] | 3[aa] | 5[]"},
      // Shapes that were already right stay so.
      {u"(?:a*?){0,3}", "", u"aaaa", "0[aaa]"},
      {u"(?:a*?){2}", "", u"aaa", "0[]"},
      {u"(?:x|a*?)*y", "", u"axaay", "0[axaay]"},
  });
}

TEST(EngineMatch, Anchors) {
  check({
      {u"^a", "g", u"ba\na", ""},
      {u"^a", "gm", u"ba\na", "3[a]"},
      {u"a$", "g", u"a\nba", "3[a]"},
      {u"a$", "gm", u"a\nba", "0[a] | 3[a]"},
      {u"^b", "m", u"a\r\nb", "3[b]"},
      {u"a$", "m", u"a\r\nb", "0[a]"},
      {u"^b", "m", u"a\rb", "2[b]"},
      // Between \r and \n is both the end of one line and the start of
      // another, as each is a line terminator of its own.
      {u"^$", "gm", u"a\r\n\nb", "2[] | 3[]"},
      {u"^", "g", u"ab", "0[]"},
      {u"$", "g", u"ab", "2[]"},
      {u"^", "gm", u"a\nb\n", "0[] | 2[] | 4[]"},
      {u"$", "gm", u"a\nb", "1[] | 3[]"},
      {u"^abc$", "", u"abc", "0[abc]"},
      {u"^abc$", "", u"abc\n", ""},
      {u"^abc$", "m", u"x\nabc\n", "2[abc]"},
      {u"^\\w+", "g", u"ab cd", "0[ab]"},
      {u"^$", "g", u"", "0[]"},
      {u"(?:^|,)(\\w)", "g", u"a,b,,c", "0[a] 0(a) | 1[,b] 2(b) | 4[,c] 5(c)"},
  });
}

TEST(EngineMatch, WordBoundaries) {
  check({
      {u"\\bab", "g", u"ab cab ab", "0[ab] | 7[ab]"},
      {u"\\b", "g", u"ab", "0[] | 2[]"},
      {u"\\B", "g", u"ab", "1[]"},
      {u"\\b", "g", u"", ""},
      {u"\\B", "g", u"", "0[]"},
      {u"\\b", "g", u"a b", "0[] | 1[] | 2[] | 3[]"},
      // CJK characters are not word characters.
      {u"\\b", "g", u"中文abc中", "2[] | 5[]"},
      {u"\\B", "g", u"中文", "0[] | 1[] | 2[]"},
      {u"\\babc\\b", "", u"中abc文", "1[abc]"},
      {u"\\b\\w+\\b", "g", u" x_1, y", "1[x_1] | 6[y]"},
      {u"a\\Bb", "", u"a b ab", "4[ab]"},
      {u"\\bé", "g", u"aé é", "1[é]"},
  });
}

TEST(EngineMatch, IgnoreCase) {
  check({
      {u"abc", "i", u"xAbC", "1[AbC]"},
      {u"abc", "", u"xAbC", ""},
      {u"[a-z]+", "i", u"12HeLLo", "2[HeLLo]"},
      {u"[A-Z]", "i", u"q", "0[q]"},
      {u"[^a-z]+", "i", u"AbC12", "3[12]"},
      {u"[^A]", "gi", u"aAb", "2[b]"},
      {u"\\u00e9", "i", u"\u00c9", "0[\u00c9]"},
      {u"\u00ff", "i", u"\u0178", "0[\u0178]"},
      {u"\u0133\u017e", "i", u"\u0132\u017d", "0[\u0132\u017d]"},
      {u"\u0148", "i", u"\u0147", "0[\u0147]"},
      {u"\u03c3", "gi", u"\u03a3\u03c2\u03c3", "0[\u03a3] | 1[\u03c2] | 2[\u03c3]"},
      {u"[\u03c3]", "gi", u"\u03c2\u03a3", "0[\u03c2] | 1[\u03a3]"},
      {u"\u00b5", "gi", u"\u039c\u03bc", "0[\u039c] | 1[\u03bc]"},
      {u"\u03ac\u03ce", "i", u"\u0386\u038f", "0[\u0386\u038f]"},
      {u"\u0436\u0451", "i", u"\u0416\u0401", "0[\u0416\u0401]"},
      {u"[\u0430-\u044f]+", "i", u"\u041f\u0420\u0418\u0412\u0415\u0422", "0[\u041f\u0420\u0418\u0412\u0415\u0422]"},
      {u"\u0463\u04c2\u04d1", "i", u"\u0462\u04c1\u04d0", "0[\u0462\u04c1\u04d0]"},
      {u"\uff41\uff5a", "i", u"\uff21\uff3a", "0[\uff21\uff3a]"},
      {u"[\uff41-\uff5a]+", "i", u"\uff28\uff29", "0[\uff28\uff29]"},
      // Non-ASCII letters whose upper case is ASCII keep to themselves, and
      // the Kelvin sign is not a k.
      {u"s", "gi", u"\u017fS", "1[S]"},
      {u"i", "gi", u"\u0131\u0130I", "2[I]"},
      {u"k", "gi", u"\u212aK", "1[K]"},
      {u"[a-z]", "gi", u"\u017f\u0131", ""},
      {u"\\w", "gi", u"\u00e9\u00c9", ""},
      // Symbols and CJK have no case.
      {u"信息框（", "i", u"信息框（", "0[信息框（]"},
      {u"@\\[", "i", u"`{@[", "2[@[]"},
  });
}

TEST(EngineMatch, EmptyMatchesWhenGlobal) {
  check({
      {u"x*", "g", u"axb", "0[] | 1[x] | 2[] | 3[]"},
      {u"x*", "", u"axb", "0[]"},
      {u"x*", "g", u"", "0[]"},
      {u"", "g", u"ab", "0[] | 1[] | 2[]"},
      {u"a*?", "g", u"aa", "0[] | 1[] | 2[]"},
      {u"\\d*", "g", u"12a3", "0[12] | 2[] | 3[3] | 4[]"},
      {u"(x?)", "g", u"xy", "0[x] 0(x) | 1[] 1() | 2[] 2()"},
      {u"\\b|x", "g", u"xx", "0[] | 1[x] | 2[]"},
  });
}

// The code interpreter's own pattern for 信息框（text）.
TEST(EngineMatch, MessageBoxPattern) {
  const std::u16string_view pattern = u"\u4fe1\u606f\u6846\uff08(.*?)\uff09";
  ASSERT_EQ(pattern, u"信息框（(.*?)）");
  struct Row {
    std::u16string_view text;
    const char* expected;
  };
  const Row rows[] = {
      {u"信息框（提示内容）", "0[信息框（提示内容）] 4(提示内容)"},
      {u"信息框(abc)", ""},
      {u"信息框 （abc）", ""},
      {u"信息框（abc", ""},
      {u"信息框（）", "0[信息框（）] 4()"},
      {u"信息框（abc）信息框（xyz）", "0[信息框（abc）] 4(abc) | 8[信息框（xyz）] 12(xyz)"},
      {u"信息框（abc）xyz）", "0[信息框（abc）] 4(abc)"},
      {u"xyz信息框（abc）xyz", "3[信息框（abc）] 7(abc)"},
      {u"信息框（信息框（x）", "0[信息框（信息框（x）] 4(信息框（x)"},
      {u"信息框（a\nb）", ""},
      {u"信息框（a\n信息框（b）", "6[信息框（b）] 10(b)"},
      {u"信息框（(x)）", "0[信息框（(x)）] 4((x))"},
  };
  // The interpreter searches case-insensitively, multi-line and global;
  // none of that may change what this pattern finds.
  for (const char* f : {"gim", "g"}) {
    for (const Row& r : rows) {
      EXPECT_EQ(run(pattern, f, r.text), r.expected) << f << " on \"" << utf8(r.text) << "\"";
    }
  }
  EXPECT_EQ(run(pattern, "", u"信息框（abc）信息框（xyz）"), "0[信息框（abc）] 4(abc)");
}

TEST(EngineMatch, CompiledProgramIsReusableAndCopyable) {
  auto program = regex_engine::compile(u"(\\d)", engine_test::flags("g"));
  ASSERT_TRUE(program);
  EXPECT_EQ(program->groupCount(), 1u);
  EXPECT_TRUE(program->options().global);
  regex_engine::Program copy = *program;
  program.reset();
  const std::u16string_view texts[] = {u"a1b2", u"", u"9"};
  const char* expected[] = {"1[1] 1(1) | 3[2] 3(2)", "", "0[9] 0(9)"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(engine_test::render(regex_engine::execute(copy, texts[i]), texts[i]), expected[i]);
  }
}

}  // namespace
