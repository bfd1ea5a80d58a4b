// A client program of the Visual C++-mode tavo.dll, built the way the
// library's users build theirs (Visual C++ mode, the public headers,
// tavo.lib, the DLL runtime of the DLL's flavour), run under Wine by
// scripts/test_msvc.sh.  It uses every class and every family of free
// functions across the DLL boundary: objects on its own stack and heap,
// copies, a class derived from tCTcp whose overrides the library calls,
// public members read directly (m_Row, m_szErr, m_nShmID), memory the
// library allocated released with the client's free(), a FILE* the client
// opened written by the library, a database session against the throwaway
// MariaDB server on 127.0.0.1 (its settings read from the INI file named by
// TAVO_DB_INI), and the error paths: a missing file, a refused connection,
// a failed login, and an assertion's message and err_exit's report in a
// child process.
//
//   client.exe             runs the checks; prints "N passed, M failed" and
//                          exits non-zero when any check failed
//   client.exe --assert DIR    (a child) breaks a precondition of tCString::Mid
//   client.exe --err-exit DIR  (a child) ends through err_exit, its log in DIR
//
// Every blocking call is bounded: the sockets have time-outs and a watchdog
// thread ends the process if a run takes longer than kWatchdogMs.
#include <winsock2.h>
#include <windows.h>

#include <errno.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "common/common.h"
#include "database/tCMysql.h"
#include "tCFile/tCFile.h"
#include "tCFileConf/tCFileConf.h"
#include "tCFileIni/tCFileIni.h"
#include "tCShm/tCShm.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"
#include "tCString3/tCString3.h"
#include "tCTcp/tCTcp.h"
#include "tCUdp/tCUdp.h"

// struct stat crosses the boundary (tCFile::GetStatus): laid out as the
// flavour's Visual C++ programs have it, 36 bytes with a 32-bit time_t for
// msvcrt.dll (Visual C++ 6.0), 48 bytes (_stat64i32) for the Universal CRT.
#if TAVO_MSVC_UCRT
static_assert(sizeof(struct stat) == 48 && offsetof(struct stat, st_mtime) == 32,
              "Visual C++ 2015's struct stat");
#else
static_assert(sizeof(struct stat) == 36 && offsetof(struct stat, st_mtime) == 28,
              "Visual C++ 6.0's struct stat");
#endif

// The classes as this program allocates them: their listed members, for
// x86 and for x64 (LLP64: long is 4 bytes, pointers 8; the socket and
// handle members stay int).
#ifdef _WIN64
#define TAVO_SIZE_FOR_MODEL(bits32, bits64) (bits64)
#else
#define TAVO_SIZE_FOR_MODEL(bits32, bits64) (bits32)
#endif
static_assert(sizeof(void*) == TAVO_SIZE_FOR_MODEL(4, 8) && sizeof(long) == 4, "the data model");
static_assert(sizeof(tCString) == TAVO_SIZE_FOR_MODEL(8, 16), "tCString: m_pStr, m_nLen");
static_assert(sizeof(tCString2) == TAVO_SIZE_FOR_MODEL(8, 16), "tCString2: m_ppStr, m_nLen");
static_assert(sizeof(tCString3) == TAVO_SIZE_FOR_MODEL(12, 24), "tCString3: vptr, m_pppStr, m_nLen");
static_assert(sizeof(tCFile) == TAVO_SIZE_FOR_MODEL(12, 24), "tCFile: vptr, m_pFile, m_oFileName");
static_assert(sizeof(tCFileConf) == TAVO_SIZE_FOR_MODEL(16, 32), "tCFileConf: tCFile, m_oConf");
static_assert(sizeof(tCFileIni) == TAVO_SIZE_FOR_MODEL(20, 40),
              "tCFileIni: tCFile, m_pSections, m_nSections");
