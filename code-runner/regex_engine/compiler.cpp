// Syntax tree to VM instructions. Walks the tree with an explicit task stack
// rather than recursion, and lays out counted repetitions by copying the
// first copy's instructions rather than compiling the body again.

#include <algorithm>

#include "case_fold.h"
#include "program.h"

namespace regex_engine {
namespace {

class Compiler {
 public:
  Compiler(const Ast& ast, const Options& options) : ast_(ast) { code_.options = options; }

  std::optional<Code> run() {
    code_.groupCount = ast_.groupCount;
    code_.classes = ast_.classes;
    nextSlot_ = 2 * (ast_.groupCount + 1);
    learnFacts();
    emit(Inst{Op::Save, 0, 0, 0});
    visit(ast_.root);
    while (!tasks_.empty() && !failed_) advance();
    emit(Inst{Op::Save, 0, 1, 0});
    emit(Inst{Op::Match, 0, 0, 0});
    if (failed_) return std::nullopt;
    code_.slotCount = nextSlot_;
    for (const Inst& in : code_.insts) {
      if (waits(in.op)) ++code_.waitingPoints;
    }
    if (std::size_t{code_.waitingPoints} * code_.slotCount > kMaxThreadSlots) return std::nullopt;
    findGuards();
    return std::move(code_);
  }

 private:
  struct Facts {
    bool nullable = false;   // can match without consuming a character
    std::uint32_t groupLo = 0;  // groups inside: [groupLo, groupHi], none when 0
    std::uint32_t groupHi = 0;
  };

  struct Task {
    std::uint32_t node = 0;
    std::uint32_t stage = 0;
    std::size_t begin = 0;  // Alternate: the open Split; Repeat: where the body starts
    std::size_t loopHead = 0;
    std::uint32_t mark = 0;
    std::vector<std::size_t> patches;  // jumps still to be pointed past the node
  };

  enum class Iteration { Mandatory, Optional, Loop };

  static bool waits(Op op) {
    return op == Op::Char || op == Op::CharFold || op == Op::Any || op == Op::Class || op == Op::Match;
  }

  void learnFacts() {
    facts_.resize(ast_.nodes.size());
    // Children come before their parents, so one forward pass suffices.
    for (std::size_t i = 0; i < ast_.nodes.size(); ++i) {
      const Node& n = ast_.nodes[i];
      Facts& f = facts_[i];
      auto absorbGroups = [&f](const Facts& kid) {
        if (kid.groupLo == 0) return;
        f.groupLo = f.groupLo == 0 ? kid.groupLo : std::min(f.groupLo, kid.groupLo);
        f.groupHi = std::max(f.groupHi, kid.groupHi);
      };
      switch (n.kind) {
        case NodeKind::Empty:
        case NodeKind::Assert:
          f.nullable = true;
          break;
        case NodeKind::Char:
        case NodeKind::Any:
        case NodeKind::Class:
          break;
        case NodeKind::Group:
          f.nullable = facts_[n.kids[0]].nullable;
          f.groupLo = f.groupHi = n.value;
          absorbGroups(facts_[n.kids[0]]);
          break;
        case NodeKind::Concat:
          f.nullable = true;
          for (std::uint32_t k : n.kids) {
            f.nullable = f.nullable && facts_[k].nullable;
            absorbGroups(facts_[k]);
          }
          break;
        case NodeKind::Alternate:
          for (std::uint32_t k : n.kids) {
            f.nullable = f.nullable || facts_[k].nullable;
            absorbGroups(facts_[k]);
          }
          break;
        case NodeKind::Repeat:
          f.nullable = n.min == 0 || facts_[n.kids[0]].nullable;
          absorbGroups(facts_[n.kids[0]]);
          break;
      }
    }
  }

  // Mark and Progress pairs nest like brackets in the instruction order,
  // copied counted iterations included, so one pass with a stack finds the
  // innermost pair around each instruction.
  void findGuards() {
    code_.guards.assign(code_.insts.size(), kNoGuard);
    std::vector<std::uint32_t> open;
    for (std::size_t pc = 0; pc < code_.insts.size(); ++pc) {
      const Inst& in = code_.insts[pc];
      if (in.op == Op::Mark) {
        code_.guards[pc] = open.empty() ? kNoGuard : open.back();
        open.push_back(in.x);
        continue;
      }
      // A thread waiting at a character has no use for the bit: consuming
      // makes progress in every iteration around it. And one visit there
      // keeps the thread lists within waitingPoints.
      if (!waits(in.op)) code_.guards[pc] = open.empty() ? kNoGuard : open.back();
      if (in.op == Op::Progress && !open.empty()) open.pop_back();
    }
  }

  std::size_t emit(const Inst& in) {
    if (code_.insts.size() >= kMaxInstructions) {
      failed_ = true;
      return 0;
    }
    code_.insts.push_back(in);
    return code_.insts.size() - 1;
  }

  void visit(std::uint32_t node) {
    tasks_.emplace_back();
    tasks_.back().node = node;
  }

  std::uint32_t here() const { return static_cast<std::uint32_t>(code_.insts.size()); }

