// Drives a RegExp automation object the way a script would: every member by
// name through IDispatch, nothing known about the object beyond that. The
// system's component and ours go through the same calls, so their answers
// can be compared field by field.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <ostream>
#include <string>
#include <vector>

#include "com_owners.h"

namespace regexp_client {

using Microsoft::WRL::ComPtr;

// The system's "VBScript.RegExp", or null when it cannot be made.
ComPtr<IDispatch> makeSystem();
ComPtr<IDispatch> makeBuiltin();

// One Invoke of `name`, arguments in call order. A write passes its value
// as the only argument, named DISPID_PROPERTYPUT.
HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<const VARIANT*>& arguments,
               Variant* result);
HRESULT get(IDispatch* object, const wchar_t* name, Variant& result, const VARIANT* argument = nullptr);
HRESULT put(IDispatch* object, const wchar_t* name, const Variant& value);
ComPtr<IDispatch> objectOf(const Variant& value);

// A value as the caller sees it: its type and its text (VT_BSTR coercion).
struct Seen {
  VARTYPE type = VT_EMPTY;
  std::wstring text;
  friend bool operator==(const Seen& a, const Seen& b) { return a.type == b.type && a.text == b.text; }
};
Seen seen(const Variant& value);

struct MatchSeen {
  Seen value, firstIndex, length, groupCount;
  std::vector<Seen> groups;
  friend bool operator==(const MatchSeen& a, const MatchSeen& b) {
    return a.value == b.value && a.firstIndex == b.firstIndex && a.length == b.length &&
           a.groupCount == b.groupCount && a.groups == b.groups;
  }
};

struct Settings {
  std::wstring pattern;
  bool ignoreCase = false;
  bool multiline = false;
  bool global = false;
};

// Everything one search shows: whether Execute succeeded, the collection's
// Count and every match read through Item, and what Replace made of the
// same text. Only success is compared for a failed call, not its HRESULT:
// components may fail in different words.
struct Outcome {
  bool executed = false;
  Seen count;
  std::vector<MatchSeen> matches;
  // Item one past the end must fail.
  bool itemPastEndFails = false;
  bool replaced = false;
  std::wstring replacement;  // the replaced text
  friend bool operator==(const Outcome& a, const Outcome& b) {
    return a.executed == b.executed && a.count == b.count && a.matches == b.matches &&
           a.itemPastEndFails == b.itemPastEndFails && a.replaced == b.replaced && a.replacement == b.replacement;
  }
};

// Sets the object up, then Execute(text) and Replace(text, replacement).
Outcome run(IDispatch* regExp, const Settings& settings, const std::wstring& text, const std::wstring& replacement);

// Readable forms for test messages: texts written as C++ string literals
// would be, so that a failing case can be pasted into a table.
std::string show(const std::wstring& text);
std::string show(const Settings& settings);
void PrintTo(const Seen& seen, std::ostream* out);
void PrintTo(const MatchSeen& match, std::ostream* out);
void PrintTo(const Outcome& outcome, std::ostream* out);

}  // namespace regexp_client
