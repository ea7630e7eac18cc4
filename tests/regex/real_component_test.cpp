// RegexWrapper against the system's own VBScript.RegExp component.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "cp936_literals.h"
#include "regex_wrapper.h"

namespace {

constexpr int kUnset = 12345;  // a position the wrapper has not written

bool comInitialisedOnThisThread() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED;
}

TEST(RegexReal, AnswersBeforeAnyCreate) {
  RegexWrapper w;
  w.NoOp();
  EXPECT_EQ(w.MatchCount(), 0);
  EXPECT_EQ(w.SubMatchCount(), 0);
  EXPECT_EQ(w.MatchText(1), "");
  EXPECT_EQ(w.SubMatchText(1, 1), "");
  EXPECT_EQ(w.GetPattern(), "");
  EXPECT_EQ(w.Replace("x"), "");
  // The searched text is still the number 0, read as "0": the empty text is found at its first byte.
  int position = kUnset;
  EXPECT_EQ(w.MatchText(1, &position), "");
  EXPECT_EQ(position, 0);
  position = kUnset;
  EXPECT_EQ(w.SubMatchText(1, 1, &position), "");
  EXPECT_EQ(position, 0);
}

struct OptionCase {
  const char* name;
  const char* pattern;
  const char* text;
  bool caseSensitive, multiLine, global;
  int count;
  const char* first;
};

TEST(RegexReal, CreateSetsTheOptions) {
  const OptionCase cases[] = {
      {"defaults ignore case", "a", "Aa", false, true, true, 2, "A"},
      {"case-sensitive", "a", "Aa", true, true, true, 1, "a"},
      {"case-sensitive, upper", "A", "aAa", true, true, true, 1, "A"},
      {"defaults are multi-line", "^b", "a\nb", false, true, true, 1, "b"},
      {"single-line", "^b", "a\nb", false, false, true, 0, ""},
      {"multi-line end", "a$", "a\nb", false, true, true, 1, "a"},
      {"defaults are global", "a", "aaa", false, true, true, 3, "a"},
      {"first match only", "a", "aaa", false, true, false, 1, "a"},
      {"nothing found", "z", "abc", false, true, true, 0, ""},
      {"no pattern matches empty everywhere", nullptr, "ab", false, true, true, 3, ""},
      {"no text", "a", nullptr, false, true, true, 0, ""},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegexWrapper w;
    EXPECT_TRUE(w.Create(c.pattern, c.text, c.caseSensitive, c.multiLine, c.global));
    EXPECT_EQ(w.MatchCount(), c.count);
    EXPECT_EQ(w.MatchText(1), c.first);
  }
}

TEST(RegexReal, SearchThatFindsNothingStillSucceeds) {
  RegexWrapper w;
  ASSERT_TRUE(w.Create("z", "abc"));
  EXPECT_EQ(w.MatchCount(), 0);
  EXPECT_EQ(w.SubMatchCount(), 0);
  EXPECT_EQ(w.MatchText(1), "");
  EXPECT_EQ(w.SubMatchText(1, 1), "");
  EXPECT_EQ(w.GetPattern(), "z");
  EXPECT_EQ(w.Replace("y"), "abc");
}

TEST(RegexReal, InvalidPatternGivesNoCollection) {
  RegexWrapper w;
  EXPECT_FALSE(w.Create("(", "abc"));
  EXPECT_EQ(w.MatchCount(), 0);
  EXPECT_EQ(w.MatchText(1), "");
  // The object itself was made and keeps what was written to it.
  EXPECT_EQ(w.GetPattern(), "(");
}

struct MessageCase {
  const char* name;
  const char* text;
  int count;
  const char* firstMatch;
  const char* firstGroup;
  const char* secondGroup;
};

TEST(RegexReal, MessageBoxPattern) {
  const MessageCase cases[] = {
      {"one message", CP936_XINXIKUANG CP936_OPEN CP936_TISHINEIRONG CP936_CLOSE, 1,
       CP936_XINXIKUANG CP936_OPEN CP936_TISHINEIRONG CP936_CLOSE, CP936_TISHINEIRONG, ""},
      {"two messages", CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE CP936_XINXIKUANG CP936_OPEN "xyz" CP936_CLOSE, 2,
       CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE, "abc", "xyz"},
      {"lazy group stops at the first close", CP936_XINXIKUANG CP936_OPEN "a" CP936_CLOSE "b" CP936_CLOSE, 1,
       CP936_XINXIKUANG CP936_OPEN "a" CP936_CLOSE, "a", ""},
      {"empty message", CP936_XINXIKUANG CP936_OPEN CP936_CLOSE, 1, CP936_XINXIKUANG CP936_OPEN CP936_CLOSE, "", ""},
      {"ASCII parentheses", CP936_XINXIKUANG "(abc)", 0, "", "", ""},
      {"unclosed", CP936_XINXIKUANG CP936_OPEN "abc", 0, "", "", ""},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegexWrapper w;
    ASSERT_TRUE(w.Create(CP936_MESSAGE_PATTERN, c.text));
    EXPECT_EQ(w.MatchCount(), c.count);
    EXPECT_EQ(w.MatchText(1), c.firstMatch);
    EXPECT_EQ(w.SubMatchCount(), c.count > 0 ? 1 : 0);
    EXPECT_EQ(w.SubMatchText(1, 1), c.firstGroup);
    EXPECT_EQ(w.SubMatchText(2, 1), c.secondGroup);
  }
}

