// A bracketed character class, or one of the \d \w \s families, as a sorted
// set of code-unit ranges.
#pragma once

#include <utility>
#include <vector>

namespace regex_engine {

enum class ClassEscape { Digit, Word, Space };

class CharClass {
 public:
  void addRange(char16_t lo, char16_t hi);
  void addChar(char16_t c) { addRange(c, c); }
  // \d \w \s, or with `complement` \D \W \S.
  void addEscape(ClassEscape kind, bool complement);
  void setNegated(bool negated) { negated_ = negated; }
  // Sorts and merges; call once, after the last add.
  void finish();

  bool matches(char16_t c, bool ignoreCase) const;

 private:
  bool contains(char16_t c) const;

  std::vector<std::pair<char16_t, char16_t>> ranges_;
  bool negated_ = false;
};

bool isWordChar(char16_t c);
bool isLineTerminator(char16_t c);

}  // namespace regex_engine
