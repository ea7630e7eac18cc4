// The window run time: what the programs ask of Windows, in code page 936
// texts and window record identifiers. Everything runs on the UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "rt/runtime_limits.h"
#include "rt/window_record.h"

namespace rt {

using ExitRoutine = void (*)();
using StartRoutine = int (*)();

// Property numbers shared by every window and control; a kind numbers its own from 8.
enum Property : int {
  Left = 0,
  Top = 1,
  Width = 2,
  Height = 3,
  Text = 8,  // edit box text, label text, button caption
};

// Takes in the record (which must outlive the program) and initialises OLE for the thread.
void initialise(const WindowRecord& record);

// Adds an exit routine; adding one that is already there changes nothing.
void registerExitRoutine(ExitRoutine routine);

// Builds the window and its controls from the record, shows and activates it.
void loadWindow(WindowId window);

// Runs until the quit message arrives, or returns at once when no window is alive.
// Returns the quit message's exit code.
int runMessageLoop();

// Property access by (window, control) pair. A window that is not loaded is a fatal error.
std::string readText(WindowId window, ControlId control, int property);
int readNumber(WindowId window, ControlId control, int property);
void writeNumber(WindowId window, ControlId control, int property, int value);
void writeText(WindowId window, ControlId control, int property, const char* text);

// MB_OK | MB_TASKMODAL with no owner; title "信息：" when none is given.
// Returns when the user has closed the box, with the button that closed it.
int messageBox(const char* text, unsigned buttons = 0, const char* title = nullptr);

// Deferred by default: the window is marked and destroyed by the message loop
// after the current handler has returned.
void destroyWindow(WindowId window, ControlId control, bool immediate = false);

// Shows an error box naming what failed and ends the process with exit code -1.
[[noreturn]] void fatal(const char* what);

// The process body: runs the start routine, then the exit routines, then
// uninitialises OLE. Returns the exit code of the quit message.
int runProgram(StartRoutine start);

}  // namespace rt
