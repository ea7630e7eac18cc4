#include "engine.h"

#include "parser.h"
#include "program.h"
#include "vm.h"

namespace regex_engine {

std::size_t Program::groupCount() const { return code_->groupCount; }

const Options& Program::options() const { return code_->options; }

std::optional<Program> compile(std::u16string_view pattern, const Options& options) {
  std::optional<Ast> ast = parse(pattern);
  if (!ast) return std::nullopt;
  std::optional<Code> code = generate(*ast, options);
  if (!code) return std::nullopt;
  // Not make_shared: without RTTI it links the library's type-info support.
  return Program(std::shared_ptr<const Code>(new Code(std::move(*code))));
}

std::vector<Match> execute(const Program& program, std::u16string_view text, std::size_t* steps) {
  std::vector<Match> matches;
  Searcher searcher(program.code(), text);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::optional<Match> m = searcher.find(start);
    if (!m) break;
    // The system component resumes where the match ended, one further after
    // an empty match so as not to find it again; so an empty match can
    // follow a non-empty one directly, and one can sit at the very end.
    start = m->index + m->length + (m->length == 0 ? 1 : 0);
    matches.push_back(std::move(*m));
    if (!program.options().global) break;
  }
  if (steps) *steps = searcher.steps();
  return matches;
}

}  // namespace regex_engine
