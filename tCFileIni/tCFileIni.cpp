// tCFileIni: INI files of named sections holding key/value entries.
#include "tCFileIni/tCFileIni.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_bytes.h"
#include "tavo_alloc.h"
#include "tavo_vector.h"
#include "tavo_lines.h"
#include "tavo_settings.h"

namespace {

// The (section name, key) index.
using EntryIndex = tavo::detail::EntryIndex<0>;

// Decimal conversion as atoi reads it, saturating at the int range instead
// of overflowing.
int toInt(const char* p) {
  while (tavo::detail::isSpace(*p)) ++p;
  bool bNeg = false;
  if (*p == '+' || *p == '-') bNeg = (*p++ == '-');
  // Accumulate towards the negative side, which holds one more value.
  long long n = 0;
  for (; tavo::detail::isDigit(*p); ++p) {
    n = n * 10 - (*p - '0');
    if (n < INT_MIN) return bNeg ? INT_MIN : INT_MAX;
  }
  if (!bNeg) return n < -INT_MAX ? INT_MAX : static_cast<int>(-n);
  return static_cast<int>(n);
}

// The table: the array of section pointers in a counted block, its index
// in the header.  No section, no block: m_pSections is null.

void freeSections(IniSection** ppSections, int nSections) {
  for (int i = 0; i < nSections; ++i) {
    tavo::detail::destroy(ppSections[i]->m_oName);
    tavo::detail::destroy(ppSections[i]->m_oEntries);
    free(ppSections[i]);
  }
}

// Lets go of this object's share of the sections; leaves the list empty.
void releaseSections(IniSection**& rSections, int& rCount) {
  const int n = rCount;
  rCount = 0;
  tavo::detail::releaseTable<EntryIndex>(rSections, [n](IniSection** pp) { freeSections(pp, n); });
}

// Indexes every (section name, key) at its first place in file order:
// sections in order, entries in order, later repeats ignored.  Null when
// the sections hold too many entries to index (beyond a hundred million):
// they are then searched entry by entry.
EntryIndex* buildIndex(IniSection** ppSections, int nSections) {
  size_t nEntries = 0;
  for (int i = 0; i < nSections; ++i) nEntries += static_cast<size_t>(ppSections[i]->m_oEntries->GetLength());
  if (!EntryIndex::fits(nEntries)) return nullptr;
  EntryIndex* pIndex = tavo::detail::create<EntryIndex>(nEntries, nSections);
  for (int i = 0; i < nSections; ++i) {
    pIndex->nameSection(i, *ppSections[i]->m_oName);
    char*** ppRows = *ppSections[i]->m_oEntries;
    for (int j = 0; ppRows[j] != nullptr; ++j) pIndex->add(i, ppRows[j]);
  }
  return pIndex;
}

// The value of the first entry `pKey` in the sections named `pSection`, in
// file order, its length in `*pLen` when asked; null when there is none (or
// no section at all).
const char* findValue(IniSection** ppSections, int nSections, const char* pSection, const char* pKey,
                      size_t* pLen) {
  char** ppRow = tavo::detail::findRow(
      tavo::detail::tableIndex<EntryIndex>(ppSections), nSections,
      [ppSections](int i, const char** ppName) {
        *ppName = *ppSections[i]->m_oName;
        return static_cast<char***>(*ppSections[i]->m_oEntries);
      },
      pSection, pKey, pLen);
  return ppRow != nullptr ? ppRow[1] : nullptr;
}

}  // namespace

tCFileIni::tCFileIni() : tCFile(), m_pSections(nullptr), m_nSections(0) {
  TAVO_SIZE(tCFileIni, 5 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCFileIni, m_pSections, 3 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCFileIni, m_nSections, 4 * tavo::detail::kPtr);
}

tCFileIni::tCFileIni(const char* pFileName, const char* pMode)
    : tCFile(pFileName, pMode), m_pSections(nullptr), m_nSections(0) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile == nullptr) return;
  tavo::detail::finishOpen(_ParseIni(), [this] { Close(); });
}

