/// \file
/// The class tCString3: an ordered list of rows, each row an ordered list of
/// strings, kept as a string table.
#ifndef TAVO_TCSTRING3_TCSTRING3_H
#define TAVO_TCSTRING3_TCSTRING3_H

#include "common/tavo_export.h"

/**
 * An ordered list of rows, each row an ordered list of strings, kept as a
 * string table.
 *
 * The table owns a private copy of every row and every string and keeps
 * them, at all times, as a string table: slots 0..GetLength()-1 hold the rows
 * (string vectors, never null, possibly empty) and slot GetLength() holds a
 * null pointer.  An empty table owns a one-slot array holding only null, so
 * the table handed out by `operator char***()` is never null and can be
 * passed to every function of the library that takes a string table (a
 * string table of the caller's own, not this one, is released whole with
 * strfreevv and a single row with strfreev).
 *
 * Storage rules: each added row resizes the outer array to exactly the new
 * row count plus one slot; a row copied in has exactly its strings plus the
 * null slot.  Removals never shrink the outer array.  Pointers handed out
 * (`operator char***`, `operator[]`, GetAt) point into the table's own
 * storage: do not free them or any string in them; they stay valid until the
 * table is next changed or destroyed.  Two tables never share a row or a
 * string.
 *
 * A `char***` operand stands for all its rows, a `char**` operand for one
 * row.  Sources may point into this table's own storage (appending the table
 * to itself, assigning it its own rows, setting a row from the very row it
 * replaces, ...): every operation reads its source before it frees or moves
 * anything, so the result is as if a separate copy had been given.
 *
 * String equality is case-sensitive (the strcmp order).  A violated
 * precondition stops the program with the library's assertion, naming the
 * quoted expression.  No `char**` or `char***` argument may be null; a row
 * may be empty.
 */
class TAVO_API tCString3 {
 public:
  /// \name Construction and size
  ///@{

  /// Empty table.
  tCString3();
  /// Copies of every row of the string table pStr, in order.
  /// \param pStr the string table copied.
  /// \pre Asserts "pStr".
  tCString3(char*** pStr);
  /// Copy of every row of the other table.
  /// \param oRight the table copied.
  tCString3(const tCString3& oRight);
  /// Frees every row and string.
  virtual ~tCString3();

  /// The table's own string table (never null; its slot GetLength() is
  /// null).
  /// \return the string table, owned by the table: do not free it or any
  ///         row or string in it.
  operator char***() const;

  /// Number of rows.
  /// \return the number of rows, 0 or more.
  int GetLength() const;
  /// Whether the table is empty.
  /// \return 1 if the table holds no row, else 0.
  int IsEmpty() const;
  /// Same as IsEmpty().
  /// \return 1 if the table holds no row, else 0.
  int operator!() const;
  /// Frees everything and leaves the empty table.
  /// \return 1.
  int Empty();
  ///@}

  /// \name Rows
  ///@{

  /// The row at nPos, owned by the table; at nPos == GetLength() the
  /// terminating null pointer, so walking from 0 until a null row visits
  /// every row once.
  /// \param nPos the row index, 0 to GetLength().
  /// \return the row, owned by the table, or null at GetLength().
  /// \pre Asserts "(nPos >= 0) && (nPos <= m_nLen)".
  char** operator[](int nPos) const;
  /// Identical to `operator[]`, same precondition.
  /// \param nPos the row index, 0 to GetLength().
  /// \return the row, owned by the table, or null at GetLength().
  /// \pre Asserts "(nPos >= 0) && (nPos <= m_nLen)".
  char** GetAt(int nPos) const;
  /// Replaces row nPos by a copy of pStr (which may be that very row).
  /// \param nPos the row index, below GetLength().
  /// \param pStr the row copied, a string vector.
  /// \return 1.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen) && pStr".
  int SetAt(int nPos, char** pStr);
  /// Inserts a copy of pStr as row nIndex, moving the rows from nIndex up by
  /// one; nIndex == GetLength() appends.
  /// \param nIndex the row index the new row takes, 0 to GetLength().
  /// \param pStr the row copied in, a string vector.
  /// \return the new row count.
  /// \pre Asserts "(nIndex >= 0) && (nIndex <= m_nLen) && pStr".
  int Insert(int nIndex, char** pStr);
  /// Frees row nPos with its strings and closes the gap.
  /// \param nPos the row index, below GetLength().
  /// \return 1.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen)".
  int Remove(int nPos);
  ///@}

