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

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace tavo {
namespace platform {

struct SharedBlock {
  HANDLE hMapping;
};

namespace {

constexpr std::size_t kMaxName = 49;

}  // namespace

SharedBlock* createOrJoinSharedBlock(const char* name, int size) {
  std::size_t n = std::strlen(name);
  if (n == 0 || n > kMaxName) return nullptr;
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
  if (h == nullptr) return nullptr;
  SharedBlock* pBlock = static_cast<SharedBlock*>(std::malloc(sizeof(SharedBlock)));
  if (pBlock == nullptr) {
    CloseHandle(h);
    return nullptr;
  }
  pBlock->hMapping = h;
  return pBlock;
}

int sharedBlockId(const SharedBlock* block) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(block->hMapping));
}

void* mapSharedBlock(SharedBlock* block) { return MapViewOfFile(block->hMapping, FILE_MAP_WRITE, 0, 0, 0); }

void releaseSharedBlock(SharedBlock* block) {
  CloseHandle(block->hMapping);
  std::free(block);
}

}  // namespace platform
}  // namespace tavo
