#include "parser.h"

#include <utility>

namespace regex_engine {
namespace {

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// One side of a class range: a character, or one of \d \D \w \W \s \S.
struct ClassAtom {
  bool isSet = false;
  char16_t ch = 0;
  ClassEscape set = ClassEscape::Digit;
  bool complement = false;
};

enum class Braces { NotQuantifier, Quantifier, Invalid };

class Parser {
 public:
  explicit Parser(std::u16string_view pattern) : p_(pattern) {}

  std::optional<Ast> run() {
    frames_.emplace_back();
    while (pos_ < p_.size()) {
      if (!step()) return std::nullopt;
    }
    if (frames_.size() != 1) return std::nullopt;  // a group left open
    ast_.root = closeFrame(frames_.back());
    return std::move(ast_);
  }

 private:
  // An open group: finished alternatives, the sequence being read, and
  // whether the sequence's last item may take a quantifier.
  struct Frame {
    std::vector<std::uint32_t> alternatives;
    std::vector<std::uint32_t> sequence;
    std::uint32_t group = 0;  // 0: non-capturing or the whole pattern
    bool canRepeat = false;
  };

  bool step() {
    char16_t c = p_[pos_++];
    switch (c) {
      case u'|': {
        Frame& f = frames_.back();
        f.alternatives.push_back(closeSequence(f));
        f.canRepeat = false;
        return true;
      }
      case u'(':
        return openGroup();
      case u')':
        return closeGroup();
      case u'*':
        return repeat(0, kUnbounded);
      case u'+':
        return repeat(1, kUnbounded);
      case u'?':
        return repeat(0, 1);
      case u'{': {
        std::uint32_t min = 0, max = 0;
        switch (readBraces(min, max)) {
          case Braces::Quantifier: return repeat(min, max);
          case Braces::Invalid: return false;
          case Braces::NotQuantifier: break;
        }
        // Not a well-formed count: the brace is a literal, as the system
        // component reads it ("a{", "{x}", "a{,3}").
        item(literal(c), true);
        return true;
      }
      case u'^':
        item(anchor(Anchor::TextStart), false);
        return true;
      case u'$':
        item(anchor(Anchor::TextEnd), false);
        return true;
      case u'.':
        item(add(Node{NodeKind::Any, 0, 0, 0, 0, true, {}}), true);
        return true;
      case u'[':
        return readClass();
      case u'\\':
        return readEscape();
      default:
        // A lone ] or } is a literal too.
        item(literal(c), true);
        return true;
    }
  }

  std::uint32_t add(Node node) {
    ast_.nodes.push_back(std::move(node));
    return static_cast<std::uint32_t>(ast_.nodes.size() - 1);
  }

  std::uint32_t literal(char16_t c) { return add(Node{NodeKind::Char, c, 0, 0, 0, true, {}}); }

  std::uint32_t anchor(Anchor a) {
    return add(Node{NodeKind::Assert, 0, static_cast<std::uint32_t>(a), 0, 0, true, {}});
  }

  std::uint32_t classNode(CharClass cls) {
    cls.finish();
    ast_.classes.push_back(std::move(cls));
    return add(Node{NodeKind::Class, 0, static_cast<std::uint32_t>(ast_.classes.size() - 1), 0, 0, true, {}});
  }

  void item(std::uint32_t node, bool canRepeat) {
    Frame& f = frames_.back();
    f.sequence.push_back(node);
    f.canRepeat = canRepeat;
  }

  std::uint32_t closeSequence(Frame& f) {
    std::uint32_t node;
    if (f.sequence.empty()) {
      node = add(Node{});
    } else if (f.sequence.size() == 1) {
      node = f.sequence.front();
    } else {
      node = add(Node{NodeKind::Concat, 0, 0, 0, 0, true, std::move(f.sequence)});
    }
    f.sequence.clear();
    return node;
  }

  std::uint32_t closeFrame(Frame& f) {
    f.alternatives.push_back(closeSequence(f));
    if (f.alternatives.size() == 1) return f.alternatives.front();
    return add(Node{NodeKind::Alternate, 0, 0, 0, 0, true, std::move(f.alternatives)});
  }

  bool openGroup() {
    if (frames_.size() - 1 >= kMaxNesting) return false;
    Frame f;
    if (pos_ < p_.size() && p_[pos_] == u'?') {
      // Only (?: ... ); look-around and every other (? form are not carried.
      if (pos_ + 1 >= p_.size() || p_[pos_ + 1] != u':') return false;
      pos_ += 2;
    } else {
      f.group = ++ast_.groupCount;
    }
    frames_.push_back(std::move(f));
    return true;
  }

  bool closeGroup() {
    if (frames_.size() == 1) return false;
    std::uint32_t body = closeFrame(frames_.back());
    std::uint32_t group = frames_.back().group;
    frames_.pop_back();
    if (group != 0) body = add(Node{NodeKind::Group, 0, group, 0, 0, true, {body}});
    item(body, true);
    return true;
  }

  bool repeat(std::uint32_t min, std::uint32_t max) {
    Frame& f = frames_.back();
    // Nothing to repeat, an anchor, or an already quantified item ("a**").
    if (f.sequence.empty() || !f.canRepeat) return false;
    bool greedy = true;
    if (pos_ < p_.size() && p_[pos_] == u'?') {
      greedy = false;
      ++pos_;
    }
    std::uint32_t body = f.sequence.back();
    f.sequence.back() = add(Node{NodeKind::Repeat, 0, 0, min, max, greedy, {body}});
    f.canRepeat = false;
    return true;
  }

