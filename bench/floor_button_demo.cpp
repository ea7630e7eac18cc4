// The floor for button-demo: the same window, buttons and message box made
// with nothing but direct Win32 calls. The benchmark compares the program
// against it, so whatever the window run time costs on top shows up as the
// difference. Nothing here is shipped.
#include <windows.h>

namespace {

// The program's control identifiers, so the same driver finds the buttons.
constexpr int kCloseButton = 0x16010003;  // 按钮2
constexpr int kInfoButton = 0x16010002;   // 按钮1

// Code page 936, as in button-demo/window_record.cpp: "关闭", "信息框", and "信息：".
const char kCloseText[] = "\xB9\xD8\xB1\xD5";
const char kInfoText[] = "\xD0\xC5\xCF\xA2\xBF\xF2";
const char kMessage[] = "123";
const char kTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";

constexpr int kWidth = 410;
constexpr int kHeight = 600;
const wchar_t kClassName[] = L"FloorWindow";

// The texts are all short; a fixed buffer keeps the floor free of the C++ library.
struct Wide {
  wchar_t text[32];
};

Wide wide(const char* cp936) {
  Wide w{};
  MultiByteToWideChar(936, 0, cp936, -1, w.text, static_cast<int>(sizeof w.text / sizeof w.text[0]));
  return w;
}

void makeButton(HWND parent, int id, int left, int top, const char* text, HFONT font) {
  HWND button = CreateWindowExW(0, L"BUTTON", wide(text).text,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER |
                                    BS_VCENTER,
                                left, top, 152, 100, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        // The control id is the full 32-bit value on both builds; LOWORD would drop the high half.
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == kInfoButton) MessageBoxW(nullptr, wide(kMessage).text, wide(kTitle).text, MB_OK | MB_TASKMODAL);
        if (id == kCloseButton) DestroyWindow(hwnd);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, L"DEFAULT_ICON");
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, kClassName, L"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                WS_CLIPCHILDREN, left, top, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  // Children are stacked in creation order, first on top, as the program stacks them.
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  makeButton(window, kCloseButton, 120, 304, kCloseText, font);
  makeButton(window, kInfoButton, 120, 140, kInfoText, font);
  ShowWindow(window, SW_SHOW);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
