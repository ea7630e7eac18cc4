#include "rt/runtime.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "layout.h"
#include "rt/cp936.h"

namespace rt {
namespace {

// Posted to a window marked for destruction; handled once the current
// handler has returned to the message loop.
constexpr UINT kDeferredDestroy = WM_APP + 0x101;
const wchar_t kWindowClass[] = L"RtWindow";
// "信息：" in code page 936.
const char kDefaultTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";

struct Control {
  const Unit* unit;
  HWND hwnd;
};

struct LoadedWindow {
  const Unit* unit = nullptr;
  HWND hwnd = nullptr;
  std::vector<Control> controls;  // record order
  std::vector<HWND> tabStops;     // tab order
  HWND savedFocus = nullptr;
  bool destroyPending = false;
  int recordedWidth = 0;
  int recordedHeight = 0;
};

struct State {
  const WindowRecord* record = nullptr;
  std::vector<ExitRoutine> exitRoutines;
  std::vector<std::unique_ptr<LoadedWindow>> windows;
  bool oleInitialised = false;
  bool loopRunning = false;
  int quitCode = 0;
};

State& state() {
  static State s;
  return s;
}

HFONT guiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

LoadedWindow* findLoaded(WindowId id) {
  for (auto& w : state().windows)
    if (w->unit->window == id) return w.get();
  return nullptr;
}

LoadedWindow* loadedFor(HWND hwnd) {
  return reinterpret_cast<LoadedWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

const Control* controlFor(const LoadedWindow& w, HWND hwnd) {
  for (const Control& c : w.controls)
    if (c.hwnd == hwnd) return &c;
  return nullptr;
}

// The window or control addressed by a pair; a window that is not loaded is fatal.
HWND target(WindowId window, ControlId control) {
  LoadedWindow* w = findLoaded(window);
  if (w == nullptr) fatal("Access to a property of a window that is not loaded.");
  if (control == w->unit->control) return w->hwnd;
  for (const Control& c : w->controls)
    if (c.unit->control == control) return c.hwnd;
  fatal("Access to a property of a control that the window does not have.");
}

bool isTopLevel(HWND hwnd) { return GetParent(hwnd) == nullptr; }

RECT placeOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  if (HWND parent = GetParent(hwnd)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void saveFocus(LoadedWindow& w) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(w.hwnd, focus)) w.savedFocus = focus;
}

void focusSaved(LoadedWindow& w) {
  HWND to = w.savedFocus;
  if (to == nullptr || !IsWindow(to) || !IsWindowEnabled(to) || !IsWindowVisible(to))
    to = w.tabStops.empty() ? nullptr : w.tabStops.front();
  if (to != nullptr) SetFocus(to);
}

void moveFocus(LoadedWindow& w, bool backward) {
  HWND focus = GetFocus();
  int current = -1;
  for (std::size_t i = 0; i < w.tabStops.size(); ++i)
    if (w.tabStops[i] == focus) current = static_cast<int>(i);
  // Skip stops that are hidden or disabled, at most once round.
  for (std::size_t tries = 0; tries < w.tabStops.size(); ++tries) {
    current = nextTabStop(w.tabStops.size(), current, backward);
    HWND next = w.tabStops[static_cast<std::size_t>(current)];
    if (IsWindowVisible(next) && IsWindowEnabled(next)) {
      SetFocus(next);
      const Control* c = controlFor(w, next);
      if (c != nullptr && c->unit->kind == Kind::EditBox) SendMessageW(next, EM_SETSEL, 0, -1);
      return;
    }
  }
}

// The keys that the window handles before its controls see them. True when
// the message has been used up.
bool preTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  HWND top = GetAncestor(msg.hwnd, GA_ROOT);
  if (top == nullptr) return false;
  LoadedWindow* w = loadedFor(top);
  if (w == nullptr || w->hwnd != top) return false;
  switch (msg.wParam) {
    case VK_TAB:
      if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
      moveFocus(*w, GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_ESCAPE:
      if (!(w->unit->flags & EscCloses)) return false;
      SendMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case VK_RETURN:
      return true;  // no default button, and Enter does not move the focus
    default:
      return false;
  }
}

void forget(LoadedWindow* w) {
  auto& windows = state().windows;
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [w](const std::unique_ptr<LoadedWindow>& p) { return p.get() == w; }),
                windows.end());
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* w = static_cast<LoadedWindow*>(create->lpCreateParams);
    w->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  }
  LoadedWindow* w = loadedFor(hwnd);
  if (w == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);

  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        const Control* c = controlFor(*w, reinterpret_cast<HWND>(lParam));
        if (c != nullptr && c->unit->onClick != nullptr) c->unit->onClick();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      const Control* c = controlFor(*w, reinterpret_cast<HWND>(lParam));
      if (c != nullptr && c->unit->kind == Kind::Label) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE || HIWORD(wParam) != 0)
        saveFocus(*w);
      else
        focusSaved(*w);
      return 0;
    case WM_SYSCOMMAND:
      // Minimising takes the focus away before any activation message says so.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) saveFocus(*w);
      break;
    case WM_SETFOCUS:
      focusSaved(*w);
      return 0;
    case WM_GETMINMAXINFO: {
      // A written size may exceed the screen; the default tracking limit would cut it.
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMaxTrackSize.x = std::max<LONG>(info->ptMaxTrackSize.x, w->recordedWidth);
      info->ptMaxTrackSize.y = std::max<LONG>(info->ptMaxTrackSize.y, w->recordedHeight);
      return 0;
    }
    case kDeferredDestroy:
      if (w->destroyPending) {
        w->destroyPending = false;
        DestroyWindow(hwnd);
      }
      return 0;
    case WM_NCDESTROY: {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      forget(w);
      if (state().windows.empty() && state().loopRunning) PostQuitMessage(0);
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void registerWindowClass() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kWindowClass, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

ControlClass classOf(const Unit& u) {
  switch (u.kind) {
    case Kind::Label:
      return {WC_STATICW, static_cast<DWORD>((u.flags & WordWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP), 0};
    case Kind::EditBox:
      return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::Button:
      return {WC_BUTTONW, BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER, 0};
    case Kind::Window:
      break;
  }
  return {WC_STATICW, 0, 0};
}

HWND createControl(const Unit& u, HWND parent) {
  const ControlClass cls = classOf(u);
  DWORD style = WS_CHILD | cls.style;
  if (u.flags & TabStop) style |= WS_TABSTOP;
  if (!(u.flags & Enabled)) style |= WS_DISABLED;
  HWND hwnd = CreateWindowExW(cls.exStyle, cls.name, toWide(u.text).c_str(), style, u.left, u.top, u.width,
                              u.height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(u.control)),
                              GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont()), FALSE);
  // An edit box has no length limit of its own; the control's default is 30,000.
  if (u.kind == Kind::EditBox) SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  return hwnd;
}

}  // namespace

