#include <windows.h>

#include "demo.h"
#include "rt/runtime.h"

namespace demo {
namespace {

void initialiseProgram() {}
void exitProgram() {}

}  // namespace

int startDemo() {
  rt::initialise(kWindowRecord);
  initialiseProgram();
  rt::registerExitRoutine(exitProgram);
  rt::loadWindow(kDemoWindow);
  rt::runMessageLoop();
  return 0;
}

}  // namespace demo

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return rt::runProgram(demo::startDemo); }
