// The benchmark driver: runs each program and its floor in turn, round after
// round in one session, and reports how far the program is from the floor.
// Times are compared as per-round ratios, so drift across the run (caches,
// the machine's other work) touches both sides of a ratio alike.
// Each round: the program and the floor started in turn (A B A B ...) for the
// start-up time and the memory after start, then one session of each through
// the clicks; the program goes first in odd rounds, the floor in even ones.
//
//   bench-driver [--rounds N] [--starts N] [--clicks N] [--eggs N] [--csv FILE] [--rounds-csv FILE]
//                --pair NAME PROGRAM_X64 FLOOR_X64 PROGRAM_X86 FLOOR_X86 ...
//
// NAME is code-runner or button-demo. The x64 files are run; the x86 ones
// (which this machine cannot start) are only measured on disk.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pe_image.h"
#include "stats.h"

namespace {

using bench::Spread;

constexpr DWORD kTimeoutMs = 20000;
// Pause before each measured start, for the system to finish with the process before.
constexpr DWORD kSettleMs = 200;

// The programs' control identifiers (see the window records).
constexpr int kCodeBox = 0x16010007;
constexpr int kRunButton = 0x16010003;
constexpr int kInfoButton = 0x16010002;
constexpr int kMessageBoxText = 0xFFFF;

// Code page 936: "提示内容" (what the code box's initial code shows) and "彩蛋".
const char kDefaultRunnerMessage[] = "\xCC\xE1\xCA\xBE\xC4\xDA\xC8\xDD";
const char kEasterEggWord[] = "\xB2\xCA\xB5\xB0";
const char kDemoMessage[] = "123";
constexpr int kEasterEggSize = 1000;
constexpr int kWidth = 410;
constexpr int kHeight = 600;

const double kNoValue = std::nan("");

double nowMs() {
  static const double perMs = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER c{};
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMs;
}

// Polls about every millisecond: coarser polling would add its own step to
// every time it measures.
template <typename Condition>
bool poll(Condition condition, DWORD timeoutMs = kTimeoutMs) {
  const double end = nowMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (nowMs() >= end) return false;
    Sleep(1);
  }
}

std::wstring wideOf(const char* cp936) {
  const int n = MultiByteToWideChar(936, 0, cp936, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(936, 0, cp936, -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string narrow(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, bytes.data(), n, nullptr, nullptr);
  bytes.resize(bytes.size() - 1);
  return bytes;
}

std::wstring windowText(HWND hwnd) {
  wchar_t buffer[512] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, kTimeoutMs, &got))
    return L"";
  return std::wstring(buffer, got);
}

bool answers(HWND hwnd) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
}

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK findMainWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (owner == search->pid && IsWindowVisible(hwnd) && lstrcmpW(cls, L"#32770") != 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND mainWindowOf(DWORD pid) {
  Search search{pid, nullptr};
  EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND messageBoxOf(DWORD pid) {
  for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
       w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

bool sizeIs(HWND hwnd, int width, int height) {
  RECT r{};
  return GetWindowRect(hwnd, &r) && r.right - r.left == width && r.bottom - r.top == height;
}

struct Memory {
  double workingSetKb = kNoValue;
  double privateKb = kNoValue;
};

Memory memoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  Memory m;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
    m.workingSetKb = static_cast<double>(counters.WorkingSetSize) / 1024.0;
    // Wine leaves PrivateUsage at 0 for another process. Its PagefileUsage,
    // which Windows reports equal to PrivateUsage, holds the process's
    // anonymous (private) memory there, so it stands in.
    const SIZE_T privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    m.privateKb = static_cast<double>(privateBytes) / 1024.0;
  }
  return m;
}

// A started program, ended when the owner goes if it has not ended by itself.
class Process {
 public:
  explicit Process(const std::wstring& exe) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_)) {
      CloseHandle(info_.hThread);
      info_.hThread = nullptr;
    }
  }
  ~Process() {
    if (info_.hProcess == nullptr) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, kTimeoutMs);
    }
    CloseHandle(info_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  HANDLE handle() const { return info_.hProcess; }
  DWORD pid() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
};

