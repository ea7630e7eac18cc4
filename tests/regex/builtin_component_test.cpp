// code-runner's own RegExp object on its own: COM identity and reference
// counts, name lookup, every check Invoke makes, and its answers, including
// those where Wine's component cannot serve as the reference.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builtin_regexp/builtin_regexp.h"
#include "regexp_client.h"

using namespace regexp_client;

namespace {

constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x800A0005);
constexpr HRESULT kPatternSyntax = static_cast<HRESULT>(0x800A1399);

#define XINXIKUANG L"\u4FE1\u606F\u6846"  // 信息框
#define OPEN L"\uFF08"                     // （
#define CLOSE L"\uFF09"                    // ）
#define MESSAGE_PATTERN XINXIKUANG OPEN L"(.*?)" CLOSE
#define SMILE L"\U0001F600"                // one character, two UTF-16 units

class BuiltinRegExp : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    regExp = makeBuiltin();
    ASSERT_NE(regExp, nullptr);
  }
  void TearDown() override {
    regExp.Reset();
    CoUninitialize();
  }

  // The match collection of a search, its first match and that match's groups.
  ComPtr<IDispatch> matchesOf(const Settings& settings, const std::wstring& text) {
    put(regExp.Get(), L"Pattern", Variant::fromWide(settings.pattern));
    put(regExp.Get(), L"IgnoreCase", Variant::fromFlag(settings.ignoreCase));
    put(regExp.Get(), L"Multiline", Variant::fromFlag(settings.multiline));
    put(regExp.Get(), L"Global", Variant::fromFlag(settings.global));
    const Variant argument = Variant::fromWide(text);
    Variant matches;
    EXPECT_EQ(invoke(regExp.Get(), L"Execute", DISPATCH_METHOD, {&argument.get()}, &matches), S_OK);
    return objectOf(matches);
  }
  ComPtr<IDispatch> item(IDispatch* collection, LONG index) {
    const Variant number = Variant::fromInt(index);
    Variant value;
    EXPECT_EQ(get(collection, L"Item", value, &number.get()), S_OK);
    return objectOf(value);
  }
  ComPtr<IDispatch> groupsOf(IDispatch* match) {
    Variant value;
    EXPECT_EQ(get(match, L"SubMatches", value), S_OK);
    return objectOf(value);
  }

  ComPtr<IDispatch> regExp;
};

DISPID idOf(IDispatch* object, const wchar_t* name) {
  std::wstring member(name);
  LPOLESTR names[] = {member.data()};
  DISPID id = 12345;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

// One Invoke with everything under the caller's control. Arguments are given
// in call order and owned here; named ones are named in `names`, in the same
// order as the arguments they belong to. The result starts as garbage, as
// callers may hand it over uninitialised.
struct Call {
  HRESULT hr = E_FAIL;
  Variant result;
  UINT badArgument = 999;
  HRESULT raised = S_OK;          // EXCEPINFO scode
  bool described = false;         // EXCEPINFO bstrDescription set
};

Call call(IDispatch* object, DISPID id, WORD flags, const std::vector<const VARIANT*>& arguments,
          std::vector<DISPID> names = {}, bool wantResult = true, bool wantException = true,
          const IID& riid = IID_NULL) {
  std::vector<VARIANTARG> slots(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    VARIANTARG& slot = slots[arguments.size() - 1 - i];
    VariantInit(&slot);
    VariantCopy(&slot, const_cast<VARIANT*>(arguments[i]));
  }
  DISPPARAMS parameters{slots.empty() ? nullptr : slots.data(), names.empty() ? nullptr : names.data(),
                        static_cast<UINT>(slots.size()), static_cast<UINT>(names.size())};
  Call c;
  VARIANT* result = c.result.receive();
  // What a careless caller leaves in its VARIANT: the object must write over
  // it without freeing it.
  result->vt = VT_BSTR;
  result->bstrVal = reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x10));
  ExceptionInfo exception;
  c.hr = object->Invoke(id, riid, LOCALE_USER_DEFAULT, flags, &parameters, wantResult ? result : nullptr,
                        wantException ? exception.get() : nullptr, &c.badArgument);
  if (!wantResult || FAILED(c.hr)) {
    if (result->vt == VT_BSTR && result->bstrVal == reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x10)))
      VariantInit(result);  // untouched garbage; never to be freed
  }
  c.raised = exception.get()->scode;
  c.described = exception.get()->bstrDescription != nullptr;
  for (VARIANTARG& slot : slots) VariantClear(&slot);
  return c;
}

// ---------------------------------------------------------------------------
// COM identity and lifetime

