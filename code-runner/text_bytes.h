// Byte-level text work on code page 936 byte strings: no Windows headers, so
// the same code is built for the host and checked under the sanitizers.
//
// A byte >= 0x80 begins a two-byte character together with the byte after it.
// Every routine here takes "no text" (nullptr) as the empty text and never
// reads past a string's terminating zero, also when a string ends in a lone
// lead byte.
#pragma once

#include <string>

// 0 when equal, else -1 or +1 by the first differing byte, compared unsigned
// (-1 when a's byte is the smaller). Nothing is trimmed or case-folded.
int compareText(const char* a, const char* b);

// The quote marker "#引号" (23 D2 FD BA C5) that stands for a double quote in
// patterns written where a literal quote cannot be typed.
inline constexpr char kQuoteMarker[] = "\x23\xD2\xFD\xBA\xC5";

// Each quote marker that begins a character, left to right and without
// overlap, becomes one double quote (0x22); everything else is copied.
std::string replaceQuoteMarkers(const char* pattern);

// Not-found answer of findText.
inline constexpr int kNotFound = -1;

// 1-based byte position of the first occurrence of `sought` in `text` at or
// after the 1-based byte position `start`, stepping a character at a time;
// kNotFound when there is none. With ignoreCase, the bytes A-Z equal a-z
// wherever they stand, including the second byte of a two-byte character.
// An empty `sought` is found at position 1 whenever a byte remains at `start`.
int findText(const char* text, const char* sought, int start, bool ignoreCase);

// A component number (a double) truncated toward zero to an int; NaN gives 0,
// values beyond the int range give its nearest end.
int truncateToInt(double value);

// Where the text of a match lies in the searched text, as a 0-based byte
// offset: the search starts at the byte position equal to the match's
// FirstIndex (which counts UTF-16 units from 0) and ignores letter case unless
// `ignoreCaseText` (the regular expression's IgnoreCase read as text) is
// exactly "0". Not found gives -2.
int matchOffset(const char* searched, const char* matchText, int firstIndex, const char* ignoreCaseText);
