#include "demo.h"
#include "rt/runtime.h"

namespace demo {

void showInfo() { rt::messageBox("123"); }

void closeDemo() { rt::destroyWindow(kDemoWindow, kDemoWindowSelf); }

}  // namespace demo