static_assert(sizeof(tCTcp) == TAVO_SIZE_FOR_MODEL(8, 16), "tCTcp: vptr, m_nSock");
static_assert(sizeof(tCUdp) == TAVO_SIZE_FOR_MODEL(24, 32), "tCUdp: vptr, m_sock, m_addr[16]");
static_assert(sizeof(tCShm) == TAVO_SIZE_FOR_MODEL(60, 64), "tCShm: vptr, m_nShmID, m_szIPCName[50]");
static_assert(sizeof(tCMysql) == TAVO_SIZE_FOR_MODEL(1048, 1064),
              "tCMysql: vptr, handles, counts, m_szErr, m_Row");
// (Offsets in classes with a virtual table: well defined for Visual C++'s
// layout, which puts the table's pointer first.)
#pragma clang diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(tCShm, m_nShmID) == TAVO_SIZE_FOR_MODEL(4, 8) && sizeof(((tCShm*)0)->m_nShmID) == 4,
              "m_nShmID: an int after the vptr");
static_assert(offsetof(tCMysql, m_szErr) == TAVO_SIZE_FOR_MODEL(20, 32) &&
                  offsetof(tCMysql, m_Row) == TAVO_SIZE_FOR_MODEL(1044, 1056),
              "m_szErr and m_Row where clients read them");

