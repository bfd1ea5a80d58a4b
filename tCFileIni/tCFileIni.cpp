// tCFileIni: INI files of named sections holding key/value entries.
#include "tCFileIni/tCFileIni.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_assert.h"

namespace {

// What one line of an INI file is.
enum class LineKind { kIgnored, kHeader, kEntry };

// Classifies `pLine` and cuts it in place: a header's name, or an entry's
// key and value, are left NUL-terminated in the line's own storage.  The
// text ends at its first NUL, as it would for any string built from it.
LineKind cutLine(char* pLine, char** ppFirst, char** ppSecond) {
  std::size_t nLen = std::strlen(pLine);
  if (char* pHash = static_cast<char*>(std::memchr(pLine, '#', nLen))) {
    if (pHash == pLine) return LineKind::kIgnored;
    *pHash = '\0';
    nLen = static_cast<std::size_t>(pHash - pLine);
  }
  if (nLen > 2 && pLine[0] == '[' && pLine[nLen - 1] == ']') {
    pLine[nLen - 1] = '\0';
    *ppFirst = pLine + 1;
    return LineKind::kHeader;
  }
  char* pEq = static_cast<char*>(std::memchr(pLine, '=', nLen));
  if (pEq == nullptr) return LineKind::kIgnored;
  if (std::memchr(pEq + 1, '=', nLen - static_cast<std::size_t>(pEq + 1 - pLine)) != nullptr)
    return LineKind::kIgnored;
  *pEq = '\0';
  *ppFirst = pLine;
  *ppSecond = pEq + 1;
  return LineKind::kEntry;
}

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

bool isSpace(unsigned char ch) { return ch == 0x20 || (ch >= 0x09 && ch <= 0x0D); }

// Decimal conversion as atoi reads it, saturating at the int range instead
// of overflowing.
int toInt(const char* p) {
  while (isSpace(static_cast<unsigned char>(*p))) ++p;
  bool bNeg = false;
  if (*p == '+' || *p == '-') bNeg = (*p++ == '-');
  // Accumulate towards the negative side, which holds one more value.
  long long n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    n = n * 10 - (*p - '0');
    if (n < INT_MIN) return bNeg ? INT_MIN : INT_MAX;
  }
  if (!bNeg) return n < -INT_MAX ? INT_MAX : static_cast<int>(-n);
  return static_cast<int>(n);
}

}  // namespace

tCFileIni::tCFileIni() : tCFile(), m_pSections(nullptr), m_nSections(0), m_pnShares(nullptr) {}

tCFileIni::tCFileIni(const char* pFileName, const char* pMode)
    : tCFile(pFileName, pMode), m_pSections(nullptr), m_nSections(0), m_pnShares(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile == nullptr) return;
  _ParseIni();
  if (std::ferror(m_pFile)) Close();
}

tCFileIni::~tCFileIni() { Close(); }

tCFileIni::tCFileIni(const tCFileIni& oRight)
    : tCFile(oRight),
      m_pSections(oRight.m_pSections),
      m_nSections(oRight.m_nSections),
      m_pnShares(oRight.m_pnShares) {
  if (m_pnShares != nullptr) ++*m_pnShares;
}

tCFileIni& tCFileIni::operator=(const tCFileIni& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  releaseSections();
  m_pSections = oRight.m_pSections;
  m_nSections = oRight.m_nSections;
  m_pnShares = oRight.m_pnShares;
  if (m_pnShares != nullptr) ++*m_pnShares;
  return *this;
}

void tCFileIni::releaseSections() {
  if (m_pnShares != nullptr && --*m_pnShares == 0) {
    for (int i = 0; i < m_nSections; ++i) {
      delete m_pSections[i]->m_oName;
      delete m_pSections[i]->m_oEntries;
      std::free(m_pSections[i]);
    }
    std::free(m_pSections);
    std::free(m_pnShares);
  }
  m_pSections = nullptr;
  m_nSections = 0;
  m_pnShares = nullptr;
}

int tCFileIni::Open(const char* pFileName, const char* pMode) {
  TAVO_ASSERT(pFileName && pMode);
  if (tCFile::Open(pFileName, pMode) == 0) return 0;
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

int tCFileIni::Close() {
  releaseSections();
  tCFile::Close();
  return 1;
}

int tCFileIni::_ParseIni() {
  char** ppLines = ReadLines();
  if (ppLines == nullptr) return 1;
  tCString3* pCurrent = nullptr;
  for (char** pp = ppLines; *pp != nullptr; ++pp) {
    char* row[3] = {nullptr, nullptr, nullptr};
    switch (cutLine(*pp, &row[0], &row[1])) {
      case LineKind::kHeader: {
        if (m_pnShares == nullptr) {
          m_pnShares = static_cast<int*>(mmalloc(sizeof(int)));
          *m_pnShares = 1;
        }
        unsigned long long nBytes =
            static_cast<unsigned long long>(m_nSections + 1) * sizeof(IniSection*);
        if (nBytes > 0xFFFFFFFFull) memfatal("mrealloc");
        m_pSections = static_cast<IniSection**>(
            mrealloc(m_pSections, static_cast<unsigned int>(nBytes)));
        IniSection* pSec = static_cast<IniSection*>(mmalloc(sizeof(IniSection)));
        pSec->m_oName = new tCString(row[0]);
        pSec->m_oEntries = new tCString3;
        m_pSections[m_nSections++] = pSec;
        pCurrent = pSec->m_oEntries;
        break;
      }
      case LineKind::kEntry:
        if (pCurrent != nullptr) *pCurrent += row;
        break;
      case LineKind::kIgnored:
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
