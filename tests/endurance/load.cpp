#include "load.h"

#include <psapi.h>
#include <winternl.h>

#include <cstddef>
#include <sstream>
#include <vector>

namespace endurance {
namespace {

// The system's handle table, as NtQuerySystemInformation gives it for
// SystemExtendedHandleInformation.
constexpr int kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
  PVOID object;
  ULONG_PTR ownerPid;
  ULONG_PTR handle;
  ULONG access;
  USHORT creatorBackTrace;
  USHORT objectType;
  ULONG attributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

std::size_t handlesInSystemTable(DWORD pid) {
  std::vector<unsigned char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status =
        NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemExtendedHandleInformation),
                                 buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch && buffer.size() < (64u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return 0;
    break;
  }
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  const std::size_t fits = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
  std::size_t owned = 0;
  for (ULONG_PTR i = 0; i < table->count && i < fits; ++i)
    if (table->entries[i].ownerPid == pid) ++owned;
  return owned;
}

std::size_t handleCount(HANDLE process, DWORD pid) {
  DWORD count = 0;
  if (GetProcessHandleCount(process, &count) && count != 0) return count;
  // Wine's GetProcessHandleCount answers 0 for every process; its system
  // handle table holds the real figure.
  return handlesInSystemTable(pid);
}

std::size_t privateBytesOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    return 0;
  // Wine leaves PrivateUsage at 0 for another process; its PagefileUsage,
  // which Windows reports equal to PrivateUsage, holds the anonymous memory.
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

BOOL CALLBACK countChild(HWND, LPARAM param) {
  ++*reinterpret_cast<std::size_t*>(param);
  return TRUE;
}

struct WindowSearch {
  DWORD pid;
  std::size_t count;
};

BOOL CALLBACK countWindowTree(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search->pid) {
    ++search->count;
    EnumChildWindows(hwnd, countChild, reinterpret_cast<LPARAM>(&search->count));
  }
  return TRUE;
}

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

}  // namespace

double nowMs() {
  static const double perMs = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER c{};
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMs;
}

bool waitQuick(const std::function<bool()>& condition, DWORD timeoutMs) {
  const double end = nowMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (nowMs() >= end) return false;
    Sleep(1);
  }
}

bool answers(HWND window, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

Figures figuresOf(const e2e::Program& program) {
  Figures f;
  f.handles = handleCount(program.handle(), program.pid());
  f.privateBytes = privateBytesOf(program.handle());
  // Program::topLevelWindows is not const, so the windows are listed here.
  WindowSearch search{program.pid(), 0};
  EnumWindows(countWindowTree, reinterpret_cast<LPARAM>(&search));
  f.windows = search.count;
  // Wine answers 0 (not implemented) for both; a Windows GUI process always
  // holds some of each, so 0 means "not counted" rather than "none".
  f.gdiObjects = GetGuiResources(program.handle(), GR_GDIOBJECTS);
  f.userObjects = GetGuiResources(program.handle(), GR_USEROBJECTS);
  f.guiCounted = f.gdiObjects != 0 && f.userObjects != 0;
  return f;
}

std::string describe(const Figures& f) {
  std::ostringstream out;
  out << f.handles << " handles, " << f.privateBytes / 1024 << " KB private, " << f.windows << " windows";
  if (f.guiCounted)
    out << ", " << f.gdiObjects << " GDI and " << f.userObjects << " USER objects";
  else
    out << ", GDI and USER objects not counted by this system";
  return out.str();
}

testing::AssertionResult withinMargins(const Figures& before, const Figures& after, const Margins& margins) {
  std::ostringstream grew;
  if (after.handles > before.handles + margins.handles)
    grew << " handles " << before.handles << " -> " << after.handles << " (margin " << margins.handles << ");";
  if (after.privateBytes > before.privateBytes + margins.privateBytes)
    grew << " private bytes " << before.privateBytes << " -> " << after.privateBytes << " (margin "
         << margins.privateBytes << ");";
  if (after.windows != before.windows) grew << " windows " << before.windows << " -> " << after.windows << ";";
  if (before.guiCounted && after.guiCounted) {
    if (after.gdiObjects > before.gdiObjects + margins.guiObjects)
      grew << " GDI objects " << before.gdiObjects << " -> " << after.gdiObjects << ";";
    if (after.userObjects > before.userObjects + margins.guiObjects)
      grew << " USER objects " << before.userObjects << " -> " << after.userObjects << ";";
  }
  if (grew.str().empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "grew past the margins:" << grew.str();
}

testing::AssertionResult clickThroughBox(e2e::Program& program, HWND window, HWND button, const std::wstring& expected,
                                         double* ms) {
  const double start = nowMs();
  e2e::click(button);
  HWND box = nullptr;
  if (!waitQuick([&] {
        const std::vector<HWND> boxes = program.messageBoxes();
        if (boxes.empty()) return false;
        box = boxes.front();
        return true;
      }))
    return testing::AssertionFailure() << "no message box came up";
  if (ms != nullptr) *ms = nowMs() - start;
  const std::wstring shown = e2e::wideText(GetDlgItem(box, 0xFFFF));
  if (shown != expected)
    return testing::AssertionFailure() << "the message box says \"" << utf8(shown) << "\", not \"" << utf8(expected)
                                       << "\"";
  e2e::closeMessageBox(box);
  // The box is gone and the window enabled again once MessageBoxW has
  // returned; the answer to a sent message comes once the click handler has.
  if (!waitQuick([&] { return !IsWindowVisible(box) && IsWindowEnabled(window); }))
    return testing::AssertionFailure() << "the message box did not close";
  if (!answers(window)) return testing::AssertionFailure() << "the program stopped answering after the box closed";
  return testing::AssertionSuccess();
}

}  // namespace endurance
