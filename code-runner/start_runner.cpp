#include <windows.h>

#include "rt/runtime.h"
#include "runner.h"

namespace runner {
namespace {

void initialiseProgram() {}
void exitProgram() {}
void initialiseModule() {}

int initialiseModules() {
  initialiseModule();
  return 0;
}

}  // namespace

int startRunner() {
  rt::initialise(kWindowRecord);
  initialiseProgram();
  rt::registerExitRoutine(exitProgram);
  initialiseModules();
  rt::loadWindow(kMainWindow);
  rt::runMessageLoop();
  return 0;
}

}  // namespace runner

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return rt::runProgram(runner::startRunner); }