  void advance() {
    Task& t = tasks_.back();
    const Node& n = ast_.nodes[t.node];
    switch (n.kind) {
      case NodeKind::Empty:
        break;
      case NodeKind::Char:
        if (code_.options.ignoreCase) {
          emit(Inst{Op::CharFold, foldCase(n.ch), 0, 0});
        } else {
          emit(Inst{Op::Char, n.ch, 0, 0});
        }
        break;
      case NodeKind::Any:
        emit(Inst{Op::Any, 0, 0, 0});
        break;
      case NodeKind::Class:
        emit(Inst{Op::Class, 0, n.value, 0});
        break;
      case NodeKind::Assert: {
        auto a = static_cast<Anchor>(n.value);
        if (code_.options.multiline && a == Anchor::TextStart) a = Anchor::LineStart;
        if (code_.options.multiline && a == Anchor::TextEnd) a = Anchor::LineEnd;
        emit(Inst{Op::Assert, 0, static_cast<std::uint32_t>(a), 0});
        break;
      }
      case NodeKind::Group:
        if (t.stage == 0) {
          emit(Inst{Op::Save, 0, 2 * n.value, 0});
          t.stage = 1;
          visit(n.kids[0]);
          return;
        }
        emit(Inst{Op::Save, 0, 2 * n.value + 1, 0});
        break;
      case NodeKind::Concat:
        if (t.stage < n.kids.size()) {
          std::uint32_t kid = n.kids[t.stage++];
          visit(kid);
          return;
        }
        break;
      case NodeKind::Alternate:
        if (!alternate(t, n)) return;
        break;
      case NodeKind::Repeat:
        if (!repeat(t, n)) return;
        break;
    }
    tasks_.pop_back();
  }

  // Split L0 S1; L0: a; Jmp end; S1: Split L1 S2; L1: b; Jmp end; S2: c; end:
  // True when the node is done.
  bool alternate(Task& t, const Node& n) {
    std::size_t s = t.stage;
    std::size_t k = n.kids.size();
    if (s > 0 && s < k) {
      t.patches.push_back(emit(Inst{Op::Jmp, 0, 0, 0}));
      code_.insts[t.begin].y = here();
    }
    if (s == k) {
      for (std::size_t p : t.patches) code_.insts[p].x = here();
      return true;
    }
    if (s + 1 < k) t.begin = emit(Inst{Op::Split, 0, here() + 1, 0});
    t.stage = static_cast<std::uint32_t>(s + 1);
    std::uint32_t kid = n.kids[s];
    visit(kid);
    return false;
  }

  Iteration iterationKind(const Node& n, std::uint32_t i) const {
    if (i < n.min) return Iteration::Mandatory;
    return n.max == kUnbounded ? Iteration::Loop : Iteration::Optional;
  }

  bool needsMark(const Node& n) const { return n.max > n.min && facts_[n.kids[0]].nullable; }

  // Each iteration starts with the body's groups unset, so that a group
  // reports only the last iteration it took part in. An optional iteration
  // that consumes nothing is refused (Mark/Progress), which also keeps
  // "(a*)*" from looping.
  void prologue(Task& t, const Node& n, Iteration kind) {
    if (kind != Iteration::Mandatory) {
      std::uint32_t head = here();
      if (n.greedy) {
        t.patches.push_back(emit(Inst{Op::Split, 0, head + 1, 0}));
      } else {
        t.patches.push_back(emit(Inst{Op::Split, 0, 0, head + 1}));
      }
      if (kind == Iteration::Loop) t.loopHead = head;
      if (needsMark(n)) emit(Inst{Op::Mark, 0, t.mark, 0});
    }
    const Facts& f = facts_[n.kids[0]];
    if (f.groupLo != 0) emit(Inst{Op::Clear, 0, 2 * f.groupLo, 2 * f.groupHi + 2});
  }

  void epilogue(Task& t, const Node& n, Iteration kind) {
    if (kind != Iteration::Mandatory && needsMark(n)) emit(Inst{Op::Progress, 0, t.mark, 0});
    if (kind == Iteration::Loop) emit(Inst{Op::Jmp, 0, static_cast<std::uint32_t>(t.loopHead), 0});
  }

  // True when the node is done.
  bool repeat(Task& t, const Node& n) {
    if (n.max == 0) return true;
    if (t.stage == 0) {
      if (needsMark(n)) t.mark = nextSlot_++;
      prologue(t, n, iterationKind(n, 0));
      t.begin = here();
      t.stage = 1;
      std::uint32_t body = n.kids[0];
      visit(body);
      return false;
    }
    const std::size_t bodyBegin = t.begin;
    const std::size_t bodyEnd = here();
    const std::size_t bodyLength = bodyEnd - bodyBegin;
    epilogue(t, n, iterationKind(n, 0));
    const std::uint64_t iterations =
        std::uint64_t{n.min} + (n.max == kUnbounded ? 1 : std::uint64_t{n.max} - n.min);
    for (std::uint64_t i = 1; i < iterations && !failed_; ++i) {
      Iteration kind = iterationKind(n, static_cast<std::uint32_t>(i));
      // A body of no instructions (an empty group) leaves nothing to copy.
      if (kind == Iteration::Mandatory && bodyLength == 0) {
        i = n.min - 1;
        continue;
      }
      if (code_.insts.size() + bodyLength + 5 > kMaxInstructions) {
        failed_ = true;
        break;
      }
      prologue(t, n, kind);
      const std::uint32_t shift = static_cast<std::uint32_t>(here() - bodyBegin);
      for (std::size_t j = bodyBegin; j < bodyEnd; ++j) {
        Inst in = code_.insts[j];
        if (in.op == Op::Split || in.op == Op::Jmp) in.x += shift;
        if (in.op == Op::Split) in.y += shift;
        emit(in);
      }
      epilogue(t, n, kind);
    }
    for (std::size_t p : t.patches) {
      if (n.greedy) {
        code_.insts[p].y = here();
      } else {
        code_.insts[p].x = here();
      }
    }
    return true;
  }

  const Ast& ast_;
  Code code_;
  std::vector<Facts> facts_;
  std::vector<Task> tasks_;
  std::uint32_t nextSlot_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<Code> generate(const Ast& ast, const Options& options) { return Compiler(ast, options).run(); }

}  // namespace regex_engine
