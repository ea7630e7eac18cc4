// code-runner driven from outside, through real messages and input.
#include <gtest/gtest.h>

#include <string>

#include "code_cases.h"
#include "driver.h"

using namespace e2e;

namespace {

constexpr int kHintLabel = 0x1601000A;
constexpr int kCodeBox = 0x16010007;
constexpr int kRunButton = 0x16010003;

const std::string kTitle = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：

class CodeRunner : public ::testing::Test {
 protected:
  void SetUp() override { start(); }

  void start() {
    program = std::make_unique<Program>(PROGRAM_EXE);
    ASSERT_TRUE(program->started());
    window = program->mainWindow();
    ASSERT_NE(window, nullptr);
    hint = child(window, kHintLabel);
    codeBox = child(window, kCodeBox);
    run = child(window, kRunButton);
    ASSERT_NE(hint, nullptr);
    ASSERT_NE(codeBox, nullptr);
    ASSERT_NE(run, nullptr);
  }

  void expectExitZero() {
    DWORD code = 1;
    ASSERT_TRUE(program->waitExit(kWait, &code));
    EXPECT_EQ(code, 0u);
  }

  // Clicks Run and returns the texts of the message boxes that came up, one
  // after the other, closing each.
  std::vector<std::string> runAndCollectBoxes(DWORD settleMs = 700) {
    click(run);
    std::vector<std::string> shown;
    for (;;) {
      HWND box = program->waitMessageBox(settleMs);
      if (box == nullptr) break;
      shown.push_back(messageBoxText(box));
      EXPECT_EQ(text(box), kTitle);
      EXPECT_EQ(messageBoxButtons(box).size(), 1u);
      EXPECT_FALSE(messageBoxHasIcon(box));
      EXPECT_FALSE(IsWindowEnabled(window));
      closeMessageBox(box);
      EXPECT_TRUE(program->waitNoMessageBox());
    }
    return shown;
  }

  std::unique_ptr<Program> program;
  HWND window = nullptr, hint = nullptr, codeBox = nullptr, run = nullptr;
};

TEST_F(CodeRunner, MainWindowIsCentredFixedAndUntitled) {
  const RECT r = windowRect(window);
  EXPECT_EQ(r.left, 755);  // the tests' screen is 1920 by 1080
  EXPECT_EQ(r.top, 240);
  EXPECT_EQ(r.right - r.left, 410);
  EXPECT_EQ(r.bottom - r.top, 600);
  EXPECT_EQ(text(window), "");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetForegroundWindow(), window);
}

TEST(CodeRunnerOnScreens, MainWindowIsCentredOnSmallerScreens) {
  struct Screen {
    int width, height, left, top;
  } screens[] = {{1366, 768, 478, 84}, {1024, 768, 307, 84}, {640, 480, 115, -60}};
  for (const Screen& s : screens) {
    const RECT r = mainWindowOnScreen(PROGRAM_EXE, L"", s.width, s.height);
    EXPECT_EQ(r.left, s.left) << s.width << "x" << s.height;
    EXPECT_EQ(r.top, s.top) << s.width << "x" << s.height;
    EXPECT_EQ(r.right - r.left, 410) << s.width << "x" << s.height;
    EXPECT_EQ(r.bottom - r.top, 600) << s.width << "x" << s.height;
  }
}

