#include "engine.h"

namespace regex_engine {
namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void appendGroup(std::u16string& out, std::u16string_view text, const Match& m, std::size_t group) {
  // A group that took no part adds nothing.
  if (const std::optional<Span>& span = m.groups[group - 1]) out.append(text.substr(span->index, span->length));
}

void expand(std::u16string& out, std::u16string_view text, const Match& m, std::u16string_view replacement) {
  const std::size_t groups = m.groups.size();
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    char16_t c = replacement[i];
    if (c != u'$' || i + 1 == replacement.size()) {
      out.push_back(c);
      continue;
    }
    char16_t d = replacement[i + 1];
    if (d == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (d == u'&') {
      out.append(text.substr(m.index, m.length));
      ++i;
    } else if (d == u'`') {
      out.append(text.substr(0, m.index));
      ++i;
    } else if (d == u'\'') {
      out.append(text.substr(m.index + m.length));
      ++i;
    } else if (isDigit(d)) {
      // Two digits when they name a group, else one ("$10" with one group
      // is group 1 and a literal 0), else the text stays as written.
      std::size_t one = static_cast<std::size_t>(d - u'0');
      if (i + 2 < replacement.size() && isDigit(replacement[i + 2])) {
        std::size_t two = one * 10 + static_cast<std::size_t>(replacement[i + 2] - u'0');
        if (two >= 1 && two <= groups) {
          appendGroup(out, text, m, two);
          i += 2;
          continue;
        }
      }
      if (one >= 1 && one <= groups) {
        appendGroup(out, text, m, one);
        ++i;
      } else {
        out.push_back(c);
      }
    } else {
      out.push_back(c);
    }
  }
}

}  // namespace

std::u16string replace(const Program& program, std::u16string_view text, std::u16string_view replacement) {
  std::u16string out;
  std::size_t copied = 0;
  for (const Match& m : execute(program, text)) {
    out.append(text.substr(copied, m.index - copied));
    expand(out, text, m, replacement);
    copied = m.index + m.length;
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace regex_engine
