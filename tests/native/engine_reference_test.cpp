// The Pike VM against the backtracking reference, over every short pattern
// built from a set of tokens and every short text over a small alphabet.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_reference.h"
#include "engine_test_support.h"
#include "parser.h"

using engine_test::render;
using engine_test::utf8;

namespace {

std::vector<std::u16string> allTexts(std::u16string_view alphabet, std::size_t maxLength) {
  std::vector<std::u16string> texts{u""};
  for (std::size_t begin = 0, length = 1; length <= maxLength; ++length) {
    std::size_t end = texts.size();
    for (std::size_t i = begin; i < end; ++i) {
      for (char16_t c : alphabet) texts.push_back(texts[i] + c);
    }
    begin = end;
  }
  return texts;
}

// Returns how many (pattern, text, flags) triples were compared.
std::size_t compareAll(const std::vector<std::u16string_view>& tokens, std::size_t maxTokens,
                       const std::vector<std::u16string>& texts) {
  std::vector<std::u16string> patterns{u""};
  for (std::size_t begin = 0, length = 1; length <= maxTokens; ++length) {
    std::size_t end = patterns.size();
    for (std::size_t i = begin; i < end; ++i) {
      for (std::u16string_view t : tokens) patterns.push_back(patterns[i] + std::u16string(t));
    }
    begin = end;
  }
  std::size_t compared = 0;
  for (const std::u16string& pattern : patterns) {
    std::optional<regex_engine::Ast> ast = regex_engine::parse(pattern);
    for (const char* f : {"g", "gim"}) {
      regex_engine::Options options = engine_test::flags(f);
      auto program = regex_engine::compile(pattern, options);
      EXPECT_EQ(program.has_value(), ast.has_value()) << utf8(pattern);
      if (!program || !ast) continue;
      for (const std::u16string& text : texts) {
        engine_test::ReferenceResult expected = engine_test::referenceExecute(*ast, options, text, 200000);
        if (expected.gaveUp) continue;
        ++compared;
        std::string got = render(regex_engine::execute(*program, text), text);
        std::string want = render(expected.matches, text);
        if (got != want) {
          ADD_FAILURE() << "/" << utf8(pattern) << "/" << f << " on \"" << utf8(text) << "\"\n  vm:        " << got
                        << "\n  reference: " << want;
          return compared;
        }
      }
    }
  }
  return compared;
}

TEST(EngineReference, AgreesOnAllShortPatterns) {
  const std::vector<std::u16string_view> tokens = {
      u"a", u"b", u"(", u")", u"|", u"*", u"+", u"?", u"*?", u"{1,2}", u"{2}", u"(?:", u"^", u"$", u"\\b", u"[ab]",
      u".", u"A",
  };
  // A floor on the comparisons made, so that a parser refusing too much
  // cannot pass this by comparing nothing.
  EXPECT_GT(compareAll(tokens, 3, allTexts(u"abA\n", 3)), 100000u);
}

// Longer patterns over fewer tokens, to reach nested groups and repetitions.
TEST(EngineReference, AgreesOnNestedRepetitions) {
  const std::vector<std::u16string_view> tokens = {u"a", u"(", u")", u"|", u"*", u"?", u"??", u"{0,2}"};
  EXPECT_GT(compareAll(tokens, 5, allTexts(u"ab", 4)), 20000u);
}

// Lazy loops inside greedy ones (and the other way round), where an outer
// iteration can start again at the very position a lazy inner loop is
// deciding whether to stop.
TEST(EngineReference, AgreesOnLazyInsideGreedy) {
  const std::vector<std::u16string_view> tokens = {u"a", u"b", u"(", u"(?:", u")", u"*", u"+", u"*?", u"a*?"};
  EXPECT_GT(compareAll(tokens, 5, allTexts(u"ab", 4)), 20000u);
}

}  // namespace
