// tCShm: named shared memory over the platform layer.
#include "tCShm/tCShm.h"

#include <cstring>

#include "common/tavo_assert.h"
#include "platform/platform.h"

tCShm::tCShm() : m_nShmID(0), m_pBlock(nullptr) {
  std::memset(m_szIPCName, 0, sizeof m_szIPCName);
}

// Unlike a bare handle, an object's handle does not outlive it: a block
// must not outlive its holders.
tCShm::~tCShm() { Drop(); }

tCShm::tCShm(const tCShm& oRight)
    : m_nShmID(oRight.m_nShmID), m_pBlock(oRight.m_pBlock), m_oShare(oRight.m_oShare) {
  std::memcpy(m_szIPCName, oRight.m_szIPCName, sizeof m_szIPCName);
}

tCShm& tCShm::operator=(const tCShm& oRight) {
  if (&oRight == this) return *this;
  if (!m_oShare.sharesWith(oRight.m_oShare)) {
    Drop();
    m_nShmID = oRight.m_nShmID;
    m_pBlock = oRight.m_pBlock;
    m_oShare.join(oRight.m_oShare);
  }
  std::memcpy(m_szIPCName, oRight.m_szIPCName, sizeof m_szIPCName);
  return *this;
}

int tCShm::Create(const char* pIPCName, int, int nSize) {
  TAVO_ASSERT(pIPCName);
  tavo::platform::SharedBlock* pBlock = nullptr;
  std::size_t nLen = std::strlen(pIPCName);
  if (nLen >= 1 && nLen < sizeof m_szIPCName) {
    std::memcpy(m_szIPCName, pIPCName, nLen + 1);
    pBlock = tavo::platform::createOrJoinSharedBlock(pIPCName, nSize);
  }
  // The old handle goes only now: were it the last holder of the same
  // name, letting go first would remove the block being joined.
  Drop();
  if (pBlock == nullptr) return 0;
  m_pBlock = pBlock;
  m_nShmID = tavo::platform::sharedBlockId(pBlock);
  m_oShare.start();
  return 1;
}

void* tCShm::Shmat(const void*, int) {
  TAVO_ASSERT(m_nShmID != 0);
  return tavo::platform::mapSharedBlock(m_pBlock);
}

int tCShm::Drop() {
  if (m_nShmID != 0) {
    if (m_oShare.leave()) tavo::platform::releaseSharedBlock(m_pBlock);
    m_pBlock = nullptr;
    m_nShmID = 0;
  }
  return 1;
}
