// tCFileConf: flat key/value configuration files.
#include "tCFileConf/tCFileConf.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_alloc.h"
#include "tavo_lines.h"
#include "tavo_settings.h"

namespace {

using tavo::detail::EntryIndex;

// The first row of each key (column 0) and of each value (column 1), in the
// one section of the file (without a name).
struct Index {
  explicit Index(size_t nRows) : oKeys(nRows, 1), oValues(nRows, 1) {
    oKeys.nameSection(0, "");
    oValues.nameSection(0, "");
  }
  EntryIndex<0> oKeys;
  EntryIndex<1> oValues;
};

// The first row whose text in column kColumn is `pText`, or null.
template <int kColumn>
char** findRow(const tCString3* pTable, const EntryIndex<kColumn>* pIndex, const char* pText) {
  return tavo::detail::findRow(
      pIndex, 1,
      [pTable](int, const char** ppName) {
        *ppName = "";
        return static_cast<char***>(*pTable);
      },
      "", pText, nullptr);
}

const Index* indexOf(const tCString3* pTable) { return tavo::detail::tableIndex<Index>(pTable); }

// The row at `nIndex` clamped into [0, n-1]; null when the table is empty.
char** clampedRow(const tCString3& oTable, int nIndex) {
  int n = oTable.GetLength();
  if (n == 0) return nullptr;
  if (nIndex < 0) nIndex = 0;
  if (nIndex >= n) nIndex = n - 1;
  return oTable[nIndex];
}

}  // namespace

// The table: a tCString3 in a counted block, its index in the header.

namespace {

void freeRows(tCString3* p) { p->~tCString3(); }

void releaseTable(tCString3*& rTable) { tavo::detail::releaseTable<Index>(rTable, freeRows); }

}  // namespace

tCFileConf::tCFileConf() : tCFile(), m_oConf(nullptr) {
  TAVO_SIZE(tCFileConf, 4 * tavo::detail::kPtr);
  TAVO_LAYOUT(tCFileConf, m_oConf, 3 * tavo::detail::kPtr);
}

tCFileConf::tCFileConf(const char* pFileName, const char* pMode)
    : tCFile(pFileName, pMode), m_oConf(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile == nullptr) return;
  tavo::detail::finishOpen(_ParseConf(), [this] { Close(); });
}

tCFileConf::~tCFileConf() { Close(); }

tCFileConf::tCFileConf(const tCFileConf& oRight) : tCFile(oRight), m_oConf(oRight.m_oConf) {
  tavo::detail::retainShared(m_oConf);
}

tCFileConf& tCFileConf::operator=(const tCFileConf& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  if (oRight.m_oConf == m_oConf) return *this;
  releaseTable(m_oConf);
  m_oConf = oRight.m_oConf;
  tavo::detail::retainShared(m_oConf);
  return *this;
}

int tCFileConf::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (tCFile::Open(pFileName, pMode) == 0) return 0;
  return tavo::detail::finishOpen(_ParseConf(), [this] { Close(); });
}

int tCFileConf::Close() {
  releaseTable(m_oConf);
  tCFile::Close();
  return 1;
}

int tCFileConf::_ParseConf() {
  // A table still held here (left by a direct tCFile::Close) may be shared
  // with copies; a fresh one keeps their entries intact.
  releaseTable(m_oConf);
  tCString3* pTable = tavo::detail::newShared<tCString3>();
  bool bFailed = false;
  tavo::detail::forEachSettingLine(tavo::detail::readWholeStream(m_pFile, &bFailed), false,
                                   [pTable](tavo::detail::SettingLine, char* pKey, char* pValue) {
                                     char* row[3] = {pKey, pValue, nullptr};
                                     *pTable += row;
                                   });
  m_oConf = pTable;
  if (bFailed) return 0;  // an empty table, released by the close that follows
  // A table too large to index (beyond a hundred million entries) is
  // searched row by row instead.
  const size_t nRows = static_cast<size_t>(pTable->GetLength());
  if (!EntryIndex<0>::fits(nRows)) return 1;
  char*** ppRows = *pTable;
  Index* pIndex = tavo::detail::create<Index>(nRows);
  for (int i = 0; ppRows[i] != nullptr; ++i) {
    pIndex->oKeys.add(0, ppRows[i]);
    pIndex->oValues.add(0, ppRows[i]);
  }
  tavo::detail::sharedHeader(pTable)->pExtra = pIndex;
  return 1;
}
int tCFileConf::GetValue(const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(m_oConf && pKey);
  oValue.Empty();
  const Index* pIndex = indexOf(m_oConf);
  char** ppRow = findRow(m_oConf, pIndex != nullptr ? &pIndex->oKeys : nullptr, pKey);
  if (ppRow == nullptr) return 0;
  oValue = ppRow[1];
  return 1;
}

int tCFileConf::GetValue(int nIndex, tCString& oValue) const {
  TAVO_ASSERT(m_oConf);
  oValue.Empty();
  char** ppRow = clampedRow(*m_oConf, nIndex);
  if (ppRow == nullptr) return 0;
  oValue = ppRow[1];
  return 1;
}

int tCFileConf::GetKey(const char* pValue, tCString& oKey) const {
  TAVO_ASSERT(m_oConf && pValue);
  oKey.Empty();
  const Index* pIndex = indexOf(m_oConf);
  char** ppRow = findRow(m_oConf, pIndex != nullptr ? &pIndex->oValues : nullptr, pValue);
  if (ppRow == nullptr) return 0;
  oKey = ppRow[0];
  return 1;
}

int tCFileConf::GetKey(int nIndex, tCString& oKey) const {
  TAVO_ASSERT(m_oConf);
  oKey.Empty();
  char** ppRow = clampedRow(*m_oConf, nIndex);
  if (ppRow == nullptr) return 0;
  oKey = ppRow[0];
  return 1;
}