  /// \name Assignments
  /// The table becomes copies of the source's rows, and the table itself is
  /// returned.
  ///@{

  /// Copies of the rows of oRight.
  /// \param oRight the table copied; not this table.
  /// \return the table itself.
  /// \pre Asserts "(&oRight) != this".
  const tCString3& operator=(const tCString3& oRight);
  /// Every row of the table pRight.
  /// \param pRight the string table copied.
  /// \return the table itself.
  /// \pre Asserts "pRight".
  const tCString3& operator=(char*** pRight);
  /// A table of exactly the one row pRight (even when that row is empty).
  /// \param pRight the row copied, a string vector.
  /// \return the table itself.
  /// \pre Asserts "pRight".
  const tCString3& operator=(char** pRight);
  ///@}

  /// \name Appending
  /// Appending, in order, to the end of the table; returns the table itself.
  ///@{

  /// Copies of the rows of oRight.  Appending the table to itself doubles
  /// it.
  /// \param oRight the table appended.
  /// \return the table itself.
  const tCString3& operator+=(const tCString3& oRight);
  /// Every row of pRight.
  /// \param pRight the string table appended.
  /// \return the table itself.
  /// \pre Asserts "pRight".
  const tCString3& operator+=(char*** pRight);
  /// One row.
  /// \param pRight the row appended, a string vector.
  /// \return the table itself.
  /// \pre Asserts "pRight".
  const tCString3& operator+=(char** pRight);
  ///@}

  /// \name Equality
  /// 1 if the other side has exactly GetLength() rows and every row has the
  /// same number of strings as the row at the same position, with equal
  /// strings at the same positions; else 0.
  ///@{

  /// Equality with the string table pRight.
  /// \param pRight the string table compared with.
  /// \return 1 if equal, else 0.
  /// \pre Asserts "pRight".
  int operator==(char*** pRight) const;
  /// Equality with the table oRight.
  /// \param oRight the table compared with.
  /// \return 1 if equal, else 0.
  int operator==(const tCString3& oRight) const;
  /// Negation of operator==(char***) (same precondition).
  /// \param pRight the string table compared with.
  /// \return 0 if equal, else 1.
  /// \pre Asserts "pRight".
  int operator!=(char*** pRight) const;
  /// Negation of operator==(const tCString3&).
  /// \param oRight the table compared with.
  /// \return 0 if equal, else 1.
  int operator!=(const tCString3& oRight) const;
  ///@}

 private:
  // Frees everything and leaves the one-slot empty table.  Returns 1.
  int InitVar();

  char*** m_pppStr;
  int m_nLen;
};

/// \name Concatenation
/// A new table holding copies of the left operand's rows, then of the right
/// operand's; the operands are not changed.  A `char***` operand contributes
/// all its rows, a `char**` operand one row.
///@{

/// Copies of the rows of oLeft, then of oRight.
/// \param oLeft the left operand.
/// \param oRight the right operand.
/// \return a new table.
TAVO_API tCString3 operator+(const tCString3& oLeft, const tCString3& oRight);
/// Copies of the rows of oLeft, then of the string table pRight.
/// \param oLeft the left operand.
/// \param pRight the right operand, a string table.
/// \return a new table.
/// \pre Asserts "pRight".
TAVO_API tCString3 operator+(const tCString3& oLeft, char*** pRight);
/// Copies of the rows of the string table pLeft, then of oRight.
/// \param pLeft the left operand, a string table.
/// \param oRight the right operand.
/// \return a new table.
/// \pre Asserts "pLeft".
TAVO_API tCString3 operator+(char*** pLeft, const tCString3& oRight);
/// Copies of the rows of oLeft, then a copy of the row pRight.
/// \param oLeft the left operand.
/// \param pRight the right operand, one row.
/// \return a new table.
/// \pre Asserts "pRight".
TAVO_API tCString3 operator+(const tCString3& oLeft, char** pRight);
/// A copy of the row pLeft, then copies of the rows of oRight.
/// \param pLeft the left operand, one row.
/// \param oRight the right operand.
/// \return a new table.
/// \pre Asserts "pLeft".
TAVO_API tCString3 operator+(char** pLeft, const tCString3& oRight);
///@}

#endif  // TAVO_TCSTRING3_TCSTRING3_H
