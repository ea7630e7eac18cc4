// RegexWrapper against a scripted stand-in for VBScript.RegExp. The stand-in
// is registered in this process for the real class, so the wrapper's own way
// of making the object reaches it; every call it receives is written to a
// journal, and every reference it hands out is counted.
#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builtin_regexp/wrapper_fallback.h"
#include "cp936_literals.h"
#include "regex_wrapper.h"
#include "rt/cp936.h"

namespace {

// A value the stand-in gives back; Fail makes the call raise an error instead.
struct Value {
  enum Kind { Fail, Empty, Null, I4, R8, Bool, Str } kind = Empty;
  double number = 0;
  std::wstring text;

  static Value fail() { return {Fail, 0, {}}; }
  static Value empty() { return {Empty, 0, {}}; }
  static Value null() { return {Null, 0, {}}; }
  static Value i4(int n) { return {I4, static_cast<double>(n), {}}; }
  static Value r8(double d) { return {R8, d, {}}; }
  static Value flag(bool b) { return {Bool, b ? 1.0 : 0.0, {}}; }
  static Value str(const std::wstring& s) { return {Str, 0, s}; }

  HRESULT store(VARIANT* to) const {
    if (to == nullptr) return S_OK;
    VariantInit(to);
    switch (kind) {
      case Fail: return DISP_E_EXCEPTION;
      case Empty: break;
      case Null: to->vt = VT_NULL; break;
      case I4: to->vt = VT_I4; to->lVal = static_cast<LONG>(number); break;
      case R8: to->vt = VT_R8; to->dblVal = number; break;
      case Bool: to->vt = VT_BOOL; to->boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
      case Str:
        to->vt = VT_BSTR;
        to->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        break;
    }
    return S_OK;
  }
};

struct MatchData {
  Value value;
  Value firstIndex;
  std::vector<Value> groups;
};

class FakeObject;

// What the stand-in does in one test, and what it saw.
struct Script {
  bool factoryFails = false;
  bool runFails = false;
  bool hasSingleline = true;
  std::optional<Value> executeResult;  // instead of a match collection
  bool collectionWithoutDispatch = false;
  std::vector<MatchData> matches;
  std::optional<Value> count;          // instead of the number of matches
  std::optional<Value> ignoreCaseRead;  // instead of what was written
  std::wstring replaced = L"replaced";

  std::vector<std::string> journal;
  std::vector<std::string> releases;  // objects in the order their last reference went
  std::vector<std::unique_ptr<FakeObject>> objects;
  int regExpsMade = 0;

  FakeObject* find(const std::string& name) const;
  std::vector<std::string> take() {
    std::vector<std::string> lines;
    lines.swap(journal);
    return lines;
  }
};

Script* g_script = nullptr;

bool comInitialisedOnThisThread() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED;
}

std::string describe(const VARIANT& v) {
  char buffer[64];
  switch (v.vt) {
    case VT_BOOL: return "bool " + std::to_string(v.boolVal);
    case VT_I4: return "i4 " + std::to_string(v.lVal);
    case VT_R8:
      std::snprintf(buffer, sizeof buffer, "r8 %g", v.dblVal);
      return buffer;
    case VT_BSTR: return "bstr \"" + rt::fromWide(v.bstrVal, SysStringLen(v.bstrVal)) + "\"";
    default: return "vt " + std::to_string(v.vt);
  }
}

int asInt(const VARIANT& v) {
  VARIANT n;
  VariantInit(&n);
  if (FAILED(VariantChangeType(&n, const_cast<VARIANT*>(&v), 0, VT_I4))) return -1;
  return n.lVal;
}

// One object of the stand-in. Objects are owned by the script and never
// deleted while a test runs, so a release too many is seen instead of crashing.
class FakeObject : public IDispatch, public IRunnableObject {
 public:
  enum Kind { RegExp, Collection, Match, Groups };

  FakeObject(Kind kind, std::string name, int index = 0) : kind_(kind), name_(std::move(name)), index_(index) {
    VariantInit(&ignoreCase_);
  }
  virtual ~FakeObject() { VariantClear(&ignoreCase_); }

