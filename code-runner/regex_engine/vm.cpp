#include "vm.h"

#include <algorithm>
#include <utility>

#include "case_fold.h"

namespace regex_engine {
namespace {

constexpr std::size_t kUnset = SIZE_MAX;
constexpr std::uint32_t kFollow = UINT32_MAX;

}  // namespace

Searcher::Searcher(const Code& code, std::u16string_view text)
    : code_(code),
      text_(text),
      slotCount_(code.slotCount),
      work_(code.slotCount),
      unset_(code.slotCount, kUnset),
      visited_(2 * code.insts.size(), 0) {
  for (ThreadList* list : {&current_, &next_}) {
    list->pcs.resize(code.waitingPoints);
    list->slots.resize(std::size_t{code.waitingPoints} * slotCount_);
  }
}

bool Searcher::holds(Anchor anchor, std::size_t pos) const {
  const bool atStart = pos == 0;
  const bool atEnd = pos == text_.size();
  switch (anchor) {
    case Anchor::TextStart: return atStart;
    case Anchor::LineStart: return atStart || isLineTerminator(text_[pos - 1]);
    case Anchor::TextEnd: return atEnd;
    case Anchor::LineEnd: return atEnd || isLineTerminator(text_[pos]);
    case Anchor::WordBoundary:
    case Anchor::NotWordBoundary: {
      bool before = !atStart && isWordChar(text_[pos - 1]);
      bool after = !atEnd && isWordChar(text_[pos]);
      return (before != after) == (anchor == Anchor::WordBoundary);
    }
  }
  return false;
}

bool Searcher::accepts(const Inst& in, char16_t c) const {
  switch (in.op) {
    case Op::Char: return c == in.ch;
    case Op::CharFold: return foldCase(c) == in.ch;
    case Op::Any: return !isLineTerminator(c);
    case Op::Class: return code_.classes[in.x].matches(c, code_.options.ignoreCase);
    default: return false;
  }
}

// Once a thread has consumed a character, every iteration around it has made
// progress, so what it can still do depends on its pc alone: one visit per
// waiting point. Before that, an instruction inside an optional iteration
// can be reached twice at one position with different futures: once with the
// iteration already past a character, once from a fresh iteration that
// started here (a greedy loop coming round again into a lazy one, as in
// "(?:a*?)*"). The fresh one can never get past that iteration's Progress,
// the other can; and an iteration nested inside is fresh whenever an outer
// one is, so the innermost one's bit decides every Progress ahead. The fresh
// visit is often found while the other is still being followed, and ranks
// above that visit's remaining branches, so letting the first visit shadow
// it would hand its waiting points to lower-priority threads.
std::size_t Searcher::visitKey(std::uint32_t pc, std::size_t pos) const {
  const std::uint32_t guard = code_.guards[pc];
  const bool fresh = guard != kNoGuard && work_[guard] == pos;
  return 2 * std::size_t{pc} + (fresh ? 1 : 0);
}

// Follows every non-consuming instruction from `pc` depth first, preferred
// branch first, so threads enter `list` in priority order. The slot writes
// of one branch are undone before its sibling runs, through `pending_`
// instead of recursion.
void Searcher::addThread(ThreadList& list, std::uint32_t pc, std::size_t pos, const std::size_t* slots) {
  std::copy(slots, slots + slotCount_, work_.begin());
  pending_.clear();
  pending_.push_back(Pending{pc, kFollow, 0});
  while (!pending_.empty()) {
    Pending p = pending_.back();
    pending_.pop_back();
    if (p.slot != kFollow) {
      work_[p.slot] = p.value;
      continue;
    }
    const std::size_t key = visitKey(p.pc, pos);
    if (visited_[key] == generation_) continue;
    visited_[key] = generation_;
    ++steps_;
    const Inst& in = code_.insts[p.pc];
    switch (in.op) {
      case Op::Jmp:
        pending_.push_back(Pending{in.x, kFollow, 0});
        break;
      case Op::Split:
        pending_.push_back(Pending{in.y, kFollow, 0});
        pending_.push_back(Pending{in.x, kFollow, 0});
        break;
      case Op::Save:
      case Op::Mark:
        pending_.push_back(Pending{0, in.x, work_[in.x]});
        work_[in.x] = pos;
        pending_.push_back(Pending{p.pc + 1, kFollow, 0});
        break;
      case Op::Clear:
        for (std::uint32_t s = in.x; s < in.y; ++s) {
          pending_.push_back(Pending{0, s, work_[s]});
          work_[s] = kUnset;
        }
        pending_.push_back(Pending{p.pc + 1, kFollow, 0});
        break;
      case Op::Progress:
        if (work_[in.x] != pos) pending_.push_back(Pending{p.pc + 1, kFollow, 0});
        break;
      case Op::Assert:
        if (holds(static_cast<Anchor>(in.x), pos)) pending_.push_back(Pending{p.pc + 1, kFollow, 0});
        break;
      case Op::Char:
      case Op::CharFold:
      case Op::Any:
      case Op::Class:
      case Op::Match:
        list.pcs[list.size] = p.pc;
        std::copy(work_.begin(), work_.end(), list.slots.begin() + static_cast<std::ptrdiff_t>(list.size * slotCount_));
        ++list.size;
        break;
    }
  }
}

std::optional<Match> Searcher::find(std::size_t start) {
  std::optional<Match> found;
  std::vector<std::size_t> best;
  current_.size = 0;
  next_.size = 0;
  ++generation_;
  for (std::size_t pos = start;; ++pos) {
    // A thread starting here ranks below every thread that started earlier,
    // which is what makes the match leftmost. None start once one matched.
    if (!found) addThread(current_, 0, pos, unset_.data());
    ++generation_;
    for (std::size_t i = 0; i < current_.size; ++i) {
      ++steps_;
      const std::size_t* slots = current_.slots.data() + i * slotCount_;
      const Inst& in = code_.insts[current_.pcs[i]];
      if (in.op == Op::Match) {
        // Threads after this one rank lower and can only lose to it.
        found.emplace();
        best.assign(slots, slots + slotCount_);
        break;
      }
      if (pos < text_.size() && accepts(in, text_[pos])) addThread(next_, current_.pcs[i] + 1, pos + 1, slots);
    }
    std::swap(current_, next_);
    next_.size = 0;
    if (pos == text_.size() || (found && current_.size == 0)) break;
  }
  if (!found) return std::nullopt;
  found->index = best[0];
  found->length = best[1] - best[0];
  found->groups.resize(code_.groupCount);
  for (std::size_t g = 1; g <= code_.groupCount; ++g) {
    std::size_t from = best[2 * g];
    std::size_t to = best[2 * g + 1];
    if (from != kUnset && to != kUnset) found->groups[g - 1] = Span{from, to - from};
  }
  return found;
}

}  // namespace regex_engine
