// A deliberately naive backtracking matcher over the engine's syntax tree,
// written straight from the dialect's matching rules (continuations, capture
// reset per iteration, empty optional iterations refused). Exponential in
// the worst case, so only for short inputs; the tests and the fuzz target
// compare the Pike VM against it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "engine.h"
#include "parser.h"

namespace engine_test {

struct ReferenceResult {
  bool gaveUp = false;  // the step budget ran out; no verdict
  std::vector<regex_engine::Match> matches;
};

// What execute() should return, or gaveUp.
ReferenceResult referenceExecute(const regex_engine::Ast& ast, const regex_engine::Options& options,
                                 std::u16string_view text, std::size_t budget);

}  // namespace engine_test