// What one round gives for one side (program or floor).
struct Run {
  double startup = kNoValue;
  double firstClick = kNoValue;
  double warmClick = kNoValue;
  double egg = kNoValue;
  double workingSetStart = kNoValue;
  double privateStart = kNoValue;
  double workingSetAfter = kNoValue;
  double privateAfter = kNoValue;
  std::string failure;
};

struct Settings {
  int rounds = 20;
  int starts = 3;  // starts of each side per round, for the start-up time
  int clicks = 200;
  int eggs = 5;
};

// One running program and the steps the benchmark takes it through. A step
// that fails records why in `failure` and answers NaN; later steps then do
// nothing.
class Session {
 public:
  Session(const std::wstring& exe, bool codeRunner)
      : codeRunner_(codeRunner), expected_(wideOf(codeRunner ? kDefaultRunnerMessage : kDemoMessage)) {
    const double start = nowMs();
    process_ = std::make_unique<Process>(exe);
    if (!process_->started()) {
      fail("cannot start " + narrow(exe));
      return;
    }
    // Idle first, then visible: the programs show the window before their
    // loop first waits for input, so this is normally one wait.
    WaitForInputIdle(process_->handle(), kTimeoutMs);
    if (!poll([&] { return (main_ = mainWindowOf(process_->pid())) != nullptr; })) {
      fail("no main window");
      return;
    }
    startup_ = nowMs() - start;
    button_ = GetDlgItem(main_, codeRunner ? kRunButton : kInfoButton);
    codeBox_ = codeRunner ? GetDlgItem(main_, kCodeBox) : nullptr;
    if (button_ == nullptr || (codeRunner && codeBox_ == nullptr)) fail("controls missing");
  }

  bool ok() const { return failure_.empty(); }
  const std::string& failure() const { return failure_; }
  double startup() const { return startup_; }

  Memory memory() {
    if (!ok()) return Memory{};
    answers(main_);
    return memoryOf(process_->handle());
  }

  // A click that opens a message box: the time from the click to the box
  // being visible. The box is then closed and the program let go idle, so
  // that the next click starts from rest.
  double boxClick() {
    if (!ok()) return kNoValue;
    const double start = nowMs();
    PostMessageW(button_, BM_CLICK, 0, 0);
    HWND box = nullptr;
    if (!poll([&] { return (box = messageBoxOf(process_->pid())) != nullptr; }))
      return fail("no message box after a click");
    const double elapsed = nowMs() - start;
    const std::wstring shown = windowText(GetDlgItem(box, kMessageBoxText));
    if (shown != expected_) return fail("the message box says \"" + narrow(shown) + "\"");
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    if (!poll([&] { return !IsWindowVisible(box) && IsWindowEnabled(main_); }) || !answers(main_))
      return fail("the message box did not close");
    return elapsed;
  }

  // A click with "彩蛋" in the code box: the time from the click to the
  // window being 1000 by 1000. The window is then set back from here, so that
  // the next egg click has something to do.
  double eggClick() {
    if (!ok()) return kNoValue;
    if (!eggSet_) {
      const std::wstring egg = wideOf(kEasterEggWord);
      DWORD_PTR result = 0;
      SendMessageTimeoutW(codeBox_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(egg.c_str()), SMTO_NORMAL, kTimeoutMs,
                          &result);
      eggSet_ = true;
    }
    const double start = nowMs();
    PostMessageW(button_, BM_CLICK, 0, 0);
    if (!poll([&] { return sizeIs(main_, kEasterEggSize, kEasterEggSize); }))
      return fail("the window did not grow to 1000 by 1000");
    const double elapsed = nowMs() - start;
    answers(main_);
    SetWindowPos(main_, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!poll([&] { return sizeIs(main_, kWidth, kHeight); }) || !answers(main_))
      return fail("the window could not be set back to its size");
    return elapsed;
  }

