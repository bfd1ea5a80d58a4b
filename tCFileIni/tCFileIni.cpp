// tCFileIni: INI files of named sections holding key/value entries.
#include "tCFileIni/tCFileIni.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_assert.h"
#include "common/tavo_bytes.h"
#include "common/tavo_internal.h"
#include "common/tavo_lines.h"

namespace {

// The value of the first entry `pKey` in the sections named `pSection`, in
// file order; null when there is none.  Points into the section table.
const char* findValue(IniSection* const* ppSections, int nSections, const char* pSection,
                      const char* pKey) {
  for (int i = 0; i < nSections; ++i) {
    const IniSection* pSec = ppSections[i];
    if (std::strcmp(*pSec->m_oName, pSection) != 0) continue;
    for (char*** ppp = *pSec->m_oEntries; *ppp != nullptr; ++ppp)
      if (std::strcmp((*ppp)[0], pKey) == 0) return (*ppp)[1];
  }
  return nullptr;
}

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

}  // namespace

tCFileIni::tCFileIni() : tCFile(), m_pSections(nullptr), m_nSections(0) {}

tCFileIni::tCFileIni(const char* pFileName, const char* pMode)
    : tCFile(pFileName, pMode), m_pSections(nullptr), m_nSections(0) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile != nullptr) parseOpened();
}

tCFileIni::~tCFileIni() { Close(); }

tCFileIni::tCFileIni(const tCFileIni& oRight)
    : tCFile(oRight),
      m_pSections(oRight.m_pSections),
      m_nSections(oRight.m_nSections),
      m_oTableShares(oRight.m_oTableShares) {}

tCFileIni& tCFileIni::operator=(const tCFileIni& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  releaseSections();
  m_pSections = oRight.m_pSections;
  m_nSections = oRight.m_nSections;
  m_oTableShares.join(oRight.m_oTableShares);
  return *this;
}

void tCFileIni::releaseSections() {
  if (m_oTableShares.leave()) {
    for (int i = 0; i < m_nSections; ++i) {
      tavo::detail::destroy(m_pSections[i]->m_oName);
      tavo::detail::destroy(m_pSections[i]->m_oEntries);
      std::free(m_pSections[i]);
    }
    std::free(m_pSections);
  }
  m_pSections = nullptr;
  m_nSections = 0;
}

int tCFileIni::parseOpened() {
  // Sections still held here (left by a direct tCFile::Close) may be shared
  // with copies: let go of them rather than reuse or leak them.
  releaseSections();
  _ParseIni();
  // An unreadable stream (a directory, an I/O error) is not an empty file.
  if (std::ferror(m_pFile)) {
    Close();
    return 0;
  }
  return 1;
}

int tCFileIni::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (tCFile::Open(pFileName, pMode) == 0) return 0;
  return parseOpened();
}

int tCFileIni::Close() {
  releaseSections();
  tCFile::Close();
  return 1;
}

int tCFileIni::_ParseIni() {
  using tavo::detail::SettingLine;
  char** ppLines = ReadLines();
  if (ppLines == nullptr) return 1;
  tCString3* pCurrent = nullptr;
  for (char** pp = ppLines; *pp != nullptr; ++pp) {
    char* row[3] = {nullptr, nullptr, nullptr};
    switch (tavo::detail::cutSettingLine(*pp, true, &row[0], &row[1])) {
      case SettingLine::kHeader: {
        if (!m_oTableShares.held()) m_oTableShares.start();
        m_pSections = static_cast<IniSection**>(mrealloc(
            m_pSections, tavo::detail::blockBytes(m_nSections + 1ull, sizeof(IniSection*), "mrealloc")));
        IniSection* pSec = static_cast<IniSection*>(mmalloc(sizeof(IniSection)));
        pSec->m_oName = tavo::detail::create<tCString>(row[0]);
        pSec->m_oEntries = tavo::detail::create<tCString3>();
        m_pSections[m_nSections++] = pSec;
        pCurrent = pSec->m_oEntries;
        break;
      }
      case SettingLine::kEntry:
        if (pCurrent != nullptr) *pCurrent += row;
        break;
      case SettingLine::kIgnored:
        break;
    }
  }
  strfreev(ppLines);
  return 1;
}

int tCFileIni::GetValue(const char* pSection, const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(pSection && pKey);
  if (m_pSections == nullptr) return 0;
  oValue.Empty();
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey);
  if (pFound == nullptr) return 0;
  oValue = pFound;
  return 1;
}

int tCFileIni::GetString(const char* pSection, const char* pKey, char* pValue) const {
  TAVO_ASSERT(pSection && pKey && pValue);
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey);
  if (pFound == nullptr) return 0;
  std::memcpy(pValue, pFound, std::strlen(pFound) + 1);
  return 1;
}

int tCFileIni::GetInteger(const char* pSection, const char* pKey, int* nValue) const {
  TAVO_ASSERT(pSection && pKey && nValue);
  const char* pFound = findValue(m_pSections, m_nSections, pSection, pKey);
  if (pFound == nullptr) return 0;
  *nValue = toInt(pFound);
  return 1;
}
