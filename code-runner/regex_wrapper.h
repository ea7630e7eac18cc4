// Regular-expression searches for the code interpreter, done by the system
// component "VBScript.RegExp" through late-bound IDispatch calls. Texts are
// code page 936 byte strings; "no text" (nullptr) reads as the empty text.
// Every failure of the component is silent and gives the empty answer of the
// call's kind: "", 0 or no match collection.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "com_owners.h"

class RegexWrapper {
 public:
  // Initialises COM for the thread; the destructor uninitialises it again.
  RegexWrapper();
  // Shares the original's RegExp object and match collection (references of
  // its own) and duplicates the searched text. A copy initialises COM as well,
  // so that each destructor's CoUninitialize has its own CoInitialize.
  RegexWrapper(const RegexWrapper& other);
  RegexWrapper& operator=(const RegexWrapper&) = delete;
  RegexWrapper(RegexWrapper&&) = delete;
  RegexWrapper& operator=(RegexWrapper&&) = delete;

  virtual ~RegexWrapper();
  // The copy constructor, for callers that hold the class through a pointer.
  virtual std::unique_ptr<RegexWrapper> Copy() const;
  // Makes a new RegExp object, sets it up and searches `text`. True when the
  // search ran and gave back a match collection, even an empty one.
  virtual bool Create(const char* pattern, const char* text, bool caseSensitive = false, bool multiLine = true,
                      bool global = true, bool quoteMarker = false);
  virtual void NoOp();
  virtual std::string GetPattern() const;
  // The searched text with every match replaced; the search itself is kept.
  virtual std::string Replace(const char* replacement) const;
  virtual int MatchCount() const;
  // Match n (from 1). With `position`, also its 0-based byte offset in the
  // searched text, -2 when that cannot be found.
  virtual std::string MatchText(int n, int* position = nullptr) const;
  // Group k (from 1) of match n (from 1); `position` as for MatchText.
  virtual std::string SubMatchText(int n, int k, int* position = nullptr) const;
  // Number of groups of the first match.
  virtual int SubMatchCount() const;

 private:
  Microsoft::WRL::ComPtr<IUnknown> RegExpObject;
  Microsoft::WRL::ComPtr<IUnknown> Matches;
  Variant SearchedText;
};
