// The life cycle the two settings-file classes (tCFileConf, tCFileIni)
// share (internal header, not installed).
//
// Each keeps the entries of its file in a table built once, when the file
// is opened: tCFileConf a tCString3 of rows, tCFileIni an array of section
// records.  The table lives in a counted block (tavo_share.h) shared with
// the object's copies, and the block's header holds the table's lookup
// index.  The steps, the same for both:
//   open     tCFile opens the stream; the lines are cut (cutSettingLine)
//            into a new table and its index (the class's _Parse member);
//            a stream that could not be read closes the object again
//            (finishOpen);
//   copy     the table's count goes up (retainShared);
//   close    the table's count goes down, and the last holder frees the
//            index and the table (releaseTable), then tCFile::Close.
#ifndef TAVO_INTERNAL_TAVO_SETTINGS_H
#define TAVO_INTERNAL_TAVO_SETTINGS_H

#include <cstdio>
#include <cstdlib>

#include "tavo_lines.h"
#include "tavo_share.h"

namespace tavo {
namespace detail {

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
  Index* pIndex = tableIndex<Index>(p);
  if (pIndex != nullptr) {
    pIndex->~Index();
    std::free(pIndex);
  }
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
    std::free(*pp);
  }
  std::free(ppLines);
}

// The end of every open: a stream that could not be read (a directory, an
// I/O error) is not an empty file, so the object is closed again with
// `close` and the open fails.  1 or 0.
template <class Close>
int finishOpen(FILE* fp, Close close) {
  if (!std::ferror(fp)) return 1;
  close();
  return 0;
}

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_SETTINGS_H
