#include "runner.h"

namespace runner {
namespace {

using rt::Kind;
constexpr unsigned kShown = rt::Visible | rt::Enabled;

// The hint, seven lines in code page 936 joined by CR LF (149 bytes):
//   请在上面编辑框中输入代码，目前支持的代码有：
//   (empty)
//   信息框(内容)
//   关闭
//   彩蛋
//   (empty)
//   上面代码中 信息框（）函数的内容是可以修改的，这也提现了动态语言的灵活特性
const char kHint[] =
    "\xC7\xEB\xD4\xDA\xC9\xCF\xC3\xE6\xB1\xE0\xBC\xAD\xBF\xF2\xD6\xD0\xCA\xE4\xC8\xEB\xB4\xFA\xC2\xEB\xA3\xAC"
    "\xC4\xBF\xC7\xB0\xD6\xA7\xB3\xD6\xB5\xC4\xB4\xFA\xC2\xEB\xD3\xD0\xA3\xBA"
    "\r\n"
    "\r\n"
    "\xD0\xC5\xCF\xA2\xBF\xF2(\xC4\xDA\xC8\xDD)"
    "\r\n"
    "\xB9\xD8\xB1\xD5"
    "\r\n"
    "\xB2\xCA\xB5\xB0"
    "\r\n"
    "\r\n"
    "\xC9\xCF\xC3\xE6\xB4\xFA\xC2\xEB\xD6\xD0 \xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8\xA3\xA9\xBA\xAF\xCA\xFD\xB5\xC4"
    "\xC4\xDA\xC8\xDD\xCA\xC7\xBF\xC9\xD2\xD4\xD0\xDE\xB8\xC4\xB5\xC4\xA3\xAC\xD5\xE2\xD2\xB2\xCC\xE1\xCF\xD6"
    "\xC1\xCB\xB6\xAF\xCC\xAC\xD3\xEF\xD1\xD4\xB5\xC4\xC1\xE9\xBB\xEE\xCC\xD8\xD0\xD4";
static_assert(sizeof kHint - 1 == 149, "the hint text is 149 bytes");

// 信息框（提示内容）, 18 bytes.
const char kInitialCode[] = "\xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8\xCC\xE1\xCA\xBE\xC4\xDA\xC8\xDD\xA3\xA9";
static_assert(sizeof kInitialCode - 1 == 18, "the initial code is 18 bytes");

const rt::Unit kUnits[] = {
    {Kind::Window, "", kMainWindow, kMainWindowSelf, 50, 50, 410, 600, "", kShown | rt::EscCloses, 0, nullptr},
    {Kind::Label, "\xB1\xEA\xC7\xA9" "1", kMainWindow, kHintLabel, 68, 296, 260, 268, kHint,
     kShown | rt::WordWrap, 0, nullptr},
    {Kind::EditBox, "\xB1\xE0\xBC\xAD\xBF\xF2" "1", kMainWindow, kCodeBox, 96, 36, 192, 44, kInitialCode,
     kShown | rt::TabStop, 0, nullptr},
    {Kind::Button, "\xB0\xB4\xC5\xA5" "2", kMainWindow, kRunButton, 112, 136, 152, 100, "\xD6\xB4\xD0\xD0",
     kShown | rt::TabStop, 0, runCode},
};

}  // namespace

const rt::WindowRecord kWindowRecord = rt::makeRecord(kUnits);

}  // namespace runner
