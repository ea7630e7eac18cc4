#include "engine_test_support.h"

#include <cstdio>

namespace engine_test {

std::string utf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x20) {
      switch (c) {
        case U'\n': out += "\\n"; break;
        case U'\r': out += "\\r"; break;
        case U'\t': out += "\\t"; break;
        default: {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
          out += buf;
        }
      }
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

regex_engine::Options flags(std::string_view letters) {
  regex_engine::Options o;
  o.global = letters.find('g') != std::string_view::npos;
  o.ignoreCase = letters.find('i') != std::string_view::npos;
  o.multiline = letters.find('m') != std::string_view::npos;
  return o;
}

std::string render(const std::vector<regex_engine::Match>& matches, std::u16string_view text) {
  std::string out;
  for (const regex_engine::Match& m : matches) {
    if (!out.empty()) out += " | ";
    out += std::to_string(m.index) + "[" + utf8(text.substr(m.index, m.length)) + "]";
    for (const auto& g : m.groups) {
      if (g) {
        out += " " + std::to_string(g->index) + "(" + utf8(text.substr(g->index, g->length)) + ")";
      } else {
        out += " -";
      }
    }
  }
  return out;
}

std::string run(std::u16string_view pattern, std::string_view flagLetters, std::u16string_view text) {
  auto program = regex_engine::compile(pattern, flags(flagLetters));
  if (!program) return "compile failed";
  return render(regex_engine::execute(*program, text), text);
}

}  // namespace engine_test
