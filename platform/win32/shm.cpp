// Windows implementation of the named shared memory of the platform layer:
// a named file mapping backed by the system paging file.
//
// The system keeps the mapping while any handle or view of it is open, in
// any process, and frees it when the last one closes, however the processes
// holding them ended.  So a name with no holder left names nothing: the next
// create makes a new, zero-filled block (abandoned blocks cannot be joined),
// and no lock or bookkeeping of our own is needed.  The name is the mapping
// object's own name, so other programs reach the same block through it
// ("Local\" and "Global\" prefixes are the system's namespaces).
#include <windows.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "platform.h"
#include "win32_internal.h"

namespace tavo {
namespace platform {

namespace {

constexpr size_t kMaxName = 49;

HANDLE handleOf(int id) {
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(static_cast<unsigned>(id)));
}

}  // namespace

// A handle's number is the mapping's handle itself, whose value fits an int
// on 64-bit Windows too (win32_internal.h); one that would not is closed
// and fails the call with ERROR_TOO_MANY_OPEN_FILES, never cut short.
int createOrJoinSharedBlock(const char* name, int size) {
  size_t n = strlen(name);
  if (n == 0 || n > kMaxName) return 0;
  HANDLE h;
  if (size <= 0) {
    h = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
  } else {
    h = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size), name);
    if (h != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
      // An existing mapping of that name: join it with write access, and
      // close the handle the create call gave, so that none is left over.
      HANDLE hOpen = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
      CloseHandle(h);
      h = hOpen;
    }
  }
  if (h == nullptr) return 0;
  if (!win32::handleFitsInt(reinterpret_cast<uintptr_t>(h))) {
    CloseHandle(h);
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return 0;
  }
  return static_cast<int>(reinterpret_cast<uintptr_t>(h));
}

void* mapSharedBlock(int id) { return MapViewOfFile(handleOf(id), FILE_MAP_WRITE, 0, 0, 0); }

void releaseSharedBlock(int id) { CloseHandle(handleOf(id)); }

}  // namespace platform
}  // namespace tavo
