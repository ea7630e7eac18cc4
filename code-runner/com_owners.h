// Owners for the COM resources that Microsoft::WRL::ComPtr does not cover:
// a VARIANT, a BSTR, a loaded module and the strings of an EXCEPINFO. Each is
// freed when its owner goes, so no early return can leak one.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

// A BSTR that is freed with its owner.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(BSTR adopted) noexcept : text_(adopted) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : text_(other.release()) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(text_);
      text_ = other.release();
    }
    return *this;
  }
  ~Bstr() { SysFreeString(text_); }

  // A copy of the UTF-16 text; nullptr only when memory ran out.
  static Bstr fromWide(const std::wstring& text) {
    return Bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  }

  BSTR get() const noexcept { return text_; }
  UINT length() const noexcept { return SysStringLen(text_); }
  BSTR release() noexcept {
    BSTR text = text_;
    text_ = nullptr;
    return text;
  }

 private:
  BSTR text_ = nullptr;
};

// A VARIANT that is cleared with its owner. Copies are explicit (copyFrom),
// since duplicating one is a call that can fail.
class Variant {
 public:
  Variant() noexcept { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&value_);
      value_ = other.value_;
      VariantInit(&other.value_);
    }
    return *this;
  }
  ~Variant() { VariantClear(&value_); }

  static Variant fromInt(LONG number) noexcept {
    Variant v;
    v.value_.vt = VT_I4;
    v.value_.lVal = number;
    return v;
  }
  static Variant fromDouble(double number) noexcept {
    Variant v;
    v.value_.vt = VT_R8;
    v.value_.dblVal = number;
    return v;
  }
  static Variant fromFlag(bool flag) noexcept {
    Variant v;
    v.value_.vt = VT_BOOL;
    v.value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }
  // VT_BSTR; stays VT_EMPTY only when memory ran out.
  static Variant fromWide(const std::wstring& text) {
    Variant v;
    Bstr b = Bstr::fromWide(text);
    if (b.get() != nullptr) {
      v.value_.vt = VT_BSTR;
      v.value_.bstrVal = b.release();
    }
    return v;
  }

  const VARIANT& get() const noexcept { return value_; }
  // Where a call stores a VARIANT it hands over: the old value is cleared first.
  VARIANT* receive() noexcept {
    VariantClear(&value_);
    return &value_;
  }
  void clear() noexcept { VariantClear(&value_); }
  // A deep copy (strings duplicated, interfaces AddRef'd); VT_EMPTY when it fails.
  void copyFrom(const VARIANT& source) noexcept {
    if (&source == &value_) return;
    VariantClear(&value_);
    // VariantCopy only reads its source; the header merely lacks the const.
    if (FAILED(VariantCopy(&value_, const_cast<VARIANT*>(&source)))) VariantInit(&value_);
  }

 private:
  VARIANT value_;
};

// A module handle that is freed with its owner.
class Module {
 public:
  explicit Module(HMODULE adopted) noexcept : handle_(adopted) {}
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() {
    if (handle_ != nullptr) FreeLibrary(handle_);
  }
  HMODULE get() const noexcept { return handle_; }

 private:
  HMODULE handle_;
};

// An EXCEPINFO to pass to IDispatch::Invoke; the strings a component fills in
// are freed with the owner.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept : info_{} {}
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  EXCEPINFO* get() noexcept { return &info_; }

 private:
  EXCEPINFO info_;
};
