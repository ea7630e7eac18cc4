// A program of the tests' own on the window run time. Its Run button carries
// out the command typed into its edit box and writes the answer into its
// label, so the tests can exercise each run time call from outside.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "rt/runtime.h"

namespace {

constexpr rt::WindowId kWindow = 0x52010001;
constexpr rt::ControlId kSelf = 0x06010000;
constexpr rt::ControlId kLabel = 0x1601000A;
constexpr rt::ControlId kEdit = 0x16010007;
constexpr rt::ControlId kRun = 0x16010003;
constexpr rt::ControlId kOther = 0x16010002;

std::wstring logPath;

void log(const std::string& line) {
  if (logPath.empty()) return;
  FILE* f = _wfopen(logPath.c_str(), L"ab");
  if (f == nullptr) return;
  std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
}

void answer(const std::string& text) { rt::writeText(kWindow, kLabel, rt::Text, text.c_str()); }

std::string place(rt::ControlId control) {
  std::ostringstream out;
  out << rt::readNumber(kWindow, control, rt::Left) << ' ' << rt::readNumber(kWindow, control, rt::Top) << ' '
      << rt::readNumber(kWindow, control, rt::Width) << ' ' << rt::readNumber(kWindow, control, rt::Height);
  return out.str();
}

HWND windowHandle() {
  DWORD pid = GetCurrentProcessId();
  for (HWND w = FindWindowExW(nullptr, nullptr, L"RtWindow", nullptr); w != nullptr;
       w = FindWindowExW(nullptr, w, L"RtWindow", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid) return w;
  }
  return nullptr;
}

void runCommand() {
  std::istringstream in(rt::readText(kWindow, kEdit, rt::Text));
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in >> std::ws, rest);
  if (verb == "size") {
    int w = 0, h = 0;
    std::istringstream(rest) >> w >> h;
    rt::writeNumber(kWindow, kSelf, rt::Width, w);
    rt::writeNumber(kWindow, kSelf, rt::Height, h);
    answer(place(kSelf));
  } else if (verb == "csize") {
    int w = 0, h = 0;
    std::istringstream(rest) >> w >> h;
    rt::writeNumber(kWindow, kOther, rt::Width, w);
    rt::writeNumber(kWindow, kOther, rt::Height, h);
    answer(place(kOther));
  } else if (verb == "move") {
    int x = 0, y = 0;
    std::istringstream(rest) >> x >> y;
    rt::writeNumber(kWindow, kSelf, rt::Left, x);
    rt::writeNumber(kWindow, kSelf, rt::Top, y);
    answer(place(kSelf));
  } else if (verb == "read") {
    answer(place(kSelf) + " | " + place(kEdit) + " | " + rt::readText(kWindow, kSelf, rt::Width));
  } else if (verb == "box") {
    answer(std::to_string(rt::messageBox(rest.c_str())));
  } else if (verb == "titled") {
    answer(std::to_string(rt::messageBox("body", 0, rest.c_str())));
  } else if (verb == "destroy") {
    HWND hwnd = windowHandle();
    rt::destroyWindow(kWindow, kSelf);
    log(std::string("after deferred destroy: ") + (IsWindow(hwnd) ? "alive" : "gone"));
  } else if (verb == "destroy-now") {
    HWND hwnd = windowHandle();
    rt::destroyWindow(kWindow, kSelf, true);
    log(std::string("after immediate destroy: ") + (IsWindow(hwnd) ? "alive" : "gone"));
  } else if (verb == "fatal") {
    rt::readNumber(0x52010099, kSelf, rt::Left);
    answer("survived");
  } else if (verb == "fatal-write") {
    rt::writeNumber(0x52010099, kSelf, rt::Width, 10);
    answer("survived");
  } else if (verb == "look") {
    HWND hwnd = windowHandle();
    const HGDIOBJ gui = GetStockObject(DEFAULT_GUI_FONT);
    int fonts = 0;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
      fonts += reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)) == gui;
    std::ostringstream out;
    out << "fonts " << fonts << " icons " << (SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0) != 0) << ' '
        << (SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0) != 0) << " limit " << SendMessageW(GetDlgItem(hwnd, static_cast<int>(kEdit)), EM_GETLIMITTEXT, 0, 0);
    answer(out.str());
  } else {
    answer("unknown");
  }
}

void other() { log("other clicked"); }
void exitFirst() { log("exit routine first"); }
void exitSecond() { log("exit routine second"); }

const rt::Unit kUnits[] = {
    {rt::Kind::Window, "", kWindow, kSelf, 50, 50, 410, 600, "", rt::Visible | rt::Enabled | rt::EscCloses, 0, nullptr},
    {rt::Kind::Label, "label", kWindow, kLabel, 10, 300, 380, 200, "ready",
     rt::Visible | rt::Enabled | rt::WordWrap, 0, nullptr},
    {rt::Kind::EditBox, "edit", kWindow, kEdit, 10, 10, 300, 24, "", rt::Visible | rt::Enabled | rt::TabStop, 0,
     nullptr},
    {rt::Kind::Button, "run", kWindow, kRun, 10, 50, 100, 30, "Run", rt::Visible | rt::Enabled | rt::TabStop, 0,
     runCommand},
    {rt::Kind::Button, "other", kWindow, kOther, 120, 50, 100, 30, "Other", rt::Visible | rt::Enabled | rt::TabStop, 1,
     other},
};
const rt::WindowRecord kRecord = rt::makeRecord(kUnits);

int start() {
  rt::initialise(kRecord);
  rt::registerExitRoutine(exitFirst);
  rt::registerExitRoutine(exitSecond);
  rt::registerExitRoutine(exitFirst);
  rt::loadWindow(kWindow);
  const int code = rt::runMessageLoop();
  log("message loop ended with " + std::to_string(code));
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc > 1) logPath = argv[1];
  LocalFree(argv);
  return rt::runProgram(start);
}
