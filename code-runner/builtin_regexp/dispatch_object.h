// The IDispatch side shared by the built-in RegExp objects: reference
// counting, QueryInterface, name lookup and the checks every Invoke makes
// before a member runs. Each object describes its members in a table; the
// member itself only ever sees arguments of the types it asked for.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <wrl/client.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

#include "com_owners.h"

namespace builtin_regexp {

enum class MemberKind {
  ReadOnly,   // a property that can be read, with or without arguments
  ReadWrite,  // a property that can be read and written
  Method,
};

struct Member {
  const wchar_t* name;
  DISPID id;
  MemberKind kind;
  // Reads and calls: how many arguments, and the type each is coerced to,
  // in call order. Writes: one value, of the type in types[0].
  UINT argumentCount;
  VARTYPE types[2];
};

// Errors a member raises the way automation components do: Invoke answers
// DISP_E_EXCEPTION and describes them in the EXCEPINFO. The numbers are the
// script host's, so a caller that shows them sees familiar ones.
constexpr HRESULT kInvalidArgument = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5);
constexpr HRESULT kPatternSyntax = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5017);

class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                      EXCEPINFO* exception, UINT* badArgument) override;

 protected:
  // Objects start with one reference, which their maker takes over.
  DispatchObject(const Member* members, std::size_t count) noexcept : members_(members), memberCount_(count) {}
  virtual ~DispatchObject() = default;

  // A read or a call of `member`, its arguments already coerced. `result`
  // is empty and may be written only on success.
  virtual HRESULT read(const Member& member, const Variant* arguments, VARIANT& result) = 0;
  // A write of `member`, the value already coerced.
  virtual HRESULT write(const Member& member, const VARIANT& value);

 private:
  const Member* find(DISPID id) const noexcept;
  HRESULT dispatch(const Member& member, LCID locale, WORD flags, const DISPPARAMS& parameters, VARIANT& result,
                   UINT* badArgument);

  const Member* members_;
  std::size_t memberCount_;
  std::atomic<ULONG> references_{1};
};

// Texts cross into and out of the objects here: BSTR is UTF-16 in wchar_t,
// the engine's text UTF-16 in char16_t.
std::u16string textOf(const VARIANT& bstrValue);
// VT_BSTR into an empty `result`; E_OUTOFMEMORY when it cannot be made.
HRESULT answerText(VARIANT& result, std::u16string_view text);
void answerNumber(VARIANT& result, std::size_t number);
void answerFlag(VARIANT& result, bool flag);
// Takes over the reference a new object starts with. Not ComPtr::Attach:
// mingw-w64's adds a reference of its own, where Microsoft's does not.
template <typename Interface>
Microsoft::WRL::ComPtr<Interface> adopt(Interface* object) {
  Microsoft::WRL::ComPtr<Interface> owner;
  *owner.GetAddressOf() = object;
  return owner;
}

// VT_DISPATCH; the reference goes to the caller.
void answerObject(VARIANT& result, Microsoft::WRL::ComPtr<IDispatch> object);

}  // namespace builtin_regexp
