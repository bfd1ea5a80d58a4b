// Readers of the login and debug settings kept in INI files.
#include "common/common.h"
#include "tCFileIni/tCFileIni.h"

int get_login_com(const char* pFileName, const char* pSection, char* pHost, char* pUser,
                  char* pPassWord, char* pDbName) {
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
