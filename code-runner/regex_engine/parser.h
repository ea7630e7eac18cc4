// Pattern text to syntax tree. The tree lives in one flat vector, children
// before their parents, so that neither building, walking nor freeing it
// recurses.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "char_class.h"

namespace regex_engine {

// Deeper group nesting is refused: nothing real needs it, and it bounds the
// work the compiler does per node.
constexpr std::size_t kMaxNesting = 1000;
constexpr std::uint32_t kUnbounded = UINT32_MAX;
// Repetition counts saturate here while parsing; any count this large fails
// the compiler's size bound anyway.
constexpr std::uint32_t kCountCeiling = 1000000000;

enum class Anchor : std::uint8_t { TextStart, LineStart, TextEnd, LineEnd, WordBoundary, NotWordBoundary };

enum class NodeKind : std::uint8_t { Empty, Char, Any, Class, Assert, Group, Concat, Alternate, Repeat };

struct Node {
  NodeKind kind = NodeKind::Empty;
  char16_t ch = 0;
  // Class: index into Ast::classes. Assert: an Anchor. Group: its number.
  std::uint32_t value = 0;
  std::uint32_t min = 0;
  std::uint32_t max = 0;  // kUnbounded for * + {n,}
  bool greedy = true;
  std::vector<std::uint32_t> kids;
};

struct Ast {
  std::vector<Node> nodes;
  std::vector<CharClass> classes;
  std::uint32_t root = 0;
  std::uint32_t groupCount = 0;
};

// ^ and $ come back as TextStart/TextEnd; Multiline is the compiler's call.
std::optional<Ast> parse(std::u16string_view pattern);

}  // namespace regex_engine