namespace {

const DWORD kWatchdogMs = 120000;

int gPassed = 0;
int gFailed = 0;

void check(bool bOk, const char* pWhat, int nLine) {
  if (bOk) {
    ++gPassed;
    return;
  }
  ++gFailed;
  printf("FAILED (line %d): %s\n", nLine, pWhat);
  fflush(stdout);
}

void checkText(const char* pGot, const char* pWant, const char* pWhat, int nLine) {
  const bool bOk = pGot != nullptr && strcmp(pGot, pWant) == 0;
  check(bOk, pWhat, nLine);
  if (!bOk) printf("  got \"%s\", want \"%s\"\n", pGot != nullptr ? pGot : "(null)", pWant);
}

#define CHECK(cond) check((cond), #cond, __LINE__)
#define CHECK_TEXT(got, want) checkText((got), (want), #got " == " #want, __LINE__)

// ---- Scratch files -------------------------------------------------------------

char gDir[MAX_PATH];  // this run's scratch directory, with a trailing backslash

void makeScratchDir() {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  snprintf(gDir, sizeof gDir, "%stavo_msvc_%lu\\", base, static_cast<unsigned long>(GetCurrentProcessId()));
  CreateDirectoryA(gDir, nullptr);
}

// `name` in the scratch directory, in a buffer of the caller's.
const char* scratch(char* buf, size_t size, const char* name) {
  snprintf(buf, size, "%s%s", gDir, name);
  return buf;
}

void writeText(const char* path, const char* text) {
  FILE* fp = fopen(path, "wb");
  if (fp == nullptr) return;
  fputs(text, fp);
  fclose(fp);
}

void removeScratch() {
  char pattern[MAX_PATH];
  snprintf(pattern, sizeof pattern, "%s*", gDir);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern, &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      char path[MAX_PATH];
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        DeleteFileA(scratch(path, sizeof path, fd.cFileName));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(gDir);
}

// ---- Strings and lists ---------------------------------------------------------

void stringClasses() {
  tCString s("Hello");
  s += ", world";
  CHECK(s.GetLength() == 12);
  tCString copy(s);  // a copy owns its own text
  copy.MakeUpper();
  CHECK_TEXT(static_cast<const char*>(copy), "HELLO, WORLD");
  CHECK_TEXT(static_cast<const char*>(s), "Hello, world");
  CHECK_TEXT(static_cast<const char*>(s.Mid(7, 5)), "world");
  CHECK_TEXT(static_cast<const char*>(s.Left(5) + "!"), "Hello!");
  CHECK(s.Find("world") == 7 && s.ReverseFind('o') == 8);
  CHECK(s.Replace("world", "there") == 1);
  CHECK_TEXT(static_cast<const char*>(s), "Hello, there");
  CHECK(s == "Hello, there" && s != copy && s.CompareNoCase("HELLO, THERE") == 0);

  tCString* pHeap = new tCString("  padded  ");  // on the client's heap
  pHeap->Trim(3);
  CHECK_TEXT(static_cast<const char*>(*pHeap), "padded");
  *pHeap = s;
  CHECK(*pHeap == s);
  delete pHeap;

  tCString2 parts;
  CHECK(tCString("b,c,a").Split(parts, ",") == 1);
  CHECK(parts.GetLength() == 3);
  parts.Sort(2);
  CHECK_TEXT(parts[0], "c");
  CHECK_TEXT(parts[2], "a");
  tCString2 parts2 = parts + "d";
  CHECK(parts2.GetLength() == 4 && parts2.Find("d") == 3 && parts.GetLength() == 3);
  char** v = parts2;  // the list's own vector
  CHECK(v[4] == nullptr && strcmp(v[3], "d") == 0);

  tCString3* pTable = new tCString3();
  *pTable += static_cast<char**>(parts);
  *pTable += static_cast<char**>(parts2);
  CHECK(pTable->GetLength() == 2);
  CHECK_TEXT((*pTable)[1][3], "d");
  tCString3 tableCopy(*pTable);
  delete pTable;  // through the virtual destructor, inside the DLL
  CHECK(tableCopy.GetLength() == 2 && strcmp(tableCopy.GetAt(0)[0], "c") == 0);
}

// ---- Free functions ----------------------------------------------------------------

void freeFunctions() {
  // Memory the library allocates, released by the client's runtime.
  char* pDup = mstrdup("copied");
  CHECK_TEXT(pDup, "copied");
  free(pDup);
  char* pSuffix = suffix("archive.tar.gz");
  CHECK_TEXT(pSuffix, "gz");
  free(pSuffix);
  void* pBlock = mmalloc(64);
  pBlock = mrealloc(pBlock, 4096);
  memset(pBlock, 0x5A, 4096);
  free(pBlock);

  char text[64];
  strcpy(text, "  Mixed Case \t");
  strtrim(text);
  strupper(text);
  CHECK_TEXT(text, "MIXED CASE");
  strcpy(text, "dcba");
  strsort(text, 1);
  CHECK_TEXT(text, "abcd");
  CHECK(strisnum_all("12345") == 1 && strisnum_all("12a45") == 0);
  CHECK(strscpy(text, 4, "abcdef") == text && strcmp(text, "abc") == 0);

  char** pFields = strsplit("x;y;z", ";", 0);
  CHECK(addresslen2(pFields) == 3);
  str2sort(pFields, 2);
  CHECK(str2forkfind(pFields, "y", 2) == 1);
  strfreev(pFields);
  // A string table the client builds from the library's vectors and hands
  // back whole.
  char*** pTable = static_cast<char***>(mmalloc(3 * sizeof(char**)));
  pTable[0] = strsplit("a,b", ",", 0);
  pTable[1] = mstrdup2(const_cast<const char**>(pTable[0]));
  pTable[2] = nullptr;
  CHECK(addresslen3(pTable) == 2 && strcmp(pTable[1][1], "b") == 0);
  strfreevv(pTable);
  char** pInner = strInc("[a] and [b]", '[', ']');
  CHECK(addresslen2(pInner) == 2 && strcmp(pInner[1], "b") == 0);
  strfreev(pInner);

  CHECK(get_week_day("20240101") == 1 && get_week_day("20240229") == 4);
  CHECK(between_t("220000", "060000", "230000") == 1 && between_t("080000", "180000", "180001") == 0);
  const unsigned char mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  char macText[32];
  mac_ntoa(mac, macText, ":");
  CHECK_TEXT(macText, "00:1a:2b:3c:4d:5e");
  unsigned char macBack[6] = {0};
  mac_aton("00-1a-2B-3c-4D-5e", macBack, "-");
  CHECK(memcmp(mac, macBack, 6) == 0);
  char bits[33] = {0};
  c2bin(0x05, bits);
  CHECK_TEXT(bits, "00000101");
  s2bin(0x12345, bits);
  CHECK_TEXT(bits, "0010001101000101");
  CHECK(CheckMark("a|b|c", "|") == 2);

  // Cipher and password transform: both directions.
  const unsigned char key[] = "secret";
  const unsigned char plain[] = "attack at dawn";
  unsigned char coded[sizeof plain];
  unsigned char back[sizeof plain];
  trc4(key, 6, plain, sizeof plain, coded);
  trc4(key, 6, coded, sizeof plain, back);
  CHECK(memcmp(coded, plain, sizeof plain) != 0 && memcmp(back, plain, sizeof plain) == 0);
  char pw[] = "pass word";
  char stored[256] = {0};
  char pwBack[256] = {0};
  MySetPW(pw, stored);
  MyGetPW(stored, pwBack);
  CHECK(strcmp(stored, pw) != 0);
  CHECK_TEXT(pwBack, "pass word");
  // Archives: a name with no archive type starts nothing and returns 1.
  CHECK(MyZIP("noarchive", "files") == 1 && MyUnZIP("noarchive", gDir) == 1);
}

// ---- Files, settings and the log ------------------------------------------------------

void filesAndSettings() {
  char path[MAX_PATH];
  char path2[MAX_PATH];

  // A FILE* the client opened, written by the library.
  scratch(path, sizeof path, "written.txt");
  FILE* fp = fopen(path, "wb");
  CHECK(fp != nullptr);
  if (fp != nullptr) {
    write_fp(fp, "%s=%d\n", "answer", 42);
    fclose(fp);
  }
  char** pLines = read_file(path);
  CHECK(pLines != nullptr && strcmp(pLines[0], "answer=42") == 0 && pLines[1] == nullptr);
  strfreev(pLines);
  CHECK(write_file(path, "%s\n", "second") == 1);
  CHECK(write2file(path, "third\n", 6) == 1);
  pLines = read_file_lines(path, 2);
  CHECK(addresslen2(pLines) == 2 && strcmp(pLines[1], "second") == 0);
  strfreev(pLines);

  // tCFile on the stack: write, read back, status through the client's
  // struct stat (its layout is the runtime's, on both sides).
  tCFile file;
  CHECK(file.Open(path, "rb") == 1);
  CHECK(file.GetLines() == 3);
  CHECK(file.GetLength() == 23);
  struct stat st;
  memset(&st, 0, sizeof st);
  CHECK(file.GetStatus(&st) == 1 && st.st_size == 23 && (st.st_mode & _S_IFMT) == _S_IFREG);
  CHECK(st.st_mtime > 1000000000);
  char buf[32];
  CHECK(file.Read(buf, 6, 0) == 6 && strcmp(buf, "answer") == 0);
  tCString fileName;
  CHECK(file.GetFileName(fileName) == 1 && fileName == "written.txt");
  tCFile fileCopy(file);  // shares the stream
  CHECK(fileCopy.GetLength() == 23);
  file.Close();
  fileCopy.Close();  // the last holder closes the stream
  CHECK(tCFile::GetLength(path) == 23);
  CHECK(addsuffix(path, "bak") == 1);
  CHECK(tCFile::GetLength(path) == -1);
  strcat(path, ".bak");
  CHECK(tCFile::GetLength(path) == 23);

  // tCFileConf and tCFileIni, one on the heap and deleted through a tCFile*.
  scratch(path2, sizeof path2, "app.conf");
  writeText(path2, "# settings\nname=tavo\nport=8080 # comment\n");
  tCFile* pConf = new tCFileConf(path2, "rb");
  tCString value;
  CHECK(static_cast<tCFileConf*>(pConf)->GetValue("name", value) == 1 && value == "tavo");
  CHECK(static_cast<tCFileConf*>(pConf)->GetKey(1, value) == 1 && value == "port");
  delete pConf;

  scratch(path2, sizeof path2, "app.ini");
  writeText(path2,
            "[db]\r\nHostName=db.example\r\nUserName=user\r\nPassWord=pw\r\nDbName=main\r\n"
            "[debug]\r\nis_debug=1\r\ndebug_level=3\r\nlog_file=app.log\r\n");
  tCFileIni ini;
  CHECK(ini.Open(path2, "rb") == 1);
  int n = 0;
  CHECK(ini.GetInteger("debug", "debug_level", &n) == 1 && n == 3);
  char host[256] = {0};
  CHECK(ini.GetString("db", "HostName", host) == 1);
  CHECK_TEXT(host, "db.example");
  tCFileIni iniCopy = ini;
  ini.Close();
  CHECK(iniCopy.GetValue("db", "DbName", value) == 1 && value == "main");
  char user[256] = {0}, pass[256] = {0}, db[256] = {0}, logFile[256] = {0};
  CHECK(get_login_com(path2, "db", host, user, pass, db) == 1 && strcmp(pass, "pw") == 0);
  char shortHost[4] = {0};
  CHECK(get_login_com_s(path2, "db", shortHost, sizeof shortHost, user, sizeof user, pass, sizeof pass, db,
                        sizeof db) == 0);  // the host does not fit
  CHECK(get_login_com_s(path2, "db", host, sizeof host, user, sizeof user, pass, sizeof pass, db,
                        sizeof db) == 1);
  int isDebug = 0, level = 0;
  CHECK(get_debug_info(path2, "debug", &isDebug, &level, logFile) == 1 && isDebug == 1 && level == 3);
  CHECK_TEXT(logFile, "app.log");

  // Directory listing.
  char** pFiles = fetchfiles(gDir);
  CHECK(addresslen2(pFiles) == 3);
  strfreev(pFiles);

  // The log: one timestamped entry per call (the caller ends its lines).
  scratch(path2, sizeof path2, "client.log");
  logprintf(path2, "%s %d\n", "logged", 7);
  // The debug trace (level 2: the log only), called by name and through
  // tavo_debug, which a client's runtime sets up before main.
  DEBUG(1, 2, path2, "%s\n", "traced");
  CHECK(tavo_debug == &DEBUG);
  const bool bViaPointer = tavo_debug == &DEBUG;
  if (bViaPointer) tavo_debug(1, 2, path2, "%s\n", "traced again");
  // An error report with the runtime's error text (to stderr and the log).
  errno = ENOENT;
  err_ret(path2, "%s", "reported");
  pLines = read_file(path2);
  const int nWant = bViaPointer ? 4 : 3;
  CHECK(addresslen2(pLines) == nWant);
  if (addresslen2(pLines) == nWant) {
    CHECK(strstr(pLines[0], "logged 7") != nullptr);
    CHECK(strstr(pLines[1], "traced") != nullptr);
    if (bViaPointer) CHECK(strstr(pLines[2], "traced again") != nullptr);
    CHECK(strstr(pLines[nWant - 1], "reported: ") != nullptr);
  }
  strfreev(pLines);

  // Error paths: a missing file.
  scratch(path, sizeof path, "missing.txt");
  tCFile missing;
  CHECK(missing.Open(path, "rb") == 0);
  CHECK(read_file(path) == nullptr);
  CHECK(tCFile::GetLength(path) == -1);
  tCFileIni missingIni;
  CHECK(missingIni.Open(path, "rb") == 0);
  CHECK(get_login_com(path, "db", host, user, pass, db) == 0);
}

// ---- Shared memory ----------------------------------------------------------------------

void sharedMemory() {
  char name[64];
  snprintf(name, sizeof name, "tavo_msvc_%lu", static_cast<unsigned long>(GetCurrentProcessId()));
  tCShm first;
  CHECK(first.Create(name, 0, 4096) == 1);
  CHECK(first.m_nShmID != 0 && strcmp(first.m_szIPCName, name) == 0);
  char* p = static_cast<char*>(first.Shmat(nullptr, 0));
  CHECK(p != nullptr);
  tCShm* pSecond = new tCShm();
  CHECK(pSecond->Create(name, 0, 4096) == 1);
  char* q = static_cast<char*>(pSecond->Shmat(nullptr, 0));
  if (p != nullptr && q != nullptr) {
    strcpy(p, "shared");
    CHECK(strcmp(q, "shared") == 0);
  }
  CHECK(pSecond->Drop() == 1);
  delete pSecond;
  CHECK(first.Drop() == 1);
}

// ---- Sockets -------------------------------------------------------------------------------

// A free port on 127.0.0.1 (bound by the system to a socket of ours, which
// is closed again), and a socket that holds a port without listening.
int boundRawSocket(SOCKET* pSock) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa;
  memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof sa;
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    if (s != INVALID_SOCKET) closesocket(s);
    return -1;
  }
  *pSock = s;
  return ntohs(sa.sin_port);
}

