// code-runner's own RegExp automation object, for when the system's
// "VBScript.RegExp" cannot be made (Windows without VBScript). It answers the
// same members through IDispatch as the system's, by name: Pattern,
// IgnoreCase, Global, Multiline, Execute and Replace; Execute's matches have
// Count and Item, each match Value, FirstIndex, Length and SubMatches.
// Texts are UTF-16 and positions count UTF-16 code units, as there. Patterns
// the regex engine does not carry (back-references, look-around) make
// Execute and Replace fail, which callers see as no search at all.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace builtin_regexp {

// A new object with an empty pattern and every flag off, as the interface
// `riid` (IUnknown or IDispatch). Made directly: there is no class to register.
HRESULT createRegExp(REFIID riid, void** object);

}  // namespace builtin_regexp
