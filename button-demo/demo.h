// button-demo: one window with an info button and a close button.
#pragma once

#include "rt/window_record.h"

namespace demo {

constexpr rt::WindowId kDemoWindow = 0x52010001;
constexpr rt::ControlId kDemoWindowSelf = 0x06010000;
constexpr rt::ControlId kCloseButton = 0x16010003;  // 按钮2
constexpr rt::ControlId kInfoButton = 0x16010002;   // 按钮1

extern const rt::WindowRecord kWindowRecord;

int startDemo();
void showInfo();
void closeDemo();

}  // namespace demo
