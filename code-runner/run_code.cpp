#include "regex_wrapper.h"
#include "rt/runtime.h"
#include "runner.h"
#include "text_bytes.h"

namespace runner {
namespace {

// 信息框（(.*?)）: the full-width parentheses around a lazy group 1.
const char kMessageBoxPattern[] = "\xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8(.*?)\xA3\xA9";
const char kCloseWord[] = "\xB9\xD8\xB1\xD5";     // 关闭
const char kEasterEggWord[] = "\xB2\xCA\xB5\xB0";  // 彩蛋
constexpr int kEasterEggSize = 1000;

std::string codeText() { return rt::readText(kMainWindow, kCodeBox, rt::Text); }

}  // namespace

// One click: three independent tests over the code box, in this order.
void runCode() {
  RegexWrapper regex;

  regex.Create(kMessageBoxPattern, codeText().c_str());
  if (regex.MatchCount() > 0) rt::messageBox(regex.SubMatchText(1, 1).c_str());

  if (compareText(codeText().c_str(), kCloseWord) == 0) rt::destroyWindow(kMainWindow, kMainWindowSelf);

  if (compareText(codeText().c_str(), kEasterEggWord) == 0) {
    rt::writeNumber(kMainWindow, kMainWindowSelf, rt::Width, kEasterEggSize);
    rt::writeNumber(kMainWindow, kMainWindowSelf, rt::Height, kEasterEggSize);
  }
}

}  // namespace runner
