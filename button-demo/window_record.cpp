#include "demo.h"

namespace demo {
namespace {

using rt::Kind;
constexpr unsigned kShown = rt::Visible | rt::Enabled;
constexpr unsigned kButton = kShown | rt::TabStop;

// Texts are code page 936: "按钮2", "关闭", "按钮1", "信息框".
const rt::Unit kUnits[] = {
    {Kind::Window, "", kDemoWindow, kDemoWindowSelf, 50, 50, 410, 600, "", kShown | rt::EscCloses, 0, nullptr},
    {Kind::Button, "\xB0\xB4\xC5\xA5" "2", kDemoWindow, kCloseButton, 120, 304, 152, 100, "\xB9\xD8\xB1\xD5",
     kButton, 0, closeDemo},
    {Kind::Button, "\xB0\xB4\xC5\xA5" "1", kDemoWindow, kInfoButton, 120, 140, 152, 100,
     "\xD0\xC5\xCF\xA2\xBF\xF2", kButton, 0, showInfo},
};

}  // namespace

const rt::WindowRecord kWindowRecord = rt::makeRecord(kUnits);

}  // namespace demo
