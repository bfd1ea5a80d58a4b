// tCFileConf: flat key/value configuration files.
#include "tCFileConf/tCFileConf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_assert.h"
#include "common/tavo_internal.h"
#include "common/tavo_lines.h"

namespace {

// The row at `nIndex` clamped into [0, n-1]; null when the table is empty.
char** clampedRow(const tCString3& oTable, int nIndex) {
  int n = oTable.GetLength();
  if (n == 0) return nullptr;
  if (nIndex < 0) nIndex = 0;
  if (nIndex >= n) nIndex = n - 1;
  return oTable[nIndex];
}

}  // namespace

tCFileConf::tCFileConf() : tCFile(), m_oConf(nullptr) {}

tCFileConf::tCFileConf(const char* pFileName, const char* pMode) : tCFile(pFileName, pMode), m_oConf(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile != nullptr) parseOpened();
}

tCFileConf::~tCFileConf() { Close(); }

tCFileConf::tCFileConf(const tCFileConf& oRight)
    : tCFile(oRight), m_oConf(oRight.m_oConf), m_oTableShares(oRight.m_oTableShares) {}

tCFileConf& tCFileConf::operator=(const tCFileConf& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  releaseTable();
  m_oConf = oRight.m_oConf;
  m_oTableShares.join(oRight.m_oTableShares);
  return *this;
}

void tCFileConf::releaseTable() {
  if (m_oTableShares.leave()) tavo::detail::destroy(m_oConf);
  m_oConf = nullptr;
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
  for (char** pp = ppLines; *pp != nullptr; ++pp) {
    char* row[3] = {nullptr, nullptr, nullptr};
    if (tavo::detail::cutSettingLine(*pp, false, &row[0], &row[1]) == tavo::detail::SettingLine::kEntry)
      *m_oConf += row;
  }
  strfreev(ppLines);
  return 1;
}
int tCFileConf::GetValue(const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(m_oConf && pKey);
  oValue.Empty();
  for (char*** ppp = *m_oConf; *ppp != nullptr; ++ppp) {
    if (std::strcmp((*ppp)[0], pKey) == 0) {
      oValue = (*ppp)[1];
      return 1;
    }
  }
  return 0;
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
  for (char*** ppp = *m_oConf; *ppp != nullptr; ++ppp) {
    if (std::strcmp((*ppp)[1], pValue) == 0) {
      oKey = (*ppp)[0];
      return 1;
    }
  }
  return 0;
}

int tCFileConf::GetKey(int nIndex, tCString& oKey) const {
  TAVO_ASSERT(m_oConf);
  oKey.Empty();
  char** ppRow = clampedRow(*m_oConf, nIndex);
  if (ppRow == nullptr) return 0;
  oKey = ppRow[0];
  return 1;
}
