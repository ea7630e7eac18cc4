// code-runner where the system's "VBScript.RegExp" cannot be made, as on a
// Windows without VBScript: its own RegExp object must find the message-box
// command instead, with the same results.
//
// The component is taken away from programs started while a test runs, and
// only then, by two per-user registry keys, each made volatile so that a test
// that dies leaves nothing behind past the session:
// - HKCU\Software\Classes\VBScript.RegExp\CLSID naming a class no server
//   has. Windows reads per-user classes before the machine's; Wine does not
//   merge them, and there it changes nothing.
// - HKCU\Software\Wine\AppDefaults\<program>\DllOverrides, vbscript = ""
//   (disabled), which Wine reads as a program starts, and Windows ignores.
// VBScriptTakenAway checks that they do take it away.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "code_cases.h"
#include "driver.h"

using namespace e2e;

namespace {

constexpr int kCodeBox = 0x16010007;
constexpr int kRunButton = 0x16010003;

const std::string kTitle = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
const wchar_t kUnservedClass[] = L"{7D0D4B5E-3C1A-4F6E-9B2D-5A8C1E0F6D37}";

std::wstring fileName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ownFileName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fileName(path);
}

// A key of the current user with one text value, there for the life of the
// owner. Every key of the path that is missing is made here, volatile, and
// removed again, so that nothing is left: not even by a test that dies, once
// the session ends. A key already there with the very value, left by such a
// test, is taken over; one with another value is not ours to change.
class TemporaryKey {
 public:
  TemporaryKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    std::wstring sofar;
    for (std::size_t from = 0; from <= path.size();) {
      const std::size_t end = std::min(path.find(L'\\', from), path.size());
      sofar = path.substr(0, end);
      from = end + 1;
      HKEY key = nullptr;
      DWORD disposition = 0;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, sofar.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return;
      if (disposition == REG_CREATED_NEW_KEY && made_.empty()) made_ = sofar;
      if (end == path.size()) {
        if (made_.empty() && read(key, name) == value) made_ = sofar;
        if (!made_.empty())
          set_ = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
      }
      RegCloseKey(key);
    }
  }
  TemporaryKey(const TemporaryKey&) = delete;
  TemporaryKey& operator=(const TemporaryKey&) = delete;
  ~TemporaryKey() {
    if (!made_.empty()) RegDeleteTreeW(HKEY_CURRENT_USER, made_.c_str());
  }
  bool made() const { return set_; }

 private:
  static std::wstring read(HKEY key, const wchar_t* name) {
    wchar_t value[128] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
      return L"";
    return value;
  }

  std::wstring made_;  // the first key of the path made here
  bool set_ = false;
};