  bool readNumber(std::size_t& at, std::uint32_t& value) const {
    if (at >= p_.size() || !isDigit(p_[at])) return false;
    std::uint64_t v = 0;
    while (at < p_.size() && isDigit(p_[at])) {
      v = v * 10 + static_cast<std::uint64_t>(p_[at] - u'0');
      if (v > kCountCeiling) v = kCountCeiling;
      ++at;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
  }

  // After a '{': {n} {n,} {n,m}. Leaves pos_ alone unless it is one.
  Braces readBraces(std::uint32_t& min, std::uint32_t& max) {
    std::size_t at = pos_;
    if (!readNumber(at, min)) return Braces::NotQuantifier;
    max = min;
    if (at < p_.size() && p_[at] == u',') {
      ++at;
      max = kUnbounded;
      if (at < p_.size() && isDigit(p_[at])) readNumber(at, max);
    }
    if (at >= p_.size() || p_[at] != u'}') return Braces::NotQuantifier;
    pos_ = at + 1;
    return max < min ? Braces::Invalid : Braces::Quantifier;
  }

  // The escapes that stand for one character, inside a class or out; the
  // backslash and `c` are already read.
  bool charEscape(char16_t c, char16_t& out) {
    switch (c) {
      case u'n': out = u'\n'; return true;
      case u'r': out = u'\r'; return true;
      case u't': out = u'\t'; return true;
      case u'f': out = u'\f'; return true;
      case u'v': out = u'\v'; return true;
      case u'x': return hexDigits(2, out);
      case u'u': return hexDigits(4, out);
      case u'c':
        if (pos_ >= p_.size() || !isAsciiLetter(p_[pos_])) return false;
        out = static_cast<char16_t>(p_[pos_++] % 32);
        return true;
      case u'0':
        // \0 is NUL; \0 followed by digits would be octal, which is not carried.
        if (pos_ < p_.size() && isDigit(p_[pos_])) return false;
        out = 0;
        return true;
      default:
        break;
    }
    // \1..\9 are back-references, and an unknown letter escape is more
    // likely a mistaken \A or \z than a wish for the letter itself.
    if (isDigit(c) || isAsciiLetter(c)) return false;
    out = c;
    return true;
  }

  bool hexDigits(int count, char16_t& out) {
    if (p_.size() - pos_ < static_cast<std::size_t>(count)) return false;
    unsigned value = 0;
    for (int i = 0; i < count; ++i) {
      int d = hexValue(p_[pos_ + static_cast<std::size_t>(i)]);
      if (d < 0) return false;
      value = value * 16 + static_cast<unsigned>(d);
    }
    pos_ += static_cast<std::size_t>(count);
    out = static_cast<char16_t>(value);
    return true;
  }

  static bool setEscape(char16_t c, ClassEscape& kind, bool& complement) {
    switch (c) {
      case u'd': case u'D': kind = ClassEscape::Digit; break;
      case u'w': case u'W': kind = ClassEscape::Word; break;
      case u's': case u'S': kind = ClassEscape::Space; break;
      default: return false;
    }
    complement = c == u'D' || c == u'W' || c == u'S';
    return true;
  }

  bool readEscape() {
    if (pos_ >= p_.size()) return false;  // a trailing backslash
    char16_t c = p_[pos_++];
    if (c == u'b' || c == u'B') {
      item(anchor(c == u'b' ? Anchor::WordBoundary : Anchor::NotWordBoundary), false);
      return true;
    }
    ClassEscape kind;
    bool complement = false;
    if (setEscape(c, kind, complement)) {
      CharClass cls;
      cls.addEscape(kind, complement);
      item(classNode(std::move(cls)), true);
      return true;
    }
    char16_t ch = 0;
    if (!charEscape(c, ch)) return false;
    item(literal(ch), true);
    return true;
  }

  bool classAtom(ClassAtom& atom) {
    char16_t c = p_[pos_++];
    if (c != u'\\') {
      atom.ch = c;
      return true;
    }
    if (pos_ >= p_.size()) return false;
    c = p_[pos_++];
    if (c == u'b') {  // backspace inside a class
      atom.ch = u'\b';
      return true;
    }
    if (c == u'B') return false;
    if (setEscape(c, atom.set, atom.complement)) {
      atom.isSet = true;
      return true;
    }
    return charEscape(c, atom.ch);
  }

  static void addAtom(CharClass& cls, const ClassAtom& atom) {
    if (atom.isSet) {
      cls.addEscape(atom.set, atom.complement);
    } else {
      cls.addChar(atom.ch);
    }
  }

  bool readClass() {
    CharClass cls;
    if (pos_ < p_.size() && p_[pos_] == u'^') {
      cls.setNegated(true);
      ++pos_;
    }
    // "[]" matches nothing and "[^]" anything, as in the JScript dialect.
    for (;;) {
      if (pos_ >= p_.size()) return false;
      if (p_[pos_] == u']') {
        ++pos_;
        break;
      }
      ClassAtom from;
      if (!classAtom(from)) return false;
      if (pos_ + 1 < p_.size() && p_[pos_] == u'-' && p_[pos_ + 1] != u']') {
        ++pos_;
        ClassAtom to;
        if (!classAtom(to)) return false;
        if (from.isSet || to.isSet) {
          // [\d-z]: no range can start or end at a family of characters,
          // so the dash is taken literally.
          addAtom(cls, from);
          cls.addChar(u'-');
          addAtom(cls, to);
        } else {
          if (from.ch > to.ch) return false;
          cls.addRange(from.ch, to.ch);
        }
      } else {
        addAtom(cls, from);
      }
    }
    item(classNode(std::move(cls)), true);
    return true;
  }

  std::u16string_view p_;
  std::size_t pos_ = 0;
  std::vector<Frame> frames_;
  Ast ast_;
};

}  // namespace

std::optional<Ast> parse(std::u16string_view pattern) { return Parser(pattern).run(); }

}  // namespace regex_engine
