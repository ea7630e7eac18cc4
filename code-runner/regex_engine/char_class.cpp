#include "char_class.h"

#include <algorithm>
#include <iterator>

#include "case_fold.h"

namespace regex_engine {
namespace {

using Range = std::pair<char16_t, char16_t>;

constexpr Range kDigit[] = {{u'0', u'9'}};
constexpr Range kWord[] = {{u'0', u'9'}, {u'A', u'Z'}, {u'_', u'_'}, {u'a', u'z'}};
// The documented white space of the VBScript dialect: space, \t \n \v \f \r.
// Unicode spaces such as U+3000 are not in it.
constexpr Range kSpace[] = {{u'\t', u'\r'}, {u' ', u' '}};

}  // namespace

bool isWordChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool isLineTerminator(char16_t c) { return c == u'\n' || c == u'\r'; }

void CharClass::addRange(char16_t lo, char16_t hi) { ranges_.emplace_back(lo, hi); }

void CharClass::addEscape(ClassEscape kind, bool complement) {
  const Range* begin = kDigit;
  const Range* end = std::end(kDigit);
  if (kind == ClassEscape::Word) {
    begin = kWord;
    end = std::end(kWord);
  } else if (kind == ClassEscape::Space) {
    begin = kSpace;
    end = std::end(kSpace);
  }
  if (!complement) {
    ranges_.insert(ranges_.end(), begin, end);
    return;
  }
  // The tables are sorted and disjoint, so the gaps between them are the
  // complement.
  char32_t from = 0;
  for (const Range* r = begin; r != end; ++r) {
    if (r->first > from) addRange(static_cast<char16_t>(from), static_cast<char16_t>(r->first - 1));
    from = static_cast<char32_t>(r->second) + 1;
  }
  if (from <= 0xFFFF) addRange(static_cast<char16_t>(from), 0xFFFF);
}

void CharClass::finish() {
  std::sort(ranges_.begin(), ranges_.end());
  std::vector<Range> merged;
  for (const Range& r : ranges_) {
    if (!merged.empty() && static_cast<char32_t>(r.first) <= static_cast<char32_t>(merged.back().second) + 1) {
      merged.back().second = std::max(merged.back().second, r.second);
    } else {
      merged.push_back(r);
    }
  }
  ranges_ = std::move(merged);
}

bool CharClass::contains(char16_t c) const {
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), c,
                             [](char16_t value, const Range& r) { return value < r.first; });
  return it != ranges_.begin() && c <= std::prev(it)->second;
}

bool CharClass::matches(char16_t c, bool ignoreCase) const {
  bool hit = contains(c);
  if (ignoreCase) {
    // A member matches every case form of itself, and negation applies to
    // that widened set: [^a] with IgnoreCase rejects "A" as well.
    for (char16_t form = nextCaseForm(c); !hit && form != c; form = nextCaseForm(form)) hit = contains(form);
  }
  return hit != negated_;
}

}  // namespace regex_engine
