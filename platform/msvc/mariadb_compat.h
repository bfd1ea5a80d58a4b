/*
 * Forced include of MariaDB Connector/C's sources in the Visual C++-mode
 * build (cmake/mariadb/build.cmake), after platform/msvc/prelude.h: what
 * Connector/C takes from Microsoft's headers and Wine's lack.
 */
#ifndef TAVO_MSVC_MARIADB_COMPAT_H
#define TAVO_MSVC_MARIADB_COMPAT_H

/* Wine's sys/types.h already has ssize_t; ma_global.h would add its own. */
#define _SSIZE_T_DEFINED

/* Not declared by Wine's winbase.h; undeclared, C would call it as cdecl
 * and the stdcall import would unbalance the stack. */
__declspec(dllimport) int __stdcall IsThreadAFiber(void);

/* mariadb_rpl.c's alloca.  The blocks are small and never freed with _freea. */
#include <malloc.h>
#ifndef _malloca
#define _malloca(n) _alloca(n)
#endif

/* win32_errmsg.c's vsnprintf_s(buf, size, _TRUNCATE, ...): Microsoft's
 * headers have it, Wine's only the older _vsnprintf_s of the same shape. */
#define vsnprintf_s _vsnprintf_s

/* Schannel and CryptoAPI names the Windows SDK has and Wine 8's headers
 * lack, or have only in headers that WIN32_LEAN_AND_MEAN leaves out
 * (sspi.h, ncrypt.h, which declare SECURITY_STATUS the same way). */
typedef long SECURITY_STATUS;
#ifndef SEC_I_INCOMPLETE_CREDENTIALS
#define SEC_I_INCOMPLETE_CREDENTIALS ((long)0x00090320)
#endif
#ifndef CRYPT_OID_INFO_PUBKEY_ENCRYPT_KEY_FLAG
#define CRYPT_OID_INFO_PUBKEY_ENCRYPT_KEY_FLAG 0x40000000
#endif
/* The SDK's name for the PKCS #8 key record; Wine has the same struct
 * under its older name. */
#define PCRYPT_PRIVATE_KEY_INFO PCERT_PRIVATE_KEY_INFO

#endif /* TAVO_MSVC_MARIADB_COMPAT_H */
