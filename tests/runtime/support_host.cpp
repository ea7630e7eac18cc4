// A program linked the way the shipped programs are (no exceptions, the run
// time's allocation and container error paths), told on its command line
// which request to make:
//   allocate   more memory than the process can have
//   container  a container larger than it can ever be
//   nothing    no request: ends normally with exit code 0
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// The results go here, so the compiler cannot leave the requests out.
volatile std::size_t sink;

void allocateTooMuch() {
  const std::size_t size = static_cast<std::size_t>(-1) / 2 - sink;
  char* block = new char[size];
  block[size - 1] = 1;
  sink = reinterpret_cast<std::size_t>(block);
  delete[] block;
}

void growContainerTooFar() {
  std::vector<char> v;
  v.reserve(v.max_size() + sink + 1);
  sink = v.capacity();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  if (std::strstr(commandLine, "allocate") != nullptr) allocateTooMuch();
  if (std::strstr(commandLine, "container") != nullptr) growContainerTooFar();
  return 0;
}
