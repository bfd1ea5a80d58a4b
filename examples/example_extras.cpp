// The example's steps for trc4, MySetPW/MyGetPW and tCShm.
#include "example_extras.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/common.h"
#include "tCShm/tCShm.h"

int example_rc4() {
  const unsigned char key[] = "example key";
  const char text[] = "Attack at dawn";
  const int n = static_cast<int>(sizeof text - 1);
  unsigned char sealed[sizeof text] = {0};
  unsigned char opened[sizeof text] = {0};
  trc4(key, static_cast<int>(sizeof key - 1), reinterpret_cast<const unsigned char*>(text), n, sealed);
  trc4(key, static_cast<int>(sizeof key - 1), sealed, n, opened);  // the same call deciphers
  std::printf("rc4: \"%s\" ->", text);
  for (int i = 0; i < n; ++i) std::printf(" %02x", sealed[i]);
  std::printf(" -> \"%s\"\n", reinterpret_cast<const char*>(opened));
  return std::memcmp(opened, text, sizeof text - 1) == 0;
}

int example_password() {
  char password[] = "s3cret!Pw";
  char stored[3 * sizeof password] = {0};  // zero-filled: no NUL is written
  char back[sizeof password] = {0};
  MySetPW(password, stored);
  MyGetPW(stored, back);
  std::printf("password: \"%s\" is stored as \"%s\" and reads back as \"%s\"\n", password, stored, back);
  return std::strcmp(back, password) == 0;
}

int example_shared_counter() {
  const std::string name = "tavo_example/counter." + std::to_string(getpid());
  tCShm shm;
  if (shm.Create(name.c_str(), 0, 4096) != 1) {
    std::printf("shared memory: cannot create \"%s\"\n", name.c_str());
    return 0;
  }
  int* pCounter = static_cast<int*>(shm.Shmat(nullptr, 0));
  if (pCounter == nullptr) return 0;
  *pCounter = 41;

  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    // The child finds the block by its name alone.
    tCShm child;
    int* p = child.Create(name.c_str(), 0, 4096) == 1 ? static_cast<int*>(child.Shmat(nullptr, 0)) : nullptr;
    if (p != nullptr) ++*p;
    child.Drop();
    _exit(p != nullptr ? 0 : 1);
  }
  int status = 0;
  bool ok = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::printf("shared memory: counter 41 in \"%s\", child process %s, counter now %d\n", name.c_str(),
              ok ? "added one" : "failed", *pCounter);
  ok = ok && *pCounter == 42;
  shm.Drop();  // the last holder: the block and its name go
  return ok ? 1 : 0;
}

int example_extras() {
  int ok = example_rc4();
  ok &= example_password();
  ok &= example_shared_counter();
  return ok;
}
