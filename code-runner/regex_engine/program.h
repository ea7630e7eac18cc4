// The compiled form of a pattern: instructions for the Pike VM in vm.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "char_class.h"
#include "engine.h"
#include "parser.h"

namespace regex_engine {

enum class Op : std::uint8_t {
  Char,      // ch
  CharFold,  // ch is already folded
  Any,       // anything but a line terminator
  Class,     // x: class index
  Assert,    // x: Anchor
  Split,     // x preferred, y the other branch
  Jmp,       // x
  Save,      // x: slot = position
  Clear,     // slots [x, y) = unset: groups of a repetition start each iteration unset
  Mark,      // x: slot = position at the start of an optional iteration
  Progress,  // x: the iteration begun at Mark x consumed something, else die
  Match,
};

struct Inst {
  Op op = Op::Match;
  char16_t ch = 0;
  std::uint32_t x = 0;
  std::uint32_t y = 0;
};

struct Code {
  Options options;
  std::vector<Inst> insts;
  std::vector<CharClass> classes;
  std::uint32_t groupCount = 0;
  // Slots per thread: a start and an end for the whole match and for each
  // group, then one per Mark.
  std::uint32_t slotCount = 0;
  // Instructions a thread can wait at between characters.
  std::uint32_t waitingPoints = 0;
  // Per instruction: the Mark slot of the innermost optional iteration that
  // holds it (its Progress included), or kNoGuard. Whether that iteration
  // has consumed anything yet decides every Progress the closure can still
  // pass from here, so the VM keeps two visits per instruction apart by it.
  std::vector<std::uint32_t> guards;
};

constexpr std::uint32_t kNoGuard = UINT32_MAX;

// Bounds that keep one search's memory and per-character work small.
constexpr std::size_t kMaxInstructions = 20000;
constexpr std::size_t kMaxThreadSlots = std::size_t{1} << 20;  // waitingPoints * slotCount

// Empty when the program would break a bound.
std::optional<Code> generate(const Ast& ast, const Options& options);

}  // namespace regex_engine
