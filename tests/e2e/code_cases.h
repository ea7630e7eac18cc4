// Code box texts and the message boxes that one click on Run shows for each:
// the command's edge cases and what a user may type or paste.
#pragma once

#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

struct CodeCase {
  std::string code;
  std::vector<std::string> boxes;
};

inline std::vector<CodeCase> codeCases() {
  const std::string longTail(30000, 'x');
  const std::string longContent(20000, 'y');
  std::string hostile;
  for (int i = 0; i < 1000; ++i) hostile += cp936(u8"信息框（");
  return {
      {cp936(u8"信息框(abc)"), {}},
      {cp936(u8"信息框 （abc）"), {}},
      {cp936(u8"信息框（abc"), {}},
      {cp936(u8"信息框（）"), {""}},
      {cp936(u8"信息框（abc）信息框（xyz）"), {"abc"}},
      {cp936(u8"信息框（abc）xyz）"), {"abc"}},
      {cp936(u8"xyz信息框（abc）xyz"), {"abc"}},
      {cp936(u8"信息框（关闭）"), {cp936(u8"关闭")}},
      {cp936(u8"信息框（彩蛋）"), {cp936(u8"彩蛋")}},
      {cp936(u8" 关闭"), {}},
      {cp936(u8"关闭 "), {}},
      {cp936(u8"关闭\t"), {}},
      {cp936(u8"彩蛋 "), {}},
      {"", {}},
      {cp936(u8"信息框（ABC abc）"), {"ABC abc"}},
      {cp936(u8"信息框（多行\r\n文本）"), {}},  // "." stops at a line end
      {cp936(u8"第一行\r\n信息框（第二行）"), {cp936(u8"第二行")}},
      // What the user may type or paste: characters outside code page 936,
      // control characters, very long lines, many unclosed commands.
      {cp936(u8"信息框（a") + "?" + cp936(u8"b）"), {"a?b"}},
      {cp936(u8"信息框（a\tb\x01" "c\x7f）"), {"a\tb\x01" "c\x7f"}},
      {longTail + cp936(u8"信息框（尾）"), {cp936(u8"尾")}},
      {cp936(u8"信息框（") + longContent + cp936(u8"）"), {longContent}},
      {std::string(50000, 'a'), {}},
      {hostile, {}},
      {hostile + cp936(u8"）"), {hostile.substr(8)}},
  };
}

}  // namespace e2e
