// code-runner: a window whose Run button carries out the code typed into its
// code box.
#pragma once

#include "rt/window_record.h"

namespace runner {

constexpr rt::WindowId kMainWindow = 0x52010001;
constexpr rt::ControlId kMainWindowSelf = 0x06010000;
constexpr rt::ControlId kHintLabel = 0x1601000A;  // 标签1
constexpr rt::ControlId kCodeBox = 0x16010007;    // 编辑框1
constexpr rt::ControlId kRunButton = 0x16010003;  // 按钮2

extern const rt::WindowRecord kWindowRecord;

int startRunner();
void runCode();

}  // namespace runner
