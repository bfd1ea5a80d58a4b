// Link check of the Visual C++-mode tavo.dll: this translation unit, built
// in Visual C++ mode from the public headers alone and linked against
// tavo.lib, names every function, member function (each overload by its
// exact type), constructor, destructor and exported static of the
// interface, so that a name missing from the DLL or mangled differently
// fails the link.  Run, it only lets the loader bind every import.
//
// This file must name every public and protected member of every class and
// every free function of the public headers.  scripts/test_msvc.sh holds it
// to that: every public or protected name that tavo.lib exports (all but
// the vtables) must be among this object's imports, so a member added to a
// header (and so exported by the DLL) and not added here fails the check.
//
// Addresses: non-virtual members and free functions by address, cast to
// their exact type; virtual members by a qualified call (the address of a
// virtual member is a call-through thunk that names no export);
// constructors and destructors by explicit calls on raw storage.  The
// calls sit in functions that never run.
#include <stddef.h>
#include <stdio.h>
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

namespace {

// Placement without <new> (there is no C++ standard library here).
struct Place {};

}  // namespace

inline void* operator new(size_t, Place, void* p) noexcept { return p; }

namespace {

// Every address lands here, so that none of them is optimised away.
volatile unsigned char gSink;

template <class T>
void use(T value) {
  unsigned char bytes[sizeof value];
  memcpy(bytes, &value, sizeof value);
  for (size_t i = 0; i < sizeof value; ++i) gSink = static_cast<unsigned char>(gSink + bytes[i]);
}

// tCTcp's protected static, reached as a derived class reaches it.
struct TcpChild : tCTcp {
  static void useProtected() { use(&tCTcp::retrieve_data); }
};

void freeFunctions() {
  use(&memfatal);
  use(&mmalloc);
  use(&mrealloc);
  use(&mstrdup);
  use(&mstrdup2);
  use(&strfreev);
  use(&strfreevv);
  use(&addresslen2);
  use(&addresslen3);
  use(&logvprintf);
  use(&logprintf);
  use(&err_ret);
  use(&err_exit);
  use(tavo_debug);
  use(&write_fp);
  use(&strupper);
  use(&strlower);
  use(&strreverse);
  use(&strltrim);
  use(&strrtrim);
  use(&strtrim);
  use(&strswap);
  use(&strsort);
  use(&strscpy);
  use(&strisnum_all);
  use(&strisnum_pos);
  use(&strischar_all);
  use(&strischar_pos);
  use(&strsumnum);
  use(&strsumchar);
  use(&strsplit);
  use(&strInc);
  use(&str2sort);
  use(&str2forkfind);
  use(&get_week_day);
  use(&between_t);
  use(&mac_ntoa);
  use(&mac_aton);
  use(&c2bin);
  use(&s2bin);
  use(&n2bin);
  use(&dump_buf);
  use(&CheckMark);
  use(&read_file);
  use(&read_file_lines);
  use(&write_file);
  use(&write2file);
  use(&suffix);
  use(&addsuffix);
  use(&fetchfiles);
  use(&get_login_com);
  use(&get_debug_info);
  use(&get_login_com_s);
  use(&get_debug_info_s);
  use(&trc4);
  use(&MySetPW);
  use(&MyGetPW);
  use(&MyUnZIP);
  use(&MyZIP);

  use(static_cast<tCString (*)(const tCString&, const tCString&)>(&operator+));
  use(static_cast<tCString (*)(const tCString&, const char*)>(&operator+));
  use(static_cast<tCString (*)(const char*, const tCString&)>(&operator+));
  use(static_cast<tCString (*)(const tCString&, char)>(&operator+));
  use(static_cast<tCString (*)(char, const tCString&)>(&operator+));
  use(static_cast<tCString2 (*)(const tCString2&, const tCString2&)>(&operator+));
  use(static_cast<tCString2 (*)(const tCString2&, char**)>(&operator+));
  use(static_cast<tCString2 (*)(char**, const tCString2&)>(&operator+));
  use(static_cast<tCString2 (*)(const tCString2&, const char*)>(&operator+));
  use(static_cast<tCString2 (*)(const char*, const tCString2&)>(&operator+));
  use(static_cast<tCString3 (*)(const tCString3&, const tCString3&)>(&operator+));
  use(static_cast<tCString3 (*)(const tCString3&, char***)>(&operator+));
  use(static_cast<tCString3 (*)(char***, const tCString3&)>(&operator+));
  use(static_cast<tCString3 (*)(const tCString3&, char**)>(&operator+));
  use(static_cast<tCString3 (*)(char**, const tCString3&)>(&operator+));
}

void stringMembers() {
  using S = tCString;
  use(static_cast<const char* (S::*)() const>(&S::operator const char*));
  use(static_cast<int (S::*)() const>(&S::GetLength));
  use(static_cast<int (S::*)() const>(&S::IsEmpty));
  use(static_cast<int (S::*)() const>(&S::operator!));
  use(static_cast<int (S::*)()>(&S::Empty));
  use(static_cast<const S& (S::*)(const S&)>(&S::operator=));
  use(static_cast<const S& (S::*)(const char*)>(&S::operator=));
  use(static_cast<const S& (S::*)(char)>(&S::operator=));
  use(static_cast<const S& (S::*)(const S&)>(&S::operator+=));
  use(static_cast<const S& (S::*)(const char*)>(&S::operator+=));
  use(static_cast<const S& (S::*)(char)>(&S::operator+=));
  use(static_cast<int (S::*)(const S&) const>(&S::operator==));
  use(static_cast<int (S::*)(const char*) const>(&S::operator==));
  use(static_cast<int (S::*)(const S&) const>(&S::operator!=));
  use(static_cast<int (S::*)(const char*) const>(&S::operator!=));
  use(static_cast<int (S::*)(const S&) const>(&S::operator<));
  use(static_cast<int (S::*)(const char*) const>(&S::operator<));
  use(static_cast<int (S::*)(const S&) const>(&S::operator>));
  use(static_cast<int (S::*)(const char*) const>(&S::operator>));
  use(static_cast<int (S::*)(const S&) const>(&S::operator<=));
  use(static_cast<int (S::*)(const char*) const>(&S::operator<=));
  use(static_cast<int (S::*)(const S&) const>(&S::operator>=));
  use(static_cast<int (S::*)(const char*) const>(&S::operator>=));
  use(static_cast<int (S::*)(const char*) const>(&S::Compare));
  use(static_cast<int (S::*)(const char*) const>(&S::CompareNoCase));
  use(static_cast<char& (S::*)(int) const>(&S::operator[]));
  use(static_cast<char& (S::*)(int) const>(&S::GetAt));
  use(static_cast<int (S::*)(int, char)>(&S::SetAt));
  use(static_cast<S (S::*)(int, int) const>(&S::Mid));
  use(static_cast<S (S::*)(int) const>(&S::Left));
  use(static_cast<S (S::*)(int) const>(&S::Right));
  use(static_cast<int (S::*)()>(&S::MakeUpper));
  use(static_cast<int (S::*)()>(&S::MakeLower));
  use(static_cast<int (S::*)()>(&S::MakeReverse));
  use(static_cast<int (S::*)(char, char)>(&S::Replace));
  use(static_cast<int (S::*)(const char*, const char*)>(&S::Replace));
  use(static_cast<int (S::*)(int)>(&S::Remove));
  use(static_cast<int (S::*)(char)>(&S::Remove));
  use(static_cast<int (S::*)(const char*)>(&S::Remove));
  use(static_cast<int (S::*)(int, char)>(&S::Insert));
  use(static_cast<int (S::*)(int, const char*)>(&S::Insert));
  use(static_cast<int (S::*)(int)>(&S::LTrim));
  use(static_cast<int (S::*)(int)>(&S::RTrim));
  use(static_cast<int (S::*)(int)>(&S::Trim));
  use(static_cast<int (S::*)(char, int) const>(&S::Find));
  use(static_cast<int (S::*)(const char*, int) const>(&S::Find));
  use(static_cast<int (S::*)(char) const>(&S::ReverseFind));
  use(static_cast<int (S::*)() const>(&S::IsNumber));
  use(static_cast<int (S::*)(int) const>(&S::IsNumber));
  use(static_cast<int (S::*)() const>(&S::IsCharacter));
  use(static_cast<int (S::*)(int) const>(&S::IsCharacter));
  use(static_cast<int (S::*)() const>(&S::SumNumber));
  use(static_cast<int (S::*)() const>(&S::SumCharacter));
  use(static_cast<int (S::*)(int)>(&S::Sort));
  use(static_cast<int (S::*)(tCString2&, const char*) const>(&S::Split));
}

void string2Members() {
  using L = tCString2;
  use(static_cast<char** (L::*)() const>(&L::operator char**));
  use(static_cast<int (L::*)() const>(&L::GetLength));
  use(static_cast<int (L::*)() const>(&L::IsEmpty));
  use(static_cast<int (L::*)() const>(&L::operator!));
  use(static_cast<int (L::*)()>(&L::Empty));
  use(static_cast<const char* (L::*)(int) const>(&L::operator[]));
  use(static_cast<const char* (L::*)(int) const>(&L::GetAt));
  use(static_cast<int (L::*)(int, const char*)>(&L::SetAt));
  use(static_cast<const L& (L::*)(const L&)>(&L::operator=));
  use(static_cast<const L& (L::*)(char**)>(&L::operator=));
  use(static_cast<const L& (L::*)(const char*)>(&L::operator=));
  use(static_cast<const L& (L::*)(const L&)>(&L::operator+=));
  use(static_cast<const L& (L::*)(char**)>(&L::operator+=));
  use(static_cast<const L& (L::*)(const char*)>(&L::operator+=));
  use(static_cast<int (L::*)(char**) const>(&L::operator==));
  use(static_cast<int (L::*)(const L&) const>(&L::operator==));
  use(static_cast<int (L::*)(char**) const>(&L::operator!=));
  use(static_cast<int (L::*)(const L&) const>(&L::operator!=));
  use(static_cast<L (L::*)(int, int) const>(&L::Mid));
  use(static_cast<L (L::*)(int) const>(&L::Left));
  use(static_cast<L (L::*)(int) const>(&L::Right));
  use(static_cast<int (L::*)(int, const char*)>(&L::Insert));
  use(static_cast<int (L::*)(int)>(&L::Remove));
  use(static_cast<int (L::*)(const char*)>(&L::Remove));
  use(static_cast<int (L::*)()>(&L::MakeReverse));
  use(static_cast<int (L::*)(int)>(&L::Sort));
  use(static_cast<int (L::*)(int)>(&L::SortNoCase));
  use(static_cast<int (L::*)(const char*, int) const>(&L::Find));
  use(static_cast<int (L::*)(const char*, int) const>(&L::FindNoCase));
  use(static_cast<int (L::*)(const char*, int) const>(&L::ReverseFind));
  use(static_cast<int (L::*)(const char*, int) const>(&L::ReverseFindNoCase));
  use(static_cast<int (L::*)(const char*, int)>(&L::ForkFind));
  use(static_cast<int (L::*)(const char*, int)>(&L::ForkFindNoCase));
}

void string3Members() {
  using T = tCString3;
  use(static_cast<char*** (T::*)() const>(&T::operator char***));
  use(static_cast<int (T::*)() const>(&T::GetLength));
  use(static_cast<int (T::*)() const>(&T::IsEmpty));
  use(static_cast<int (T::*)() const>(&T::operator!));
  use(static_cast<int (T::*)()>(&T::Empty));
  use(static_cast<char** (T::*)(int) const>(&T::operator[]));
  use(static_cast<char** (T::*)(int) const>(&T::GetAt));
  use(static_cast<int (T::*)(int, char**)>(&T::SetAt));
  use(static_cast<int (T::*)(int, char**)>(&T::Insert));
  use(static_cast<int (T::*)(int)>(&T::Remove));
  use(static_cast<const T& (T::*)(const T&)>(&T::operator=));
  use(static_cast<const T& (T::*)(char***)>(&T::operator=));
  use(static_cast<const T& (T::*)(char**)>(&T::operator=));
  use(static_cast<const T& (T::*)(const T&)>(&T::operator+=));
  use(static_cast<const T& (T::*)(char***)>(&T::operator+=));
  use(static_cast<const T& (T::*)(char**)>(&T::operator+=));
  use(static_cast<int (T::*)(char***) const>(&T::operator==));
  use(static_cast<int (T::*)(const T&) const>(&T::operator==));
  use(static_cast<int (T::*)(char***) const>(&T::operator!=));
  use(static_cast<int (T::*)(const T&) const>(&T::operator!=));
}

void fileMembers() {
  using F = tCFile;
  use(static_cast<F& (F::*)(const F&)>(&F::operator=));
  use(static_cast<int (F::*)(const char*, const char*)>(&F::Open));
  use(static_cast<int (F::*)()>(&F::Close));
  use(static_cast<int (F::*)(char*, int, int) const>(&F::Read));
  use(static_cast<int (F::*)(tCString&, int, int) const>(&F::Read));
  use(static_cast<char** (F::*)() const>(&F::ReadLines));
  use(static_cast<char** (*)(const char*)>(&F::ReadLines));
  use(static_cast<int (F::*)(const char*, ...) const>(&F::Write));
  use(static_cast<int (*)(const char*, const char*, const char*, ...)>(&F::Write));
  use(static_cast<int (F::*)(int, int) const>(&F::Seek));
  use(static_cast<int (F::*)() const>(&F::GetLines));
  use(static_cast<int (*)(const char*)>(&F::GetLines));
  use(static_cast<int (F::*)() const>(&F::GetLength));
  use(static_cast<int (*)(const char*)>(&F::GetLength));
  use(static_cast<int (F::*)(struct stat*) const>(&F::GetStatus));
  use(static_cast<int (*)(const char*, struct stat*)>(&F::GetStatus));
  use(static_cast<int (F::*)(char*) const>(&F::GetFilePath));
  use(static_cast<int (F::*)(tCString&) const>(&F::GetFilePath));
  use(static_cast<int (F::*)(char*) const>(&F::GetFileName));
  use(static_cast<int (F::*)(tCString&) const>(&F::GetFileName));

  using C = tCFileConf;
  use(static_cast<C& (C::*)(const C&)>(&C::operator=));
  use(static_cast<int (C::*)(const char*, const char*)>(&C::Open));
  use(static_cast<int (C::*)()>(&C::Close));
  use(static_cast<int (C::*)(const char*, tCString&) const>(&C::GetValue));
  use(static_cast<int (C::*)(int, tCString&) const>(&C::GetValue));
  use(static_cast<int (C::*)(const char*, tCString&) const>(&C::GetKey));
  use(static_cast<int (C::*)(int, tCString&) const>(&C::GetKey));

  // The exported section record: its implicit copy and move assignments.
  use(static_cast<IniSection& (IniSection::*)(const IniSection&)>(&IniSection::operator=));
  use(static_cast<IniSection& (IniSection::*)(IniSection &&)>(&IniSection::operator=));

  using I = tCFileIni;
  use(static_cast<I& (I::*)(const I&)>(&I::operator=));
  use(static_cast<int (I::*)(const char*, const char*)>(&I::Open));
  use(static_cast<int (I::*)()>(&I::Close));
  use(static_cast<int (I::*)(const char*, const char*, tCString&) const>(&I::GetValue));
  use(static_cast<int (I::*)(const char*, const char*, char*) const>(&I::GetString));
  use(static_cast<int (I::*)(const char*, const char*, char*, int) const>(&I::GetString));
  use(static_cast<int (I::*)(const char*, const char*, int*) const>(&I::GetInteger));
}

void otherMembers() {
  using H = tCShm;
  use(static_cast<H& (H::*)(const H&)>(&H::operator=));
  use(static_cast<int (H::*)(const char*, int, int)>(&H::Create));
  use(static_cast<void* (H::*)(const void*, int)>(&H::Shmat));
  use(static_cast<int (H::*)()>(&H::Drop));

  using U = tCUdp;
  use(static_cast<U& (U::*)(const U&)>(&U::operator=));
  use(static_cast<int (U::*)(const char*, unsigned int)>(&U::BindAddr));
  use(static_cast<int (U::*)(const char*, unsigned int, const void*, int)>(&U::SendDate));
  use(static_cast<int (U::*)(void*, int)>(&U::RecvDate));

  using M = tCMysql;
  use(static_cast<M& (M::*)(const M&)>(&M::operator=));
  use(static_cast<int (M::*)(const char*, const char*, const char*, const char*, const char*, unsigned int,
                             const char*, unsigned int)>(&M::Login));
  use(static_cast<int (M::*)()>(&M::Logout));
  use(static_cast<int (M::*)()>(&M::CheckConnect));
  use(static_cast<int (M::*)(const char*)>(&M::QueryWrite));
  use(static_cast<int (M::*)(const char*)>(&M::QueryRead));
  use(static_cast<int (M::*)(const char*, const char*)>(&M::QueryReadProc));
  use(static_cast<int (M::*)()>(&M::GetRow));
  use(static_cast<int (M::*)()>(&M::GetRowNum));
  use(static_cast<int (M::*)()>(&M::GetFieldNum));
  use(static_cast<void (M::*)()>(&M::FreeResult));
  use(static_cast<int (M::*)()>(&M::Begin));
  use(static_cast<int (M::*)()>(&M::Commit));
  use(static_cast<int (M::*)()>(&M::Rollback));
  use(static_cast<char* (M::*)()>(&M::GetErrorStr));

  using N = tCTcp;
  use(&N::SOCK_ERROR);
  use(&N::SOCK_TIMEOUT);
  use(static_cast<N& (N::*)(const N&)>(&N::operator=));
  use(static_cast<int (N::*)(int)>(&N::operator=));
  TcpChild::useProtected();
}

// The virtual members of tCTcp, each called non-virtually so that the call
// names the export itself.
void tcpVirtuals(tCTcp* p) {
  char buf[64];
  use(p->tCTcp::GetHandle());
  use(p->tCTcp::Open());
  use(p->tCTcp::Close());
  use(p->tCTcp::Connect("", 0, 0));
  use(p->tCTcp::Bind("", 0));
  use(p->tCTcp::Listen(0));
  use(p->tCTcp::SetReuseAddr());
  use(p->tCTcp::Accept());
  use(p->tCTcp::Sendn(buf, 0, 0));
  use(p->tCTcp::Recvn(buf, 0, 0));
  use(p->tCTcp::Send(buf, 0, 0));
  use(p->tCTcp::Recv(buf, 0, 0));
  use(p->tCTcp::GetHostName(buf));
  use(p->tCTcp::GetPeerName(buf));
  use(p->tCTcp::GetHostAddr(buf));
  use(p->tCTcp::GetPeerAddr(buf));
  use(p->tCTcp::SetSendTimeout(0));
  use(p->tCTcp::SetRecvTimeout(0));
  use(p->tCTcp::GetMacByIp("", buf, buf));
}

// Every constructor, copy constructor and destructor, on raw storage.
alignas(8) unsigned char gRaw[2048];

template <class T, class... Args>
void construct(Args... args) {
  T* p = new (Place{}, gRaw) T(args...);
  p->T::~T();
}

template <class T>
void copyConstruct() {
  const T& src = *reinterpret_cast<const T*>(gRaw + 1024);
  T* p = new (Place{}, gRaw) T(src);
  p->T::~T();
}

void constructorsAndDestructors() {
  char** v = nullptr;
  char*** t = nullptr;
  construct<tCString>();
  construct<tCString>("");
  copyConstruct<tCString>();
  construct<tCString2>();
  construct<tCString2>(v);
  copyConstruct<tCString2>();
  construct<tCString3>();
  construct<tCString3>(t);
  copyConstruct<tCString3>();
  construct<tCFile>();
  construct<tCFile>("", "");
  copyConstruct<tCFile>();
  construct<tCFileConf>();
  construct<tCFileConf>("", "");
  copyConstruct<tCFileConf>();
  construct<tCFileIni>();
  construct<tCFileIni>("", "");
  copyConstruct<tCFileIni>();
  construct<tCShm>();
  copyConstruct<tCShm>();
  construct<tCTcp>();
  copyConstruct<tCTcp>();
  construct<tCUdp>();
  copyConstruct<tCUdp>();
  construct<tCMysql>();
  copyConstruct<tCMysql>();
}

}  // namespace

int main(int argc, char** argv) {
  (void)argv;
  // Named, never run: the point is the link (and, run, the loader's binding).
  if (argc > 1000) {
    freeFunctions();
    stringMembers();
    string2Members();
    string3Members();
    fileMembers();
    otherMembers();
    tcpVirtuals(reinterpret_cast<tCTcp*>(gRaw));
    constructorsAndDestructors();
  }
  printf("link check: every name of the interface bound\n");
  return 0;
}
