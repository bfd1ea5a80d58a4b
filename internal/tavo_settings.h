// The life cycle the two settings-file classes (tCFileConf, tCFileIni)
// share (internal header, not installed).
//
// Each keeps the entries of its file in a table built once, when the file
// is opened: tCFileConf a tCString3 of rows, tCFileIni an array of section
// records.  The table lives in a counted block (tavo_share.h) shared with
// the object's copies, and the block's header holds the table's lookup
// index.  The steps, the same for both:
//   open     tCFile opens the stream; the lines are cut (cutSettingLine)
//            into a new table and its index (the class's _Parse member,
//            0 when the lines could not be read: then the object is
//            closed again and the open fails, finishOpen);
//   copy     the table's count goes up (retainShared);
//   close    the table's count goes down, and the last holder frees the
//            index and the table (releaseTable), then tCFile::Close;
//   lookup   one path for both (findRow): the index of the first row of
//            each (section, text) (EntryIndex), or, for a table too large
//            to index, a walk of the rows in file order.  A key/value file
//            is one section without a name.
#ifndef TAVO_INTERNAL_TAVO_SETTINGS_H
#define TAVO_INTERNAL_TAVO_SETTINGS_H

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tavo_index.h"
#include "tavo_alloc.h"
#include "tavo_lines.h"
#include "tavo_share.h"

namespace tavo {
namespace detail {

// Where each text first appears among the rows of a parsed settings file,
// by section: rows are added section by section in file order under their
// text in one column, and looked up by (section name, text); the first row
// added under a pair wins.  The rows stay where they are while the index
// lives; the index keeps the length of each row's text in the other
// column, so that a lookup copies a value without measuring it again.
// kColumn (0 or 1) is the column rows are indexed by.
template <int kColumn>
class EntryIndex {
  struct Name {
    const char* p;
    size_t n;
  };

  // What tells a slot of the row with `text` in a section named `section`.
  auto same(const Text& section, const Text& text) const {
    return [this, &section, &text](const FirstMatchIndex::Slot& s) {
      return sameText(s.pRow[kColumn], s.nKeyLen, text) &&
             sameText(pNames_[s.nTag].p, pNames_[s.nTag].n, section);
    };
  }

 public:
  // Whether `nRows` rows can be indexed (beyond about a hundred million
  // they are walked instead).
  static bool fits(size_t nRows) { return FirstMatchIndex::fits(nRows); }

  // An index of at most `nRows` rows in `nSections` sections.
  EntryIndex(size_t nRows, int nSections)
      : oRows_(nRows),
        pNames_(static_cast<Name*>(
            mmalloc(blockBytes(static_cast<unsigned long long>(nSections), sizeof(Name), "mmalloc")))) {}
  ~EntryIndex() { free(pNames_); }
  EntryIndex(const EntryIndex&) = delete;
  EntryIndex& operator=(const EntryIndex&) = delete;

  // Names section `i`; every section is named before its rows are added.
  void nameSection(int i, const char* pName) { pNames_[i] = Name{pName, strlen(pName)}; }

  // Adds the row `pRow` of section `nSection`, unless a row of a section of
  // the same name with the same text came first.
  void add(int nSection, char** pRow) {
    const Text section(pNames_[nSection].p, pNames_[nSection].n);
    const Text text(pRow[kColumn]);
    oRows_.addFirst(hashOf(section, text), static_cast<uint32_t>(nSection), pRow, text, 1 - kColumn,
                    same(section, text));
  }

  // The first row with `text` among the sections named `section`, or null;
  // the length of its other column in `*pLen` when asked.
  char** find(const Text& section, const Text& text, size_t* pLen) const {
    const FirstMatchIndex::Slot* s = oRows_.find(hashOf(section, text), same(section, text));
    if (s == nullptr) return nullptr;
    if (pLen != nullptr) *pLen = s->nValueLen;
    return s->pRow;
  }

 private:
  FirstMatchIndex oRows_;
  Name* pNames_;  // section names by number, in file order
};

// The one lookup of both settings classes: the first row, in file order,
// whose text in column kColumn is `pText` among the sections named
// `pSection`, with the length of its other column in `*pLen` when asked;
// null when there is none.  Through `pIndex` when the table has one, else
// by walking the `nSections` sections, `sectionAt(i, &name)` giving
// section i's rows and name.
template <int kColumn, class SectionAt>
char** findRow(const EntryIndex<kColumn>* pIndex, int nSections, SectionAt sectionAt, const char* pSection,
               const char* pText, size_t* pLen) {
  if (pIndex != nullptr) return pIndex->find(Text(pSection), Text(pText), pLen);
  for (int i = 0; i < nSections; ++i) {
    const char* pName = nullptr;
    char*** ppRows = sectionAt(i, &pName);
    if (strcmp(pName, pSection) != 0) continue;
    for (; *ppRows != nullptr; ++ppRows) {
      if (strcmp((*ppRows)[kColumn], pText) != 0) continue;
      if (pLen != nullptr) *pLen = strlen((*ppRows)[1 - kColumn]);
      return *ppRows;
    }
  }
  return nullptr;
}

// The index kept in the header of the table block `pTable` (null when the
// table was too large to index, or when there is no table).
template <class Index, class Table>
Index* tableIndex(Table* pTable) {
  return pTable != nullptr ? static_cast<Index*>(sharedHeader(pTable)->pExtra) : nullptr;
}

// Lets go of this object's share of the table `rTable`; the last holder
// frees its index and, with freeTable(table), what the table holds, and
// then the block.  `rTable` is null afterwards.
template <class Index, class Table, class FreeTable>
void releaseTable(Table*& rTable, FreeTable freeTable) {
  Table* p = rTable;
  rTable = nullptr;
  if (!releaseShared(p)) return;
  destroy(tableIndex<Index>(p));  // made with create()
  freeTable(p);
  freeShared(p);
}

// Calls `cut(kind, first, second)` for every header or entry among the
// lines `ppLines` (from tCFile::ReadLines; null for none), each cut in place
// by cutSettingLine, and frees the lines as it goes, so the file is not
// held twice at the peak.
template <class Cut>
void forEachSettingLine(char** ppLines, bool bHeaders, Cut cut) {
  if (ppLines == nullptr) return;
  for (char** pp = ppLines; *pp != nullptr; ++pp) {
    char* pFirst = nullptr;
    char* pSecond = nullptr;
    SettingLine kind = cutSettingLine(*pp, bHeaders, &pFirst, &pSecond);
    if (kind != SettingLine::kIgnored) cut(kind, pFirst, pSecond);
    free(*pp);
  }
  free(ppLines);
}

// The end of every open: a file whose lines could not be read (a
// directory, an I/O error) is not an empty file, so when the parser
// returned 0 the object is closed again with `close` and the open fails.
// 1 or 0.
template <class Close>
int finishOpen(int nParsed, Close close) {
  if (nParsed == 1) return 1;
  close();
  return 0;
}

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_SETTINGS_H