void initialise(const WindowRecord& record) {
  State& s = state();
  s.record = &record;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  if (!s.oleInitialised) s.oleInitialised = SUCCEEDED(OleInitialize(nullptr));
  registerWindowClass();
}

void registerExitRoutine(ExitRoutine routine) {
  auto& routines = state().exitRoutines;
  if (routine != nullptr && std::find(routines.begin(), routines.end(), routine) == routines.end())
    routines.push_back(routine);
}

void loadWindow(WindowId window) {
  State& s = state();
  if (s.record == nullptr) fatal("The window run time was not initialised.");
  if (findLoaded(window) != nullptr) return;

  const Unit* windowUnit = nullptr;
  std::vector<const Unit*> controls;
  for (std::size_t i = 0; i < s.record->count; ++i) {
    const Unit& u = s.record->units[i];
    if (u.window != window) continue;
    if (u.kind == Kind::Window) {
      if (windowUnit == nullptr) windowUnit = &u;
    } else {
      controls.push_back(&u);
    }
  }
  if (windowUnit == nullptr) fatal("The window record has no window of that identifier.");

  auto loaded = std::make_unique<LoadedWindow>();
  LoadedWindow* w = loaded.get();
  w->unit = windowUnit;
  w->recordedWidth = windowUnit->width;
  w->recordedHeight = windowUnit->height;
  s.windows.push_back(std::move(loaded));

  const Point at = centred(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), windowUnit->width,
                           windowUnit->height);
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  if (!(windowUnit->flags & Enabled)) style |= WS_DISABLED;
  HWND hwnd = CreateWindowExW(0, kWindowClass, toWide(windowUnit->text).c_str(), style, at.x, at.y,
                              windowUnit->width, windowUnit->height, nullptr, nullptr, GetModuleHandleW(nullptr), w);
  if (hwnd == nullptr) fatal("The window could not be created.");
  // Creation asks for the size limits before the window knows its record, and
  // the system cuts a window higher than the screen; now the answer allows it.
  SetWindowPos(hwnd, nullptr, at.x, at.y, windowUnit->width, windowUnit->height, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont()), FALSE);
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, static_cast<LPARAM>(GetClassLongPtrW(hwnd, GCLP_HICON)));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(GetClassLongPtrW(hwnd, GCLP_HICONSM)));

  // Created last unit first, then stacked in record order: the first control on top.
  std::vector<HWND> made(controls.size(), nullptr);
  for (std::size_t i = controls.size(); i-- > 0;) made[i] = createControl(*controls[i], hwnd);
  HWND above = HWND_TOP;
  std::vector<TabEntry> stops;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (made[i] == nullptr) continue;
    w->controls.push_back(Control{controls[i], made[i]});
    SetWindowPos(made[i], above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = made[i];
    if (controls[i]->flags & TabStop) stops.push_back(TabEntry{w->controls.size() - 1, controls[i]->tabKey});
  }
  for (std::size_t index : tabOrder(stops)) w->tabStops.push_back(w->controls[index].hwnd);
  for (const Control& c : w->controls)
    if (c.unit->flags & Visible) ShowWindow(c.hwnd, SW_SHOWNA);

  if (windowUnit->flags & Visible) ShowWindow(hwnd, SW_SHOW);
}

