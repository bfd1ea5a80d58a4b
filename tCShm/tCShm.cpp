// tCShm: named shared memory over the platform layer.
#include "tCShm/tCShm.h"

#include <string.h>

#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_share.h"
#include "platform.h"

namespace {

// Copies share the handle, counted outside the objects (tavo_share.h): the
// last of them to Drop releases it.
uintptr_t key(int nId) { return static_cast<uintptr_t>(static_cast<unsigned>(nId)); }

}  // namespace

tCShm::tCShm() : m_nShmID(0) {
  TAVO_SIZE(tCShm, tavo::detail::ptrAligned(tavo::detail::kPtr + 4 + 50));
  TAVO_LAYOUT(tCShm, m_nShmID, tavo::detail::kPtr);
  TAVO_LAYOUT(tCShm, m_szIPCName, tavo::detail::kPtr + 4);
  memset(m_szIPCName, 0, sizeof m_szIPCName);
}

// The handle is not released here: a block made in a local object stays
// for others to join until Drop or the end of the process.
tCShm::~tCShm() {}

tCShm::tCShm(const tCShm& oRight) : m_nShmID(oRight.m_nShmID) {
  memcpy(m_szIPCName, oRight.m_szIPCName, sizeof m_szIPCName);
  if (m_nShmID != 0) tavo::detail::shareHandle(tavo::detail::HandleKind::kMapping, key(m_nShmID));
}

tCShm& tCShm::operator=(const tCShm& oRight) {
  if (&oRight == this) return *this;
  if (oRight.m_nShmID != m_nShmID) {
    Drop();
    m_nShmID = oRight.m_nShmID;
    if (m_nShmID != 0) tavo::detail::shareHandle(tavo::detail::HandleKind::kMapping, key(m_nShmID));
  }
  memcpy(m_szIPCName, oRight.m_szIPCName, sizeof m_szIPCName);
  return *this;
}

int tCShm::Create(const char* pIPCName, int, int nSize) {
  TAVO_ASSERT(pIPCName);
  int nId = 0;
  size_t nLen = strlen(pIPCName);
  if (nLen >= 1 && nLen < sizeof m_szIPCName) {
    memcpy(m_szIPCName, pIPCName, nLen + 1);
    nId = tavo::platform::createOrJoinSharedBlock(pIPCName, nSize);
  }
  // The old handle goes only now: were it the last holder of the same
  // name, letting go first would remove the block being joined.
  Drop();
  m_nShmID = nId;
  return nId != 0 ? 1 : 0;
}

void* tCShm::Shmat(const void*, int) {
  TAVO_ASSERT(m_nShmID != 0);
  return tavo::platform::mapSharedBlock(m_nShmID);
}

int tCShm::Drop() {
  if (m_nShmID != 0) {
    if (tavo::detail::releaseHandle(tavo::detail::HandleKind::kMapping, key(m_nShmID)))
      tavo::platform::releaseSharedBlock(m_nShmID);
    m_nShmID = 0;
  }
  return 1;
}
