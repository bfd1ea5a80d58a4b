// tCFileIni: INI files of named sections holding key/value entries.
#include "tCFileIni/tCFileIni.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/common.h"
#include "common/tavo_assert.h"
#include "common/tavo_bytes.h"
#include "common/tavo_index.h"
#include "common/tavo_internal.h"
#include "common/tavo_lines.h"

namespace {

using tavo::detail::FirstMatchIndex;
using tavo::detail::sameText;
using tavo::detail::Text;

}  // namespace

// Where each (section name, key) first appears: the row, tagged with the
// number of its section, whose name and length are kept beside the table.
struct tCFileIni::Index {
  struct Name {
    const char* p;
    std::size_t n;
  };

  Index(std::size_t nEntries, int nSections)
      : oRows(nEntries),
        pNames(static_cast<Name*>(
            mmalloc(tavo::detail::blockBytes(static_cast<unsigned long long>(nSections), sizeof(Name), "mmalloc")))) {}
  ~Index() { std::free(pNames); }
  Index(const Index&) = delete;
  Index& operator=(const Index&) = delete;

  // What tells a slot of the entry `key` in a section named `section`.
  auto sameEntry(const Text& section, const Text& key) const {
    return [this, &section, &key](const FirstMatchIndex::Slot& s) {
      return sameText(s.pRow[0], s.nKeyLen, key) && sameText(pNames[s.nTag].p, pNames[s.nTag].n, section);
    };
  }

  // The slot of the first entry `key` among the sections named `section`.
  const FirstMatchIndex::Slot* find(const Text& section, const Text& key) const {
    return oRows.find(tavo::detail::hashOf(section, key), sameEntry(section, key));
  }

  FirstMatchIndex oRows;
  Name* pNames;  // section names by number, in file order
};

namespace {

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

tCFileIni::tCFileIni() : tCFile(), m_pSections(nullptr), m_nSections(0), m_pIndex(nullptr) {}

tCFileIni::tCFileIni(const char* pFileName, const char* pMode)
    : tCFile(pFileName, pMode), m_pSections(nullptr), m_nSections(0), m_pIndex(nullptr) {
  TAVO_ASSERT(pFileName && pMode);
  if (m_pFile != nullptr) parseOpened();
}

tCFileIni::~tCFileIni() { Close(); }

tCFileIni::tCFileIni(const tCFileIni& oRight)
    : tCFile(oRight),
      m_pSections(oRight.m_pSections),
      m_nSections(oRight.m_nSections),
      m_oTableShares(oRight.m_oTableShares),
      m_pIndex(oRight.m_pIndex) {}

tCFileIni& tCFileIni::operator=(const tCFileIni& oRight) {
  if (&oRight == this) return *this;
  tCFile::operator=(oRight);
  releaseSections();
  m_pSections = oRight.m_pSections;
  m_nSections = oRight.m_nSections;
  m_oTableShares.join(oRight.m_oTableShares);
  m_pIndex = oRight.m_pIndex;
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
    tavo::detail::destroy(m_pIndex);
  }
  m_pSections = nullptr;
  m_nSections = 0;
  m_pIndex = nullptr;
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
  // Each line is freed once its parts are copied into the tables, so the
  // file is not held twice at the peak.
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
    std::free(*pp);
  }
  std::free(ppLines);
  if (m_nSections != 0) buildIndex();
  return 1;
}

// Indexes every (section name, key) at its first place in file order:
// sections in order, entries in order, later repeats ignored.
void tCFileIni::buildIndex() {
  std::size_t nEntries = 0;
  for (int i = 0; i < m_nSections; ++i) nEntries += static_cast<std::size_t>(m_pSections[i]->m_oEntries->GetLength());
  // Sections too large to index (beyond a hundred million entries) are
  // searched entry by entry instead.
  if (!FirstMatchIndex::fits(nEntries)) return;
  m_pIndex = tavo::detail::create<Index>(nEntries, m_nSections);
  for (int i = 0; i < m_nSections; ++i) {
    const Text name(*m_pSections[i]->m_oName);
    m_pIndex->pNames[i] = Index::Name{name.p, name.n};
    char*** ppRows = *m_pSections[i]->m_oEntries;
    for (int j = 0; ppRows[j] != nullptr; ++j) {
      const Text key(ppRows[j][0]);
      m_pIndex->oRows.addFirst(tavo::detail::hashOf(name, key), static_cast<std::uint32_t>(i), ppRows[j], key, 1,
                               m_pIndex->sameEntry(name, key));
    }
  }
}

const char* tCFileIni::findValue(const char* pSection, const char* pKey, std::size_t* pLen) const {
  if (m_pIndex == nullptr) {
    // No index: no section at all, or too many entries to index.
    for (int i = 0; i < m_nSections; ++i) {
      if (std::strcmp(*m_pSections[i]->m_oName, pSection) != 0) continue;
      for (char*** ppp = *m_pSections[i]->m_oEntries; *ppp != nullptr; ++ppp) {
        if (std::strcmp((*ppp)[0], pKey) != 0) continue;
        if (pLen != nullptr) *pLen = std::strlen((*ppp)[1]);
        return (*ppp)[1];
      }
    }
    return nullptr;
  }
  const FirstMatchIndex::Slot* s = m_pIndex->find(Text(pSection), Text(pKey));
  if (s == nullptr) return nullptr;
  if (pLen != nullptr) *pLen = s->nValueLen;
  return s->pRow[1];
}

int tCFileIni::GetValue(const char* pSection, const char* pKey, tCString& oValue) const {
  TAVO_ASSERT(pSection && pKey);
  if (m_pSections == nullptr) return 0;
  oValue.Empty();
  const char* pFound = findValue(pSection, pKey, nullptr);
  if (pFound == nullptr) return 0;
  oValue = pFound;
  return 1;
}

int tCFileIni::GetString(const char* pSection, const char* pKey, char* pValue) const {
  TAVO_ASSERT(pSection && pKey && pValue);
  std::size_t nLen = 0;
  const char* pFound = findValue(pSection, pKey, &nLen);
  if (pFound == nullptr) return 0;
  std::memcpy(pValue, pFound, nLen + 1);
  return 1;
}

int tCFileIni::GetInteger(const char* pSection, const char* pKey, int* nValue) const {
  TAVO_ASSERT(pSection && pKey && nValue);
  const char* pFound = findValue(pSection, pKey, nullptr);
  if (pFound == nullptr) return 0;
  *nValue = toInt(pFound);
  return 1;
}