TEST_F(BuiltinRegExp, EveryObjectAnswersIUnknownAndIDispatchOnly) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"(a)", false, false, true}, L"a");
  ComPtr<IDispatch> match = item(matches.Get(), 0);
  ComPtr<IDispatch> groups = groupsOf(match.Get());
  const struct {
    const char* name;
    IDispatch* object;
  } objects[] = {
      {"RegExp", regExp.Get()}, {"matches", matches.Get()}, {"match", match.Get()}, {"groups", groups.Get()}};
  for (const auto& o : objects) {
    SCOPED_TRACE(o.name);
    ASSERT_NE(o.object, nullptr);
    ComPtr<IUnknown> unknown, unknownAgain;
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(o.object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf())), S_OK);
    ASSERT_EQ(o.object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf())), S_OK);
    ASSERT_EQ(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknownAgain.GetAddressOf())), S_OK);
    EXPECT_EQ(unknown.Get(), unknownAgain.Get());  // one identity, whichever way it is asked
    for (const IID* other : {&IID_IRunnableObject, &IID_IClassFactory, &IID_IEnumVARIANT, &IID_ITypeInfo}) {
      void* out = reinterpret_cast<void*>(1);
      EXPECT_EQ(o.object->QueryInterface(*other, &out), E_NOINTERFACE);
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(o.object->QueryInterface(IID_IDispatch, nullptr), E_POINTER);

    UINT count = 7;
    EXPECT_EQ(o.object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_TRUE(FAILED(o.object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)));
    EXPECT_EQ(info, nullptr);
  }
}

TEST_F(BuiltinRegExp, ReferenceCountsGoUpAndDownByOne) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"a", false, false, false}, L"a");
  ComPtr<IDispatch> match = item(matches.Get(), 0);
  ComPtr<IDispatch> groups = groupsOf(match.Get());
  for (IDispatch* object : {regExp.Get(), matches.Get(), match.Get(), groups.Get()}) {
    EXPECT_EQ(object->AddRef(), 2u);  // each is held once, here
    EXPECT_EQ(object->AddRef(), 3u);
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
  }
  // A new object has exactly the reference it was made with.
  IDispatch* fresh = nullptr;
  ASSERT_EQ(builtin_regexp::createRegExp(IID_IDispatch, reinterpret_cast<void**>(&fresh)), S_OK);
  EXPECT_EQ(fresh->Release(), 0u);

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(builtin_regexp::createRegExp(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(builtin_regexp::createRegExp(IID_IDispatch, nullptr), E_POINTER);
}

TEST_F(BuiltinRegExp, ResultsOutliveWhatMadeThemAndIgnoreLaterChanges) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"(b)", false, false, true}, L"abcb");
  // Everything else goes: the search result stands on its own.
  put(regExp.Get(), L"Pattern", Variant::fromWide(L"c"));
  regExp.Reset();
  ComPtr<IDispatch> match = item(matches.Get(), 1);
  matches.Reset();
  ComPtr<IDispatch> groups = groupsOf(match.Get());
  match.Reset();
  Variant count, group;
  EXPECT_EQ(get(groups.Get(), L"Count", count), S_OK);
  EXPECT_EQ(seen(count).text, L"1");
  const Variant zero = Variant::fromInt(0);
  EXPECT_EQ(get(groups.Get(), L"Item", group, &zero.get()), S_OK);
  EXPECT_EQ(seen(group), (Seen{VT_BSTR, L"b"}));
}

// ---------------------------------------------------------------------------
// Names

TEST_F(BuiltinRegExp, NamesAreFoundWithoutRegardToCase) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"(a)", false, false, true}, L"a");
  ComPtr<IDispatch> match = item(matches.Get(), 0);
  ComPtr<IDispatch> groups = groupsOf(match.Get());
  const struct {
    IDispatch* object;
    std::vector<const wchar_t*> spellings;  // the first is the member's own
  } cases[] = {
      {regExp.Get(), {L"Pattern", L"pattern", L"PATTERN", L"pAtTeRn"}},
      {regExp.Get(), {L"IgnoreCase", L"ignorecase", L"IGNORECASE"}},
      {regExp.Get(), {L"Global", L"global", L"GLOBAL"}},
      {regExp.Get(), {L"Multiline", L"multiline", L"MultiLine"}},
      {regExp.Get(), {L"Execute", L"execute", L"EXECUTE"}},
      {regExp.Get(), {L"Replace", L"replace", L"REPLACE"}},
      {matches.Get(), {L"Count", L"count"}},
      {matches.Get(), {L"Item", L"item", L"ITEM"}},
      {match.Get(), {L"Value", L"value"}},
      {match.Get(), {L"FirstIndex", L"firstindex", L"FIRSTINDEX"}},
      {match.Get(), {L"Length", L"length"}},
      {match.Get(), {L"SubMatches", L"submatches"}},
      {groups.Get(), {L"Count", L"COUNT"}},
      {groups.Get(), {L"Item", L"iTEM"}},
  };
  std::vector<DISPID> regExpIds;
  for (const auto& c : cases) {
    const DISPID id = idOf(c.object, c.spellings[0]);
    EXPECT_NE(id, DISPID_UNKNOWN) << c.spellings[0];
    for (const wchar_t* spelling : c.spellings) EXPECT_EQ(idOf(c.object, spelling), id) << show(spelling);
    if (c.object == regExp.Get()) regExpIds.push_back(id);
  }
  // Six members, six numbers.
  std::sort(regExpIds.begin(), regExpIds.end());
  EXPECT_EQ(std::unique(regExpIds.begin(), regExpIds.end()), regExpIds.end());
  // The collections' default member is Item, a match's is Value.
  EXPECT_EQ(idOf(matches.Get(), L"Item"), DISPID_VALUE);
  EXPECT_EQ(idOf(groups.Get(), L"Item"), DISPID_VALUE);
  EXPECT_EQ(idOf(match.Get(), L"Value"), DISPID_VALUE);
}