TEST_F(CodeRunner, ControlsHaveTheirClassesPlacesTextsAndStack) {
  const std::string hintText =
      "\xC7\xEB\xD4\xDA\xC9\xCF\xC3\xE6\xB1\xE0\xBC\xAD\xBF\xF2\xD6\xD0\xCA\xE4\xC8\xEB\xB4\xFA\xC2\xEB\xA3\xAC"
      "\xC4\xBF\xC7\xB0\xD6\xA7\xB3\xD6\xB5\xC4\xB4\xFA\xC2\xEB\xD3\xD0\xA3\xBA\r\n\r\n"
      "\xD0\xC5\xCF\xA2\xBF\xF2(\xC4\xDA\xC8\xDD)\r\n\xB9\xD8\xB1\xD5\r\n\xB2\xCA\xB5\xB0\r\n\r\n"
      "\xC9\xCF\xC3\xE6\xB4\xFA\xC2\xEB\xD6\xD0 \xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8\xA3\xA9\xBA\xAF\xCA\xFD\xB5\xC4"
      "\xC4\xDA\xC8\xDD\xCA\xC7\xBF\xC9\xD2\xD4\xD0\xDE\xB8\xC4\xB5\xC4\xA3\xAC\xD5\xE2\xD2\xB2\xCC\xE1\xCF\xD6"
      "\xC1\xCB\xB6\xAF\xCC\xAC\xD3\xEF\xD1\xD4\xB5\xC4\xC1\xE9\xBB\xEE\xCC\xD8\xD0\xD4";
  ASSERT_EQ(hintText.size(), 149u);
  EXPECT_EQ(hintText, cp936(u8"请在上面编辑框中输入代码，目前支持的代码有：\r\n\r\n信息框(内容)\r\n关闭\r\n彩蛋\r\n\r\n"
                            u8"上面代码中 信息框（）函数的内容是可以修改的，这也提现了动态语言的灵活特性"));

  struct Expected {
    HWND hwnd;
    const char* cls;
    RECT place;
    std::string text;
    bool tabStop;
  } expected[] = {
      {hint, "Static", {68, 296, 328, 564}, hintText, false},
      {codeBox, "Edit", {96, 36, 288, 80}, "\xD0\xC5\xCF\xA2\xBF\xF2\xA3\xA8\xCC\xE1\xCA\xBE\xC4\xDA\xC8\xDD\xA3\xA9", true},
      {run, "Button", {112, 136, 264, 236}, "\xD6\xB4\xD0\xD0", true},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.cls);
    EXPECT_EQ(className(e.hwnd), e.cls);
    const RECT r = placeInParent(e.hwnd);
    EXPECT_EQ(r.left, e.place.left);
    EXPECT_EQ(r.top, e.place.top);
    EXPECT_EQ(r.right, e.place.right);
    EXPECT_EQ(r.bottom, e.place.bottom);
    EXPECT_EQ(text(e.hwnd), e.text);
    const LONG style = GetWindowLongW(e.hwnd, GWL_STYLE);
    EXPECT_EQ((style & WS_TABSTOP) != 0, e.tabStop);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_DISABLED);
  }
  EXPECT_EQ(GetWindowLongW(hint, GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
  const LONG editStyle = GetWindowLongW(codeBox, GWL_STYLE);
  EXPECT_TRUE(editStyle & ES_AUTOHSCROLL);
  EXPECT_FALSE(editStyle & (ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_UPPERCASE | ES_LOWERCASE | ES_NUMBER |
                            ES_NOHIDESEL | ES_CENTER | ES_RIGHT));
  EXPECT_TRUE(GetWindowLongW(codeBox, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  DWORD from = 99, to = 99;
  SendMessageW(codeBox, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 0u);
  EXPECT_EQ(GetWindowLongW(run, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);

  const std::vector<HWND> z = children(window);
  ASSERT_EQ(z.size(), 3u);
  EXPECT_EQ(z[0], hint);
  EXPECT_EQ(z[1], codeBox);
  EXPECT_EQ(z[2], run);
}

TEST_F(CodeRunner, RunButtonHasTheFocusAtStart) {
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == run; }, 3000));
  EXPECT_EQ(focusOf(window), run);
}

TEST_F(CodeRunner, DefaultCodeShowsOneBoxAndLeavesTheWindowAsItWas) {
  const RECT before = windowRect(window);
  EXPECT_EQ(runAndCollectBoxes(), std::vector<std::string>{cp936(u8"提示内容")});
  EXPECT_TRUE(IsWindowEnabled(window));
  const RECT after = windowRect(window);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(program->running());
  EXPECT_EQ(text(codeBox), cp936(u8"信息框（提示内容）"));
}

TEST_F(CodeRunner, CodesFromTheCodeBox) {
  const RECT before = windowRect(window);
  for (const CodeCase& c : codeCases()) {
    SCOPED_TRACE("code of " + std::to_string(c.code.size()) + " bytes: " + c.code.substr(0, 40));
    setText(codeBox, c.code);
    ASSERT_EQ(text(codeBox).size(), c.code.size());
    EXPECT_EQ(runAndCollectBoxes(), c.boxes);
    ASSERT_TRUE(program->running());
    const RECT after = windowRect(window);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_TRUE(IsWindowEnabled(window));
  }
}

TEST_F(CodeRunner, CharactersOutsideTheCodePageArriveAsQuestionMarks) {
  setWideText(codeBox, L"\x4FE1\x606F\x6846\xFF08\x0E01x\xD83D\xDE00\xFF09");  // 信息框（ก x 😀）
  const std::vector<std::string> boxes = runAndCollectBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].substr(0, 2), "?x");
  EXPECT_EQ(boxes[0].find_first_not_of("?x"), std::string::npos);
  EXPECT_TRUE(program->running());
}