int runMessageLoop() {
  State& s = state();
  if (s.windows.empty()) return s.quitCode;
  s.loopRunning = true;
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      s.quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    if (preTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  s.loopRunning = false;
  return s.quitCode;
}

std::string readText(WindowId window, ControlId control, int property) {
  HWND hwnd = target(window, control);
  if (property != Text) return std::to_string(readNumber(window, control, property));
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return std::string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  return fromWide(text.data(), static_cast<std::size_t>(std::max(got, 0)));
}

int readNumber(WindowId window, ControlId control, int property) {
  HWND hwnd = target(window, control);
  const RECT r = placeOf(hwnd);
  switch (property) {
    case Left: return r.left;
    case Top: return r.top;
    case Width: return r.right - r.left;
    case Height: return r.bottom - r.top;
    default: return 0;
  }
}

void writeNumber(WindowId window, ControlId control, int property, int value) {
  HWND hwnd = target(window, control);
  const RECT r = placeOf(hwnd);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  constexpr UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
  switch (property) {
    case Left:
      SetWindowPos(hwnd, nullptr, value, r.top, 0, 0, keep | SWP_NOSIZE);
      return;
    case Top:
      SetWindowPos(hwnd, nullptr, r.left, value, 0, 0, keep | SWP_NOSIZE);
      return;
    case Width:
    case Height: {
      const int extent = clampExtent(value);
      (property == Width ? width : height) = extent;
      if (isTopLevel(hwnd)) {
        LoadedWindow* w = findLoaded(window);
        (property == Width ? w->recordedWidth : w->recordedHeight) = extent;
      }
      SetWindowPos(hwnd, nullptr, 0, 0, width, height, keep | SWP_NOMOVE);
      return;
    }
    default:
      return;
  }
}

void writeText(WindowId window, ControlId control, int property, const char* text) {
  HWND hwnd = target(window, control);
  if (property == Text) SetWindowTextW(hwnd, toWide(text).c_str());
}

int messageBox(const char* text, unsigned buttons, const char* title) {
  return MessageBoxW(nullptr, toWide(text).c_str(), toWide(title != nullptr ? title : kDefaultTitle).c_str(),
                     buttons | MB_TASKMODAL);
}

void destroyWindow(WindowId window, ControlId control, bool immediate) {
  LoadedWindow* w = findLoaded(window);
  if (w == nullptr) return;
  if (control != w->unit->control) {
    for (Control& c : w->controls)
      if (c.unit->control == control && IsWindow(c.hwnd)) DestroyWindow(c.hwnd);
    return;
  }
  if (immediate) {
    DestroyWindow(w->hwnd);
    return;
  }
  w->destroyPending = true;
  PostMessageW(w->hwnd, kDeferredDestroy, 0, 0);
}

void fatal(const char* what) {
  // No allocation here: running out of memory ends the program through this box.
  wchar_t message[1024] = L"The program cannot go on.";
  if (what != nullptr && *what != '\0' &&
      MultiByteToWideChar(kCodePage, 0, what, -1, message, static_cast<int>(std::size(message))) == 0)
    lstrcpynW(message, L"The program cannot go on.", static_cast<int>(std::size(message)));
  MessageBoxW(nullptr, message, L"Fatal error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  ExitProcess(static_cast<UINT>(-1));
}

int runProgram(StartRoutine start) {
  State& s = state();
  start();
  for (ExitRoutine routine : s.exitRoutines) routine();
  s.exitRoutines.clear();
  if (s.oleInitialised) {
    OleUninitialize();
    s.oleInitialised = false;
  }
  return s.quitCode;
}

}  // namespace rt