int freePort() {
  SOCKET s;
  int nPort = boundRawSocket(&s);
  if (nPort > 0) closesocket(s);
  return nPort;
}

// A client's own TCP class: the library calls these overrides from inside
// the DLL (Open sets both time-outs through the virtual interface).
class CountingTcp : public tCTcp {
 public:
  int SetSendTimeout(int nTimeout) const override {
    ++m_nSendTimeouts;
    m_nLastTimeout = nTimeout;
    return tCTcp::SetSendTimeout(nTimeout);
  }
  int SetRecvTimeout(int nTimeout) const override {
    ++m_nRecvTimeouts;
    return tCTcp::SetRecvTimeout(nTimeout);
  }
  int Sendn(const void* pBuf, int nCount, int nTimeout) const override {
    ++m_nSends;
    return tCTcp::Sendn(pBuf, nCount, nTimeout);
  }
  mutable int m_nSendTimeouts = 0;
  mutable int m_nRecvTimeouts = 0;
  mutable int m_nLastTimeout = 0;
  mutable int m_nSends = 0;
};

void tcpSockets() {
  CHECK(tCTcp::SOCK_ERROR == -100 && tCTcp::SOCK_TIMEOUT == -101);
  const int nPort = freePort();
  CHECK(nPort > 0);

  tCTcp server;
  CHECK(server.Open() == 1);
  CHECK(server.SetReuseAddr() == 1);
  CHECK(server.Bind("127.0.0.1", nPort) == 1);
  CHECK(server.Listen(4) == 1);

  CountingTcp* pClient = new CountingTcp();
  tCTcp* pBase = pClient;
  CHECK(pBase->Open() == 1);
  CHECK(pClient->m_nSendTimeouts == 1 && pClient->m_nRecvTimeouts == 1 && pClient->m_nLastTimeout == 2000000);
  CHECK(pBase->Connect("127.0.0.1", nPort, 5) == 1);
  const int nAccepted = server.Accept();
  CHECK(nAccepted != -1);
  tCTcp peer;
  peer = nAccepted;
  CHECK(peer.GetHandle() == nAccepted);

  const char message[] = "echo across the boundary";
  CHECK(pBase->Sendn(message, sizeof message, 0) == static_cast<int>(sizeof message));
  CHECK(pClient->m_nSends == 1);
  char buf[64] = {0};
  CHECK(peer.Recvn(buf, sizeof message, 0) == static_cast<int>(sizeof message));
  CHECK_TEXT(buf, message);
  CHECK(peer.Send(buf, sizeof message, 0) == static_cast<int>(sizeof message));
  char back[64] = {0};
  CHECK(pBase->Recvn(back, sizeof message, 0) == static_cast<int>(sizeof message));
  CHECK_TEXT(back, message);
  char addr[64] = {0};
  CHECK(peer.GetPeerAddr(addr) == 1);
  CHECK_TEXT(addr, "127.0.0.1");
  char hostName[256] = {0};
  CHECK(pBase->GetHostName(hostName) == 1 && hostName[0] != '\0');

  tCTcp peerCopy(peer);  // shares the socket: the last holder closes it
  CHECK(peerCopy.GetHandle() == nAccepted);
  delete pBase;  // closes the client's end; the peer sees the end of stream
  CHECK(peerCopy.Recv(buf, sizeof buf, 0) == 0);

  // Error path: a refused connection (a port bound but not listening).
  SOCKET holder;
  const int nRefusing = boundRawSocket(&holder);
  CHECK(nRefusing > 0);
  if (nRefusing > 0) {
    tCTcp refused;
    CHECK(refused.Open() == 1);
    CHECK(refused.Connect("127.0.0.1", nRefusing, 0) == 0);
    closesocket(holder);
  }
}

