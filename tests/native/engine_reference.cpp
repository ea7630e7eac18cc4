#include "engine_reference.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "case_fold.h"
#include "char_class.h"

namespace engine_test {
namespace {

using regex_engine::Anchor;
using regex_engine::Ast;
using regex_engine::Node;
using regex_engine::NodeKind;

constexpr std::size_t kUnset = SIZE_MAX;

struct OutOfBudget {};

class Reference {
 public:
  using Captures = std::vector<std::size_t>;
  using Continuation = std::function<bool(std::size_t, const Captures&)>;

  Reference(const Ast& ast, const regex_engine::Options& options, std::u16string_view text, std::size_t budget)
      : ast_(ast), options_(options), text_(text), budget_(budget) {
    // Groups inside each node, to reset at each iteration.
    lo_.assign(ast.nodes.size(), 0);
    hi_.assign(ast.nodes.size(), 0);
    for (std::size_t i = 0; i < ast.nodes.size(); ++i) {
      const Node& n = ast.nodes[i];
      if (n.kind == NodeKind::Group) lo_[i] = hi_[i] = n.value;
      for (std::uint32_t k : n.kids) {
        if (lo_[k] == 0) continue;
        lo_[i] = lo_[i] == 0 ? lo_[k] : std::min(lo_[i], lo_[k]);
        hi_[i] = std::max(hi_[i], hi_[k]);
      }
    }
  }

  std::optional<regex_engine::Match> find(std::size_t start) {
    for (std::size_t s = start; s <= text_.size(); ++s) {
      Captures caps(2 * (ast_.groupCount + 1), kUnset);
      Captures result;
      bool ok = match(ast_.root, s, caps, [&](std::size_t end, const Captures& c) {
        result = c;
        result[0] = s;
        result[1] = end;
        return true;
      });
      if (!ok) continue;
      regex_engine::Match m;
      m.index = s;
      m.length = result[1] - s;
      for (std::size_t g = 1; g <= ast_.groupCount; ++g) {
        if (result[2 * g] == kUnset) {
          m.groups.emplace_back();
        } else {
          m.groups.emplace_back(regex_engine::Span{result[2 * g], result[2 * g + 1] - result[2 * g]});
        }
      }
      return m;
    }
    return std::nullopt;
  }

 private:
  bool sameChar(char16_t a, char16_t b) const {
    return options_.ignoreCase ? regex_engine::foldCase(a) == regex_engine::foldCase(b) : a == b;
  }

  bool isWordAt(std::size_t i) const { return i < text_.size() && regex_engine::isWordChar(text_[i]); }

  bool holds(Anchor a, std::size_t pos) const {
    bool lineStart = pos == 0 || (options_.multiline && regex_engine::isLineTerminator(text_[pos - 1]));
    bool lineEnd = pos == text_.size() || (options_.multiline && regex_engine::isLineTerminator(text_[pos]));
    bool boundary = (pos > 0 && isWordAt(pos - 1)) != isWordAt(pos);
    switch (a) {
      case Anchor::TextStart:
      case Anchor::LineStart: return lineStart;
      case Anchor::TextEnd:
      case Anchor::LineEnd: return lineEnd;
      case Anchor::WordBoundary: return boundary;
      case Anchor::NotWordBoundary: return !boundary;
    }
    return false;
  }

  // Bounds the native stack as well as the time: each nested call is a few
  // frames deep.
  struct Depth {
    explicit Depth(std::size_t& d) : depth(d) {
      if (++depth > kMaxDepth) throw OutOfBudget{};
    }
    ~Depth() { --depth; }
    std::size_t& depth;
  };
  static constexpr std::size_t kMaxDepth = 3000;

  bool match(std::uint32_t id, std::size_t pos, const Captures& caps, const Continuation& k) {
    if (budget_ == 0) throw OutOfBudget{};
    --budget_;
    Depth guard(depth_);
    const Node& n = ast_.nodes[id];
    switch (n.kind) {
      case NodeKind::Empty:
        return k(pos, caps);
      case NodeKind::Char:
        return pos < text_.size() && sameChar(text_[pos], n.ch) && k(pos + 1, caps);
      case NodeKind::Any:
        return pos < text_.size() && !regex_engine::isLineTerminator(text_[pos]) && k(pos + 1, caps);
      case NodeKind::Class:
        return pos < text_.size() && ast_.classes[n.value].matches(text_[pos], options_.ignoreCase) &&
               k(pos + 1, caps);
      case NodeKind::Assert:
        return holds(static_cast<Anchor>(n.value), pos) && k(pos, caps);
      case NodeKind::Group:
        return match(n.kids[0], pos, caps, [&, pos](std::size_t end, const Captures& c) {
          Captures d = c;
          d[2 * n.value] = pos;
          d[2 * n.value + 1] = end;
          return k(end, d);
        });
      case NodeKind::Concat:
        return sequence(n, 0, pos, caps, k);
      case NodeKind::Alternate:
        for (std::uint32_t kid : n.kids) {
          if (match(kid, pos, caps, k)) return true;
        }
        return false;
      case NodeKind::Repeat:
        return repeat(id, n.min, n.max, pos, caps, k);
    }
    return false;
  }

  bool sequence(const Node& n, std::size_t i, std::size_t pos, const Captures& caps, const Continuation& k) {
    if (i == n.kids.size()) return k(pos, caps);
    return match(n.kids[i], pos, caps,
                 [&, i](std::size_t end, const Captures& c) { return sequence(n, i + 1, end, c, k); });
  }

  bool repeat(std::uint32_t id, std::uint32_t min, std::uint32_t max, std::size_t pos, const Captures& caps,
              const Continuation& k) {
    const Node& n = ast_.nodes[id];
    if (max == 0) return k(pos, caps);
    Continuation next = [&, id, min, max, pos](std::size_t end, const Captures& c) {
      if (min == 0 && end == pos) return false;  // an empty optional iteration
      std::uint32_t nextMin = min == 0 ? 0 : min - 1;
      std::uint32_t nextMax = max == regex_engine::kUnbounded ? max : max - 1;
      return repeat(id, nextMin, nextMax, end, c, k);
    };
    Captures reset = caps;
    if (lo_[id] != 0) {
      for (std::size_t s = 2 * lo_[id]; s < 2 * hi_[id] + 2; ++s) reset[s] = kUnset;
    }
    if (min != 0) return match(n.kids[0], pos, reset, next);
    if (!n.greedy) return k(pos, caps) || match(n.kids[0], pos, reset, next);
    return match(n.kids[0], pos, reset, next) || k(pos, caps);
  }

  const Ast& ast_;
  regex_engine::Options options_;
  std::u16string_view text_;
  std::size_t budget_;
  std::size_t depth_ = 0;
  std::vector<std::uint32_t> lo_;
  std::vector<std::uint32_t> hi_;
};

}  // namespace

ReferenceResult referenceExecute(const Ast& ast, const regex_engine::Options& options, std::u16string_view text,
                                 std::size_t budget) {
  ReferenceResult result;
  Reference reference(ast, options, text, budget);
  try {
    std::size_t start = 0;
    while (start <= text.size()) {
      std::optional<regex_engine::Match> m = reference.find(start);
      if (!m) break;
      start = m->index + m->length + (m->length == 0 ? 1 : 0);
      result.matches.push_back(std::move(*m));
      if (!options.global) break;
    }
  } catch (const OutOfBudget&) {
    result.gaveUp = true;
    result.matches.clear();
  }
  return result;
}

}  // namespace engine_test
