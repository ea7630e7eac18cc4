#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "builtin_regexp.h"
#include "dispatch_object.h"
#include "engine.h"
#include "match_objects.h"

using Microsoft::WRL::ComPtr;

namespace builtin_regexp {
namespace {

enum : DISPID { kPattern = 1, kIgnoreCase, kGlobal, kMultiline, kExecute, kReplace };

constexpr Member kRegExpMembers[] = {
    {L"Pattern", kPattern, MemberKind::ReadWrite, 0, {VT_BSTR, VT_EMPTY}},
    {L"IgnoreCase", kIgnoreCase, MemberKind::ReadWrite, 0, {VT_BOOL, VT_EMPTY}},
    {L"Global", kGlobal, MemberKind::ReadWrite, 0, {VT_BOOL, VT_EMPTY}},
    {L"Multiline", kMultiline, MemberKind::ReadWrite, 0, {VT_BOOL, VT_EMPTY}},
    {L"Execute", kExecute, MemberKind::Method, 1, {VT_BSTR, VT_EMPTY}},
    {L"Replace", kReplace, MemberKind::Method, 2, {VT_BSTR, VT_BSTR}},
};

class RegExp final : public DispatchObject {
 public:
  RegExp() noexcept : DispatchObject(kRegExpMembers, std::size(kRegExpMembers)) {}

 protected:
  HRESULT read(const Member& member, const Variant* arguments, VARIANT& result) override {
    switch (member.id) {
      case kPattern: return answerText(result, pattern_);
      case kIgnoreCase: answerFlag(result, options_.ignoreCase); return S_OK;
      case kGlobal: answerFlag(result, options_.global); return S_OK;
      case kMultiline: answerFlag(result, options_.multiline); return S_OK;
      case kExecute: return execute(arguments[0].get(), result);
      case kReplace: return replace(arguments[0].get(), arguments[1].get(), result);
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

  HRESULT write(const Member& member, const VARIANT& value) override {
    const bool flag = value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE;
    switch (member.id) {
      case kPattern: pattern_ = textOf(value); return S_OK;
      case kIgnoreCase: options_.ignoreCase = flag; return S_OK;
      case kGlobal: options_.global = flag; return S_OK;
      case kMultiline: options_.multiline = flag; return S_OK;
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  // Compiled afresh for each search: the pattern and flags may have changed
  // since the last, and compiling is cheap next to searching.
  std::optional<regex_engine::Program> program() const { return regex_engine::compile(pattern_, options_); }

  HRESULT execute(const VARIANT& text, VARIANT& result) const {
    const std::optional<regex_engine::Program> compiled = program();
    if (!compiled) return kPatternSyntax;
    // Not make_shared: without RTTI it links the library's type-info support.
    std::shared_ptr<SearchResult> search(new SearchResult());
    search->text = textOf(text);
    search->matches = regex_engine::execute(*compiled, search->text);
    answerObject(result, makeMatchCollection(std::move(search)));
    return S_OK;
  }

  HRESULT replace(const VARIANT& text, const VARIANT& replacement, VARIANT& result) const {
    const std::optional<regex_engine::Program> compiled = program();
    if (!compiled) return kPatternSyntax;
    return answerText(result, regex_engine::replace(*compiled, textOf(text), textOf(replacement)));
  }

  std::u16string pattern_;
  regex_engine::Options options_;
};

}  // namespace

HRESULT createRegExp(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const ComPtr<IDispatch> regExp = adopt<IDispatch>(new (std::nothrow) RegExp());
  if (regExp == nullptr) return E_OUTOFMEMORY;
  return regExp.CopyTo(riid, object);
}

}  // namespace builtin_regexp
