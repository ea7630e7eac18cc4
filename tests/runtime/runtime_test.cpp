// The window run time through the real message loop, driven from outside a
// test host that is built on it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "driver.h"

using namespace e2e;

namespace {

constexpr int kLabel = 0x1601000A;
constexpr int kEdit = 0x16010007;
constexpr int kRun = 0x16010003;
constexpr int kOther = 0x16010002;

std::wstring freshLogPath() {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  wchar_t path[MAX_PATH] = {};
  GetTempFileNameW(dir, L"rt", 0, path);
  DeleteFileW(path);
  return path;
}

std::string readLog(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Host : public ::testing::Test {
 protected:
  void start() {
    program = std::make_unique<Program>(PROGRAM_EXE, L"\"" + logPath + L"\"");
    ASSERT_TRUE(program->started());
    window = program->mainWindow();
    ASSERT_NE(window, nullptr);
    label = child(window, kLabel);
    edit = child(window, kEdit);
    run = child(window, kRun);
    other = child(window, kOther);
  }
  void SetUp() override { start(); }
  void TearDown() override {
    program.reset();
    DeleteFileW(logPath.c_str());
  }

  // Runs a command in the host and returns what it answered in its label.
  std::string command(const std::string& line) {
    setText(label, "");
    setText(edit, line);
    click(run);
    std::string answer;
    waitFor([&] { return !(answer = text(label)).empty(); });
    return answer;
  }

  void expectExit(DWORD expected) {
    DWORD code = 12345;
    ASSERT_TRUE(program->waitExit(kWait, &code));
    EXPECT_EQ(code, expected);
  }

  std::wstring logPath = freshLogPath();
  std::unique_ptr<Program> program;
  HWND window = nullptr, label = nullptr, edit = nullptr, run = nullptr, other = nullptr;
};

TEST(HostOnScreens, WindowIsCentredWhateverTheScreen) {
  struct Screen {
    int width, height, left, top;
  } screens[] = {{1920, 1080, 755, 240}, {1366, 768, 478, 84}, {1024, 768, 307, 84}, {640, 480, 115, -60}};
  for (const Screen& s : screens) {
    const RECT r = mainWindowOnScreen(PROGRAM_EXE, L"", s.width, s.height);
    EXPECT_EQ(r.left, s.left) << s.width << "x" << s.height;
    EXPECT_EQ(r.top, s.top) << s.width << "x" << s.height;
    EXPECT_EQ(r.right - r.left, 410) << s.width << "x" << s.height;
    EXPECT_EQ(r.bottom - r.top, 600) << s.width << "x" << s.height;
  }
}

TEST_F(Host, WindowAndControlsLookAsRecorded) {
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(text(window), "");

  struct Expected {
    HWND hwnd;
    const char* cls;
    RECT place;
    LONG styleBits;
    LONG styleMask;
  } expected[] = {
      {label, "Static", {10, 300, 390, 500}, SS_LEFT, SS_TYPEMASK | WS_TABSTOP},
      {edit, "Edit", {10, 10, 310, 34}, ES_AUTOHSCROLL | WS_TABSTOP, ES_AUTOHSCROLL | ES_MULTILINE | WS_TABSTOP},
      {run, "Button", {10, 50, 110, 80}, BS_PUSHBUTTON | WS_TABSTOP, BS_TYPEMASK | WS_TABSTOP},
      {other, "Button", {120, 50, 220, 80}, BS_PUSHBUTTON | WS_TABSTOP, BS_TYPEMASK | WS_TABSTOP},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.cls);
    EXPECT_EQ(className(e.hwnd), e.cls);
    const RECT r = placeInParent(e.hwnd);
    EXPECT_EQ(r.left, e.place.left);
    EXPECT_EQ(r.top, e.place.top);
    EXPECT_EQ(r.right, e.place.right);
    EXPECT_EQ(r.bottom, e.place.bottom);
    EXPECT_EQ(GetWindowLongW(e.hwnd, GWL_STYLE) & e.styleMask, e.styleBits);
    EXPECT_TRUE(IsWindowVisible(e.hwnd));
  }
  EXPECT_TRUE(GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  // Stacked in record order, the first unit on top.
  const std::vector<HWND> z = children(window);
  ASSERT_EQ(z.size(), 4u);
  EXPECT_EQ(z[0], label);
  EXPECT_EQ(z[1], edit);
  EXPECT_EQ(z[2], run);
  EXPECT_EQ(z[3], other);
  // Font, icons and the edit box's limit, as the host sees them.
  const std::string look = command("look");
  EXPECT_EQ(look.substr(0, 23), "fonts 4 icons 1 1 limit");
  EXPECT_GE(std::stoll(look.substr(24)), 1000000) << look;
}

TEST_F(Host, FocusStartsOnTheFirstTabStopAndTabWraps) {
  // Equal tab keys put the later unit first: Run, then the edit box, then Other.
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == run; }, 3000));
  ASSERT_TRUE(bringToFront(window));
  const HWND forward[] = {edit, other, run, edit};
  for (HWND next : forward) {
    pressKey(VK_TAB);
    EXPECT_TRUE(waitFor([&] { return focusOf(window) == next; }));
  }
  const HWND backward[] = {run, other, edit};
  for (HWND next : backward) {
    pressKey(VK_TAB, {VK_SHIFT});
    EXPECT_TRUE(waitFor([&] { return focusOf(window) == next; }));
  }
}

