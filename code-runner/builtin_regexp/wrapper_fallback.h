// For tests: whether RegexWrapper turns to the built-in RegExp object when
// the system's "VBScript.RegExp" cannot be made. It does unless a test turns
// it off, to see how the wrapper behaves with no component at all. Defined
// with the wrapper, in regex_wrapper.cpp.
#pragma once

void setBuiltinRegExpFallback(bool enabled);