TEST_F(BuiltinRegExp, UnknownNamesAreRefused) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"a", false, false, true}, L"a");
  ComPtr<IDispatch> match = item(matches.Get(), 0);
  const struct {
    IDispatch* object;
    const wchar_t* name;
  } cases[] = {
      {regExp.Get(), L"Singleline"},  // the wrapper writes it; the system's has none either
      {regExp.Get(), L"Test"},
      {regExp.Get(), L"Patterns"},
      {regExp.Get(), L"Patter"},
      {regExp.Get(), L""},
      {regExp.Get(), L"Count"},
      {regExp.Get(), L"\u0130gnoreCase"},  // dotted capital I: only ASCII letters pair up
      {regExp.Get(), L"Pattern "},
      {matches.Get(), L"Value"},
      {matches.Get(), L"_NewEnum"},
      {match.Get(), L"Item"},
      {match.Get(), L"Pattern"},
  };
  for (const auto& c : cases) {
    std::wstring member(c.name);
    LPOLESTR names[] = {member.data()};
    DISPID id = 12345;
    EXPECT_EQ(c.object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME)
        << show(c.name);
    EXPECT_EQ(id, DISPID_UNKNOWN) << show(c.name);
  }
}

TEST_F(BuiltinRegExp, NameLookupChecksItsArguments) {
  std::wstring member = L"Execute", argumentName = L"sourceString";
  LPOLESTR names[] = {member.data(), argumentName.data()};
  DISPID ids[2] = {12345, 12345};
  // No member has named arguments: the member is found, the argument is not.
  EXPECT_EQ(regExp->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], idOf(regExp.Get(), L"Execute"));
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(regExp->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(regExp->GetIDsOfNames(IID_NULL, names, 0, LOCALE_USER_DEFAULT, ids), E_INVALIDARG);
  EXPECT_EQ(regExp->GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, ids), E_INVALIDARG);
  EXPECT_EQ(regExp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, nullptr), E_INVALIDARG);
}

// ---------------------------------------------------------------------------
// Invoke's checks

