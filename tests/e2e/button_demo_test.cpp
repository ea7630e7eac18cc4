// button-demo driven from outside, through real messages and input.
#include <gtest/gtest.h>

#include "driver.h"

using namespace e2e;

namespace {

constexpr int kCloseButton = 0x16010003;
constexpr int kInfoButton = 0x16010002;

class ButtonDemo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program.started());
    window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    info = child(window, kInfoButton);
    close = child(window, kCloseButton);
    ASSERT_NE(info, nullptr);
    ASSERT_NE(close, nullptr);
  }

  void expectExitZero() {
    DWORD code = 1;
    ASSERT_TRUE(program.waitExit(kWait, &code));
    EXPECT_EQ(code, 0u);
  }

  void expectInfoBox() {
    HWND box = program.waitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageBoxText(box), "123");
    EXPECT_EQ(text(box), "\xD0\xC5\xCF\xA2\xA3\xBA");  // 信息：
    ASSERT_EQ(messageBoxButtons(box).size(), 1u);
    EXPECT_EQ(GetDlgCtrlID(messageBoxButtons(box)[0]), IDOK);
    EXPECT_FALSE(messageBoxHasIcon(box));
    EXPECT_FALSE(IsWindowEnabled(window));
    closeMessageBox(box);
    ASSERT_TRUE(program.waitNoMessageBox());
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(window) != FALSE; }));
  }

  Program program{PROGRAM_EXE};
  HWND window = nullptr;
  HWND info = nullptr;
  HWND close = nullptr;
};

TEST_F(ButtonDemo, WindowIsCentredFixedAndUntitled) {
  const RECT r = windowRect(window);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 410) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 600) / 2);
  EXPECT_EQ(r.right - r.left, 410);
  EXPECT_EQ(r.bottom - r.top, 600);
  EXPECT_EQ(text(window), "");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetForegroundWindow(), window);
}

TEST_F(ButtonDemo, ButtonsHaveTheirPlacesCaptionsAndStack) {
  struct Expected {
    HWND hwnd;
    RECT place;
    const char* caption;
  } expected[] = {
      {close, {120, 304, 272, 404}, "\xB9\xD8\xB1\xD5"},        // 关闭
      {info, {120, 140, 272, 240}, "\xD0\xC5\xCF\xA2\xBF\xF2"},  // 信息框
  };
  for (const Expected& e : expected) {
    const RECT r = placeInParent(e.hwnd);
    EXPECT_EQ(r.left, e.place.left);
    EXPECT_EQ(r.top, e.place.top);
    EXPECT_EQ(r.right, e.place.right);
    EXPECT_EQ(r.bottom, e.place.bottom);
    EXPECT_EQ(className(e.hwnd), "Button");
    EXPECT_EQ(text(e.hwnd), e.caption);
    const LONG style = GetWindowLongW(e.hwnd, GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_DISABLED);
    EXPECT_EQ(style & (BS_MULTILINE | BS_CENTER | BS_VCENTER), BS_MULTILINE | BS_CENTER | BS_VCENTER);
  }
  // Stacked in the order of the window record: close button on top.
  const std::vector<HWND> z = children(window);
  ASSERT_EQ(z.size(), 2u);
  EXPECT_EQ(z[0], close);
  EXPECT_EQ(z[1], info);
}

TEST_F(ButtonDemo, InfoButtonHasTheFocusAtStart) {
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == info; }, 3000));
  EXPECT_EQ(focusOf(window), info);
}

TEST_F(ButtonDemo, InfoClickShowsTheBoxEachTime) {
  const RECT before = windowRect(window);
  for (int i = 0; i < 2; ++i) {
    click(info);
    expectInfoBox();
  }
  const RECT after = windowRect(window);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(program.running());
}

TEST_F(ButtonDemo, CloseClickEndsWithExitCodeZero) {
  click(close);
  expectExitZero();
}

TEST_F(ButtonDemo, TabAndShiftTabAlternate) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == close; }));
  pressKey(VK_TAB);
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == info; }));
  pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == close; }));
  pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(waitFor([&] { return focusOf(window) == info; }));
}

TEST_F(ButtonDemo, EnterDoesNothing) {
  ASSERT_TRUE(bringToFront(window));
  for (HWND target : {info, close}) {
    if (focusOf(window) != target) pressKey(VK_TAB);
    ASSERT_TRUE(waitFor([&] { return focusOf(window) == target; }));
    pressKey(VK_RETURN);
    Sleep(300);
    EXPECT_TRUE(program.messageBoxes().empty());
    EXPECT_TRUE(program.running());
    EXPECT_EQ(focusOf(window), target);
  }
}

TEST_F(ButtonDemo, SpaceClicksTheFocusedButton) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_SPACE);
  expectInfoBox();
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == close; }));
  pressKey(VK_SPACE);
  expectExitZero();
}

TEST_F(ButtonDemo, EscWithInfoFocusedEnds) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_ESCAPE);
  expectExitZero();
}

TEST_F(ButtonDemo, EscWithCloseFocusedEnds) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_TAB);
  ASSERT_TRUE(waitFor([&] { return focusOf(window) == close; }));
  pressKey(VK_ESCAPE);
  expectExitZero();
}

TEST_F(ButtonDemo, EscInTheMessageBoxClosesOnlyTheBox) {
  click(info);
  HWND box = program.waitMessageBox();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(bringToFront(box));
  pressKey(VK_ESCAPE);
  ASSERT_TRUE(program.waitNoMessageBox());
  Sleep(300);
  EXPECT_TRUE(program.running());
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(ButtonDemo, AltF4Ends) {
  ASSERT_TRUE(bringToFront(window));
  pressKey(VK_F4, {VK_MENU});
  expectExitZero();
}

TEST_F(ButtonDemo, CloseBoxEnds) {
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  expectExitZero();
}

}  // namespace
