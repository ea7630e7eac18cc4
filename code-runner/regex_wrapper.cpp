#include "regex_wrapper.h"

#include <atomic>
#include <string>
#include <type_traits>

#include "builtin_regexp/builtin_regexp.h"
#include "builtin_regexp/wrapper_fallback.h"
#include "rt/cp936.h"
#include "rt/runtime.h"
#include "text_bytes.h"

using Microsoft::WRL::ComPtr;

namespace {

// ---------------------------------------------------------------------------
// CoInitialize and CoUninitialize, bound from the system's ole32.dll at their
// first call; the addresses then serve the rest of the run.

using CoInitializeFunction = HRESULT(STDAPICALLTYPE*)(LPVOID);
using CoUninitializeFunction = void(STDAPICALLTYPE*)();
// The bound addresses are called through these types, so they must be exactly
// the declared ones, calling convention included (it differs on x86).
static_assert(std::is_same_v<CoInitializeFunction, decltype(&::CoInitialize)>);
static_assert(std::is_same_v<CoUninitializeFunction, decltype(&::CoUninitialize)>);

// GetProcAddress hands back every function as FARPROC; going through void*
// is the documented way to give it its real type.
template <typename Function>
Function functionAt(FARPROC address) {
  static_assert(std::is_pointer_v<Function> && std::is_function_v<std::remove_pointer_t<Function>>);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

FARPROC ole32Function(const char* name) {
  // The system folder only: the program runs elevated, and a DLL of that name
  // placed beside it must never be loaded instead.
  static const Module ole32(LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (ole32.get() == nullptr) {
    const std::string what = std::string("The library ole32.dll cannot be loaded for its function ") + name + ".";
    rt::fatal(what.c_str());
  }
  const FARPROC address = GetProcAddress(ole32.get(), name);
  if (address == nullptr) {
    const std::string what = std::string("The function ") + name + " cannot be found in the library ole32.dll.";
    rt::fatal(what.c_str());
  }
  return address;
}

void coInitialize() {
  static const CoInitializeFunction function = functionAt<CoInitializeFunction>(ole32Function("CoInitialize"));
  function(nullptr);  // S_FALSE (already initialised) still counts and is paired in the destructor
}

void coUninitialize() {
  static const CoUninitializeFunction function = functionAt<CoUninitializeFunction>(ole32Function("CoUninitialize"));
  function();
}

// ---------------------------------------------------------------------------
// Conversions at the COM boundary. A failed conversion gives the empty value.

// VariantChangeType only reads its source; its declaration merely lacks the const.
bool changeType(Variant& to, const VARIANT& from, VARTYPE type) {
  return SUCCEEDED(VariantChangeType(to.receive(), const_cast<VARIANT*>(&from), 0, type));
}

std::string textOf(const VARIANT& value) {
  Variant text;
  if (!changeType(text, value, VT_BSTR)) return std::string();
  const BSTR bstr = text.get().bstrVal;
  return rt::fromWide(bstr, SysStringLen(bstr));
}

double numberOf(const VARIANT& value) {
  Variant number;
  return changeType(number, value, VT_R8) ? number.get().dblVal : 0.0;
}

ComPtr<IUnknown> objectOf(const VARIANT& value) {
  Variant object;
  if (!changeType(object, value, VT_UNKNOWN)) return nullptr;
  return ComPtr<IUnknown>(object.get().punkVal);  // a reference of its own; `object` drops the other
}

Variant textValue(const char* text) { return Variant::fromWide(rt::toWide(text)); }

// ---------------------------------------------------------------------------
// Late-bound calls: the member is looked up by name on the object's IDispatch
// at each call, so nothing about the component is assumed between calls.

enum class Access : WORD {
  Get = DISPATCH_PROPERTYGET,
  Put = DISPATCH_PROPERTYPUT,
  Call = DISPATCH_METHOD,
};

// The arguments of one Invoke, last to first as IDispatch takes them. They are
// copies owned here: a component may coerce an argument in place, and whatever
// it leaves is cleared with the list.
class Arguments {
 public:
  Arguments(const VARIANT* first, const VARIANT* second) noexcept {
    for (const VARIANT* argument : {second, first}) {
      if (argument == nullptr) continue;
      VARIANTARG& slot = items_[count_];
      VariantInit(&slot);
      if (FAILED(VariantCopy(&slot, const_cast<VARIANT*>(argument)))) {
        complete_ = false;
        return;
      }
      ++count_;
    }
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  ~Arguments() {
    for (UINT i = 0; i < count_; ++i) VariantClear(&items_[i]);
  }
  bool complete() const noexcept { return complete_; }
  VARIANTARG* items() noexcept { return count_ == 0 ? nullptr : items_; }
  UINT count() const noexcept { return count_; }

 private:
  VARIANTARG items_[2];
  UINT count_ = 0;
  bool complete_ = true;
};

// Calls `name` of `object` with up to two arguments, given in call order. The
// result is VT_EMPTY when anything fails, including an error the component raises.
Variant invoke(IUnknown* object, const wchar_t* name, Access access, const VARIANT* first = nullptr,
               const VARIANT* second = nullptr) {
  Variant result;
  if (object == nullptr) return result;
  ComPtr<IDispatch> dispatch;
  if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()))) ||
      dispatch == nullptr)
    return result;
  std::wstring member(name);
  LPOLESTR names[] = {member.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return result;

  Arguments arguments(first, second);
  if (!arguments.complete()) return result;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{arguments.items(), nullptr, arguments.count(), 0};
  if (access == Access::Put) {
    parameters.rgdispidNamedArgs = &putId;
    parameters.cNamedArgs = 1;
  }
  ExceptionInfo exception;
  UINT badArgument = 0;
  const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(access), &parameters,
                                      access == Access::Put ? nullptr : result.receive(), exception.get(),
                                      &badArgument);
  if (FAILED(hr)) result.clear();
  return result;
}

