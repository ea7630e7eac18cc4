// Linked into the programs only (not into the tests, which use exceptions).
//
// The programs are built without C++ exceptions. Memory comes from the
// process heap, and the few error paths of the standard containers end the
// program with the run time's fatal error box instead of throwing; so no part
// of the C++ library that throws is linked in, and with it no unwinder,
// demangler or thread library.
#include <windows.h>

#include <cstddef>
#include <new>

#include "rt/runtime.h"

namespace {

[[noreturn]] void outOfMemory() { rt::fatal("Out of memory."); }
[[noreturn]] void libraryError() { rt::fatal("Internal error in a standard container."); }

void* allocate(std::size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1); }

void release(void* block) noexcept {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

void* allocateOrEnd(std::size_t size) {
  void* block = allocate(size);
  if (block == nullptr) outOfMemory();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrEnd(size); }
void* operator new[](std::size_t size) { return allocateOrEnd(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }

#if defined(__GLIBCXX__)
// The library's headers report a container's impossible request (a size past
// max_size(), an index out of range) through these functions; its own copies
// throw. Every one of them is given here, so that the library's copies are
// never linked: a duplicate would stop the link rather than go unnoticed.
namespace std {
void __throw_bad_exception() { libraryError(); }
void __throw_bad_alloc() { outOfMemory(); }
void __throw_bad_array_new_length() { outOfMemory(); }
void __throw_bad_cast() { libraryError(); }
void __throw_bad_typeid() { libraryError(); }
void __throw_logic_error(const char*) { libraryError(); }
void __throw_domain_error(const char*) { libraryError(); }
void __throw_invalid_argument(const char*) { libraryError(); }
void __throw_length_error(const char*) { libraryError(); }
void __throw_out_of_range(const char*) { libraryError(); }
void __throw_out_of_range_fmt(const char*, ...) { libraryError(); }
void __throw_runtime_error(const char*) { libraryError(); }
void __throw_range_error(const char*) { libraryError(); }
void __throw_overflow_error(const char*) { libraryError(); }
void __throw_underflow_error(const char*) { libraryError(); }
void __throw_system_error(int) { libraryError(); }
void __throw_bad_function_call() { libraryError(); }
}  // namespace std
#endif
