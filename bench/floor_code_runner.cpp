// The floor for code-runner: the same window, controls, message box and
// per-click regular-expression work through VBScript.RegExp, made with direct
// Win32 and IDispatch calls and as few of them as the work allows. The
// benchmark compares the program against it. Nothing here is shipped.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cwchar>

namespace {

// The program's control identifiers, so the same driver finds the controls.
constexpr int kHintLabel = 0x1601000A;  // 标签1
constexpr int kCodeBox = 0x16010007;    // 编辑框1
constexpr int kRunButton = 0x16010003;  // 按钮2

// Code page 936 bytes, as in code-runner/window_record.cpp and run_code.cpp.
const char kHint[] =
    "\xC7\xEB\xD4\xDA\xC9\xCF\xC3\xE6\xB1\xE0\xBC\xAD\xBF\xF2\xD6\xD0\xCA\xE4\xC8\xEB\xB4\xFA\xC2\xEB\xA3\xAC"
    "\xC4\xBF\xC7\xB0\xD6\xA7\xB3\xD6\xB5\xC4\xB4\xFA\xC2\xEB\xD3\xD0\xA3\xBA"
    "\r\n"
    "\r\n"
    "\xD0\xC5\xCF\xA2\xBF\xF2(\xC4\xDA\xC8\xDD)"
    "\r\n"
    "\xB9\xD8\xB1\xD5"
    "\r\n"
    "\xB2\xCA\xB5\xB0"
    "\r\n"
    "\r\n"
    "\xC9\xCF\xC3\xE6\xB4\xFA\xC2\xEB\xD6\xD0 \xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8\xA3\xA9\xBA\xAF\xCA\xFD\xB5\xC4"
    "\xC4\xDA\xC8\xDD\xCA\xC7\xBF\xC9\xD2\xD4\xD0\xDE\xB8\xC4\xB5\xC4\xA3\xAC\xD5\xE2\xD2\xB2\xCC\xE1\xCF\xD6"
    "\xC1\xCB\xB6\xAF\xCC\xAC\xD3\xEF\xD1\xD4\xB5\xC4\xC1\xE9\xBB\xEE\xCC\xD8\xD0\xD4";
const char kInitialCode[] = "\xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8\xCC\xE1\xCA\xBE\xC4\xDA\xC8\xDD\xA3\xA9";
const char kRunText[] = "\xD6\xB4\xD0\xD0";                                         // 执行
const char kPattern[] = "\xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8(.*?)\xA3\xA9";           // 信息框（(.*?)）
const char kCloseWord[] = "\xB9\xD8\xB1\xD5";                                     // 关闭
const char kEasterEggWord[] = "\xB2\xCA\xB5\xB0";                                 // 彩蛋
const char kTitle[] = "\xD0\xC5\xCF\xA2\xA3\xBA";                                 // 信息：

constexpr int kWidth = 410;
constexpr int kHeight = 600;
constexpr int kEasterEggSize = 1000;
const wchar_t kClassName[] = L"FloorWindow";

// The longest text is the 149-byte hint; a fixed buffer keeps the floor free of the C++ library.
struct Wide {
  wchar_t text[160];
};

Wide wide(const char* cp936) {
  Wide w{};
  MultiByteToWideChar(936, 0, cp936, -1, w.text, static_cast<int>(sizeof w.text / sizeof w.text[0]));
  return w;
}

HWND makeControl(HWND parent, DWORD exStyle, const wchar_t* cls, DWORD style, int id, int left, int top, int width,
                 int height, const char* text, HFONT font) {
  HWND control = CreateWindowExW(exStyle, cls, wide(text).text, WS_CHILD | WS_VISIBLE | style, left, top, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// One IDispatch call. `argument` is the single value a put or an Item takes.
HRESULT invoke(IDispatch* object, DISPID id, WORD flags, VARIANT* argument, VARIANT* result) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{argument, nullptr, argument != nullptr ? 1u : 0u, 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &named;
    parameters.cNamedArgs = 1;
  }
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, nullptr, nullptr);
}

DISPID idOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

IDispatch* dispatchOf(const VARIANT& value) { return value.vt == VT_DISPATCH ? value.pdispVal : nullptr; }

// The regular-expression part of a click: group 1 of the first match of the
// message box pattern in `code`, shown in a message box.
void showFirstGroup(BSTR code) {
  CLSID clsid;
  IDispatch* regExp = nullptr;
  if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&regExp))))
    return;

  VARIANT flag;
  flag.vt = VT_BOOL;
  flag.boolVal = VARIANT_TRUE;
  invoke(regExp, idOf(regExp, L"IgnoreCase"), DISPATCH_PROPERTYPUT, &flag, nullptr);
  invoke(regExp, idOf(regExp, L"Multiline"), DISPATCH_PROPERTYPUT, &flag, nullptr);
  invoke(regExp, idOf(regExp, L"Global"), DISPATCH_PROPERTYPUT, &flag, nullptr);
  VARIANT pattern;
  pattern.vt = VT_BSTR;
  pattern.bstrVal = SysAllocString(wide(kPattern).text);
  invoke(regExp, idOf(regExp, L"Pattern"), DISPATCH_PROPERTYPUT, &pattern, nullptr);
  VariantClear(&pattern);

  VARIANT searched;
  searched.vt = VT_BSTR;
  searched.bstrVal = code;
  VARIANT matches, count, match, groups, group;
  VariantInit(&matches);
  VariantInit(&count);
  VariantInit(&match);
  VariantInit(&groups);
  VariantInit(&group);
  invoke(regExp, idOf(regExp, L"Execute"), DISPATCH_METHOD, &searched, &matches);
  if (IDispatch* all = dispatchOf(matches)) {
    invoke(all, idOf(all, L"Count"), DISPATCH_PROPERTYGET, nullptr, &count);
    if (SUCCEEDED(VariantChangeType(&count, &count, 0, VT_I4)) && count.lVal > 0) {
      VARIANT first;
      first.vt = VT_I4;
      first.lVal = 0;
      // Item is the default member of both collections, so it needs no name lookup.
      invoke(all, DISPID_VALUE, DISPATCH_PROPERTYGET, &first, &match);
      if (IDispatch* one = dispatchOf(match)) {
        invoke(one, idOf(one, L"SubMatches"), DISPATCH_PROPERTYGET, nullptr, &groups);
        if (IDispatch* items = dispatchOf(groups)) {
          invoke(items, DISPID_VALUE, DISPATCH_PROPERTYGET, &first, &group);
          // A group that took part in no match comes back empty, and shows as an empty box.
          const wchar_t* text = group.vt == VT_BSTR && group.bstrVal != nullptr ? group.bstrVal : L"";
          MessageBoxW(nullptr, text, wide(kTitle).text, MB_OK | MB_TASKMODAL);
        }
      }
    }
  }
  VariantClear(&group);
  VariantClear(&groups);
  VariantClear(&match);
  VariantClear(&count);
  VariantClear(&matches);
  regExp->Release();
}

