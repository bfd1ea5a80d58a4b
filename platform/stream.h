// Stream calls of the platform layer that run once per byte and must be
// inlined: reading a locked stdio stream byte by byte.
#ifndef TAVO_PLATFORM_STREAM_H
#define TAVO_PLATFORM_STREAM_H

#include <cstdio>

namespace tavo {
namespace platform {

// The next byte of `fp` (0..255) or EOF, for a stream the caller holds
// locked with StreamLock: no locking of its own.
#if defined(_WIN32)
inline int nextByteLocked(FILE* fp) { return _getc_nolock(fp); }
inline void lockStream(FILE* fp) { _lock_file(fp); }
inline void unlockStream(FILE* fp) { _unlock_file(fp); }
#else
inline int nextByteLocked(FILE* fp) { return getc_unlocked(fp); }
inline void lockStream(FILE* fp) { flockfile(fp); }
inline void unlockStream(FILE* fp) { funlockfile(fp); }
#endif

// Holds the lock of a stream for one scope, so that a run of byte reads
// locks it once.
class StreamLock {
 public:
  explicit StreamLock(FILE* fp) : fp_(fp) { lockStream(fp_); }
  ~StreamLock() { unlockStream(fp_); }
  StreamLock(const StreamLock&) = delete;
  StreamLock& operator=(const StreamLock&) = delete;

 private:
  FILE* fp_;
};

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_STREAM_H