  // Ends the program as its close box would, and checks that it ended well.
  void close() {
    if (main_ == nullptr) return;
    PostMessageW(main_, WM_CLOSE, 0, 0);
    DWORD code = 1;
    if (WaitForSingleObject(process_->handle(), kTimeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_->handle(), &code) || code != 0)
      fail("did not end cleanly on WM_CLOSE");
    main_ = nullptr;
  }

 private:
  double fail(const std::string& why) {
    if (failure_.empty()) failure_ = why;
    return kNoValue;
  }

  bool codeRunner_;
  std::wstring expected_;
  std::unique_ptr<Process> process_;
  HWND main_ = nullptr;
  HWND button_ = nullptr;
  HWND codeBox_ = nullptr;
  double startup_ = kNoValue;
  bool eggSet_ = false;
  std::string failure_;
};

// One round of a program against its floor. Only one of them runs at any
// time: with two windows of two processes on the desktop, every activation
// crosses between processes, which costs Wine far more than a program alone
// ever pays. Whoever goes first at each step pays for what the system still
// does after the last process ended (measured: about 1.15 times the start-up
// time of the side that goes second), so the first side changes from round to
// round, and every start waits for that clean-up to settle.
void runRound(const std::wstring& programExe, const std::wstring& floorExe, bool codeRunner,
              const Settings& settings, bool floorFirst, Run* program, Run* floor) {
  Run* runs[2] = {program, floor};
  const std::wstring* exes[2] = {&programExe, &floorExe};
  if (floorFirst) {
    std::swap(runs[0], runs[1]);
    std::swap(exes[0], exes[1]);
  }
  const auto keepFailure = [](Run* run, const Session& session) {
    if (run->failure.empty()) run->failure = session.failure();
  };

  std::vector<double> startups[2];
  for (int i = 0; i < settings.starts; ++i)
    for (int side = 0; side < 2; ++side) {
      Sleep(kSettleMs);
      Session session(*exes[side], codeRunner);
      startups[side].push_back(session.startup());
      if (i == 0) {
        // The first paint is over well within this, so the memory is not read half-built.
        Sleep(250);
        const Memory m = session.memory();
        runs[side]->workingSetStart = m.workingSetKb;
        runs[side]->privateStart = m.privateKb;
      }
      session.close();
      keepFailure(runs[side], session);
    }

  for (int side = 0; side < 2; ++side) {
    runs[side]->startup = bench::median(startups[side]);
    Session session(*exes[side], codeRunner);
    std::vector<double> warm;
    for (int i = 0; i < settings.clicks; ++i) {
      const double t = session.boxClick();
      if (i == 0)
        runs[side]->firstClick = t;
      else
        warm.push_back(t);
    }
    runs[side]->warmClick = bench::median(warm);
    const Memory m = session.memory();
    runs[side]->workingSetAfter = m.workingSetKb;
    runs[side]->privateAfter = m.privateKb;
    if (codeRunner) {
      std::vector<double> eggs;
      for (int i = 0; i < settings.eggs; ++i) eggs.push_back(session.eggClick());
      runs[side]->egg = bench::median(eggs);
    }
    session.close();
    keepFailure(runs[side], session);
  }
}

struct Subject {
  std::wstring x64, x86;
};

struct Pair {
  std::string name;
  bool codeRunner = false;
  Subject program, floor;
  std::vector<Run> programRuns, floorRuns;
};

// ---------------------------------------------------------------------------
// Reporting

struct Row {
  Row(std::string pairName, std::string metricName, std::string unitName)
      : pair(std::move(pairName)), metric(std::move(metricName)), unit(std::move(unitName)) {}
  std::string pair, metric, unit;
  Spread program{}, floor{}, ratio{};
  double target = kNoValue;  // the largest ratio that meets it; NaN when none is set
  bool checked = false;      // whether the row is held to something: a ratio or system DLLs only
  bool met = true;
  std::string note;
};

std::string number(double x) {
  if (std::isnan(x)) return "-";
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(x) >= 100 ? "%.0f" : (std::fabs(x) >= 10 ? "%.1f" : "%.2f"), x);
  return text;
}

