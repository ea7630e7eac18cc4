#include "dispatch_object.h"

#include <new>

namespace builtin_regexp {
namespace {

// Member names compare without regard to ASCII case, and only ASCII case:
// a comparison in the user's locale would not pair "i" with "I" under a
// Turkish one, and "FirstIndex" must be found there too.
wchar_t asciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c; }

bool sameName(const wchar_t* asked, const wchar_t* known) {
  for (;; ++asked, ++known) {
    if (asciiUpper(*asked) != asciiUpper(*known)) return false;
    if (*asked == L'\0') return true;
  }
}

const wchar_t* describe(HRESULT error) {
  switch (error) {
    case kInvalidArgument: return L"Invalid procedure call or argument";
    case kPatternSyntax: return L"Syntax error in regular expression";
    default: return L"Unexpected error";
  }
}

// An error a member raised, reported the automation way when the caller
// gave somewhere to put the description, else as the bare code.
HRESULT raise(HRESULT error, EXCEPINFO* exception) {
  if (exception == nullptr) return error;
  *exception = EXCEPINFO{};
  exception->scode = error;
  // Allocation failures leave the strings null, which callers accept.
  exception->bstrSource = SysAllocString(L"RegExp");
  exception->bstrDescription = SysAllocString(describe(error));
  return DISP_E_EXCEPTION;
}

HRESULT coerce(Variant& to, const VARIANT& from, VARTYPE type, LCID locale) {
  // VariantChangeTypeEx only reads its source (the header merely lacks the
  // const) and follows by-reference values to what they point at.
  const HRESULT hr = VariantChangeTypeEx(to.receive(), const_cast<VARIANT*>(&from), locale, 0, type);
  if (SUCCEEDED(hr)) return S_OK;
  return hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
}

}  // namespace

STDMETHODIMP DispatchObject::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DispatchObject::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) DispatchObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

STDMETHODIMP DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  return DISP_E_BADINDEX;  // there are none to index
}

STDMETHODIMP DispatchObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] != nullptr) {
    for (std::size_t i = 0; i < memberCount_; ++i) {
      if (sameName(names[0], members_[i].name)) {
        ids[0] = members_[i].id;
        break;
      }
    }
  }
  // No member takes named arguments, so every argument name is unknown.
  return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP DispatchObject::Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                    VARIANT* result, EXCEPINFO* exception, UINT* badArgument) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const Member* member = find(id);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  if (parameters == nullptr || (parameters->cArgs > 0 && parameters->rgvarg == nullptr) ||
      (parameters->cNamedArgs > 0 && parameters->rgdispidNamedArgs == nullptr) ||
      parameters->cNamedArgs > parameters->cArgs)
    return E_INVALIDARG;

  // A caller that wants no answer still has the member run: Execute must
  // still fail on a bad pattern. What the caller passes in need not be
  // initialised, so it is set empty rather than cleared.
  Variant unwanted;
  VARIANT* answer = result != nullptr ? result : unwanted.receive();
  VariantInit(answer);
  // Built without exceptions: nothing can unwind into the caller.
  const HRESULT hr = dispatch(*member, locale, flags, *parameters, *answer, badArgument);
  if (FAILED(hr)) {
    VariantClear(answer);
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return raise(hr, exception);
  }
  return hr;
}

HRESULT DispatchObject::write(const Member&, const VARIANT&) { return DISP_E_MEMBERNOTFOUND; }

const Member* DispatchObject::find(DISPID id) const noexcept {
  for (std::size_t i = 0; i < memberCount_; ++i)
    if (members_[i].id == id) return &members_[i];
  return nullptr;
}

HRESULT DispatchObject::dispatch(const Member& member, LCID locale, WORD flags, const DISPPARAMS& parameters,
                                 VARIANT& result, UINT* badArgument) {
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
    // A value is written with PROPERTYPUT; PUTREF alone would set an object
    // reference, which none of these members holds.
    if (member.kind != MemberKind::ReadWrite || (flags & DISPATCH_PROPERTYPUT) == 0 ||
        (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0)
      return DISP_E_MEMBERNOTFOUND;
    if (parameters.cNamedArgs != 1 || parameters.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
    if (parameters.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    Variant value;
    const HRESULT hr = coerce(value, parameters.rgvarg[0], member.types[0], locale);
    if (FAILED(hr)) {
      if (badArgument != nullptr) *badArgument = 0;
      return hr;
    }
    return write(member, value.get());
  }

  // Clients read properties with PROPERTYGET, METHOD or both (script
  // engines cannot tell "x.Count" from a call); a method is only called.
  const WORD accepted = member.kind == MemberKind::Method ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if ((flags & accepted) == 0) return DISP_E_MEMBERNOTFOUND;
  if (parameters.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (parameters.cArgs != member.argumentCount) return DISP_E_BADPARAMCOUNT;
  Variant arguments[2];
  for (UINT i = 0; i < member.argumentCount; ++i) {
    const UINT slot = parameters.cArgs - 1 - i;  // rgvarg holds the last argument first
    const HRESULT hr = coerce(arguments[i], parameters.rgvarg[slot], member.types[i], locale);
    if (FAILED(hr)) {
      if (badArgument != nullptr) *badArgument = slot;
      return hr;
    }
  }
  return read(member, arguments, result);
}

std::u16string textOf(const VARIANT& bstrValue) {
  const BSTR text = bstrValue.bstrVal;
  const UINT length = SysStringLen(text);
  // Copied unit by unit: wchar_t and char16_t are distinct types, and one
  // must not be read through the other.
  std::u16string copy(length, u'\0');
  for (UINT i = 0; i < length; ++i) copy[i] = static_cast<char16_t>(text[i]);
  return copy;
}

HRESULT answerText(VARIANT& result, std::u16string_view text) {
  Bstr copy(SysAllocStringLen(nullptr, static_cast<UINT>(text.size())));
  if (copy.get() == nullptr) return E_OUTOFMEMORY;
  for (std::size_t i = 0; i < text.size(); ++i) copy.get()[i] = static_cast<wchar_t>(text[i]);
  result.vt = VT_BSTR;
  result.bstrVal = copy.release();
  return S_OK;
}

void answerNumber(VARIANT& result, std::size_t number) {
  // Positions and counts come from a BSTR, whose length fits a LONG.
  result.vt = VT_I4;
  result.lVal = static_cast<LONG>(number);
}

void answerFlag(VARIANT& result, bool flag) {
  result.vt = VT_BOOL;
  result.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

void answerObject(VARIANT& result, Microsoft::WRL::ComPtr<IDispatch> object) {
  result.vt = VT_DISPATCH;
  result.pdispVal = object.Detach();
}

}  // namespace builtin_regexp
