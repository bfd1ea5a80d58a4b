// tCFileConf: flat key/value configuration files.
#include "tCFileConf/tCFileConf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_assert.h"
#include "common/tavo_index.h"
#include "common/tavo_internal.h"
#include "common/tavo_lines.h"

// The first row of each key (column 0) and of each value (column 1).
struct tCFileConf::Index {
  explicit Index(std::size_t nRows) : oKeys(nRows), oValues(nRows) {}
  tavo::detail::FirstMatchIndex oKeys;
  tavo::detail::FirstMatchIndex oValues;
};

namespace {

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

tCFileConf::tCFileConf() : tCFile(), m_oConf(nullptr), m_pIndex(nullptr) {}

tCFileConf::tCFileConf(const char* pFileName, const char* pMode)
    : tCFile(pFileName, pMode), m_oConf(nullptr), m_pIndex(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile != nullptr) parseOpened();
}

tCFileConf::~tCFileConf() { Close(); }

tCFileConf::tCFileConf(const tCFileConf& oRight)
    : tCFile(oRight), m_oConf(oRight.m_oConf), m_oTableShares(oRight.m_oTableShares), m_pIndex(oRight.m_pIndex) {}

tCFileConf& tCFileConf::operator=(const tCFileConf& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  releaseTable();
  m_oConf = oRight.m_oConf;
  m_oTableShares.join(oRight.m_oTableShares);
  m_pIndex = oRight.m_pIndex;
  return *this;
}

void tCFileConf::releaseTable() {
  if (m_oTableShares.leave()) {
    tavo::detail::destroy(m_oConf);
    tavo::detail::destroy(m_pIndex);
  }
  m_oConf = nullptr;
  m_pIndex = nullptr;
}

int tCFileConf::parseOpened() {
  // A table still held here (left by a direct tCFile::Close) may be shared
  // with copies; a fresh one keeps their entries intact.
  releaseTable();
  m_oConf = tavo::detail::create<tCString3>();
  m_oTableShares.start();
  _ParseConf();
  // An unreadable stream (a directory, an I/O error) is not an empty file.
  if (std::ferror(m_pFile)) {
    Close();
    return 0;
  }
  return 1;
}

int tCFileConf::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (tCFile::Open(pFileName, pMode) == 0) return 0;
  return parseOpened();
}

int tCFileConf::Close() {
  releaseTable();
  tCFile::Close();
  return 1;
}

int tCFileConf::_ParseConf() {
  m_oConf->Empty();
  char** ppLines = ReadLines();
  if (ppLines == nullptr) return 1;
  // Each line is freed once its parts are copied into the table, so the
  // file is not held twice at the peak.
  for (char** pp = ppLines; *pp != nullptr; ++pp) {
    char* row[3] = {nullptr, nullptr, nullptr};
    if (tavo::detail::cutSettingLine(*pp, false, &row[0], &row[1]) == tavo::detail::SettingLine::kEntry)
      *m_oConf += row;
    std::free(*pp);
  }
  std::free(ppLines);
  // A table too large to index (beyond a hundred million entries) is
  // searched row by row instead.
  const std::size_t nRows = static_cast<std::size_t>(m_oConf->GetLength());
  if (!FirstMatchIndex::fits(nRows)) return 1;
  char*** ppRows = *m_oConf;
  m_pIndex = tavo::detail::create<Index>(nRows);
  indexColumn(m_pIndex->oKeys, ppRows, 0);
  indexColumn(m_pIndex->oValues, ppRows, 1);
  return 1;
}
int tCFileConf::GetValue(const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(m_oConf && pKey);
  oValue.Empty();
  char** ppRow = m_pIndex != nullptr ? findRow(m_pIndex->oKeys, 0, pKey) : scanRows(*m_oConf, 0, pKey);
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
  char** ppRow = m_pIndex != nullptr ? findRow(m_pIndex->oValues, 1, pValue) : scanRows(*m_oConf, 1, pValue);
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