TEST(RegexReal, MessageBoxPatternPositions) {
  // 信息框（ is 8 bytes but 4 UTF-16 units, so FirstIndex lands mid-text for
  // the second match; the search still steps into the right place.
  RegexWrapper w;
  ASSERT_TRUE(
      w.Create(CP936_MESSAGE_PATTERN, CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE CP936_XINXIKUANG CP936_OPEN "xyz" CP936_CLOSE));
  int position = kUnset;
  EXPECT_EQ(w.MatchText(1, &position), CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(w.SubMatchText(1, 1, &position), "abc");
  EXPECT_EQ(position, 8);
  EXPECT_EQ(w.MatchText(2, &position), CP936_XINXIKUANG CP936_OPEN "xyz" CP936_CLOSE);
  EXPECT_EQ(position, 13);
  EXPECT_EQ(w.SubMatchText(2, 1, &position), "xyz");
  EXPECT_EQ(position, 21);
}

TEST(RegexReal, PatternAndReplace) {
  struct Case {
    const char* pattern;
    const char* text;
    bool global;
    const char* replacement;
    const char* replaced;
  } const cases[] = {
      {"b+", "abbcb", true, "X", "aXcX"},
      {"b+", "abbcb", false, "X", "aXcb"},
      {"(a)(b)", "abab", true, "$2$1", "baba"},
      {"b", "abc", true, nullptr, "ac"},
      {"z", "abc", true, "X", "abc"},
      {CP936_MESSAGE_PATTERN, "x" CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE "y", true, "[$1]", "x[abc]y"},
      {"a", CP936_ZHONG "a", true, CP936_ZHONG, CP936_ZHONG CP936_ZHONG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replaced);
    RegexWrapper w;
    ASSERT_TRUE(w.Create(c.pattern, c.text, false, true, c.global));
    EXPECT_EQ(w.GetPattern(), c.pattern);
    const int count = w.MatchCount();
    const std::string first = w.MatchText(1);
    EXPECT_EQ(w.Replace(c.replacement), c.replaced);
    // The search and its results stay as they were.
    EXPECT_EQ(w.MatchCount(), count);
    EXPECT_EQ(w.MatchText(1), first);
    EXPECT_EQ(w.Replace(c.replacement), c.replaced);
  }
}

struct PositionCase {
  const char* name;
  const char* text;
  const char* pattern;
  bool caseSensitive;
  int n;
  const char* match;
  int position;
};

TEST(RegexReal, MatchPositions) {
  const PositionCase cases[] = {
      {"exact search passes the upper-case letter", "Aa", "a", true, 1, "a", 1},
      {"case-blind search finds the upper-case letter first", "Aa", "a", false, 2, "a", 0},
      {"FirstIndex itself is the start byte", "aa", "a", false, 2, "a", 0},
      {"steps over a two-byte character", CP936_ZHONG "a", "a", false, 1, "a", 2},
      {"start on a second byte misses the match", "ab" CP936_ZHONG CP936_ZHONG "x", "x", false, 1, "x", -2},
      // Empty matches come from the empty pattern: Wine's component never
      // returns from a global search with a pattern such as "x*" or "^".
      {"empty match", "abc", "", false, 1, "", 0},
      {"empty match at the end", "ab", "", false, 3, "", 0},
      {"empty match in the empty text", "", "", false, 1, "", -2},
  };
  for (const PositionCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegexWrapper w;
    ASSERT_TRUE(w.Create(c.pattern, c.text, c.caseSensitive));
    int position = kUnset;
    EXPECT_EQ(w.MatchText(c.n, &position), c.match);
    EXPECT_EQ(position, c.position);
  }
}

TEST(RegexReal, NumbersOutOfRange) {
  RegexWrapper w;
  ASSERT_TRUE(w.Create("(a)", "xaa"));
  ASSERT_EQ(w.MatchCount(), 2);
  ASSERT_EQ(w.SubMatchCount(), 1);
  const struct {
    int n, k;
  } cases[] = {{0, 1}, {-1, 1}, {3, 1}, {INT_MIN, 1}, {INT_MAX, 1}, {1, 0}, {1, 2}, {1, -1}, {2, INT_MAX}, {1, INT_MIN}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "n=" << c.n << " k=" << c.k);
    int position = kUnset;
    if (c.k == 1) {
      EXPECT_EQ(w.MatchText(c.n), "");
      EXPECT_EQ(w.MatchText(c.n, &position), "");
      EXPECT_EQ(position, 0);
    }
    position = kUnset;
    EXPECT_EQ(w.SubMatchText(c.n, c.k), "");
    EXPECT_EQ(w.SubMatchText(c.n, c.k, &position), "");
    // A group out of range is looked for from its match's FirstIndex, and the
    // empty text is found wherever a byte remains.
    EXPECT_EQ(position, 0);
  }

  RegexWrapper empty;
  ASSERT_TRUE(empty.Create("a", ""));
  int position = kUnset;
  EXPECT_EQ(empty.MatchText(1, &position), "");
  EXPECT_EQ(position, -2);
  position = kUnset;
  EXPECT_EQ(empty.SubMatchText(1, 1, &position), "");
  EXPECT_EQ(position, -2);
}