tCFileIni::~tCFileIni() { Close(); }

tCFileIni::tCFileIni(const tCFileIni& oRight)
    : tCFile(oRight), m_pSections(oRight.m_pSections), m_nSections(oRight.m_nSections) {
  tavo::detail::retainShared(m_pSections);
}

tCFileIni& tCFileIni::operator=(const tCFileIni& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  if (oRight.m_pSections == m_pSections) return *this;
  releaseSections(m_pSections, m_nSections);
  m_pSections = oRight.m_pSections;
  m_nSections = oRight.m_nSections;
  tavo::detail::retainShared(m_pSections);
  return *this;
}

int tCFileIni::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (tCFile::Open(pFileName, pMode) == 0) return 0;
  return tavo::detail::finishOpen(_ParseIni(), [this] { Close(); });
}

int tCFileIni::Close() {
  releaseSections(m_pSections, m_nSections);
  tCFile::Close();
  return 1;
}

int tCFileIni::_ParseIni() {
  using tavo::detail::SettingLine;
  // Sections still held here (left by a direct tCFile::Close) may be shared
  // with copies: let go of them rather than reuse or leak them.
  releaseSections(m_pSections, m_nSections);
  // The sections gather in scratch space; the table gets their exact number.
  tavo::detail::VectorBuilder sections;
  tCString3* pCurrent = nullptr;
  bool bFailed = false;
  tavo::detail::forEachSettingLine(tavo::detail::readWholeStream(m_pFile, &bFailed), true,
                                   [&](SettingLine kind, char* pFirst, char* pSecond) {
                                     if (kind == SettingLine::kHeader) {
                                       IniSection* pSec =
                                           static_cast<IniSection*>(mmalloc(sizeof(IniSection)));
                                       pSec->m_oName = tavo::detail::create<tCString>(pFirst);
                                       pSec->m_oEntries = tavo::detail::create<tCString3>();
                                       sections.push(reinterpret_cast<char*>(pSec));
                                       pCurrent = pSec->m_oEntries;
                                     } else if (pCurrent != nullptr) {
                                       char* row[3] = {pFirst, pSecond, nullptr};
                                       *pCurrent += row;
                                     }
                                   });
  const size_t n = sections.size();
  char** ppGathered = sections.release();
  if (ppGathered == nullptr) return bFailed ? 0 : 1;
  IniSection** pp = static_cast<IniSection**>(
      tavo::detail::allocShared(tavo::detail::blockBytes(n, sizeof(IniSection*), "mmalloc")));
  memcpy(pp, ppGathered, n * sizeof(IniSection*));
  free(ppGathered);
  m_pSections = pp;
  m_nSections = static_cast<int>(n);
  tavo::detail::sharedHeader(pp)->pExtra = buildIndex(pp, m_nSections);
  return 1;
}

int tCFileIni::GetValue(const char* pSection, const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(pSection && pKey);
  if (m_pSections == nullptr) return 0;
  oValue.Empty();
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey, nullptr);
  if (pFound == nullptr) return 0;
  oValue = pFound;
  return 1;
}

int tCFileIni::GetString(const char* pSection, const char* pKey, char* pValue) const {
  TAVO_ASSERT(pSection && pKey && pValue);
  size_t nLen = 0;
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey, &nLen);
  if (pFound == nullptr) return 0;
  memcpy(pValue, pFound, nLen + 1);
  return 1;
}

int tCFileIni::GetString(const char* pSection, const char* pKey, char* pValue, int nSize) const {
  TAVO_ASSERT(pSection && pKey && pValue);
  size_t nLen = 0;
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey, &nLen);
  if (pFound == nullptr || nSize <= 0 || nLen >= static_cast<size_t>(nSize)) return 0;
  memcpy(pValue, pFound, nLen + 1);
  return 1;
}

int tCFileIni::GetInteger(const char* pSection, const char* pKey, int* nValue) const {
  TAVO_ASSERT(pSection && pKey && nValue);
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey, nullptr);
  if (pFound == nullptr) return 0;
  *nValue = toInt(pFound);
  return 1;
}
