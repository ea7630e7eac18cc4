// Case-insensitive comparison for IgnoreCase. Two characters are equal when
// their folded forms are, the folded form being the simple upper-case letter
// for ASCII, Latin-1, Latin Extended-A, basic Greek, Cyrillic and full-width
// Latin. A non-ASCII letter never folds onto ASCII (so the dotless i and the
// long s stay apart from I and S), as in the JScript dialect.
#pragma once

namespace regex_engine {

char16_t foldCase(char16_t c);

// The next character with the same folded form as `c`, cycling back to `c`;
// `c` itself when it has no other case forms. Lets a character class be
// tested against each case form of a text character instead of expanding
// its ranges.
char16_t nextCaseForm(char16_t c);

}  // namespace regex_engine