void runCode(HWND window, HWND codeBox) {
  // The code is read once into a BSTR, which is what Execute takes.
  const int length = GetWindowTextLengthW(codeBox);
  BSTR code = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (code == nullptr) return;
  GetWindowTextW(codeBox, code, length + 1);

  CoInitialize(nullptr);
  showFirstGroup(code);
  CoUninitialize();

  if (std::wcscmp(code, wide(kCloseWord).text) == 0) DestroyWindow(window);
  if (std::wcscmp(code, wide(kEasterEggWord).text) == 0)
    SetWindowPos(window, nullptr, 0, 0, kEasterEggSize, kEasterEggSize, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  SysFreeString(code);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kRunButton) {
        runCode(hwnd, GetDlgItem(hwnd, kCodeBox));
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
  makeControl(window, 0, L"STATIC", SS_LEFT, kHintLabel, 68, 296, 260, 268, kHint, font);
  HWND codeBox = makeControl(window, WS_EX_CLIENTEDGE, L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kCodeBox, 96,
                             36, 192, 44, kInitialCode, font);
  // The program's code box has no length limit; the control's own is 30,000.
  SendMessageW(codeBox, EM_SETLIMITTEXT, 0, 0);
  makeControl(window, 0, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER, kRunButton,
              112, 136, 152, 100, kRunText, font);
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
