// The stub's memory operators. The program is built without exceptions, so allocation goes
// straight to the C runtime's heap: the nothrow forms return null for the caller to report,
// and the plain forms make the out-of-memory report themselves (code 100, which ends the
// process). Defining them here also keeps the C++ runtime's throwing allocator, and the
// unwinder and name demangler it drags in, out of the stub (a third of its size otherwise).
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "report/error_reporter.h"

using ErrorReporter::FatalError;

namespace {

void* allocate(std::size_t size) { return std::malloc(size ? size : 1); }

void* allocateOrReport(std::size_t size) {
  void* block = allocate(size);
  if (!block) FatalError(FATAL_NO_MEMORY, nullptr);
  return block;
}
}  // namespace

void* operator new(std::size_t size) { return allocateOrReport(size); }
void* operator new[](std::size_t size) { return allocateOrReport(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

// The C++ library switches every printf-family call to mingw's own C99 formatter (about
// 27 KB with its floating-point conversion). The stub formats only integers and texts, which
// the system's C runtime does itself, so the two entry points the stub uses are routed there.
// The result keeps the C99 contract callers rely on: the text is always terminated, and a
// result of at least `size` says that it was cut.
extern "C" int __cdecl __mingw_vsnprintf(char* buffer, std::size_t size, const char* format,
                                         va_list args) {
  if (size == 0) return 1;
  int n = _vsnprintf(buffer, size, format, args);
  if (n < 0 || static_cast<std::size_t>(n) >= size) {
    buffer[size - 1] = '\0';
    return static_cast<int>(size);
  }
  return n;
}

extern "C" int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list args) {
  return std::vfprintf(stream, format, args);
}