void udpSockets() {
  const int nPort = freePort();
  CHECK(nPort > 0);
  tCUdp receiver;
  CHECK(receiver.BindAddr("127.0.0.1", static_cast<unsigned int>(nPort)) == 1);
  tCUdp* pSender = new tCUdp();
  CHECK(pSender->BindAddr("127.0.0.1", static_cast<unsigned int>(freePort())) == 1);
  CHECK(pSender->SendDate("127.0.0.1", static_cast<unsigned int>(nPort), "ping", 4) == 1);
  CHECK(pSender->SendDate("127.0.0.1", static_cast<unsigned int>(nPort), "pong!!", 6) == 1);
  char buf[16] = {0};
  CHECK(receiver.RecvDate(buf, 10) == 1);  // both datagrams, in order
  CHECK(memcmp(buf, "pingpong!!", 10) == 0);
  delete pSender;
}

// ---- Database ------------------------------------------------------------------------------------

void database() {
  const char* pIni = getenv("TAVO_DB_INI");
  CHECK(pIni != nullptr);
  if (pIni == nullptr) return;
  char host[256] = {0}, user[256] = {0}, pass[256] = {0}, db[256] = {0};
  CHECK(get_login_com(pIni, "db", host, user, pass, db) == 1);
  tCFileIni ini;
  int nPort = 0;
  CHECK(ini.Open(pIni, "rb") == 1 && ini.GetInteger("db", "Port", &nPort) == 1 && nPort > 0);

  tCMysql* pDb = new tCMysql();
  CHECK(pDb->GetRowNum() == 0 && pDb->m_szErr[0] == '\0' && pDb->CheckConnect() == 0);
  CHECK(pDb->Login(host, user, pass, db, "utf8mb4", static_cast<unsigned int>(nPort), nullptr, 0) == 1);
  CHECK(pDb->CheckConnect() == 1);
  CHECK(pDb->QueryRead("SELECT 1, 'abc' UNION ALL SELECT 2, 'def'") == 1);
  CHECK(pDb->GetRowNum() == 2 && pDb->GetFieldNum() == 2);
  pDb->GetRow();
  CHECK(pDb->m_Row != nullptr && strcmp(pDb->m_Row[1], "abc") == 0);
  pDb->GetRow();
  CHECK(pDb->m_Row != nullptr && strcmp(pDb->m_Row[0], "2") == 0 && strcmp(pDb->m_Row[1], "def") == 0);
  pDb->FreeResult();
  CHECK(pDb->m_Row == nullptr && pDb->GetRowNum() == 0);

  CHECK(pDb->QueryWrite("CREATE TEMPORARY TABLE t (n INT)") == 1);
  CHECK(pDb->Begin() == 1);
  CHECK(pDb->QueryWrite("INSERT INTO t VALUES (1), (2)") == 1);
  CHECK(pDb->Rollback() == 1);
  CHECK(pDb->QueryRead("SELECT COUNT(*) FROM t") == 1 && pDb->GetRow() == 1 &&
        strcmp(pDb->m_Row[0], "0") == 0);
  pDb->FreeResult();
  CHECK(pDb->QueryRead("UPDATE t SET n = 3") == 0);
  CHECK_TEXT(pDb->GetErrorStr(), "No error here,just a non-SELECT statment...\n");
  CHECK(pDb->QueryRead("SELECT * FROM no_such_table") == 0);
  CHECK(strncmp(pDb->m_szErr, "read_real_query fail:\t", 22) == 0);
  {
    tCMysql copy(*pDb);  // shares the connection
    CHECK(copy.m_pMysql == pDb->m_pMysql && copy.CheckConnect() == 1);
  }
  CHECK(pDb->CheckConnect() == 1);
  CHECK(pDb->Logout() == 1 && pDb->m_pMysql == nullptr);
  delete pDb;

  // Error paths: a failed login, and a refused connection.
  tCMysql bad;
  CHECK(bad.Login(host, user, "not-the-password", db, "", static_cast<unsigned int>(nPort), nullptr, 0) == 0);
  CHECK(strncmp(bad.m_szErr, "real_connect fail:\t", 19) == 0 &&
        strstr(bad.m_szErr, "Access denied") != nullptr);
  CHECK(bad.m_pMysql == nullptr);
  const int nClosed = freePort();
  tCMysql refused;
  CHECK(refused.Login("127.0.0.1", user, pass, db, "", static_cast<unsigned int>(nClosed), nullptr, 0) == 0);
  CHECK(strncmp(refused.GetErrorStr(), "real_connect fail:\t", 19) == 0);
}

