// The reading of a NetBIOS node-status reply for tCTcp::GetMacByIp, apart
// from the network exchange that fetches it (so that it is fuzzed alone).
#include <stdio.h>

#include "tCTcp/netbios.h"

int tavo::detail::macFromNodeStatus(const unsigned char* pReply, unsigned int nLen, char* pMac,
                                    const char* pSep) {
  if (nLen < 75) return 0;
  const unsigned int nNames = pReply[56];
  const unsigned int nMacAt = 57 + 18 * nNames;
  if (nLen < nMacAt) return 0;
  if (pMac == nullptr) return 1;
  // A reply that ends inside the six bytes leaves the rest as the zero fill
  // of the receive buffer would.
  unsigned char m[6] = {0};
  for (unsigned int i = 0; i < 6 && nMacAt + i < nLen; ++i) m[i] = pReply[nMacAt + i];
  const char* sep = pSep != nullptr ? pSep : "";
  sprintf(pMac, "%02X%s%02X%s%02X%s%02X%s%02X%s%02X", m[0], sep, m[1], sep, m[2], sep, m[3], sep, m[4], sep,
          m[5]);
  return 1;
}