  const std::string& name() const { return name_; }
  long refs() const { return refs_; }
  bool overReleased() const { return overReleased_; }
  bool dispatchable = true;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown) {
      *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IDispatch && dispatchable) {
      *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IRunnableObject && kind_ == RegExp) {
      *out = static_cast<IRunnableObject*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    if (refs_ == 0) {
      overReleased_ = true;
      return 0;
    }
    if (--refs_ == 0)
      g_script->releases.push_back(name_ + (comInitialisedOnThisThread() ? "" : " after COM was uninitialised"));
    return static_cast<ULONG>(refs_);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    const std::string member = rt::fromWide(names[0], wcslen(names[0]));
    const std::vector<std::string> known = members();
    for (std::size_t i = 0; i < known.size(); ++i) {
      if (known[i] == member) {
        ids[0] = static_cast<DISPID>(i + 1);
        lookedUp_ = ids[0];
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    g_script->journal.push_back(name_ + "." + member + " unknown");
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    const std::vector<std::string> known = members();
    if (id < 1 || static_cast<std::size_t>(id) > known.size()) return DISP_E_MEMBERNOTFOUND;
    const std::string member = known[static_cast<std::size_t>(id) - 1];

    // The journal line: "<object>.<Member> <access>(<arguments in call order>)",
    // marked "stale" when the member was not looked up right before.
    std::string access;
    if (flags == DISPATCH_PROPERTYGET) {
      access = "get";
    } else if (flags == DISPATCH_METHOD) {
      access = "call";
    } else if (flags == DISPATCH_PROPERTYPUT) {
      const bool named = params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
      access = named ? "put" : "put-positional";
    } else {
      access = "flags" + std::to_string(flags);
    }
    std::vector<const VARIANT*> args;
    for (UINT i = params->cArgs; i > 0; --i) args.push_back(&params->rgvarg[i - 1]);
    std::string line = (lookedUp_ == id ? "" : "stale ") + name_ + "." + member + " " + access + "(";
    for (std::size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + describe(*args[i]);
    g_script->journal.push_back(line + ")");
    lookedUp_ = DISPID_UNKNOWN;

    const HRESULT hr = answer(member, args, result);
    if (hr == DISP_E_EXCEPTION && exception != nullptr) {
      *exception = EXCEPINFO{};
      exception->scode = E_FAIL;
      exception->bstrSource = SysAllocString(L"stand-in");
      exception->bstrDescription = SysAllocString(L"scripted failure");
    }
    return hr;
  }

  // IRunnableObject: OleRun ends up in Run.
  HRESULT STDMETHODCALLTYPE GetRunningClass(LPCLSID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Run(LPBINDCTX) override {
    g_script->journal.push_back(name_ + ".Run");
    return g_script->runFails ? E_FAIL : S_OK;
  }
  WINBOOL STDMETHODCALLTYPE IsRunning() override { return TRUE; }
  HRESULT STDMETHODCALLTYPE LockRunning(WINBOOL, WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetContainedObject(WINBOOL) override { return S_OK; }

 private:
  std::vector<std::string> members() const {
    switch (kind_) {
      case RegExp: {
        std::vector<std::string> m{"IgnoreCase", "Multiline", "Global", "Pattern", "Execute", "Replace"};
        if (g_script->hasSingleline) m.push_back("Singleline");
        return m;
      }
      case Collection: return {"Count", "Item"};
      case Match: return {"Value", "FirstIndex", "Length", "SubMatches"};
      case Groups: return {"Count", "Item"};
    }
    return {};
  }

  static HRESULT handOut(FakeObject* object, VARIANT* result) {
    if (result == nullptr) return S_OK;
    VariantInit(result);
    if (object->dispatchable) {
      result->vt = VT_DISPATCH;
      result->pdispVal = static_cast<IDispatch*>(object);
    } else {
      result->vt = VT_UNKNOWN;
      result->punkVal = static_cast<IDispatch*>(object);
    }
    object->AddRef();
    return S_OK;
  }

  static FakeObject* make(Kind kind, const std::string& name, int index = 0) {
    g_script->objects.push_back(std::make_unique<FakeObject>(kind, name, index));
    return g_script->objects.back().get();
  }

  HRESULT answer(const std::string& member, const std::vector<const VARIANT*>& args, VARIANT* result) {
    Script& s = *g_script;
    switch (kind_) {
      case RegExp:
        if (member == "IgnoreCase" && args.size() == 1) return VariantCopy(&ignoreCase_, const_cast<VARIANT*>(args[0]));
        if (member == "IgnoreCase") {
          if (s.ignoreCaseRead) return s.ignoreCaseRead->store(result);
          return result ? VariantCopy(result, &ignoreCase_) : S_OK;
        }
        if (member == "Pattern" && args.size() == 1) {
          pattern_ = args[0]->vt == VT_BSTR ? std::wstring(args[0]->bstrVal, SysStringLen(args[0]->bstrVal)) : L"?";
          return S_OK;
        }
        if (member == "Pattern") return Value::str(pattern_).store(result);
        if (member == "Execute") {
          if (s.executeResult) return s.executeResult->store(result);
          FakeObject* collection = make(Collection, "matches");
          collection->dispatchable = !s.collectionWithoutDispatch;
          return handOut(collection, result);
        }
        if (member == "Replace") return Value::str(s.replaced).store(result);
        return S_OK;  // the flags are written and forgotten
      case Collection: {
        if (member == "Count") return (s.count ? *s.count : Value::i4(static_cast<int>(s.matches.size()))).store(result);
        const int i = args.size() == 1 ? asInt(*args[0]) : -1;
        if (i < 0 || static_cast<std::size_t>(i) >= s.matches.size()) return DISP_E_EXCEPTION;
        return handOut(make(Match, "match" + std::to_string(i), i), result);
      }
      case Match: {
        const MatchData& m = s.matches[static_cast<std::size_t>(index_)];
        if (member == "Value") return m.value.store(result);
        if (member == "FirstIndex") return m.firstIndex.store(result);
        if (member == "SubMatches") return handOut(make(Groups, "groups" + std::to_string(index_), index_), result);
        return Value::i4(0).store(result);
      }
      case Groups: {
        const MatchData& m = s.matches[static_cast<std::size_t>(index_)];
        if (member == "Count") return Value::i4(static_cast<int>(m.groups.size())).store(result);
        const int k = args.size() == 1 ? asInt(*args[0]) : -1;
        if (k < 0 || static_cast<std::size_t>(k) >= m.groups.size()) return DISP_E_EXCEPTION;
        return m.groups[static_cast<std::size_t>(k)].store(result);
      }
    }
    return E_UNEXPECTED;
  }

  Kind kind_;
  std::string name_;
  int index_;
  long refs_ = 0;
  bool overReleased_ = false;
  DISPID lookedUp_ = DISPID_UNKNOWN;
  VARIANT ignoreCase_;
  std::wstring pattern_;
};

FakeObject* Script::find(const std::string& name) const {
  for (auto it = objects.rbegin(); it != objects.rend(); ++it)
    if ((*it)->name() == name) return it->get();
  return nullptr;
}

class Factory : public IClassFactory {
 public:
  long refs() const { return refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    g_script->journal.push_back("factory.CreateInstance");
    if (g_script->factoryFails) return E_OUTOFMEMORY;
    const std::string name = "regexp" + std::to_string(++g_script->regExpsMade);
    g_script->objects.push_back(std::make_unique<FakeObject>(FakeObject::RegExp, name));
    return g_script->objects.back()->QueryInterface(riid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(WINBOOL) override { return S_OK; }

 private:
  long refs_ = 0;
};

using Lines = std::vector<std::string>;

// The wrapper turns to the built-in RegExp object when the system's cannot
// be made; this keeps it from doing so for one test.
class WithoutBuiltinFallback {
 public:
  WithoutBuiltinFallback() { setBuiltinRegExpFallback(false); }
  WithoutBuiltinFallback(const WithoutBuiltinFallback&) = delete;
  WithoutBuiltinFallback& operator=(const WithoutBuiltinFallback&) = delete;
  ~WithoutBuiltinFallback() { setBuiltinRegExpFallback(true); }
};

const Lines kDefaultCreate = {
    "factory.CreateInstance",
    "regexp1.Run",
    "regexp1.IgnoreCase put(bool -1)",
    "regexp1.Multiline put(bool -1)",
    "regexp1.Singleline put(bool -1)",
    "regexp1.Global put(bool -1)",
    "regexp1.Pattern put(bstr \"p\")",
    "regexp1.Execute call(bstr \"t\")",
};

// Each test holds one COM initialisation of its own around the wrappers, with
// the stand-in registered; when the test is over that must be the only one
// left, and every reference the stand-in handed out must be back.
class RegexScripted : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(comInitialisedOnThisThread());
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    g_script = &script;
    ASSERT_EQ(CLSIDFromProgID(L"VBScript.RegExp", &clsid), S_OK);
    ASSERT_EQ(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  }

  void TearDown() override {
    // Fails when a wrapper uninitialised COM once too often: that took the
    // registration down with the apartment.
    EXPECT_TRUE(comInitialisedOnThisThread());
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    CoUninitialize();
    EXPECT_FALSE(comInitialisedOnThisThread()) << "a wrapper left COM initialised";
    while (comInitialisedOnThisThread()) CoUninitialize();
    EXPECT_EQ(factory.refs(), 0);
    for (const auto& object : script.objects) {
      EXPECT_EQ(object->refs(), 0) << object->name() << " was not released";
      EXPECT_FALSE(object->overReleased()) << object->name() << " was released once too often";
    }
    g_script = nullptr;
  }

  long refsOf(const std::string& name) const {
    const FakeObject* object = script.find(name);
    return object != nullptr ? object->refs() : -1;
  }

  Script script;
  Factory factory;
  CLSID clsid{};
  DWORD cookie = 0;
};

TEST_F(RegexScripted, CreateWritesTheOptionsInOrder) {
  struct Case {
    bool caseSensitive, multiLine, global;
    const char* ignoreCase;
    const char* multiLineFlag;
    const char* globalFlag;
  } const cases[] = {
      {false, true, true, "-1", "-1", "-1"},
      {true, true, true, "0", "-1", "-1"},
      {false, false, true, "-1", "0", "-1"},
      {false, true, false, "-1", "-1", "0"},
      {true, false, false, "0", "0", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ignoreCase) + c.multiLineFlag + c.globalFlag);
    script.regExpsMade = 0;
    {
      RegexWrapper w;
      EXPECT_TRUE(w.Create("p", "t", c.caseSensitive, c.multiLine, c.global));
    }
    const Lines expected = {
        "factory.CreateInstance",
        "regexp1.Run",
        std::string("regexp1.IgnoreCase put(bool ") + c.ignoreCase + ")",
        std::string("regexp1.Multiline put(bool ") + c.multiLineFlag + ")",
        "regexp1.Singleline put(bool -1)",
        std::string("regexp1.Global put(bool ") + c.globalFlag + ")",
        "regexp1.Pattern put(bstr \"p\")",
        "regexp1.Execute call(bstr \"t\")",
    };
    EXPECT_EQ(script.take(), expected);
  }
}

TEST_F(RegexScripted, CreateWithNoTextWritesEmptyStrings) {
  RegexWrapper w;
  EXPECT_TRUE(w.Create(nullptr, nullptr, false, true, true, true));
  const Lines lines = script.take();
  ASSERT_EQ(lines.size(), kDefaultCreate.size());
  EXPECT_EQ(lines[6], "regexp1.Pattern put(bstr \"\")");
  EXPECT_EQ(lines[7], "regexp1.Execute call(bstr \"\")");
}

TEST_F(RegexScripted, MissingMemberIsSkipped) {
  script.hasSingleline = false;
  RegexWrapper w;
  EXPECT_TRUE(w.Create("p", "t"));
  Lines expected = kDefaultCreate;
  expected[4] = "regexp1.Singleline unknown";
  EXPECT_EQ(script.take(), expected);
}

TEST_F(RegexScripted, ReadsUseTheirOwnCallsAndTypes) {
  script.matches = {{Value::str(L"m0"), Value::i4(0), {Value::str(L"g00")}},
                    {Value::str(L"m1"), Value::i4(1), {Value::str(L"g10"), Value::str(L"g11"), Value::str(L"g12")}}};
  RegexWrapper w;
  ASSERT_TRUE(w.Create("p", "t"));
  script.take();

  const struct Case {
    const char* name;
    std::string (*run)(RegexWrapper&);
    std::string answer;
    Lines calls;
  } cases[] = {
      {"MatchCount", [](RegexWrapper& r) { return std::to_string(r.MatchCount()); }, "2", {"matches.Count get()"}},
      {"MatchText without position", [](RegexWrapper& r) { return r.MatchText(2); }, "m1",
       {"matches.Item get(r8 1)", "match1.Value get()"}},
      {"MatchText with position",
       [](RegexWrapper& r) {
         int p = 0;
         const std::string text = r.MatchText(1, &p);
         return text + "@" + std::to_string(p);
       },
       "m0@-2",
       {"matches.Item get(r8 0)", "match0.Value get()", "match0.FirstIndex get()", "regexp1.IgnoreCase get()"}},
      {"SubMatchText without position", [](RegexWrapper& r) { return r.SubMatchText(2, 3); }, "g12",
       {"matches.Item get(r8 1)", "match1.SubMatches get()", "groups1.Item get(r8 2)"}},
      {"SubMatchText with position",
       [](RegexWrapper& r) {
         int p = 0;
         const std::string text = r.SubMatchText(2, 1, &p);
         return text + "@" + std::to_string(p);
       },
       "g10@-2",
       {"matches.Item get(r8 1)", "match1.SubMatches get()", "groups1.Item get(r8 0)", "match1.FirstIndex get()",
        "regexp1.IgnoreCase get()"}},
      {"SubMatchCount", [](RegexWrapper& r) { return std::to_string(r.SubMatchCount()); }, "1",
       {"matches.Item get(i4 0)", "match0.SubMatches get()", "groups0.Count get()"}},
      {"GetPattern", [](RegexWrapper& r) { return r.GetPattern(); }, "p", {"regexp1.Pattern get()"}},
      {"Replace", [](RegexWrapper& r) { return r.Replace("r"); }, "replaced",
       {"regexp1.Replace call(bstr \"t\", bstr \"r\")"}},
      {"NoOp",
       [](RegexWrapper& r) {
         r.NoOp();
         return std::string();
       },
       "",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Twice: each call looks its members up afresh.
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(c.run(w), c.answer);
      EXPECT_EQ(script.take(), c.calls);
    }
  }
}

TEST_F(RegexScripted, ReferencesAreReleased) {
  script.matches = {{Value::str(L"m0"), Value::i4(0), {Value::str(L"g")}}};
  RegexWrapper w;
  ASSERT_TRUE(w.Create("p", "t"));
  EXPECT_EQ(refsOf("regexp1"), 1);
  EXPECT_EQ(refsOf("matches"), 1);

  int position = 0;
  w.MatchText(1, &position);
  EXPECT_EQ(refsOf("match0"), 0);
  w.SubMatchText(1, 1, &position);
  EXPECT_EQ(refsOf("match0"), 0);
  EXPECT_EQ(refsOf("groups0"), 0);
  w.SubMatchCount();
  EXPECT_EQ(refsOf("match0"), 0);
  EXPECT_EQ(refsOf("groups0"), 0);
  EXPECT_EQ(refsOf("regexp1"), 1);
  EXPECT_EQ(refsOf("matches"), 1);

  {
    RegexWrapper copy(w);
    EXPECT_EQ(refsOf("regexp1"), 2);
    EXPECT_EQ(refsOf("matches"), 2);
    ASSERT_TRUE(copy.Create("q", "u"));
    EXPECT_EQ(refsOf("regexp1"), 1);
    EXPECT_EQ(refsOf("regexp2"), 1);
  }
  EXPECT_EQ(refsOf("regexp2"), 0);

  // A new search lets go of the old object and its matches.
  FakeObject* firstMatches = script.find("matches");
  ASSERT_TRUE(w.Create("q", "u"));
  EXPECT_EQ(refsOf("regexp1"), 0);
  EXPECT_EQ(firstMatches->refs(), 0);
  EXPECT_EQ(refsOf("regexp3"), 1);
}

TEST_F(RegexScripted, DestructionReleasesBeforeUninitialising) {
  script.matches = {{Value::str(L"m0"), Value::i4(0), {}}};
  auto w = std::make_unique<RegexWrapper>();
  ASSERT_TRUE(w->Create("p", "t"));
  script.releases.clear();
  // Only the wrapper's initialisation is left to keep the apartment up.
  CoUninitialize();
  ASSERT_TRUE(comInitialisedOnThisThread());
  w.reset();
  EXPECT_EQ(script.releases, (Lines{"regexp1", "matches"}));
  EXPECT_FALSE(comInitialisedOnThisThread());

  // The apartment took the registration with it; set up again for TearDown.
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  ASSERT_EQ(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
}

TEST_F(RegexScripted, ComponentThatCannotBeMade) {
  WithoutBuiltinFallback noFallback;
  script.factoryFails = true;
  RegexWrapper w;
  EXPECT_FALSE(w.Create("p", "t"));
  EXPECT_EQ(w.MatchCount(), 0);
  EXPECT_EQ(w.GetPattern(), "");
  EXPECT_EQ(w.Replace("r"), "");
  int position = 5;
  EXPECT_EQ(w.MatchText(1, &position), "");
  EXPECT_EQ(position, 0);  // the searched text "t" is stored all the same
  EXPECT_EQ(script.take(), Lines{"factory.CreateInstance"});
}

TEST_F(RegexScripted, ComponentThatWillNotRunIsReleased) {
  WithoutBuiltinFallback noFallback;
  script.runFails = true;
  RegexWrapper w;
  EXPECT_FALSE(w.Create("p", "t"));
  EXPECT_EQ(refsOf("regexp1"), 0);
  EXPECT_EQ(w.GetPattern(), "");
  EXPECT_EQ(script.take(), (Lines{"factory.CreateInstance", "regexp1.Run"}));
}

// As the program runs: where the system's component cannot be made, or will
// not run, the built-in object does the searching, with the answers the
// system's gives (those of RegexReal.MessageBoxPatternPositions), and the
// stand-in hears no more.
TEST_F(RegexScripted, BuiltinObjectStandsInForAComponentThatCannotBeMade) {
  const struct {
    const char* name;
    bool factoryFails, runFails;
    Lines calls;
  } cases[] = {
      {"cannot be made", true, false, {"factory.CreateInstance"}},
      {"will not run", false, true, {"factory.CreateInstance", "regexp1.Run"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    script.factoryFails = c.factoryFails;
    script.runFails = c.runFails;
    script.regExpsMade = 0;
    RegexWrapper w;
    ASSERT_TRUE(w.Create(CP936_MESSAGE_PATTERN, CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE CP936_XINXIKUANG
                             CP936_OPEN "xyz" CP936_CLOSE));
    EXPECT_EQ(w.MatchCount(), 2);
    EXPECT_EQ(w.SubMatchCount(), 1);
    int position = -1;
    EXPECT_EQ(w.MatchText(1, &position), CP936_XINXIKUANG CP936_OPEN "abc" CP936_CLOSE);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(w.SubMatchText(1, 1, &position), "abc");
    EXPECT_EQ(position, 8);
    EXPECT_EQ(w.MatchText(2, &position), CP936_XINXIKUANG CP936_OPEN "xyz" CP936_CLOSE);
    EXPECT_EQ(position, 13);
    EXPECT_EQ(w.SubMatchText(2, 1, &position), "xyz");
    EXPECT_EQ(position, 21);
    EXPECT_EQ(w.MatchText(3), "");
    EXPECT_EQ(w.SubMatchText(1, 2), "");
    EXPECT_EQ(w.GetPattern(), CP936_MESSAGE_PATTERN);
    EXPECT_EQ(w.Replace("[$1]"), "[abc][xyz]");
    // Copies share the object, as they share the system's.
    std::unique_ptr<RegexWrapper> copy = w.Copy();
    EXPECT_EQ(copy->MatchCount(), 2);
    EXPECT_EQ(copy->GetPattern(), CP936_MESSAGE_PATTERN);
    EXPECT_EQ(script.take(), c.calls);
    EXPECT_EQ(refsOf("regexp1"), c.runFails ? 0 : -1);
  }
}

TEST_F(RegexScripted, BuiltinObjectTakesTheWrappersOptions) {
  script.factoryFails = true;
  const struct {
    const char* pattern;
    const char* text;
    bool caseSensitive, multiLine, global;
    int count;
    const char* first;
  } cases[] = {
      {"a", "Aa", false, true, true, 2, "A"},
      {"a", "Aa", true, true, true, 1, "a"},
      {"^b", "a\nb", false, true, true, 1, "b"},
      {"^b", "a\nb", false, false, true, 0, ""},
      {"a", "aaa", false, true, false, 1, "a"},
      {"", "ab", false, true, true, 3, ""},
      {CP936_QUOTE_MARKER "(\\w+)" CP936_QUOTE_MARKER, "say \"hi\"", false, true, true, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    RegexWrapper w;
    EXPECT_TRUE(w.Create(c.pattern, c.text, c.caseSensitive, c.multiLine, c.global));
    EXPECT_EQ(w.MatchCount(), c.count);
    EXPECT_EQ(w.MatchText(1), c.first);
  }
  RegexWrapper w;
  ASSERT_TRUE(w.Create(CP936_QUOTE_MARKER "(\\w+)" CP936_QUOTE_MARKER, "say \"hi\"", false, true, true, true));
  EXPECT_EQ(w.SubMatchText(1, 1), "hi");
  EXPECT_EQ(w.GetPattern(), "\"(\\w+)\"");
}

TEST_F(RegexScripted, BuiltinObjectRefusesWhatItsEngineDoesNotCarry) {
  script.factoryFails = true;
  for (const char* pattern : {"(", "(a)\\1", "a(?=b)"}) {
    SCOPED_TRACE(pattern);
    RegexWrapper w;
    EXPECT_FALSE(w.Create(pattern, "aab"));
    EXPECT_EQ(w.MatchCount(), 0);
    EXPECT_EQ(w.MatchText(1), "");
    // The object was made and keeps what was written to it.
    EXPECT_EQ(w.GetPattern(), pattern);
    EXPECT_EQ(w.Replace("x"), "");
  }
}

TEST_F(RegexScripted, ExecuteThatGivesNoCollection) {
  const struct Case {
    const char* name;
    std::optional<Value> result;
  } cases[] = {{"raises an error", Value::fail()}, {"gives text", Value::str(L"x")}, {"gives nothing", Value::empty()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    script.executeResult = c.result;
    script.regExpsMade = 0;
    RegexWrapper w;
    EXPECT_FALSE(w.Create("p", "t"));
    EXPECT_EQ(w.MatchCount(), 0);
    EXPECT_EQ(w.MatchText(1), "");
    EXPECT_EQ(script.take(), kDefaultCreate);  // nothing asked of a collection that is not there
    // The object stays and answers.
    EXPECT_EQ(w.GetPattern(), "p");
    EXPECT_EQ(w.Replace("r"), "replaced");
    script.take();
  }
}

TEST_F(RegexScripted, CollectionWithoutDispatch) {
  script.collectionWithoutDispatch = true;
  script.matches = {{Value::str(L"m0"), Value::i4(0), {}}};
  RegexWrapper w;
  EXPECT_TRUE(w.Create("p", "t"));  // a collection came back, even if it cannot be asked
  script.take();
  EXPECT_EQ(w.MatchCount(), 0);
  EXPECT_EQ(w.MatchText(1), "");
  EXPECT_EQ(w.SubMatchCount(), 0);
  EXPECT_EQ(script.take(), Lines{});
}

TEST_F(RegexScripted, NumbersAreTruncatedDoubles) {
  const struct Case {
    Value count;
    int expected;
  } cases[] = {{Value::i4(3), 3},         {Value::r8(2.9), 2},        {Value::r8(-2.9), -2},
               {Value::str(L"7"), 7},     {Value::flag(true), -1},    {Value::empty(), 0},
               {Value::fail(), 0},        {Value::str(L"x"), 0},      {Value::r8(1e12), INT_MAX},
               {Value::r8(-1e12), INT_MIN}};
  RegexWrapper w;
  ASSERT_TRUE(w.Create("p", "t"));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.count.kind << " number " << c.count.number);
    script.count = c.count;
    EXPECT_EQ(w.MatchCount(), c.expected);
  }
}

TEST_F(RegexScripted, ValuesAreReadAsText) {
  const struct Case {
    Value value;
    const char* text;
  } cases[] = {
      {Value::str(L"abc"), "abc"},
      {Value::str(L""), ""},
      {Value::str(L"\u4E2D"), "\xD6\xD0"},
      {Value::str(L"a\u0E01b"), "a?b"},  // not in code page 936
      {Value::i4(42), "42"},
      {Value::flag(true), "-1"},
      {Value::flag(false), "0"},
      {Value::empty(), ""},
      {Value::null(), ""},
      {Value::fail(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    script.matches = {{c.value, Value::i4(0), {c.value}}};
    RegexWrapper w;
    ASSERT_TRUE(w.Create("p", "t"));
    EXPECT_EQ(w.MatchText(1), c.text);
    EXPECT_EQ(w.SubMatchText(1, 1), c.text);
  }
}

TEST_F(RegexScripted, PositionSearchInputs) {
  const struct Case {
    const char* name;
    const char* text;
    bool caseSensitive;
    std::optional<Value> ignoreCaseRead;
    Value firstIndex;
    const wchar_t* match;
    int position;
  } cases[] = {
      {"written case-sensitive", "Aa", true, std::nullopt, Value::i4(0), L"a", 1},
      {"written case-blind", "Aa", false, std::nullopt, Value::i4(0), L"a", 0},
      {"read fails: case-blind", "Aa", true, Value::fail(), Value::i4(0), L"a", 0},
      {"read as number 0: exact", "Aa", false, Value::i4(0), Value::i4(0), L"a", 1},
      {"read as text 0: exact", "Aa", false, Value::str(L"0"), Value::i4(0), L"a", 1},
      {"read as text False: case-blind", "Aa", true, Value::str(L"False"), Value::i4(0), L"a", 0},
      {"FirstIndex truncated", "aaaa", false, std::nullopt, Value::r8(2.9), L"a", 1},
      {"FirstIndex negative", "aaaa", false, std::nullopt, Value::r8(-1.5), L"a", 0},
      {"FirstIndex as text", "aaaa", false, std::nullopt, Value::str(L"3"), L"a", 2},
      {"FirstIndex unreadable", "aaaa", false, std::nullopt, Value::fail(), L"a", 0},
      {"FirstIndex beyond the text", "aaaa", false, std::nullopt, Value::i4(9), L"", -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    script.ignoreCaseRead = c.ignoreCaseRead;
    script.matches = {{Value::str(c.match), c.firstIndex, {Value::str(c.match)}}};
    RegexWrapper w;
    ASSERT_TRUE(w.Create("p", c.text, c.caseSensitive));
    int position = 12345;
    w.MatchText(1, &position);
    EXPECT_EQ(position, c.position);
    position = 12345;
    w.SubMatchText(1, 1, &position);
    EXPECT_EQ(position, c.position);
  }
}

TEST_F(RegexScripted, CopiesPairTheirComInitialisation) {
  script.matches = {{Value::str(L"m0"), Value::i4(0), {}}};
  auto original = std::make_unique<RegexWrapper>();
  ASSERT_TRUE(original->Create("p", "t"));
  {
    std::unique_ptr<RegexWrapper> copy = original->Copy();
    RegexWrapper constructed(*original);
    EXPECT_EQ(refsOf("regexp1"), 3);
    EXPECT_EQ(refsOf("matches"), 3);
  }
  EXPECT_TRUE(comInitialisedOnThisThread());
  // Still registered and usable: nothing took the apartment down early.
  EXPECT_EQ(original->MatchText(1), "m0");
  std::unique_ptr<RegexWrapper> survivor = original->Copy();
  original.reset();
  EXPECT_EQ(survivor->GetPattern(), "p");
  EXPECT_EQ(refsOf("regexp1"), 1);
  survivor.reset();
  EXPECT_EQ(refsOf("regexp1"), 0);
  EXPECT_EQ(refsOf("matches"), 0);
  // TearDown checks that exactly this test's own initialisation is left.
}

}  // namespace
