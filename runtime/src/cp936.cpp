#include "rt/cp936.h"

#include <windows.h>

#include <climits>

namespace rt {

std::wstring toWide(const char* bytes) {
  if (bytes == nullptr || *bytes == '\0') return std::wstring();
  return toWide(std::string(bytes));
}

std::wstring toWide(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(kCodePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(kCodePage, 0, bytes.data(), length, wide.data(), needed);
  return wide;
}

std::string fromWide(const wchar_t* text, std::size_t length) {
  if (text == nullptr || length == 0 || length > INT_MAX) return std::string();
  const int count = static_cast<int>(length);
  const int needed = WideCharToMultiByte(kCodePage, 0, text, count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(kCodePage, 0, text, count, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

std::string fromWide(const std::wstring& text) { return fromWide(text.data(), text.size()); }

}  // namespace rt
