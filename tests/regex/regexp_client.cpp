#include "regexp_client.h"

#include <cstdio>
#include <cwchar>

#include "builtin_regexp/builtin_regexp.h"

namespace regexp_client {

ComPtr<IDispatch> makeSystem() {
  CLSID id;
  if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &id))) return nullptr;
  ComPtr<IDispatch> object;
  if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.GetAddressOf()))))
    return nullptr;
  return object;
}

ComPtr<IDispatch> makeBuiltin() {
  ComPtr<IDispatch> object;
  if (FAILED(builtin_regexp::createRegExp(IID_IDispatch, reinterpret_cast<void**>(object.GetAddressOf()))))
    return nullptr;
  return object;
}

namespace {

// Copies of the arguments, last first as Invoke takes them. They are owned
// here as they sit in the list, since Invoke may coerce one in place.
class ArgumentList {
 public:
  explicit ArgumentList(const std::vector<const VARIANT*>& arguments) : items_(arguments.size()) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      VARIANTARG& slot = items_[arguments.size() - 1 - i];
      VariantInit(&slot);
      VariantCopy(&slot, const_cast<VARIANT*>(arguments[i]));
    }
  }
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;
  ~ArgumentList() {
    for (VARIANTARG& item : items_) VariantClear(&item);
  }
  VARIANTARG* items() { return items_.empty() ? nullptr : items_.data(); }
  UINT count() const { return static_cast<UINT>(items_.size()); }

 private:
  std::vector<VARIANTARG> items_;
};

}  // namespace

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<const VARIANT*>& arguments,
               Variant* result) {
  if (object == nullptr) return E_POINTER;
  std::wstring member(name);
  LPOLESTR names[] = {member.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT found = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(found)) return found;
  ArgumentList slots(arguments);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{slots.items(), nullptr, slots.count(), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &putId;
    parameters.cNamedArgs = 1;
  }
  ExceptionInfo exception;
  UINT badArgument = 0;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                        result != nullptr ? result->receive() : nullptr, exception.get(), &badArgument);
}

HRESULT get(IDispatch* object, const wchar_t* name, Variant& result, const VARIANT* argument) {
  std::vector<const VARIANT*> arguments;
  if (argument != nullptr) arguments.push_back(argument);
  return invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments, &result);
}

HRESULT put(IDispatch* object, const wchar_t* name, const Variant& value) {
  return invoke(object, name, DISPATCH_PROPERTYPUT, {&value.get()}, nullptr);
}

ComPtr<IDispatch> objectOf(const Variant& value) {
  if (value.get().vt != VT_DISPATCH || value.get().pdispVal == nullptr) return nullptr;
  return ComPtr<IDispatch>(value.get().pdispVal);
}

Seen seen(const Variant& value) {
  Seen s;
  s.type = value.get().vt;
  Variant text;
  if (SUCCEEDED(VariantChangeType(text.receive(), const_cast<VARIANT*>(&value.get()), 0, VT_BSTR)))
    s.text.assign(text.get().bstrVal, SysStringLen(text.get().bstrVal));
  return s;
}

namespace {

Seen read(IDispatch* object, const wchar_t* name, const VARIANT* argument = nullptr) {
  Variant value;
  if (FAILED(get(object, name, value, argument))) return Seen{VT_ERROR, L"call failed"};
  return seen(value);
}

MatchSeen readMatch(IDispatch* match) {
  MatchSeen m;
  m.value = read(match, L"Value");
  m.firstIndex = read(match, L"FirstIndex");
  m.length = read(match, L"Length");
  Variant groupsValue;
  get(match, L"SubMatches", groupsValue);
  ComPtr<IDispatch> groups = objectOf(groupsValue);
  m.groupCount = read(groups.Get(), L"Count");
  const long count = m.groupCount.type == VT_ERROR ? 0 : std::wcstol(m.groupCount.text.c_str(), nullptr, 10);
  for (long k = 0; k < count; ++k) {
    const Variant index = Variant::fromInt(k);
    m.groups.push_back(read(groups.Get(), L"Item", &index.get()));
  }
  return m;
}

}  // namespace

Outcome run(IDispatch* regExp, const Settings& settings, const std::wstring& text, const std::wstring& replacement) {
  Outcome o;
  put(regExp, L"Pattern", Variant::fromWide(settings.pattern));
  put(regExp, L"IgnoreCase", Variant::fromFlag(settings.ignoreCase));
  put(regExp, L"Multiline", Variant::fromFlag(settings.multiline));
  put(regExp, L"Global", Variant::fromFlag(settings.global));
  const Variant textValue = Variant::fromWide(text);
  Variant matchesValue;
  o.executed = SUCCEEDED(invoke(regExp, L"Execute", DISPATCH_METHOD, {&textValue.get()}, &matchesValue));
  if (o.executed) {
    ComPtr<IDispatch> matches = objectOf(matchesValue);
    o.count = read(matches.Get(), L"Count");
    const long count = o.count.type == VT_ERROR ? 0 : std::wcstol(o.count.text.c_str(), nullptr, 10);
    for (long i = 0; i < count; ++i) {
      const Variant index = Variant::fromInt(i);
      Variant matchValue;
      get(matches.Get(), L"Item", matchValue, &index.get());
      ComPtr<IDispatch> match = objectOf(matchValue);
      o.matches.push_back(readMatch(match.Get()));
    }
    const Variant pastEnd = Variant::fromInt(count);
    Variant unused;
    o.itemPastEndFails = FAILED(get(matches.Get(), L"Item", unused, &pastEnd.get()));
  }
  const Variant with = Variant::fromWide(replacement);
  Variant replaced;
  o.replaced = SUCCEEDED(invoke(regExp, L"Replace", DISPATCH_METHOD, {&textValue.get(), &with.get()}, &replaced));
  if (o.replaced) o.replacement = seen(replaced).text;
  return o;
}

std::string show(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    switch (c) {
      case L'"': out += "\\\""; break;
      case L'\\': out += "\\\\"; break;
      case L'\n': out += "\\n"; break;
      case L'\r': out += "\\r"; break;
      case L'\t': out += "\\t"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
          out += escaped;
        }
    }
  }
  return out + "\"";
}

std::string show(const Settings& s) {
  std::string flags;
  if (s.ignoreCase) flags += " IgnoreCase";
  if (s.multiline) flags += " Multiline";
  if (s.global) flags += " Global";
  return "pattern " + show(s.pattern) + (flags.empty() ? "" : " with" + flags);
}

void PrintTo(const Seen& seen, std::ostream* out) { *out << "vt " << seen.type << " " << show(seen.text); }

void PrintTo(const MatchSeen& m, std::ostream* out) {
  *out << "{value ";
  PrintTo(m.value, out);
  *out << ", at ";
  PrintTo(m.firstIndex, out);
  *out << ", length ";
  PrintTo(m.length, out);
  *out << ", ";
  PrintTo(m.groupCount, out);
  *out << " groups:";
  for (const Seen& g : m.groups) {
    *out << " [";
    PrintTo(g, out);
    *out << "]";
  }
  *out << "}";
}

void PrintTo(const Outcome& o, std::ostream* out) {
  *out << "\n  Execute " << (o.executed ? "succeeds" : "fails") << ", Count ";
  PrintTo(o.count, out);
  for (const MatchSeen& m : o.matches) {
    *out << "\n  ";
    PrintTo(m, out);
  }
  *out << "\n  Item past the end " << (o.itemPastEndFails ? "fails" : "answers") << "\n  Replace "
       << (o.replaced ? "gives " + show(o.replacement) : std::string("fails")) << "\n";
}

}  // namespace regexp_client
