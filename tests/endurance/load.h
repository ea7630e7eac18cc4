// What the endurance tests read from a program over a long run: the figures
// a leak would move, and quick click-through cycles so that a thousand clicks
// fit in a minute or two.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>

#include "driver.h"

namespace endurance {

// How long the program may take to get back to a sent message. Far above
// anything the programs do, so only a hang trips it.
constexpr DWORD kAnswerMs = 5000;

// Polls about every millisecond. e2e::waitFor's coarser step would cost
// more than a click itself over a thousand clicks.
bool waitQuick(const std::function<bool()>& condition, DWORD timeoutMs = e2e::kWait);

// True when the program's window thread takes a sent message within the time.
bool answers(HWND window, DWORD timeoutMs = kAnswerMs);

double nowMs();

struct Figures {
  std::size_t handles = 0;       // kernel handles the process holds
  std::size_t privateBytes = 0;  // memory of its own, not shared with other processes
  std::size_t windows = 0;       // its windows, children included
  bool guiCounted = false;       // whether the system counts its GDI and USER objects
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
};

Figures figuresOf(const e2e::Program& program);
std::string describe(const Figures& figures);

// Checks `after` against `before` within the stated margins, naming every
// figure that grew past its margin.
struct Margins {
  std::size_t handles;
  std::size_t privateBytes;
  DWORD guiObjects;  // each of GDI and USER, where they are counted
};
testing::AssertionResult withinMargins(const Figures& before, const Figures& after, const Margins& margins);

// One click of `button` that must bring up a message box saying `expected`:
// the box is checked and closed, and the program is waited for until it is
// back in its message loop. `ms`, when given, gets the time from the click to
// the box being visible.
testing::AssertionResult clickThroughBox(e2e::Program& program, HWND window, HWND button, const std::wstring& expected,
                                         double* ms = nullptr);

}  // namespace endurance
