// The handling of a NetBIOS node-status reply by tCTcp::GetMacByIp, apart
// from the network exchange that fetches the reply (internal header, not
// installed; hidden like every internal function of the library).
#ifndef TAVO_TCTCP_NETBIOS_H
#define TAVO_TCTCP_NETBIOS_H

namespace tavo {
namespace detail {

// Reads the adapter's MAC address from the node-status reply of `nLen`
// bytes at `pReply`: the six bytes after the name table, whose entry count
// N is byte 56.  Returns 0 when the reply is shorter than 75 bytes or than
// 57 + 18 * N bytes; otherwise 1, and with `pMac` not null the six bytes as
// upper-case hexadecimal pairs joined by `pSep` (null counts as "") are
// written to `pMac` with a NUL.  MAC bytes past the end of the reply read as
// 00; no byte at or past pReply + nLen is read.
int macFromNodeStatus(const unsigned char* pReply, unsigned int nLen, char* pMac, const char* pSep);

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_TCTCP_NETBIOS_H
