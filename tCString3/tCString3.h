// tCString3: an ordered list of rows, each row an ordered list of strings,
// kept as a string table.
//
// The table owns a private copy of every row and every string and keeps
// them, at all times, as a string table: slots 0..GetLength()-1 hold the rows
// (string vectors, never null, possibly empty) and slot GetLength() holds a
// null pointer.  An empty table owns a one-slot array holding only null, so
// the table handed out by operator char***() is never null and can be passed
// to every function of the library that takes a string table.  It is
// released whole with strfreevv, a single row with strfreev.
//
// Storage rules: each added row resizes the outer array to exactly the new
// row count plus one slot; a row copied in has exactly its strings plus the
// null slot.  Removals never shrink the outer array.  Pointers handed out
// (operator char***, operator[], GetAt) point into the table's own storage:
// do not free them or any string in them; they stay valid until the table is
// next changed or destroyed.  Two tables never share a row or a string.
//
// A char*** operand stands for all its rows, a char** operand for one row.
// Sources may point into this table's own storage (appending the table to
// itself, assigning it its own rows, setting a row from the very row it
// replaces, ...): every operation reads its source before it frees or moves
// anything, so the result is as if a separate copy had been given.
//
// String equality is case-sensitive (the strcmp order).  A violated
// precondition stops the program with the library's assertion, naming the
// quoted expression.  No char** or char*** argument may be null; a row may be
// empty.
#ifndef TAVO_TCSTRING3_TCSTRING3_H
#define TAVO_TCSTRING3_TCSTRING3_H

#include "common/tavo_export.h"

class TAVO_API tCString3 {
 public:
  // Empty table.
  tCString3();
  // Copies of every row of the string table pStr, in order.
  // Precondition "pStr".
  tCString3(char*** pStr);
  // Copy of every row of the other table.
  tCString3(const tCString3& oRight);
  // Frees every row and string.
  virtual ~tCString3();

  // The table's own string table (never null; its slot GetLength() is null).
  operator char***() const;

  // Number of rows.
  int GetLength() const;
  // 1 if the table holds no row, else 0.
  int IsEmpty() const;
  // Same as IsEmpty().
  int operator!() const;
  // Frees everything and leaves the empty table.  Returns 1.
  int Empty();

  // The row at nPos, owned by the table; at nPos == GetLength() the
  // terminating null pointer, so walking from 0 until a null row visits every
  // row once.  Precondition "(nPos >= 0) && (nPos <= m_nLen)".
  char** operator[](int nPos) const;
  // Identical to operator[], same precondition.
  char** GetAt(int nPos) const;
  // Replaces row nPos by a copy of pStr (which may be that very row).
  // Returns 1.  Precondition "(nPos >= 0) && (nPos < m_nLen) && pStr".
  int SetAt(int nPos, char** pStr);
  // Inserts a copy of pStr as row nIndex, moving the rows from nIndex up by
  // one; nIndex == GetLength() appends.  Returns the new row count.
  // Precondition "(nIndex >= 0) && (nIndex <= m_nLen) && pStr".
  int Insert(int nIndex, char** pStr);
  // Frees row nPos with its strings and closes the gap.  Returns 1.
  // Precondition "(nPos >= 0) && (nPos < m_nLen)".
  int Remove(int nPos);

  // Assignments: the table becomes copies of the source's rows, and the
  // table itself is returned.
  // Precondition "(&oRight) != this".
  const tCString3& operator=(const tCString3& oRight);
  // Every row of the table pRight.  Precondition "pRight".
  const tCString3& operator=(char*** pRight);
  // A table of exactly the one row pRight (even when that row is empty).
  // Precondition "pRight".
  const tCString3& operator=(char** pRight);

  // Appending, in order, to the end of the table; returns the table itself.
  // Appending the table to itself doubles it.
  const tCString3& operator+=(const tCString3& oRight);
  // Every row of pRight.  Precondition "pRight".
  const tCString3& operator+=(char*** pRight);
  // One row.  Precondition "pRight".
  const tCString3& operator+=(char** pRight);

  // Equality: 1 if pRight has exactly GetLength() rows and every row has the
  // same number of strings as the row at the same position, with equal
  // strings at the same positions; else 0.  Precondition "pRight".
  int operator==(char*** pRight) const;
  int operator==(const tCString3& oRight) const;
  // Negations of operator== (same precondition).
  int operator!=(char*** pRight) const;
  int operator!=(const tCString3& oRight) const;

 private:
  // Frees everything and leaves the one-slot empty table.  Returns 1.
  int InitVar();

  char*** m_pppStr;
  int m_nLen;
};

// Concatenation: a new table holding copies of the left operand's rows, then
// of the right operand's; the operands are not changed.  A char*** operand
// contributes all its rows, a char** operand one row.
TAVO_API tCString3 operator+(const tCString3& oLeft, const tCString3& oRight);
// Precondition "pRight".
TAVO_API tCString3 operator+(const tCString3& oLeft, char*** pRight);
// Precondition "pLeft".
TAVO_API tCString3 operator+(char*** pLeft, const tCString3& oRight);
// Precondition "pRight".
TAVO_API tCString3 operator+(const tCString3& oLeft, char** pRight);
// Precondition "pLeft".
TAVO_API tCString3 operator+(char** pLeft, const tCString3& oRight);

#endif  // TAVO_TCSTRING3_TCSTRING3_H