TEST(RegexReal, CopiesShareUntilTheyCreate) {
  RegexWrapper original;
  ASSERT_TRUE(original.Create("b", "abcb"));

  std::unique_ptr<RegexWrapper> copy = original.Copy();
  RegexWrapper constructed(original);
  for (RegexWrapper* w : {copy.get(), &constructed}) {
    EXPECT_EQ(w->GetPattern(), "b");
    EXPECT_EQ(w->MatchCount(), 2);
    int position = kUnset;
    EXPECT_EQ(w->MatchText(2, &position), "b");
    EXPECT_EQ(position, 3);  // the copied searched text is there too
    EXPECT_EQ(w->Replace("X"), "aXcX");
  }

  ASSERT_TRUE(copy->Create("c", "cc"));
  EXPECT_EQ(copy->GetPattern(), "c");
  EXPECT_EQ(copy->MatchCount(), 2);
  EXPECT_EQ(original.GetPattern(), "b");
  EXPECT_EQ(original.MatchCount(), 2);
  EXPECT_EQ(original.Replace("X"), "aXcX");
  EXPECT_EQ(constructed.GetPattern(), "b");

  ASSERT_TRUE(original.Create("a", "a"));
  EXPECT_EQ(constructed.GetPattern(), "b");
  EXPECT_EQ(constructed.MatchCount(), 2);
  EXPECT_EQ(constructed.Replace("Y"), "aYcY");
}

TEST(RegexReal, CopyOutlivesTheOriginal) {
  std::unique_ptr<RegexWrapper> copy;
  {
    RegexWrapper original;
    ASSERT_TRUE(original.Create("(b)", "abc"));
    copy = original.Copy();
  }
  EXPECT_EQ(copy->GetPattern(), "(b)");
  EXPECT_EQ(copy->SubMatchText(1, 1), "b");
  EXPECT_EQ(copy->Replace("X"), "aXc");
}

TEST(RegexReal, ComInitialisationIsPaired) {
  ASSERT_FALSE(comInitialisedOnThisThread());
  {
    auto w = std::make_unique<RegexWrapper>();
    EXPECT_TRUE(comInitialisedOnThisThread());
    ASSERT_TRUE(w->Create("a", "a"));
    {
      std::unique_ptr<RegexWrapper> copy = w->Copy();
      RegexWrapper constructed(*copy);
      copy.reset();
      EXPECT_TRUE(comInitialisedOnThisThread());
    }
    // The copies are gone; the original still works.
    EXPECT_TRUE(comInitialisedOnThisThread());
    EXPECT_EQ(w->MatchCount(), 1);
    std::unique_ptr<RegexWrapper> last = w->Copy();
    w.reset();
    EXPECT_TRUE(comInitialisedOnThisThread());
    EXPECT_EQ(last->MatchCount(), 1);
  }
  EXPECT_FALSE(comInitialisedOnThisThread());
}

TEST(RegexReal, QuoteMarker) {
  struct Case {
    const char* pattern;
    bool quoteMarker;
    const char* pattern2;
  } const cases[] = {
      {"a" CP936_QUOTE_MARKER "b", true, "a\"b"},
      {CP936_QUOTE_MARKER CP936_QUOTE_MARKER, true, "\"\""},
      {"a" CP936_QUOTE_MARKER "b", false, "a" CP936_QUOTE_MARKER "b"},
      {CP936_ZHONG CP936_QUOTE_MARKER, true, CP936_ZHONG "\""},
      {"#", true, "#"},
      {"", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern2);
    RegexWrapper w;
    ASSERT_TRUE(w.Create(c.pattern, "x", false, true, true, c.quoteMarker));
    EXPECT_EQ(w.GetPattern(), c.pattern2);
  }

  RegexWrapper w;
  ASSERT_TRUE(w.Create(CP936_QUOTE_MARKER "(\\w+)" CP936_QUOTE_MARKER, "say \"hi\" now", false, true, true, true));
  EXPECT_EQ(w.SubMatchText(1, 1), "hi");
  ASSERT_TRUE(w.Create(CP936_QUOTE_MARKER "(\\w+)" CP936_QUOTE_MARKER, "say \"hi\" now"));
  EXPECT_EQ(w.MatchCount(), 0);
}

}  // namespace