TEST_F(Host, EnterDoesNothingAndSpaceClicks) {
  setText(edit, "box space");
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_RETURN);
  Sleep(300);
  EXPECT_TRUE(program->messageBoxes().empty());
  EXPECT_EQ(focusOf(window), run);
  pressKey(VK_SPACE);
  HWND box = program->waitMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(messageBoxText(box), "space");
  closeMessageBox(box);
}

TEST_F(Host, FocusComesBackAfterMinimiseAndRestore) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == edit; }));
  PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(waitFor([&] { return IsIconic(window) != FALSE; }));
  PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(waitFor([&] { return IsIconic(window) == FALSE; }));
  ASSERT_TRUE(bringToFront(window));
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == edit; }));

  // Deactivated by a window of another program, then activated again.
  HWND mine = CreateWindowExW(0, L"Static", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_TRUE(bringToFront(mine));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  ASSERT_TRUE(bringToFront(window));
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == edit; }));
  DestroyWindow(mine);
}

TEST_F(Host, EscClosesAndEndsWithExitRoutinesOnce) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == edit; }));
  pressKey(VK_ESCAPE);
  expectExit(0);
  EXPECT_EQ(readLog(logPath), "message loop ended with 0\nexit routine first\nexit routine second\n");
}

TEST_F(Host, DeferredDestroyWaitsForTheHandlerThenQuits) {
  setText(edit, "destroy");
  click(run);
  expectExit(0);
  EXPECT_EQ(readLog(logPath),
            "after deferred destroy: alive\nmessage loop ended with 0\nexit routine first\nexit routine second\n");
}

TEST_F(Host, ImmediateDestroyHappensAtOnce) {
  setText(edit, "destroy-now");
  click(run);
  expectExit(0);
  EXPECT_EQ(readLog(logPath),
            "after immediate destroy: gone\nmessage loop ended with 0\nexit routine first\nexit routine second\n");
}

TEST_F(Host, SizeWritesKeepTheCornerAndAreLimited) {
  const RECT before = windowRect(window);
  const std::string corner = std::to_string(before.left) + " " + std::to_string(before.top) + " ";
  EXPECT_EQ(command("size 1000 1000"), corner + "1000 1000");
  EXPECT_EQ(command("size 1000 1000"), corner + "1000 1000");
  EXPECT_EQ(command("size 2500 1700"), corner + "2500 1700");
  // Controls show the limits exactly; the system keeps a window above its minimum.
  EXPECT_EQ(command("csize -5 40000"), "120 50 0 32627");
  EXPECT_EQ(command("csize 32627 32628"), "120 50 32627 32627");
  EXPECT_EQ(command("csize 90 20"), "120 50 90 20");
  EXPECT_EQ(command("move 30 -20"), "30 -20 2500 1700");
  EXPECT_EQ(command("read"), "30 -20 2500 1700 | 10 10 300 24 | 2500");
}

TEST_F(Host, MessageBoxIsTaskModalWithTheDefaultTitle) {
  struct Case {
    const char* command;
    std::string title;
    std::string body;
  } cases[] = {
      {"box hello", "\xD0\xC5\xCF\xA2\xA3\xBA", "hello"},
      {"titled Mine", "Mine", "body"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    setText(label, "");
    setText(edit, c.command);
    click(run);
    HWND box = program->waitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text(box), c.title);
    EXPECT_EQ(messageBoxText(box), c.body);
    EXPECT_EQ(messageBoxButtons(box).size(), 1u);
    EXPECT_FALSE(messageBoxHasIcon(box));
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_EQ(text(label), "");  // the handler is still inside the box
    closeMessageBox(box);
    EXPECT_TRUE(waitFor([&] { return text(label) == "1"; }));  // IDOK
    EXPECT_TRUE(IsWindowEnabled(window));
  }
}

TEST_F(Host, PropertyOfAWindowNotLoadedIsFatal) {
  for (const char* verb : {"fatal", "fatal-write"}) {
    SCOPED_TRACE(verb);
    if (!program->running()) start();
    setText(edit, verb);
    click(run);
    HWND box = program->waitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(messageBoxText(box).find("not loaded"), std::string::npos);
    EXPECT_TRUE(messageBoxHasIcon(box));
    closeMessageBox(box);
    expectExit(static_cast<DWORD>(-1));
    EXPECT_NE(text(label), "survived");
    EXPECT_EQ(readLog(logPath), "");  // no normal end: no exit routine ran
  }
}

}  // namespace
