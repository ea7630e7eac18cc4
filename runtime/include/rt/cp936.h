// The one crossing between the programs' code page 936 bytes and UTF-16.
// Code page 936 is named explicitly, so texts read the same in every locale.
#pragma once

#include <string>

namespace rt {

constexpr unsigned kCodePage = 936;

// No text (nullptr) converts like the empty text.
std::wstring toWide(const char* bytes);
std::wstring toWide(const std::string& bytes);

// Characters that code page 936 cannot hold become the default character "?".
std::string fromWide(const wchar_t* text, std::size_t length);
std::string fromWide(const std::wstring& text);

}  // namespace rt
