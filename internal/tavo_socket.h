// What the two socket classes (tCTcp, tCUdp) share (internal header, not
// installed): letting go of a socket that copies may share, and moving a
// whole buffer through a call that moves part of it.
#ifndef TAVO_INTERNAL_TAVO_SOCKET_H
#define TAVO_INTERNAL_TAVO_SOCKET_H

#include "platform.h"
#include "tavo_share.h"

namespace tavo {
namespace detail {

// Lets go of this object's share of the socket `rFd` (-1: none); the last
// holder closes it.  `rFd` is -1 afterwards.
inline void releaseSocket(int& rFd) {
  if (releaseSocketShare(rFd)) platform::closeSocket(rFd);
  rFd = -1;
}

// Moves all `nCount` bytes at `p` through `step(p, nLeft)`, a send or a
// receive of at most nLeft bytes that returns how many it moved.  Returns
// nCount, or the first result of `step` that is 0 or less (nothing more is
// moved then).
template <class Byte, class Step>
int moveEvery(Byte* p, int nCount, Step step) {
  for (int nLeft = nCount; nLeft > 0;) {
    const int n = step(p, nLeft);
    if (n <= 0) return n;
    p += n;
    nLeft -= n;
  }
  return nCount;
}

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_SOCKET_H
