// The Pike VM: every thread of the program advances over the text in
// lock step, one character at a time, in priority order. A thread per
// instruction per position at most, and each instruction followed at most
// twice per position, so a search costs O(text × program) steps and never
// backtracks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "program.h"

namespace regex_engine {

class Searcher {
 public:
  Searcher(const Code& code, std::u16string_view text);

  // The leftmost match starting at or after `start` (which may be the text's
  // length), with the captures the highest-priority thread made, i.e. those a
  // backtracking matcher would report.
  std::optional<Match> find(std::size_t start);

  std::size_t steps() const { return steps_; }

 private:
  struct ThreadList {
    std::vector<std::uint32_t> pcs;
    std::vector<std::size_t> slots;  // slotCount per thread
    std::size_t size = 0;
  };
  // A pending closure step: follow `pc`, or, when `slot` is set, put a slot
  // back as it was before a sibling branch wrote it.
  struct Pending {
    std::uint32_t pc;
    std::uint32_t slot;
    std::size_t value;
  };

  void addThread(ThreadList& list, std::uint32_t pc, std::size_t pos, const std::size_t* slots);
  bool holds(Anchor anchor, std::size_t pos) const;
  bool accepts(const Inst& in, char16_t c) const;
  std::size_t visitKey(std::uint32_t pc, std::size_t pos) const;

  const Code& code_;
  std::u16string_view text_;
  std::size_t slotCount_;
  ThreadList current_;
  ThreadList next_;
  std::vector<std::size_t> work_;
  std::vector<std::size_t> unset_;
  std::vector<Pending> pending_;
  // visited_[2 * pc + fresh] == generation_: pc is already in the closure
  // being built, reached with its guarding iteration empty so far (fresh) or
  // not. See visitKey().
  std::vector<std::uint64_t> visited_;
  std::uint64_t generation_ = 0;
  std::size_t steps_ = 0;
};

}  // namespace regex_engine