Variant get(IUnknown* object, const wchar_t* name, const VARIANT* argument = nullptr) {
  return invoke(object, name, Access::Get, argument);
}

// Writes are not checked: a member the component lacks is simply not set.
void put(IUnknown* object, const wchar_t* name, const Variant& value) {
  invoke(object, name, Access::Put, &value.get());
}

// The system's RegExp object, running; empty when any step fails.
ComPtr<IUnknown> makeSystemRegExp() {
  CLSID id;
  if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &id))) return nullptr;
  ComPtr<IUnknown> object;
  if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()))))
    return nullptr;
  // An object that will not run is dropped, which releases it.
  if (FAILED(OleRun(object.Get()))) return nullptr;
  return object;
}

std::atomic<bool> builtinFallback{true};

// A new RegExp object: the system's while there is one, so that searches
// behave as they always have; our own where Windows no longer carries it.
// Empty only when neither can be made.
ComPtr<IUnknown> makeRegExp() {
  ComPtr<IUnknown> object = makeSystemRegExp();
  if (object == nullptr && builtinFallback.load())
    builtin_regexp::createRegExp(IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
  return object;
}

// Where the text `found` of `match` lies in the searched text: see matchOffset.
int positionOf(const std::string& found, IUnknown* match, IUnknown* regExp, const VARIANT& searched) {
  const std::string text = textOf(searched);
  const int firstIndex = truncateToInt(numberOf(get(match, L"FirstIndex").get()));
  const std::string ignoreCase = textOf(get(regExp, L"IgnoreCase").get());
  return matchOffset(text.c_str(), found.c_str(), firstIndex, ignoreCase.c_str());
}

// Item numbers go to the component as doubles; n - 1 is formed in double so
// that no int can overflow.
Variant itemNumber(int n) { return Variant::fromDouble(static_cast<double>(n) - 1.0); }

}  // namespace

void setBuiltinRegExpFallback(bool enabled) { builtinFallback.store(enabled); }

RegexWrapper::RegexWrapper() : SearchedText(Variant::fromInt(0)) { coInitialize(); }

