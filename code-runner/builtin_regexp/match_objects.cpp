#include "match_objects.h"

#include <iterator>
#include <optional>
#include <utility>

#include "dispatch_object.h"

using Microsoft::WRL::ComPtr;

namespace builtin_regexp {
namespace {

enum : DISPID { kCount = 1, kFirstIndex, kLength, kSubMatches };

// The collections' Item and a match's Value are their objects' default
// members, as automation collections have them.
constexpr Member kCollectionMembers[] = {
    {L"Count", kCount, MemberKind::ReadOnly, 0, {VT_EMPTY, VT_EMPTY}},
    {L"Item", DISPID_VALUE, MemberKind::ReadOnly, 1, {VT_I4, VT_EMPTY}},
};

constexpr Member kMatchMembers[] = {
    {L"Value", DISPID_VALUE, MemberKind::ReadOnly, 0, {VT_EMPTY, VT_EMPTY}},
    {L"FirstIndex", kFirstIndex, MemberKind::ReadOnly, 0, {VT_EMPTY, VT_EMPTY}},
    {L"Length", kLength, MemberKind::ReadOnly, 0, {VT_EMPTY, VT_EMPTY}},
    {L"SubMatches", kSubMatches, MemberKind::ReadOnly, 0, {VT_EMPTY, VT_EMPTY}},
};

// The position `index` names among `count` items, if it names one.
bool inRange(const Variant& index, std::size_t count) {
  const LONG i = index.get().lVal;
  return i >= 0 && static_cast<std::size_t>(i) < count;
}

// The groups of one match; a group that took no part reads as Empty.
class SubMatches final : public DispatchObject {
 public:
  SubMatches(std::shared_ptr<const SearchResult> search, std::size_t match)
      : DispatchObject(kCollectionMembers, std::size(kCollectionMembers)), search_(std::move(search)), match_(match) {}

 protected:
  HRESULT read(const Member& member, const Variant* arguments, VARIANT& result) override {
    const regex_engine::Match& m = search_->matches[match_];
    if (member.id == kCount) {
      answerNumber(result, m.groups.size());
      return S_OK;
    }
    if (!inRange(arguments[0], m.groups.size())) return kInvalidArgument;
    const auto index = static_cast<std::size_t>(arguments[0].get().lVal);
    const std::optional<regex_engine::Span>& group = m.groups[index];
    if (!group) return S_OK;
    return answerText(result, std::u16string_view(search_->text).substr(group->index, group->length));
  }

 private:
  std::shared_ptr<const SearchResult> search_;
  std::size_t match_;
};

class MatchObject final : public DispatchObject {
 public:
  MatchObject(std::shared_ptr<const SearchResult> search, std::size_t match)
      : DispatchObject(kMatchMembers, std::size(kMatchMembers)), search_(std::move(search)), match_(match) {}

 protected:
  HRESULT read(const Member& member, const Variant*, VARIANT& result) override {
    const regex_engine::Match& m = search_->matches[match_];
    switch (member.id) {
      case DISPID_VALUE: return answerText(result, std::u16string_view(search_->text).substr(m.index, m.length));
      case kFirstIndex: answerNumber(result, m.index); return S_OK;
      case kLength: answerNumber(result, m.length); return S_OK;
      case kSubMatches: {
        answerObject(result, adopt<IDispatch>(new SubMatches(search_, match_)));
        return S_OK;
      }
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  std::shared_ptr<const SearchResult> search_;
  std::size_t match_;
};

class MatchCollection final : public DispatchObject {
 public:
  explicit MatchCollection(std::shared_ptr<const SearchResult> search)
      : DispatchObject(kCollectionMembers, std::size(kCollectionMembers)), search_(std::move(search)) {}

 protected:
  HRESULT read(const Member& member, const Variant* arguments, VARIANT& result) override {
    if (member.id == kCount) {
      answerNumber(result, search_->matches.size());
      return S_OK;
    }
    if (!inRange(arguments[0], search_->matches.size())) return kInvalidArgument;
    const auto index = static_cast<std::size_t>(arguments[0].get().lVal);
    answerObject(result, adopt<IDispatch>(new MatchObject(search_, index)));
    return S_OK;
  }

 private:
  std::shared_ptr<const SearchResult> search_;
};

}  // namespace

ComPtr<IDispatch> makeMatchCollection(std::shared_ptr<const SearchResult> search) {
  return adopt<IDispatch>(new MatchCollection(std::move(search)));
}

}  // namespace builtin_regexp
