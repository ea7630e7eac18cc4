// A program built like the shipped ones ends with the fatal error box and
// exit code -1 when memory runs out or a container is asked for the
// impossible, instead of crashing.
#include <gtest/gtest.h>

#include "driver.h"

using namespace e2e;

namespace {

TEST(ProgramSupport, ImpossibleRequestsEndInTheFatalBox) {
  struct Case {
    const wchar_t* request;
    const char* message;
  } cases[] = {
      {L"allocate", "Out of memory."},
      {L"container", "Internal error in a standard container."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.request)));
    Program program(PROGRAM_EXE, c.request);
    ASSERT_TRUE(program.started());
    HWND box = program.waitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageBoxText(box), c.message);
    EXPECT_TRUE(messageBoxHasIcon(box));
    closeMessageBox(box);
    DWORD code = 0;
    ASSERT_TRUE(program.waitExit(kWait, &code));
    EXPECT_EQ(code, static_cast<DWORD>(-1));
  }
}

TEST(ProgramSupport, WithoutSuchRequestsTheProgramEndsNormally) {
  Program program(PROGRAM_EXE, L"nothing");
  ASSERT_TRUE(program.started());
  DWORD code = 12345;
  ASSERT_TRUE(program.waitExit(kWait, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(program.messageBoxes().empty());
}

}  // namespace