TEST_F(CodeRunner, CloseWordEndsTheProgramAfterTheClick) {
  setText(codeBox, cp936(u8"关闭"));
  click(run);
  expectExitZero();
  EXPECT_TRUE(program->messageBoxes().empty());
}

TEST_F(CodeRunner, EasterEggEnlargesTheWindowKeepingItsCorner) {
  const RECT before = windowRect(window);
  setText(codeBox, cp936(u8"彩蛋"));
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(runAndCollectBoxes(400).empty());
    ASSERT_TRUE(waitFor([&] { return windowRect(window).right - windowRect(window).left == 1000; }));
    const RECT r = windowRect(window);
    EXPECT_EQ(r.left, before.left);
    EXPECT_EQ(r.top, before.top);
    EXPECT_EQ(r.right - r.left, 1000);
    EXPECT_EQ(r.bottom - r.top, 1000);
    EXPECT_TRUE(program->running());
  }
}

TEST_F(CodeRunner, SpaceOnTheRunButtonRunsTheCode) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_SPACE);
  HWND box = program->waitMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(messageBoxText(box), cp936(u8"提示内容"));
  closeMessageBox(box);
}

TEST_F(CodeRunner, TabShiftTabAndTyping) {
  ASSERT_TRUE(bringToFront(window));
  pressKey('A');
  Sleep(200);
  EXPECT_EQ(text(codeBox), cp936(u8"信息框（提示内容）"));  // the focus is on the Run button
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == codeBox; }));
  pressKey('B');
  EXPECT_TRUE(waitFor([&] { return text(codeBox) == "b"; }));
  pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == run; }));
  pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == codeBox; }));
}

TEST_F(CodeRunner, EnterChangesNothing) {
  ASSERT_TRUE(bringToFront(window));
  for (int i = 0; i < 2; ++i) {
    const HWND focus = focusOf(window);
    pressKey(VK_RETURN);
    Sleep(300);
    EXPECT_TRUE(program->messageBoxes().empty());
    EXPECT_EQ(focusOf(window), focus);
    EXPECT_EQ(text(codeBox), cp936(u8"信息框（提示内容）"));
    pressKey(VK_TAB);
  }
}

TEST_F(CodeRunner, EscInTheCodeBoxEnds) {
  setText(codeBox, cp936(u8"彩蛋"));
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == codeBox; }));
  pressKey(VK_ESCAPE);
  expectExitZero();
}

TEST_F(CodeRunner, AltF4Ends) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_F4, {VK_MENU});
  expectExitZero();
}

TEST_F(CodeRunner, CloseFromTheSystemMenuEnds) {
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  expectExitZero();
}

TEST_F(CodeRunner, CloseBoxClickEnds) {
  ASSERT_TRUE(bringToFront(window));
  // The close box sits at the right end of the caption; ask the window to be sure.
  const RECT r = windowRect(window);
  const int x = r.right - GetSystemMetrics(SM_CXFIXEDFRAME) - GetSystemMetrics(SM_CXSIZE) / 2 - 2;
  const int y = r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  ASSERT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)), HTCLOSE);
  // Wine on a loaded machine now and then drops synthetic pointer input; a
  // second click on a window that is still there is what a user would do too.
  for (int attempt = 0; attempt < 3 && program->running(); ++attempt) {
    bringToFront(window);
    clickAt(x, y);
    WaitForSingleObject(program->handle(), 3000);
  }
  expectExitZero();
}

TEST_F(CodeRunner, FocusComesBackAfterMinimiseAndRestore) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == codeBox; }));
  PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(waitFor([&] { return IsIconic(window) != FALSE; }));
  PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(waitFor([&] { return IsIconic(window) == FALSE; }));
  ASSERT_TRUE(bringToFront(window));
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == codeBox; }));
}

}  // namespace