// ---- Ends of the process, in a child process ------------------------------------------------

// Runs this program again with `pArg` (see main), its standard output and
// error into a scratch file; the child's exit status and the file's lines
// (a string vector, null when empty).  False when it could not be run or
// did not end within a minute.
bool runChild(const char* pArg, DWORD* pExit, char*** pppLines) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  char errPath[MAX_PATH];
  scratch(errPath, sizeof errPath, "child.err");
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE hErr = CreateFileA(errPath, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  if (hErr == INVALID_HANDLE_VALUE) return false;
  STARTUPINFOA si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = hErr;
  si.hStdError = hErr;
  PROCESS_INFORMATION pi;
  char cmd[MAX_PATH + 64];
  // gDir ends in a backslash, doubled before the closing quote so that it
  // stays one (the runtime's rule for backslashes before a quote).
  snprintf(cmd, sizeof cmd, "\"%s\" %s \"%s\\\"", exe, pArg, gDir);
  const BOOL bStarted = CreateProcessA(nullptr, cmd, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(hErr);
  if (!bStarted) return false;
  const bool bEnded = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
  if (!bEnded) TerminateProcess(pi.hProcess, 9);
  GetExitCodeProcess(pi.hProcess, pExit);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  *pppLines = read_file(errPath);
  return bEnded;
}

void processEndsInChild() {
  // A broken precondition: the assertion's message, and no normal end.
  DWORD nExit = 0;
  char** pLines = nullptr;
  CHECK(runChild("--assert", &nExit, &pLines));
  CHECK(nExit != 0);
  const char* pWant = "Assertion failed: nCount > 0, file tCString/tCString.cpp, line ";
  bool bFound = pLines != nullptr && strncmp(pLines[0], pWant, strlen(pWant)) == 0;
  CHECK(bFound);
  if (!bFound) printf("  child's first line: \"%s\"\n", pLines != nullptr ? pLines[0] : "(none)");
  strfreev(pLines);

  // err_exit: the report on stderr (and in the log), exit status 1.
  pLines = nullptr;
  CHECK(runChild("--err-exit", &nExit, &pLines));
  CHECK(nExit == 1);
  bFound = pLines != nullptr && strcmp(pLines[0], "giving up: No such file or directory") == 0;
  CHECK(bFound);
  if (!bFound) printf("  child's first line: \"%s\"\n", pLines != nullptr ? pLines[0] : "(none)");
  strfreev(pLines);
  char logPath[MAX_PATH];
  pLines = read_file(scratch(logPath, sizeof logPath, "child.log"));
  CHECK(pLines != nullptr && strstr(pLines[0], "giving up: No such file or directory") != nullptr);
  strfreev(pLines);
}

DWORD WINAPI watchdog(void*) {
  Sleep(kWatchdogMs);
  printf("watchdog: the checks took longer than %lu ms\n", static_cast<unsigned long>(kWatchdogMs));
  fflush(stdout);
  ExitProcess(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && strcmp(argv[1], "--assert") == 0) {
    tCString s("abc");
    s.Mid(1, 0);  // breaks "nCount > 0": the library stops the program
    printf("not stopped\n");
    return 0;
  }
  if (argc > 2 && strcmp(argv[1], "--err-exit") == 0) {
    snprintf(gDir, sizeof gDir, "%s", argv[2]);
    char logPath[MAX_PATH];
    errno = ENOENT;
    err_exit(scratch(logPath, sizeof logPath, "child.log"), "%s\n", "giving up");
  }
  CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr);
  makeScratchDir();
  stringClasses();
  freeFunctions();
  filesAndSettings();
  sharedMemory();
  tcpSockets();
  udpSockets();
  database();
  processEndsInChild();
  removeScratch();
  printf("%d passed, %d failed\n", gPassed, gFailed);
  return gFailed == 0 ? 0 : 1;
}
