// Linked into every Windows test program.
//
// GoogleTest on Windows keeps its per-thread data (the SCOPED_TRACE stack
// among it) in thread-locals of its own, and starts a watcher thread for each
// thread the first time that thread needs one.  Wine crashes a process now
// and then (a SIGSEGV of its own, after every DLL has been told of the exit)
// when the process exits while such a thread is still starting: a program
// whose one test used SCOPED_TRACE could die after reporting that test
// passed.  Before the first test, this starts the main thread's watcher and
// waits until the new thread runs, so that no thread is starting at exit.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

namespace {

// Set by the first thread that starts after the program's own start.
HANDLE threadStarted() {
  static const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return event;
}

void NTAPI onThreadEvent(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_THREAD_ATTACH) SetEvent(threadStarted());
}

// The threads of this process; -1 when the system cannot tell.
int threadCount() {
  const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  int n = 0;
  for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  }
  CloseHandle(snap);
  return n;
}

class WatcherStarted : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_NE(threadStarted(), nullptr);
    const int before = threadCount();
    { SCOPED_TRACE("starts GoogleTest's watcher of the main thread"); }
    // Nothing to wait for when this GoogleTest starts no thread for it.
    if (before < 0 || threadCount() <= before) return;
    EXPECT_EQ(WaitForSingleObject(threadStarted(), 10000), WAIT_OBJECT_0)
        << "GoogleTest's watcher thread did not start within 10 s";
  }
};

testing::Environment* const kWatcherStarted = testing::AddGlobalTestEnvironment(new WatcherStarted);

}  // namespace

// Thread attach notifications for the program itself, through the TLS
// callback table the MinGW runtime lays out between .CRT$XLA and .CRT$XLZ.
extern "C" __attribute__((section(".CRT$XLF"), used)) const PIMAGE_TLS_CALLBACK kTavoTestThreadCallback =
    onThreadEvent;