TEST_F(BuiltinRegExp, AccessKindsEachMemberTakes) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"(a)", false, false, true}, L"a");
  ComPtr<IDispatch> match = item(matches.Get(), 0);
  ComPtr<IDispatch> groups = groupsOf(match.Get());
  const Variant text = Variant::fromWide(L"a");
  const Variant flag = Variant::fromFlag(true);
  const Variant zero = Variant::fromInt(0);
  constexpr WORD kGet = DISPATCH_PROPERTYGET, kCall = DISPATCH_METHOD, kPut = DISPATCH_PROPERTYPUT,
                 kPutRef = DISPATCH_PROPERTYPUTREF;
  const struct Case {
    IDispatch* object;
    const wchar_t* name;
    WORD flags;
    std::vector<const VARIANT*> arguments;
    HRESULT expected;
  } cases[] = {
      // Reads: GET, METHOD or both, as script engines send them.
      {regExp.Get(), L"Pattern", kGet, {}, S_OK},
      {regExp.Get(), L"Pattern", kCall, {}, S_OK},
      {regExp.Get(), L"Pattern", kGet | kCall, {}, S_OK},
      {regExp.Get(), L"Global", kGet | kCall, {}, S_OK},
      {matches.Get(), L"Count", kGet, {}, S_OK},
      {matches.Get(), L"Item", kGet | kCall, {&zero.get()}, S_OK},
      {match.Get(), L"FirstIndex", kCall, {}, S_OK},
      {groups.Get(), L"Item", kGet, {&zero.get()}, S_OK},
      // Methods are called, never read.
      {regExp.Get(), L"Execute", kCall, {&text.get()}, S_OK},
      {regExp.Get(), L"Execute", kGet | kCall, {&text.get()}, S_OK},
      {regExp.Get(), L"Execute", kGet, {&text.get()}, DISP_E_MEMBERNOTFOUND},
      {regExp.Get(), L"Replace", kGet, {&text.get(), &text.get()}, DISP_E_MEMBERNOTFOUND},
      // Writes, to the writable properties only, and by value.
      {regExp.Get(), L"Global", kPut, {&flag.get()}, S_OK},
      {regExp.Get(), L"Pattern", kPut | kPutRef, {&text.get()}, S_OK},
      {regExp.Get(), L"Pattern", kPutRef, {&text.get()}, DISP_E_MEMBERNOTFOUND},
      {regExp.Get(), L"Execute", kPut, {&text.get()}, DISP_E_MEMBERNOTFOUND},
      {matches.Get(), L"Count", kPut, {&zero.get()}, DISP_E_MEMBERNOTFOUND},
      {match.Get(), L"Value", kPut, {&text.get()}, DISP_E_MEMBERNOTFOUND},
      {match.Get(), L"FirstIndex", kPut, {&zero.get()}, DISP_E_MEMBERNOTFOUND},
      {groups.Get(), L"Count", kPut, {&zero.get()}, DISP_E_MEMBERNOTFOUND},
      // No access at all.
      {regExp.Get(), L"Pattern", 0, {}, DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << show(c.name) << " flags " << c.flags);
    std::vector<DISPID> names;
    if (c.flags & (kPut | kPutRef)) names.push_back(DISPID_PROPERTYPUT);
    EXPECT_EQ(call(c.object, idOf(c.object, c.name), c.flags, c.arguments, names).hr, c.expected);
  }
  EXPECT_EQ(call(regExp.Get(), 4242, kGet, {}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(call(regExp.Get(), idOf(regExp.Get(), L"Pattern"), kGet, {}, {}, true, true, IID_IDispatch).hr,
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(BuiltinRegExp, ArgumentCountsAndNames) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"(a)", false, false, true}, L"a");
  ComPtr<IDispatch> groups = groupsOf(item(matches.Get(), 0).Get());
  const Variant text = Variant::fromWide(L"a");
  const Variant zero = Variant::fromInt(0);
  const VARIANT* t = &text.get();
  const VARIANT* z = &zero.get();
  const struct Case {
    const char* name;
    IDispatch* object;
    const wchar_t* member;
    WORD flags;
    std::vector<const VARIANT*> arguments;
    std::vector<DISPID> names;
    HRESULT expected;
  } cases[] = {
      {"Execute without its text", regExp.Get(), L"Execute", DISPATCH_METHOD, {}, {}, DISP_E_BADPARAMCOUNT},
      {"Execute with two", regExp.Get(), L"Execute", DISPATCH_METHOD, {t, t}, {}, DISP_E_BADPARAMCOUNT},
      {"Replace with one", regExp.Get(), L"Replace", DISPATCH_METHOD, {t}, {}, DISP_E_BADPARAMCOUNT},
      {"Replace with three", regExp.Get(), L"Replace", DISPATCH_METHOD, {t, t, t}, {}, DISP_E_BADPARAMCOUNT},
      {"Replace with two", regExp.Get(), L"Replace", DISPATCH_METHOD, {t, t}, {}, S_OK},
      {"Pattern read with an index", regExp.Get(), L"Pattern", DISPATCH_PROPERTYGET, {z}, {}, DISP_E_BADPARAMCOUNT},
      {"Count with an index", matches.Get(), L"Count", DISPATCH_PROPERTYGET, {z}, {}, DISP_E_BADPARAMCOUNT},
      {"Item without one", matches.Get(), L"Item", DISPATCH_PROPERTYGET, {}, {}, DISP_E_BADPARAMCOUNT},
      {"Item with two", matches.Get(), L"Item", DISPATCH_PROPERTYGET, {z, z}, {}, DISP_E_BADPARAMCOUNT},
      {"group Item without one", groups.Get(), L"Item", DISPATCH_PROPERTYGET, {}, {}, DISP_E_BADPARAMCOUNT},
      {"write with two values", regExp.Get(), L"Pattern", DISPATCH_PROPERTYPUT, {z, t}, {DISPID_PROPERTYPUT},
       DISP_E_BADPARAMCOUNT},
      {"write without a value", regExp.Get(), L"Pattern", DISPATCH_PROPERTYPUT, {}, {}, DISP_E_PARAMNOTFOUND},
      {"write not named as one", regExp.Get(), L"Pattern", DISPATCH_PROPERTYPUT, {t}, {}, DISP_E_PARAMNOTFOUND},
      {"write named otherwise", regExp.Get(), L"Pattern", DISPATCH_PROPERTYPUT, {t}, {7}, DISP_E_PARAMNOTFOUND},
      {"read with a named argument", regExp.Get(), L"Pattern", DISPATCH_PROPERTYGET, {t}, {DISPID_PROPERTYPUT},
       DISP_E_NONAMEDARGS},
      {"call with a named argument", regExp.Get(), L"Execute", DISPATCH_METHOD, {t}, {0}, DISP_E_NONAMEDARGS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(call(c.object, idOf(c.object, c.member), c.flags, c.arguments, c.names).hr, c.expected);
  }
  // More names than arguments, and no list at all, are the caller's error.
  EXPECT_EQ(call(regExp.Get(), idOf(regExp.Get(), L"Pattern"), DISPATCH_PROPERTYPUT, {}, {DISPID_PROPERTYPUT}).hr,
            E_INVALIDARG);
  Variant result;
  EXPECT_EQ(regExp->Invoke(idOf(regExp.Get(), L"Pattern"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                           nullptr, result.receive(), nullptr, nullptr),
            E_INVALIDARG);
}

TEST_F(BuiltinRegExp, ArgumentsAreCoercedToTheirTypes) {
  const DISPID pattern = idOf(regExp.Get(), L"Pattern");
  const DISPID ignoreCase = idOf(regExp.Get(), L"IgnoreCase");
  auto write = [&](DISPID id, const Variant& value) {
    return call(regExp.Get(), id, DISPATCH_PROPERTYPUT, {&value.get()}, {DISPID_PROPERTYPUT});
  };
  auto read = [&](DISPID id) { return seen(call(regExp.Get(), id, DISPATCH_PROPERTYGET, {}).result); };

  // Clearing a by-reference VARIANT leaves what it points at alone.
  Variant byRefTarget = Variant::fromWide(L"by reference");
  Variant byRef;
  byRef.receive()->vt = VT_BSTR | VT_BYREF;
  const_cast<VARIANT&>(byRef.get()).pbstrVal = const_cast<BSTR*>(&byRefTarget.get().bstrVal);
  const struct {
    const char* name;
    Variant value;
    const wchar_t* read;
  } patterns[] = {
      {"text", Variant::fromWide(L"a+"), L"a+"},
      {"number", Variant::fromInt(42), L"42"},
      {"empty", Variant(), L""},
      {"text by reference", std::move(byRef), L"by reference"},
  };
  for (const auto& c : patterns) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(write(pattern, c.value).hr, S_OK);
    EXPECT_EQ(read(pattern), (Seen{VT_BSTR, c.read}));
  }

  const struct {
    const char* name;
    Variant value;
    bool flag;
  } flags[] = {
      {"true", Variant::fromFlag(true), true},   {"false", Variant::fromFlag(false), false},
      {"number 5", Variant::fromInt(5), true},   {"number 0", Variant::fromInt(0), false},
      {"double 0.5", Variant::fromDouble(0.5), true}, {"text -1", Variant::fromWide(L"-1"), true},
      {"text 0", Variant::fromWide(L"0"), false}, {"empty", Variant(), false},
  };
  for (const auto& c : flags) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(write(ignoreCase, c.value).hr, S_OK);
    EXPECT_EQ(read(ignoreCase), (Seen{VT_BOOL, c.flag ? L"-1" : L"0"}));
  }

  // What cannot become the member's type is refused, naming the argument.
  Variant null;
  null.receive()->vt = VT_NULL;
  const Variant word = Variant::fromWide(L"maybe");
  for (DISPID id : {pattern, ignoreCase}) {
    const Call c = write(id, null);
    EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(c.badArgument, 0u);
  }
  EXPECT_EQ(write(ignoreCase, word).hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(read(ignoreCase), (Seen{VT_BOOL, L"0"}));  // a refused write changes nothing

  const Variant text = Variant::fromWide(L"abc");
  const DISPID replace = idOf(regExp.Get(), L"Replace");
  const Call first = call(regExp.Get(), replace, DISPATCH_METHOD, {&null.get(), &text.get()});
  EXPECT_EQ(first.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(first.badArgument, 1u);  // the first argument sits last
  const Call second = call(regExp.Get(), replace, DISPATCH_METHOD, {&text.get(), &null.get()});
  EXPECT_EQ(second.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(second.badArgument, 0u);
  const Call execute = call(regExp.Get(), idOf(regExp.Get(), L"Execute"), DISPATCH_METHOD, {&null.get()});
  EXPECT_EQ(execute.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(execute.badArgument, 0u);
}

TEST_F(BuiltinRegExp, TheCallersArgumentsAreLeftAsTheyWere) {
  put(regExp.Get(), L"Pattern", Variant::fromWide(L"4"));
  VARIANTARG argument;
  VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = 42;
  DISPPARAMS parameters{&argument, nullptr, 1, 0};
  Variant result;
  EXPECT_EQ(regExp->Invoke(idOf(regExp.Get(), L"Execute"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                           &parameters, result.receive(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(argument.vt, VT_I4);
  EXPECT_EQ(argument.lVal, 42);
  Variant count;
  EXPECT_EQ(get(objectOf(result).Get(), L"Count", count), S_OK);
  EXPECT_EQ(seen(count).text, L"1");  // "42" was searched
}

TEST_F(BuiltinRegExp, ItemTakesAnyNumber) {
  ComPtr<IDispatch> matches = matchesOf(Settings{L"\\d", false, false, true}, L"0123");
  ComPtr<IDispatch> groups = groupsOf(item(matches.Get(), 0).Get());
  LONG longTarget = 2;
  double doubleTarget = 3;
  Variant variantTarget = Variant::fromInt(1);
  auto byRef = [](VARTYPE type, void* target) {
    Variant v;
    VARIANT* raw = v.receive();
    raw->vt = static_cast<VARTYPE>(type | VT_BYREF);
    raw->byref = target;
    return v;
  };
  auto typed = [](VARTYPE type, LONG number) {
    Variant v = Variant::fromInt(number);
    Variant changed;
    VariantChangeType(changed.receive(), const_cast<VARIANT*>(&v.get()), 0, type);
    return changed;
  };
  const struct Case {
    const char* name;
    Variant index;
    std::optional<const wchar_t*> value;  // empty: the call fails
  } cases[] = {
      {"I4", Variant::fromInt(1), L"1"},
      {"R8", Variant::fromDouble(2.0), L"2"},
      {"I2", typed(VT_I2, 3), L"3"},
      {"UI1", typed(VT_UI1, 0), L"0"},
      {"R4", typed(VT_R4, 1), L"1"},
      {"text", Variant::fromWide(L"2"), L"2"},
      {"empty", Variant(), L"0"},
      {"I4 by reference", byRef(VT_I4, &longTarget), L"2"},
      {"R8 by reference", byRef(VT_R8, &doubleTarget), L"3"},
      {"VARIANT by reference", byRef(VT_VARIANT, const_cast<VARIANT*>(&variantTarget.get())), L"1"},
      {"negative", Variant::fromInt(-1), std::nullopt},
      {"the count", Variant::fromInt(4), std::nullopt},
      {"far beyond", Variant::fromDouble(1e12), std::nullopt},
      {"true (-1)", Variant::fromFlag(true), std::nullopt},
      {"not a number", Variant::fromWide(L"one"), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Variant value;
    const HRESULT hr = get(matches.Get(), L"Item", value, &c.index.get());
    if (!c.value) {
      EXPECT_TRUE(FAILED(hr));
      EXPECT_EQ(value.get().vt, VT_EMPTY);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    Variant text;
    EXPECT_EQ(get(objectOf(value).Get(), L"Value", text), S_OK);
    EXPECT_EQ(seen(text), (Seen{VT_BSTR, *c.value}));
  }

  // Out of range is an error the component raises, for groups too.
  const Variant four = Variant::fromInt(4);
  for (IDispatch* collection : {matches.Get(), groups.Get()}) {
    const Call beyond = call(collection, DISPID_VALUE, DISPATCH_PROPERTYGET, {&four.get()});
    EXPECT_EQ(beyond.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(beyond.raised, kInvalidArgument);
    EXPECT_TRUE(beyond.described);
    EXPECT_EQ(beyond.result.get().vt, VT_EMPTY);
    EXPECT_EQ(call(collection, DISPID_VALUE, DISPATCH_PROPERTYGET, {&four.get()}, {}, true, false).hr,
              kInvalidArgument);
  }
}

TEST_F(BuiltinRegExp, AnswersOverwriteWhatTheCallerLeftInTheResult) {
  // call() fills the result with a pointer that must never be freed.
  const Call c = call(regExp.Get(), idOf(regExp.Get(), L"Global"), DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(c.hr, S_OK);
  EXPECT_EQ(seen(c.result), (Seen{VT_BOOL, L"0"}));
  // A write answers nothing, and a caller may not want an answer.
  const Variant flag = Variant::fromFlag(true);
  EXPECT_EQ(call(regExp.Get(), idOf(regExp.Get(), L"Global"), DISPATCH_PROPERTYPUT, {&flag.get()},
                 {DISPID_PROPERTYPUT}, false)
                .hr,
            S_OK);
  EXPECT_EQ(call(regExp.Get(), idOf(regExp.Get(), L"Global"), DISPATCH_PROPERTYGET, {}, {}, false).hr, S_OK);
}

// ---------------------------------------------------------------------------
// Answers

TEST_F(BuiltinRegExp, PropertiesStartEmptyAndKeepWhatIsWritten) {
  EXPECT_EQ(seen(call(regExp.Get(), idOf(regExp.Get(), L"Pattern"), DISPATCH_PROPERTYGET, {}).result),
            (Seen{VT_BSTR, L""}));
  for (const wchar_t* flag : {L"IgnoreCase", L"Global", L"Multiline"}) {
    SCOPED_TRACE(show(flag));
    Variant value;
    EXPECT_EQ(get(regExp.Get(), flag, value), S_OK);
    EXPECT_EQ(seen(value), (Seen{VT_BOOL, L"0"}));
    EXPECT_EQ(put(regExp.Get(), flag, Variant::fromFlag(true)), S_OK);
    EXPECT_EQ(get(regExp.Get(), flag, value), S_OK);
    EXPECT_EQ(seen(value), (Seen{VT_BOOL, L"-1"}));
  }
  // Each flag is its own: the last write to one left the others alone.
  EXPECT_EQ(put(regExp.Get(), L"Global", Variant::fromFlag(false)), S_OK);
  Variant value;
  EXPECT_EQ(get(regExp.Get(), L"IgnoreCase", value), S_OK);
  EXPECT_EQ(seen(value).text, L"-1");
  EXPECT_EQ(get(regExp.Get(), L"Multiline", value), S_OK);
  EXPECT_EQ(seen(value).text, L"-1");
  const std::wstring pattern = L"\u4FE1" SMILE L"\\d";
  EXPECT_EQ(put(regExp.Get(), L"Pattern", Variant::fromWide(pattern)), S_OK);
  EXPECT_EQ(get(regExp.Get(), L"Pattern", value), S_OK);
  EXPECT_EQ(seen(value), (Seen{VT_BSTR, pattern}));
}

MatchSeen expectedMatch(const std::wstring& value, long at, std::vector<std::optional<std::wstring>> groups = {}) {
  MatchSeen m;
  m.value = Seen{VT_BSTR, value};
  m.firstIndex = Seen{VT_I4, std::to_wstring(at)};
  m.length = Seen{VT_I4, std::to_wstring(value.size())};
  m.groupCount = Seen{VT_I4, std::to_wstring(groups.size())};
  for (const auto& g : groups) m.groups.push_back(g ? Seen{VT_BSTR, *g} : Seen{VT_EMPTY, L""});
  return m;
}

struct SearchCase {
  const char* name;
  Settings settings;
  std::wstring text;
  std::vector<MatchSeen> matches;
};

// Our answers where Wine's component cannot be the reference (see
// differential_test), and the search basics. Every group case agrees with
// a backtracking search: each iteration of a repetition starts with its
// groups unset.
TEST_F(BuiltinRegExp, Searches) {
  const std::wstring nul(1, L'\0');
  const SearchCase cases[] = {
      {"the program's pattern", Settings{MESSAGE_PATTERN, true, true, true},
       L"x" XINXIKUANG OPEN L"\u63D0\u793A" CLOSE XINXIKUANG OPEN CLOSE,
       {expectedMatch(XINXIKUANG OPEN L"\u63D0\u793A" CLOSE, 1, {L"\u63D0\u793A"}),
        expectedMatch(XINXIKUANG OPEN CLOSE, 8, {L""})}},
      {"positions count UTF-16 units", Settings{L"\u4FE1+", false, false, true}, SMILE L"\u4FE1" SMILE L"\u4FE1\u4FE1",
       {expectedMatch(L"\u4FE1", 2), expectedMatch(L"\u4FE1\u4FE1", 5)}},
      {"first match only", Settings{L"a", false, false, false}, L"aaa", {expectedMatch(L"a", 0)}},
      {"no match", Settings{L"z", false, false, true}, L"abc", {}},
      {"empty text", Settings{L"a", false, false, true}, L"", {}},
      // Empty matches: the search steps on by one after each.
      {"empty pattern", Settings{L"", false, false, true}, L"ab",
       {expectedMatch(L"", 0), expectedMatch(L"", 1), expectedMatch(L"", 2)}},
      {"x* everywhere", Settings{L"x*", false, false, true}, L"ab",
       {expectedMatch(L"", 0), expectedMatch(L"", 1), expectedMatch(L"", 2)}},
      {"a* after a match", Settings{L"a*", false, false, true}, L"baa",
       {expectedMatch(L"", 0), expectedMatch(L"aa", 1), expectedMatch(L"", 3)}},
      {"line starts", Settings{L"^", false, true, true}, L"a\nb\r\nc",
       {expectedMatch(L"", 0), expectedMatch(L"", 2), expectedMatch(L"", 4), expectedMatch(L"", 5)}},
      {"text end", Settings{L"$", false, false, true}, L"ab", {expectedMatch(L"", 2)}},
      {"x? in the empty text", Settings{L"x?", false, false, true}, L"", {expectedMatch(L"", 0)}},
      // Letters outside ASCII ignore their case too.
      {"Latin-1", Settings{L"\u00E9", true, false, true}, L"\u00C9\u00E9",
       {expectedMatch(L"\u00C9", 0), expectedMatch(L"\u00E9", 1)}},
      {"Greek, final sigma", Settings{L"\u03C3+", true, false, true}, L"\u03A3\u03C3\u03C2",
       {expectedMatch(L"\u03A3\u03C3\u03C2", 0)}},
      {"Cyrillic class", Settings{L"[\u0430-\u044F]+", true, false, true}, L"\u0416\u0436",
       {expectedMatch(L"\u0416\u0436", 0)}},
      {"full-width", Settings{L"\uFF41", true, false, true}, L"\uFF21\uFF41",
       {expectedMatch(L"\uFF21", 0), expectedMatch(L"\uFF41", 1)}},
      {"no folding onto ASCII", Settings{L"s", true, false, true}, L"\u017FS", {expectedMatch(L"S", 1)}},
      // Only \n and \r end a line, and \s is the ASCII white space.
      {"dot and line separators", Settings{L"a.c", false, false, true}, L"a\u2028c a\nc",
       {expectedMatch(L"a\u2028c", 0)}},
      {"white space", Settings{L"\\s+", false, false, true}, L"\u3000\u00A0 \t\u2028",
       {expectedMatch(L" \t", 2)}},
      {"NUL in a match", Settings{L"a\\0b", false, false, true}, L"xa" + nul + L"b",
       {expectedMatch(L"a" + nul + L"b", 1)}},
      // Groups.
      {"group that takes no part", Settings{L"(a)|(b)", false, false, true}, L"ba",
       {expectedMatch(L"b", 0, {std::nullopt, L"b"}), expectedMatch(L"a", 1, {L"a", std::nullopt})}},
      {"empty group is not Empty", Settings{L"(a*)b", false, false, true}, L"b", {expectedMatch(L"b", 0, {L""})}},
      {"groups of earlier iterations", Settings{L"(a|(b)c){2}", false, false, true}, L"bca",
       {expectedMatch(L"bca", 0, {L"a", std::nullopt})}},
      {"group of the last iteration", Settings{L"(?:(a)|b)+", false, false, true}, L"ab",
       {expectedMatch(L"ab", 0, {std::nullopt})}},
      {"nested groups repeated", Settings{L"(a|(b))+", false, false, true}, L"ba",
       {expectedMatch(L"ba", 0, {L"a", std::nullopt})}},
      {"lazily repeated group", Settings{L"(.{1,3}){1,3}?A*[^\\s]", false, true, true}, L"__\n\n_",
       {expectedMatch(L"__", 0, {L"_"})}},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = run(regExp.Get(), c.settings, c.text, L"");
    EXPECT_TRUE(o.executed);
    EXPECT_EQ(o.count, (Seen{VT_I4, std::to_wstring(c.matches.size())}));
    EXPECT_EQ(o.matches, c.matches);
    EXPECT_TRUE(o.itemPastEndFails);
  }
}

TEST_F(BuiltinRegExp, PatternsOutsideTheDialectFailExecuteAndReplace) {
  const std::wstring patterns[] = {
      L"(",      L"a)",      L"[a",     L"a**",    L"*a",  L"a{3,2}", L"[b-a]", L"a\\",
      L"(a)\\1", L"a(?=b)",  L"a(?!b)", L"(?<=a)b", L"\\A", L"a\\z",   L"\\01",  L"(?i)a",
  };
  const DISPID execute = idOf(regExp.Get(), L"Execute");
  const DISPID replace = idOf(regExp.Get(), L"Replace");
  const Variant text = Variant::fromWide(L"ab");
  for (const std::wstring& pattern : patterns) {
    SCOPED_TRACE(show(pattern));
    ASSERT_EQ(put(regExp.Get(), L"Pattern", Variant::fromWide(pattern)), S_OK);
    const Call searched = call(regExp.Get(), execute, DISPATCH_METHOD, {&text.get()});
    EXPECT_EQ(searched.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(searched.raised, kPatternSyntax);
    EXPECT_TRUE(searched.described);
    EXPECT_EQ(searched.result.get().vt, VT_EMPTY);
    EXPECT_EQ(call(regExp.Get(), execute, DISPATCH_METHOD, {&text.get()}, {}, true, false).hr, kPatternSyntax);
    // Even a caller that wants no answer learns that the search did not run.
    EXPECT_EQ(call(regExp.Get(), execute, DISPATCH_METHOD, {&text.get()}, {}, false).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call(regExp.Get(), replace, DISPATCH_METHOD, {&text.get(), &text.get()}).raised, kPatternSyntax);
    // The object itself carries on.
    Variant value;
    EXPECT_EQ(get(regExp.Get(), L"Pattern", value), S_OK);
    EXPECT_EQ(seen(value).text, pattern);
  }
}

TEST_F(BuiltinRegExp, Replacements) {
  const struct {
    Settings settings;
    std::wstring text, replacement, replaced;
  } cases[] = {
      {Settings{L"b", false, false, true}, L"abcb", L"[$&]", L"a[b]c[b]"},
      {Settings{L"b", false, false, false}, L"abcb", L"[$&]", L"a[b]cb"},
      {Settings{L"b", false, false, true}, L"abc", L"[$`|$']", L"a[a|c]c"},
      {Settings{L"(a)(b)?", false, false, true}, L"ab a", L"[$2$1]", L"[ba] [a]"},
      {Settings{L"b", false, false, true}, L"abc", L"$$ $ $x $", L"a$ $ $x $c"},
      {Settings{L"(b)", false, false, true}, L"abc", L"$10|$01|$00|$2|$0", L"ab0|b|$00|$2|$0c"},
      {Settings{L"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", false, false, true}, L"abcdefghijk", L"$11-$10-$1", L"k-j-a"},
      {Settings{L"", false, false, true}, L"ab", L"-$1-", L"-$1-a-$1-b-$1-"},
      {Settings{L"x*", false, false, true}, L"ab", L"-", L"-a-b-"},
      {Settings{L"A", true, false, true}, L"a\u4E2Da", L"\u4E2D", L"\u4E2D\u4E2D\u4E2D"},
      {Settings{MESSAGE_PATTERN, true, true, true}, L"x" XINXIKUANG OPEN L"abc" CLOSE L"y", L"[$1]", L"x[abc]y"},
      {Settings{L"z", false, false, true}, L"abc", L"-", L"abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(show(c.settings) + " " + show(c.replacement));
    const Outcome o = run(regExp.Get(), c.settings, c.text, c.replacement);
    EXPECT_TRUE(o.replaced);
    EXPECT_EQ(o.replacement, c.replaced);
  }
}

// ---------------------------------------------------------------------------
// Time

double secondsFor(IDispatch* regExp, const std::wstring& text, long* count) {
  put(regExp, L"Pattern", Variant::fromWide(MESSAGE_PATTERN));
  put(regExp, L"IgnoreCase", Variant::fromFlag(true));
  put(regExp, L"Multiline", Variant::fromFlag(true));
  put(regExp, L"Global", Variant::fromFlag(true));
  const Variant argument = Variant::fromWide(text);
  const auto start = std::chrono::steady_clock::now();
  Variant matches, number;
  invoke(regExp, L"Execute", DISPATCH_METHOD, {&argument.get()}, &matches);
  get(objectOf(matches).Get(), L"Count", number);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *count = std::wcstol(seen(number).text.c_str(), nullptr, 10);
  return seconds;
}

std::wstring openings(std::size_t characters) {
  std::wstring text;
  while (text.size() < characters) text += XINXIKUANG OPEN;
  return text;
}

// A code box full of unclosed commands: a backtracking search tries every
// opening against the rest of the text; ours stays linear.
TEST_F(BuiltinRegExp, HostileTextIsSearchedQuickly) {
  for (std::size_t characters : {std::size_t{4000}, std::size_t{16000}, std::size_t{64000}}) {
    long count = -1;
    const double seconds = secondsFor(regExp.Get(), openings(characters), &count);
    std::printf("%zu characters: %.3f s\n", characters, seconds);
    EXPECT_EQ(count, 0);
    EXPECT_LT(seconds, 2.0) << characters << " characters";
  }
  // Closed at the very end, the first opening takes all the rest.
  long count = -1;
  const double seconds = secondsFor(regExp.Get(), openings(64000) + CLOSE, &count);
  EXPECT_EQ(count, 1);
  EXPECT_LT(seconds, 2.0);
}

}  // namespace
