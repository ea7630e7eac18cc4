#include "driver.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace e2e {

bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
}

Program::Program(const std::wstring& exe, const std::wstring& arguments, const std::wstring& desktop) {
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring desktopName = desktop;
  if (!desktop.empty()) si.lpDesktop = desktopName.data();
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
  process_ = pi.hProcess;
  thread_ = pi.hThread;
  pid_ = pi.dwProcessId;
  WaitForInputIdle(process_, kWait);
  if (!desktop.empty()) {
    // Window queries see only the calling thread's desktop, so follow the program there.
    waitFor([&] { return (desktop_ = OpenDesktopW(desktop.c_str(), 0, FALSE, GENERIC_ALL)) != nullptr; });
    previousDesktop_ = GetThreadDesktop(GetCurrentThreadId());
    if (desktop_ != nullptr) SetThreadDesktop(desktop_);
  }
}

Program::~Program() {
  if (process_ != nullptr) {
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, kWait);
    }
    CloseHandle(process_);
    CloseHandle(thread_);
  }
  if (desktop_ != nullptr) {
    SetThreadDesktop(previousDesktop_);
    CloseDesktop(desktop_);
  }
}

namespace {

struct Collect {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM param) {
  auto* c = reinterpret_cast<Collect*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == c->pid) c->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> Program::topLevelWindows() {
  Collect c{pid_, {}};
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&c));
  return c.found;
}

HWND Program::mainWindow(DWORD timeoutMs) {
  HWND main = nullptr;
  waitFor(
      [&] {
        for (HWND w : topLevelWindows())
          if (IsWindowVisible(w) && className(w) != "#32770") {
            main = w;
            return true;
          }
        return false;
      },
      timeoutMs);
  return main;
}

std::vector<HWND> Program::messageBoxes() {
  std::vector<HWND> boxes;
  for (HWND w : topLevelWindows())
    if (IsWindowVisible(w) && className(w) == "#32770") boxes.push_back(w);
  return boxes;
}

HWND Program::waitMessageBox(DWORD timeoutMs) {
  HWND box = nullptr;
  waitFor(
      [&] {
        auto boxes = messageBoxes();
        if (boxes.empty()) return false;
        box = boxes.front();
        return true;
      },
      timeoutMs);
  return box;
}

bool Program::waitNoMessageBox(DWORD timeoutMs) {
  return waitFor([&] { return messageBoxes().empty(); }, timeoutMs);
}

bool Program::waitExit(DWORD timeoutMs, DWORD* code) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD exitCode = 0;
  GetExitCodeProcess(process_, &exitCode);
  if (code != nullptr) *code = exitCode;
  return true;
}

bool Program::running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void useScreen(const std::wstring& desktop, int width, int height) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  const std::wstring size = std::to_wstring(width) + L"x" + std::to_wstring(height);
  RegSetValueExW(key, desktop.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size.c_str()),
                 static_cast<DWORD>((size.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

RECT mainWindowOnScreen(const std::wstring& exe, const std::wstring& arguments, int width, int height) {
  const std::wstring desktop = L"screen" + std::to_wstring(width) + L"x" + std::to_wstring(height);
  useScreen(desktop, width, height);
  Program program(exe, arguments, desktop);
  HWND main = program.mainWindow();
  RECT r{};
  if (main != nullptr) r = windowRect(main);
  return r;
}

std::wstring wideText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kWait, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, kWait,
                      &got);
  text.resize(got);
  return text;
}

std::string text(HWND hwnd) {
  const std::wstring wide = wideText(hwnd);
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

void setWideText(HWND hwnd, const std::wstring& text) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, kWait, &result);
}

void setText(HWND hwnd, const std::string& bytes) {
  std::wstring wide;
  if (!bytes.empty()) {
    const int n = MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    wide.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  }
  setWideText(hwnd, wide);
}

std::string className(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

HWND child(HWND parent, int id) { return GetDlgItem(parent, id); }

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> list;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) list.push_back(c);
  return list;
}

RECT windowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT placeInParent(HWND hwnd) {
  RECT r = windowRect(hwnd);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

HWND focusOf(HWND hwnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool bringToFront(HWND hwnd) {
  return waitFor(
      [&] {
        if (GetForegroundWindow() == hwnd) return true;
        SetForegroundWindow(hwnd);
        return false;
      },
      3000);
}

namespace {

INPUT keyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

}  // namespace

void pressKey(WORD vk, const std::vector<WORD>& modifiers) {
  std::vector<INPUT> inputs;
  for (WORD m : modifiers) inputs.push_back(keyInput(m, false));
  inputs.push_back(keyInput(vk, false));
  inputs.push_back(keyInput(vk, true));
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) inputs.push_back(keyInput(*it, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(50);
}

namespace {

void moveMouse(int x, int y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65535LL) / (GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = static_cast<LONG>((y * 65535LL) / (GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

}  // namespace

void clickAt(int x, int y) {
  // Approach and pause between the steps, as a hand would: the caption
  // buttons track the pointer between press and release.
  moveMouse(x - 8, y + 8);
  Sleep(100);
  moveMouse(x, y);
  waitFor(
      [&] {
        POINT at{};
        GetCursorPos(&at);
        return std::abs(at.x - x) <= 1 && std::abs(at.y - y) <= 1;
      },
      2000);
  Sleep(100);
  for (DWORD step : {DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
    INPUT button{};
    button.type = INPUT_MOUSE;
    button.mi.dwFlags = step;
    SendInput(1, &button, sizeof button);
    Sleep(100);
  }
}

void postKey(HWND hwnd, WORD vk) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(hwnd, WM_KEYDOWN, vk, 1 | scan);
  PostMessageW(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(1 | scan | (1LL << 30) | (1LL << 31)));
}

std::string messageBoxText(HWND box) { return text(GetDlgItem(box, 0xFFFF)); }

std::vector<HWND> messageBoxButtons(HWND box) {
  std::vector<HWND> buttons;
  for (HWND c : children(box))
    if (IsWindowVisible(c) && className(c) == "Button") buttons.push_back(c);
  return buttons;
}

bool messageBoxHasIcon(HWND box) {
  for (HWND c : children(box)) {
    if (!IsWindowVisible(c) || className(c) != "Static") continue;
    if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageW(c, STM_GETICON, 0, 0) != 0)
      return true;
  }
  return false;
}

void closeMessageBox(HWND box) {
  HWND ok = GetDlgItem(box, IDOK);
  if (ok != nullptr)
    click(ok);
  else
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

std::string cp936(const char* utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  if (wide.empty()) return std::string();
  const int m = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(m), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), m, nullptr, nullptr);
  return bytes;
}

}  // namespace e2e
