// libFuzzer target for the regex engine. Input: one byte of flags, then the
// pattern, the text and a replacement separated by 0xFF bytes. Bytes below
// 0x80 stand for themselves, higher ones for a few characters the engine
// cares about (CJK, case pairs, spaces, a surrogate pair), so that
// short inputs reach the interesting paths.
//
// Besides the sanitizers' checks it asserts what every result must satisfy,
// a bound on the VM's steps, and, for short inputs, agreement with the
// backtracking reference matcher.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine.h"
#include "engine_reference.h"
#include "parser.h"
#include "program.h"

namespace {

const char16_t kWideChars[] = {
    0x4FE1, 0x606F, 0x6846, 0xFF08, 0xFF09, 0x00E9, 0x00C9, 0x03A3, 0x03C3, 0x03C2,
    0x00B5, 0x039C, 0x0416, 0x0436, 0xFF21, 0xFF41, 0x017F, 0x0131, 0x0130, 0x212A,
    0x2028, 0x3000, 0x00A0, 0x00FF, 0x0178, 0xD83D, 0xDE00, u'\r',  u'\n',  0x0000,
};

char16_t decode(std::uint8_t b) {
  if (b < 0x80) return b;
  return kWideChars[(b - 0x80) % (sizeof kWideChars / sizeof kWideChars[0])];
}

[[noreturn]] void fail(const char* what, const std::u16string& pattern, const std::u16string& text) {
  std::fprintf(stderr, "%s\npattern:", what);
  for (char16_t c : pattern) std::fprintf(stderr, " %04X", unsigned{c});
  std::fprintf(stderr, "\ntext:");
  for (char16_t c : text) std::fprintf(stderr, " %04X", unsigned{c});
  std::fprintf(stderr, "\n");
  std::abort();
}

bool smallCounts(const regex_engine::Ast& ast) {
  for (const regex_engine::Node& n : ast.nodes) {
    if (n.kind != regex_engine::NodeKind::Repeat) continue;
    if (n.min > 6 || (n.max != regex_engine::kUnbounded && n.max > 6)) return false;
  }
  return true;
}

void checkShape(const std::vector<regex_engine::Match>& matches, const regex_engine::Program& program,
                const std::u16string& pattern, const std::u16string& text) {
  if (!program.options().global && matches.size() > 1) fail("several matches without global", pattern, text);
  std::size_t earliest = 0;
  for (const regex_engine::Match& m : matches) {
    if (m.index < earliest || m.index + m.length > text.size()) fail("match out of order or range", pattern, text);
    earliest = m.index + m.length + (m.length == 0 ? 1 : 0);
    if (m.groups.size() != program.groupCount()) fail("wrong number of groups", pattern, text);
    for (const auto& g : m.groups) {
      if (g && (g->index < m.index || g->index + g->length > m.index + m.length)) {
        fail("group outside its match", pattern, text);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  regex_engine::Options options;
  options.ignoreCase = data[0] & 1;
  options.multiline = data[0] & 2;
  options.global = data[0] & 4;
  std::u16string parts[3];
  std::size_t part = 0;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0xFF && part < 2) {
      ++part;
    } else {
      parts[part] += decode(data[i]);
    }
  }
  const std::u16string& pattern = parts[0];
  const std::u16string& text = parts[1];
  const std::u16string& replacement = parts[2];

  std::optional<regex_engine::Program> program = regex_engine::compile(pattern, options);
  if (!program) return 0;

  std::size_t steps = 0;
  std::vector<regex_engine::Match> matches = regex_engine::execute(*program, text, &steps);
  checkShape(matches, *program, pattern, text);

  // One search follows each instruction at most twice per position (inside
  // an optional iteration, once while it is still empty and once after), and
  // steps each waiting thread once.
  if (!options.global) {
    const regex_engine::Code& code = program->code();
    std::size_t perPosition = 2 * code.insts.size() + code.waitingPoints;
    if (steps > (text.size() + 1) * perPosition) fail("more steps than the linear bound", pattern, text);
  }

  std::u16string replaced = regex_engine::replace(*program, text, replacement);
  if (replacement.find(u'$') == std::u16string::npos) {
    std::size_t expected = text.size();
    for (const regex_engine::Match& m : matches) expected = expected - m.length + replacement.size();
    if (replaced.size() != expected) fail("replacement of the wrong length", pattern, text);
  }

  if (pattern.size() <= 24 && text.size() <= 12) {
    std::optional<regex_engine::Ast> ast = regex_engine::parse(pattern);
    if (!ast) fail("compiled but does not parse", pattern, text);
    if (smallCounts(*ast)) {
      engine_test::ReferenceResult reference = engine_test::referenceExecute(*ast, options, text, 100000);
      if (!reference.gaveUp) {
        bool same = reference.matches.size() == matches.size();
        for (std::size_t i = 0; same && i < matches.size(); ++i) {
          const regex_engine::Match& a = matches[i];
          const regex_engine::Match& b = reference.matches[i];
          same = a.index == b.index && a.length == b.length && a.groups == b.groups;
        }
        if (!same) fail("differs from the reference matcher", pattern, text);
      }
    }
  }
  return 0;
}