// The system's component, taken away from the programs named (and every
// program, on Windows) started while this lives.
class ComponentTakenAway {
 public:
  explicit ComponentTakenAway(const std::vector<std::wstring>& programs)
      : unservedClass_(L"Software\\Classes\\VBScript.RegExp\\CLSID", nullptr, kUnservedClass) {
    for (const std::wstring& program : programs) {
      withoutVBScript_.push_back(std::make_unique<TemporaryKey>(
          L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides", L"vbscript", L""));
    }
  }
  bool made() const {
    for (const auto& key : withoutVBScript_)
      if (!key->made()) return false;
    return unservedClass_.made();
  }

 private:
  TemporaryKey unservedClass_;
  std::vector<std::unique_ptr<TemporaryKey>> withoutVBScript_;
};

// Run in a child process: exits 0 when the system's component can be made
// there, 1 when it cannot.
[[noreturn]] void exitWithWhetherTheComponentCanBeMade() {
  bool made = false;
  if (SUCCEEDED(CoInitialize(nullptr))) {
    CLSID id;
    Microsoft::WRL::ComPtr<IUnknown> object;
    made = SUCCEEDED(CLSIDFromProgID(L"VBScript.RegExp", &id)) &&
           SUCCEEDED(CoCreateInstance(id, nullptr, CLSCTX_ALL, IID_IUnknown,
                                      reinterpret_cast<void**>(object.GetAddressOf())));
    object.Reset();
    CoUninitialize();
  }
  std::exit(made ? 0 : 1);
}

class CodeRunnerWithoutVBScript : public ::testing::Test {
 protected:
  void SetUp() override {
    takenAway = std::make_unique<ComponentTakenAway>(std::vector<std::wstring>{fileName(PROGRAM_EXE)});
    ASSERT_TRUE(takenAway->made());
    program = std::make_unique<Program>(PROGRAM_EXE);
    ASSERT_TRUE(program->started());
    window = program->mainWindow();
    ASSERT_NE(window, nullptr);
    codeBox = child(window, kCodeBox);
    run = child(window, kRunButton);
    ASSERT_NE(codeBox, nullptr);
    ASSERT_NE(run, nullptr);
  }

  void TearDown() override {
    program.reset();
    takenAway.reset();
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
      closeMessageBox(box);
      EXPECT_TRUE(program->waitNoMessageBox());
    }
    return shown;
  }

  std::unique_ptr<ComponentTakenAway> takenAway;
  std::unique_ptr<Program> program;
  HWND window = nullptr, codeBox = nullptr, run = nullptr;
};

// The keys at work: a child of this test, started while they name its
// program, cannot make the component; one started after they are gone can.
// (Each child runs this test again up to its own EXPECT_EXIT.)
TEST(VBScriptTakenAway, ForProgramsStartedWhileTheKeysAreThere) {
  {
    ComponentTakenAway keys({ownFileName()});
    ASSERT_TRUE(keys.made());
    EXPECT_EXIT(exitWithWhetherTheComponentCanBeMade(), ::testing::ExitedWithCode(1), "");
  }
  EXPECT_EXIT(exitWithWhetherTheComponentCanBeMade(), ::testing::ExitedWithCode(0), "");
}

TEST_F(CodeRunnerWithoutVBScript, DefaultCodeShowsTheHint) {
  EXPECT_EQ(text(codeBox), cp936(u8"信息框（提示内容）"));
  EXPECT_EQ(runAndCollectBoxes(), std::vector<std::string>{cp936(u8"提示内容")});
  EXPECT_TRUE(IsWindowEnabled(window));
  EXPECT_TRUE(program->running());
}

// The cases of CodeRunner.CodesFromTheCodeBox that reach the search.
TEST_F(CodeRunnerWithoutVBScript, CodesFromTheCodeBox) {
  for (const CodeCase& c : codeCases()) {
    SCOPED_TRACE("code of " + std::to_string(c.code.size()) + " bytes: " + c.code.substr(0, 40));
    setText(codeBox, c.code);
    ASSERT_EQ(text(codeBox).size(), c.code.size());
    EXPECT_EQ(runAndCollectBoxes(), c.boxes);
    ASSERT_TRUE(program->running());
    EXPECT_TRUE(IsWindowEnabled(window));
  }
}

TEST_F(CodeRunnerWithoutVBScript, CharactersOutsideTheCodePageArriveAsQuestionMarks) {
  setWideText(codeBox, L"\x4FE1\x606F\x6846\xFF08\x0E01x\xD83D\xDE00\xFF09");  // 信息框（ก x 😀）
  const std::vector<std::string> boxes = runAndCollectBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].substr(0, 2), "?x");
  EXPECT_EQ(boxes[0].find_first_not_of("?x"), std::string::npos);
}

TEST_F(CodeRunnerWithoutVBScript, OtherCodesStillWork) {
  setText(codeBox, cp936(u8"彩蛋"));
  EXPECT_TRUE(runAndCollectBoxes(400).empty());
  EXPECT_TRUE(waitFor([&] { return windowRect(window).right - windowRect(window).left == 1000; }));
  setText(codeBox, cp936(u8"关闭"));
  click(run);
  DWORD code = 1;
  ASSERT_TRUE(program->waitExit(kWait, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