RegexWrapper::RegexWrapper(const RegexWrapper& other) : RegExpObject(other.RegExpObject), Matches(other.Matches) {
  SearchedText.copyFrom(other.SearchedText.get());
  coInitialize();
}

RegexWrapper::~RegexWrapper() {
  // Everything COM is let go of while COM is still initialised for the thread.
  RegExpObject.Reset();
  Matches.Reset();
  SearchedText.clear();
  coUninitialize();
}

std::unique_ptr<RegexWrapper> RegexWrapper::Copy() const { return std::make_unique<RegexWrapper>(*this); }

bool RegexWrapper::Create(const char* pattern, const char* text, bool caseSensitive, bool multiLine, bool global,
                          bool quoteMarker) {
  const bool ignoreCase = !caseSensitive;
  RegExpObject.Reset();
  Matches.Reset();
  RegExpObject = makeRegExp();

  put(RegExpObject.Get(), L"IgnoreCase", Variant::fromFlag(ignoreCase));
  put(RegExpObject.Get(), L"Multiline", Variant::fromFlag(multiLine));
  put(RegExpObject.Get(), L"Singleline", Variant::fromFlag(true));
  put(RegExpObject.Get(), L"Global", Variant::fromFlag(global));
  if (quoteMarker) {
    put(RegExpObject.Get(), L"Pattern", textValue(replaceQuoteMarkers(pattern).c_str()));
  } else {
    put(RegExpObject.Get(), L"Pattern", textValue(pattern));
  }

  SearchedText.clear();
  SearchedText = textValue(text);
  Matches = objectOf(invoke(RegExpObject.Get(), L"Execute", Access::Call, &SearchedText.get()).get());
  return Matches != nullptr;
}

void RegexWrapper::NoOp() {}

std::string RegexWrapper::GetPattern() const {
  const bool noObject = RegExpObject == nullptr;
  std::string pattern = textOf(get(RegExpObject.Get(), L"Pattern").get());
  return noObject ? std::string() : pattern;
}

std::string RegexWrapper::Replace(const char* replacement) const {
  Variant with = textValue(replacement);
  const Variant result = invoke(RegExpObject.Get(), L"Replace", Access::Call, &SearchedText.get(), &with.get());
  with.clear();
  return textOf(result.get());
}

int RegexWrapper::MatchCount() const { return truncateToInt(numberOf(get(Matches.Get(), L"Count").get())); }

std::string RegexWrapper::MatchText(int n, int* position) const {
  const Variant number = itemNumber(n);
  ComPtr<IUnknown> match = objectOf(get(Matches.Get(), L"Item", &number.get()).get());
  std::string text = textOf(get(match.Get(), L"Value").get());
  if (position != nullptr) *position = positionOf(text, match.Get(), RegExpObject.Get(), SearchedText.get());
  match.Reset();
  return text;
}

std::string RegexWrapper::SubMatchText(int n, int k, int* position) const {
  const Variant matchNumber = itemNumber(n);
  ComPtr<IUnknown> match = objectOf(get(Matches.Get(), L"Item", &matchNumber.get()).get());
  ComPtr<IUnknown> groups = objectOf(get(match.Get(), L"SubMatches").get());
  const Variant groupNumber = itemNumber(k);
  std::string text = textOf(get(groups.Get(), L"Item", &groupNumber.get()).get());
  // The group is looked for from where the whole match begins.
  if (position != nullptr) *position = positionOf(text, match.Get(), RegExpObject.Get(), SearchedText.get());
  match.Reset();
  groups.Reset();
  return text;
}

int RegexWrapper::SubMatchCount() const {
  const Variant first = Variant::fromInt(0);
  ComPtr<IUnknown> match = objectOf(get(Matches.Get(), L"Item", &first.get()).get());
  ComPtr<IUnknown> groups = objectOf(get(match.Get(), L"SubMatches").get());
  match.Reset();
  const double count = numberOf(get(groups.Get(), L"Count").get());
  groups.Reset();
  return truncateToInt(count);
}