std::string ratioText(double x) {
  if (std::isnan(x)) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", x);
  return text;
}

std::string band(const Spread& s, bool ratio) {
  const auto f = ratio ? ratioText : number;
  return f(s.median) + " [" + f(s.p10) + "-" + f(s.p90) + "]";
}

std::vector<double> column(const std::vector<Run>& runs, double Run::*field) {
  std::vector<double> values;
  for (const Run& r : runs) values.push_back(r.*field);
  return values;
}

bool isSystemDll(const std::string& name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  std::wstring path = std::wstring(folder) + L"\\" + wideOf(name.c_str());
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<Row> rowsOf(const Pair& pair, const Settings& settings) {
  struct Metric {
    const char* name;
    const char* unit;
    double Run::*field;
    double target;
    bool codeRunnerOnly;
  };
  const std::string after = std::to_string(settings.clicks) + " clicks";
  const std::string wsAfter = "working set after " + after;
  const std::string privateAfter = "private bytes after " + after;
  const Metric metrics[] = {
      {"start-up", "ms", &Run::startup, 1.15, false},
      {"first click to box", "ms", &Run::firstClick, 1.15, false},
      {"click to box (median of the rest)", "ms", &Run::warmClick, 1.15, false},
      {"egg click to 1000x1000", "ms", &Run::egg, 1.15, true},
      {"working set after start", "KB", &Run::workingSetStart, 1.2, false},
      {"private bytes after start", "KB", &Run::privateStart, 1.2, false},
      {wsAfter.c_str(), "KB", &Run::workingSetAfter, kNoValue, false},
      {privateAfter.c_str(), "KB", &Run::privateAfter, kNoValue, false},
  };
  std::vector<Row> rows;
  for (const Metric& m : metrics) {
    if (m.codeRunnerOnly && !pair.codeRunner) continue;
    Row row{pair.name, m.name, m.unit};
    const std::vector<double> program = column(pair.programRuns, m.field);
    const std::vector<double> floor = column(pair.floorRuns, m.field);
    row.program = bench::spreadOf(program);
    row.floor = bench::spreadOf(floor);
    row.ratio = bench::spreadOf(bench::ratios(program, floor));
    row.target = m.target;
    row.checked = !std::isnan(m.target);
    row.met = std::isnan(m.target) || row.ratio.median <= m.target;
    rows.push_back(row);
  }

  for (const char* arch : {"x86", "x64"}) {
    const bool x86 = arch[1] == '8';
    const bench::ImageFacts program = bench::readImage(x86 ? pair.program.x86 : pair.program.x64);
    const bench::ImageFacts floor = bench::readImage(x86 ? pair.floor.x86 : pair.floor.x64);
    Row size{pair.name, std::string(arch) + " executable size", "bytes"};
    const double p = program.readable ? static_cast<double>(program.bytes) : kNoValue;
    const double f = floor.readable ? static_cast<double>(floor.bytes) : kNoValue;
    size.program = Spread{p, p, p};
    size.floor = Spread{f, f, f};
    size.ratio = Spread{p / f, p / f, p / f};
    size.target = x86 ? 2.0 : kNoValue;
    size.checked = x86;
    size.met = !x86 || (program.readable && floor.readable && p / f <= 2.0);
    if (!program.readable) size.note = "program: " + program.problem;
    if (!floor.readable) size.note += (size.note.empty() ? "" : "; ") + std::string("floor: ") + floor.problem;
    rows.push_back(size);

    const struct {
      const char* who;
      const bench::ImageFacts* facts;
    } images[] = {{"program", &program}, {"floor", &floor}};
    for (const auto& image : images) {
      Row imports{pair.name, std::string(arch) + " " + image.who + " imports", "DLLs"};
      const double count = static_cast<double>(image.facts->imports.size());
      const Spread none{kNoValue, kNoValue, kNoValue};
      imports.program = image.facts == &program ? Spread{count, count, count} : none;
      imports.floor = image.facts == &floor ? Spread{count, count, count} : none;
      imports.ratio = none;
      imports.checked = true;
      std::string others;
      for (const std::string& dll : image.facts->imports) {
        imports.note += (imports.note.empty() ? "" : " ") + dll;
        if (!isSystemDll(dll)) others += " " + dll;
      }
      imports.met = image.facts->readable && others.empty();
      if (!image.facts->readable) imports.note = image.facts->problem;
      if (!others.empty()) imports.note += " (not system:" + others + ")";
      rows.push_back(imports);
    }
  }
  return rows;
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string csvNumber(double x) {
  if (std::isnan(x)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", x);
  return text;
}

bool writeResults(const std::wstring& path, const std::vector<Row>& rows) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) return false;
  std::fprintf(f,
               "pair,metric,unit,program_median,program_p10,program_p90,floor_median,floor_p10,floor_p90,"
               "ratio_median,ratio_p10,ratio_p90,target_ratio,met,note\n");
  for (const Row& r : rows) {
    std::fprintf(f, "%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n", csvField(r.pair).c_str(),
                 csvField(r.metric).c_str(), r.unit.c_str(), csvNumber(r.program.median).c_str(),
                 csvNumber(r.program.p10).c_str(), csvNumber(r.program.p90).c_str(),
                 csvNumber(r.floor.median).c_str(), csvNumber(r.floor.p10).c_str(), csvNumber(r.floor.p90).c_str(),
                 csvNumber(r.ratio.median).c_str(), csvNumber(r.ratio.p10).c_str(), csvNumber(r.ratio.p90).c_str(),
                 csvNumber(r.target).c_str(), !r.checked ? "" : (r.met ? "yes" : "no"),
                 csvField(r.note).c_str());
  }
  return std::fclose(f) == 0;
}

bool writeRounds(const std::wstring& path, const std::vector<Pair>& pairs) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) return false;
  std::fprintf(f,
               "pair,side,round,startup_ms,first_click_ms,click_ms,egg_ms,working_set_start_kb,"
               "private_start_kb,working_set_after_kb,private_after_kb,failure\n");
  for (const Pair& p : pairs)
    for (const char* side : {"program", "floor"}) {
      const std::vector<Run>& runs = side[0] == 'p' ? p.programRuns : p.floorRuns;
      for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        std::fprintf(f, "%s,%s,%zu,%s,%s,%s,%s,%s,%s,%s,%s,%s\n", p.name.c_str(), side, i + 1,
                     csvNumber(r.startup).c_str(), csvNumber(r.firstClick).c_str(), csvNumber(r.warmClick).c_str(),
                     csvNumber(r.egg).c_str(), csvNumber(r.workingSetStart).c_str(),
                     csvNumber(r.privateStart).c_str(), csvNumber(r.workingSetAfter).c_str(),
                     csvNumber(r.privateAfter).c_str(), csvField(r.failure).c_str());
      }
    }
  return std::fclose(f) == 0;
}

