// tCFileConf: flat key/value configuration files.
#include "tCFileConf/tCFileConf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "tavo_layout.h"
#include "tavo_assert.h"
#include "tavo_index.h"
#include "tavo_internal.h"
#include "tavo_lines.h"
#include "tavo_settings.h"

namespace {

// The first row of each key (column 0) and of each value (column 1).
struct Index {
  explicit Index(std::size_t nRows) : oKeys(nRows), oValues(nRows) {}
  tavo::detail::FirstMatchIndex oKeys;
  tavo::detail::FirstMatchIndex oValues;
};

using tavo::detail::FirstMatchIndex;
using tavo::detail::Text;

// What tells a slot of a row whose text in `nColumn` is `t`.
auto sameText(int nColumn, const Text& t) {
  return [nColumn, &t](const FirstMatchIndex::Slot& s) { return tavo::detail::sameText(s.pRow[nColumn], s.nKeyLen, t); };
}

// Adds every row of `ppRows` under its text in `nColumn`, first row first.
void indexColumn(FirstMatchIndex& oIndex, char*** ppRows, int nColumn) {
  for (int i = 0; ppRows[i] != nullptr; ++i) {
    const Text t(ppRows[i][nColumn]);
    oIndex.addFirst(tavo::detail::hashOf(t), 0, ppRows[i], t, 1 - nColumn, sameText(nColumn, t));
  }
}

// The first row whose text in `nColumn` is `pText`, or null.
char** findRow(const FirstMatchIndex& oIndex, int nColumn, const char* pText) {
  const Text t(pText);
  const FirstMatchIndex::Slot* s = oIndex.find(tavo::detail::hashOf(t), sameText(nColumn, t));
  return s == nullptr ? nullptr : s->pRow;
}

// The first row whose text in `nColumn` is `pText`, found by walking the
// rows (a table without an index); null when there is none.
char** scanRows(char*** ppRows, int nColumn, const char* pText) {
  for (; *ppRows != nullptr; ++ppRows)
    if (std::strcmp((*ppRows)[nColumn], pText) == 0) return *ppRows;
  return nullptr;
}

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

tCFileConf::tCFileConf(const char* pFileName, const char* pMode) : tCFile(pFileName, pMode), m_oConf(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile == nullptr) return;
  _ParseConf();
  tavo::detail::finishOpen(m_pFile, [this] { Close(); });
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
  _ParseConf();
  return tavo::detail::finishOpen(m_pFile, [this] { Close(); });
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
  tavo::detail::forEachSettingLine(ReadLines(), false, [pTable](tavo::detail::SettingLine, char* pKey, char* pValue) {
    char* row[3] = {pKey, pValue, nullptr};
    *pTable += row;
  });
  m_oConf = pTable;
  // A table too large to index (beyond a hundred million entries) is
  // searched row by row instead.
  const std::size_t nRows = static_cast<std::size_t>(pTable->GetLength());
  if (!FirstMatchIndex::fits(nRows)) return 1;
  char*** ppRows = *pTable;
  Index* pIndex = tavo::detail::create<Index>(nRows);
  indexColumn(pIndex->oKeys, ppRows, 0);
  indexColumn(pIndex->oValues, ppRows, 1);
  tavo::detail::sharedHeader(pTable)->pExtra = pIndex;
  return 1;
}
int tCFileConf::GetValue(const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(m_oConf && pKey);
  oValue.Empty();
  const Index* pIndex = tavo::detail::tableIndex<Index>(m_oConf);
  char** ppRow = pIndex != nullptr ? findRow(pIndex->oKeys, 0, pKey) : scanRows(*m_oConf, 0, pKey);
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
  const Index* pIndex = tavo::detail::tableIndex<Index>(m_oConf);
  char** ppRow = pIndex != nullptr ? findRow(pIndex->oValues, 1, pValue) : scanRows(*m_oConf, 1, pValue);
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
