// Readers of the login and debug settings kept in INI files.
#include <string.h>

#include "common/common.h"
#include "tCFileIni/tCFileIni.h"
#include "tCString/tCString.h"

namespace {

// A value found and the buffer it is to go to.
struct Bounded {
  const char* pKey;
  char* pOut;
  int nSize;
  tCString oValue;
};

// Looks every key up; true when all are found and each fits its buffer
// with its NUL.  Nothing is written to the buffers.
template <size_t N>
bool allFit(const tCFileIni& oIni, const char* pSection, Bounded (&items)[N]) {
  for (Bounded& b : items) {
    if (!oIni.GetValue(pSection, b.pKey, b.oValue)) return false;
    if (b.nSize <= 0 || static_cast<unsigned>(b.oValue.GetLength()) >= static_cast<unsigned>(b.nSize))
      return false;
  }
  return true;
}

template <size_t N>
void copyAll(Bounded (&items)[N]) {
  for (Bounded& b : items) memcpy(b.pOut, static_cast<const char*>(b.oValue), b.oValue.GetLength() + 1u);
}

}  // namespace

int get_login_com(const char* pFileName, const char* pSection, char* pHost, char* pUser, char* pPassWord,
                  char* pDbName) {
  tCFileIni oIni;
  if (oIni.Open(pFileName, "rb") == 0) return 0;
  return oIni.GetString(pSection, "HostName", pHost) && oIni.GetString(pSection, "UserName", pUser) &&
                 oIni.GetString(pSection, "PassWord", pPassWord) &&
                 oIni.GetString(pSection, "DbName", pDbName)
             ? 1
             : 0;
}

int get_debug_info(const char* pFileName, const char* pSection, int* pIsDebug, int* pDebugLevel,
                   char* pLogFile) {
  tCFileIni oIni;
  if (oIni.Open(pFileName, "rb") == 0) return 0;
  return oIni.GetInteger(pSection, "is_debug", pIsDebug) &&
                 oIni.GetInteger(pSection, "debug_level", pDebugLevel) &&
                 oIni.GetString(pSection, "log_file", pLogFile)
             ? 1
             : 0;
}

int get_login_com_s(const char* pFileName, const char* pSection, char* pHost, int nHost, char* pUser,
                    int nUser, char* pPassWord, int nPassWord, char* pDbName, int nDbName) {
  tCFileIni oIni;
  if (oIni.Open(pFileName, "rb") == 0) return 0;
  Bounded items[] = {{"HostName", pHost, nHost, {}},
                     {"UserName", pUser, nUser, {}},
                     {"PassWord", pPassWord, nPassWord, {}},
                     {"DbName", pDbName, nDbName, {}}};
  if (!allFit(oIni, pSection, items)) return 0;
  copyAll(items);
  return 1;
}

int get_debug_info_s(const char* pFileName, const char* pSection, int* pIsDebug, int* pDebugLevel,
                     char* pLogFile, int nLogFile) {
  tCFileIni oIni;
  if (oIni.Open(pFileName, "rb") == 0) return 0;
  int nIsDebug = 0;
  int nLevel = 0;
  Bounded items[] = {{"log_file", pLogFile, nLogFile, {}}};
  if (!oIni.GetInteger(pSection, "is_debug", &nIsDebug) ||
      !oIni.GetInteger(pSection, "debug_level", &nLevel) || !allFit(oIni, pSection, items))
    return 0;
  *pIsDebug = nIsDebug;
  *pDebugLevel = nLevel;
  copyAll(items);
  return 1;
}