void printTable(const std::vector<Row>& rows) {
  std::printf("\n%-12s %-36s %-5s %-28s %-28s %-26s %-7s %s\n", "pair", "metric", "unit",
              "program median [p10-p90]", "floor median [p10-p90]", "ratio median [p10-p90]", "target", "met");
  for (const Row& r : rows) {
    const std::string target = std::isnan(r.target) ? "-" : "<=" + number(r.target);
    const char* met = !r.checked ? "" : (r.met ? "yes" : "NO");
    std::printf("%-12s %-36s %-5s %-28s %-28s %-26s %-7s %s", r.pair.c_str(), r.metric.c_str(), r.unit.c_str(),
                band(r.program, false).c_str(), band(r.floor, false).c_str(), band(r.ratio, true).c_str(),
                target.c_str(), met);
    if (!r.note.empty()) std::printf("  %s", r.note.c_str());
    std::printf("\n");
  }
}

int usage() {
  std::fprintf(stderr,
               "usage: bench-driver [--rounds N] [--starts N] [--clicks N] [--eggs N] [--csv FILE] [--rounds-csv FILE]\n"
               "                    --pair code-runner|button-demo PROGRAM_X64 FLOOR_X64 PROGRAM_X86 FLOOR_X86 ...\n");
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return usage();
  Settings settings;
  std::wstring resultsPath, roundsPath;
  std::vector<Pair> pairs;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--rounds" && hasValue) {
      settings.rounds = _wtoi(argv[++i]);
    } else if (arg == L"--starts" && hasValue) {
      settings.starts = _wtoi(argv[++i]);
    } else if (arg == L"--clicks" && hasValue) {
      settings.clicks = _wtoi(argv[++i]);
    } else if (arg == L"--eggs" && hasValue) {
      settings.eggs = _wtoi(argv[++i]);
    } else if (arg == L"--csv" && hasValue) {
      resultsPath = argv[++i];
    } else if (arg == L"--rounds-csv" && hasValue) {
      roundsPath = argv[++i];
    } else if (arg == L"--pair" && i + 5 < argc) {
      Pair p;
      p.name = narrow(argv[i + 1]);
      if (p.name != "code-runner" && p.name != "button-demo") return usage();
      p.codeRunner = p.name == "code-runner";
      p.program = Subject{argv[i + 2], argv[i + 4]};
      p.floor = Subject{argv[i + 3], argv[i + 5]};
      pairs.push_back(p);
      i += 5;
    } else {
      return usage();
    }
  }
  LocalFree(argv);
  if (pairs.empty() || settings.rounds < 1 || settings.starts < 1 || settings.clicks < 2) return usage();

  // One unmeasured round of each: the first start of a program in a session
  // pays for loading files that every later start finds cached.
  Settings warmUp = settings;
  warmUp.starts = 1;
  warmUp.clicks = 3;
  warmUp.eggs = 1;
  for (Pair& p : pairs) {
    Run program, floor;
    runRound(p.program.x64, p.floor.x64, p.codeRunner, warmUp, false, &program, &floor);
    for (const Run* r : {&program, &floor})
      if (!r->failure.empty()) std::fprintf(stderr, "warm-up of %s: %s\n", p.name.c_str(), r->failure.c_str());
  }

  int failures = 0;
  for (int round = 1; round <= settings.rounds; ++round) {
    for (Pair& p : pairs) {
      p.programRuns.emplace_back();
      p.floorRuns.emplace_back();
      Run& a = p.programRuns.back();
      Run& b = p.floorRuns.back();
      runRound(p.program.x64, p.floor.x64, p.codeRunner, settings, round % 2 == 0, &a, &b);
      std::printf("round %2d %-12s start-up %s/%s ms, click %s/%s ms, private %s/%s KB\n", round, p.name.c_str(),
                  number(a.startup).c_str(), number(b.startup).c_str(), number(a.warmClick).c_str(),
                  number(b.warmClick).c_str(), number(a.privateStart).c_str(), number(b.privateStart).c_str());
      for (const Run* r : {&a, &b})
        if (!r->failure.empty()) {
          ++failures;
          std::fprintf(stderr, "round %d %s %s: %s\n", round, p.name.c_str(), r == &a ? "program" : "floor",
                       r->failure.c_str());
        }
      std::fflush(stdout);
    }
  }

  std::vector<Row> rows;
  for (const Pair& p : pairs)
    for (Row& r : rowsOf(p, settings)) rows.push_back(r);
  printTable(rows);
  int missed = 0, targets = 0;
  for (const Row& r : rows)
    if (r.checked) {
      ++targets;
      if (!r.met) ++missed;
    }
  std::printf("\n%d of %d targets met; %d failed runs.\n", targets - missed, targets, failures);
  if (!resultsPath.empty() && !writeResults(resultsPath, rows)) {
    std::fprintf(stderr, "cannot write %s\n", narrow(resultsPath).c_str());
    return 1;
  }
  if (!roundsPath.empty() && !writeRounds(roundsPath, pairs)) {
    std::fprintf(stderr, "cannot write %s\n", narrow(roundsPath).c_str());
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
