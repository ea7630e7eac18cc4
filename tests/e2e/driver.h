// Drives a real program from outside: starts it, finds its windows, sends
// input through the message queue and reads back what a user would see.
// Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

constexpr DWORD kWait = 10000;  // ms; generous, since Wine is slow to start a process

// Polls until the condition holds or the time runs out.
bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs = kWait);

class Program {
 public:
  // desktop: empty for the test's own desktop, else a Wine virtual desktop
  // "NAME" whose size is set with useScreen() beforehand.
  explicit Program(const std::wstring& exe, const std::wstring& arguments = L"",
                   const std::wstring& desktop = L"");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_; }

  // The program's visible top-level window that is not a dialog box.
  HWND mainWindow(DWORD timeoutMs = kWait);
  // Visible message boxes (class "#32770") of the program.
  std::vector<HWND> messageBoxes();
  HWND waitMessageBox(DWORD timeoutMs = kWait);
  bool waitNoMessageBox(DWORD timeoutMs = kWait);
  // Waits for the process to end; true with its exit code when it did.
  bool waitExit(DWORD timeoutMs, DWORD* code);
  bool running() const;
  // Windows of the program on its desktop, top-level only.
  std::vector<HWND> topLevelWindows();

 private:
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD pid_ = 0;
  HDESK desktop_ = nullptr;
  HDESK previousDesktop_ = nullptr;
};

// Sets the size of a named Wine virtual desktop before a program starts on it.
void useScreen(const std::wstring& desktop, int width, int height);

// Starts a program on a Wine virtual desktop of the given size and returns
// the outer rectangle of its main window (empty when none came up). The
// program is ended again before this returns.
RECT mainWindowOnScreen(const std::wstring& exe, const std::wstring& arguments, int width, int height);

// Text of a window of another process, as code page 936 bytes.
std::string text(HWND hwnd);
std::wstring wideText(HWND hwnd);
void setText(HWND hwnd, const std::string& cp936);
void setWideText(HWND hwnd, const std::wstring& text);
std::string className(HWND hwnd);
HWND child(HWND parent, int id);
// Children in z-order, top first.
std::vector<HWND> children(HWND parent);

RECT windowRect(HWND hwnd);
// A control's rectangle in its parent's client area.
RECT placeInParent(HWND hwnd);
// The window with the keyboard focus in the thread that owns hwnd.
HWND focusOf(HWND hwnd);

void click(HWND button);  // BM_CLICK through the queue
// Real keyboard input to the foreground window (hwnd is brought to front first).
bool bringToFront(HWND hwnd);
void pressKey(WORD vk, const std::vector<WORD>& modifiers = {});
// A real left click at a screen point.
void clickAt(int x, int y);
// A key posted to a window's queue, for a window that cannot be foreground.
void postKey(HWND hwnd, WORD vk);

// Message box parts.
std::string messageBoxText(HWND box);
std::vector<HWND> messageBoxButtons(HWND box);
bool messageBoxHasIcon(HWND box);
void closeMessageBox(HWND box);  // clicks its OK button

// Bytes from a UTF-8 literal, in code page 936.
std::string cp936(const char* utf8);

}  // namespace e2e
