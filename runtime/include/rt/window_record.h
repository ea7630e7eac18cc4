// The window record: a program describes its windows and controls as data,
// and the run time builds them from it at load time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

using WindowId = std::uint32_t;
using ControlId = std::uint32_t;
using Handler = void (*)();

enum class Kind { Window, Label, EditBox, Button };

// Flags of a unit; a unit with none of them is hidden, disabled and skipped by Tab.
enum UnitFlags : unsigned {
  Visible = 1u << 0,
  Enabled = 1u << 1,
  TabStop = 1u << 2,
  WordWrap = 1u << 3,   // labels only
  EscCloses = 1u << 4,  // windows only: Esc sends the window a close request
};

// One window or control. Texts are code page 936 bytes.
struct Unit {
  Kind kind;
  const char* name;
  WindowId window;
  ControlId control;
  int left, top, width, height;  // window: outer rectangle; control: client position
  const char* text;
  unsigned flags;
  int tabKey;
  Handler onClick;  // buttons only; nullptr when no event is bound
};

struct WindowRecord {
  const Unit* units;
  std::size_t count;
};

template <std::size_t N>
constexpr WindowRecord makeRecord(const Unit (&units)[N]) {
  return WindowRecord{units, N};
}

}  // namespace rt
