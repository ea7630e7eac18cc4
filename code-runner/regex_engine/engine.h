// Regular-expression matching for code-runner when the system's
// "VBScript.RegExp" component cannot be created. It speaks the same dialect
// (the JScript-style one) over UTF-16 text and runs in time linear in the
// text for a given pattern: a priority-ordered Pike VM, no backtracking.
//
// Positions and lengths are in UTF-16 code units; a surrogate pair is two
// characters, as it is for the system component.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace regex_engine {

struct Options {
  bool ignoreCase = false;
  bool multiline = false;
  bool global = false;
};

struct Span {
  std::size_t index = 0;
  std::size_t length = 0;
  friend bool operator==(const Span& a, const Span& b) { return a.index == b.index && a.length == b.length; }
  friend bool operator!=(const Span& a, const Span& b) { return !(a == b); }
};

struct Match {
  std::size_t index = 0;
  std::size_t length = 0;
  // groups[0] is group 1. Empty when the group took no part in the match,
  // which the system component reports as an Empty sub-match.
  std::vector<std::optional<Span>> groups;
};

struct Code;  // the compiled instructions; see program.h

class Program {
 public:
  explicit Program(std::shared_ptr<const Code> code) : code_(std::move(code)) {}
  std::size_t groupCount() const;
  const Options& options() const;
  const Code& code() const { return *code_; }

 private:
  // Shared so that copies of a compiled pattern are cheap to hand around.
  std::shared_ptr<const Code> code_;
};

// Empty for a malformed pattern, one outside the dialect (back-references,
// look-around, ...) or one too large to run within the engine's bounds.
std::optional<Program> compile(std::u16string_view pattern, const Options& options = {});

// Every match, left to right, when the pattern is global; else at most the
// first. `steps`, when given, receives the number of VM thread steps taken,
// a clock-free measure of the work done.
//
// Each search is linear in the text it scans. A global search repeats the
// search after every match, and a search must run on past its match while
// a higher-priority alternative might still succeed ("a[^z]*z|a" on a text
// of a's runs to the end each time), so such patterns can cost up to
// text length times match count, as they do with the system component.
std::vector<Match> execute(const Program& program, std::u16string_view text, std::size_t* steps = nullptr);

// `text` with the match (every match when global) replaced by `replacement`,
// in which $& $` $' $1..$99 and $$ are expanded.
std::u16string replace(const Program& program, std::u16string_view text, std::u16string_view replacement);

}  // namespace regex_engine
