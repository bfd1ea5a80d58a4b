/// \file
/// The class tCString2: an ordered list of strings kept as a string vector.
#ifndef TAVO_TCSTRING2_TCSTRING2_H
#define TAVO_TCSTRING2_TCSTRING2_H

#include "common/tavo_export.h"

/**
 * An ordered list of strings kept as a string vector.
 *
 * The list owns a private heap copy (mstrdup) of every string it holds and
 * keeps them, at all times, as a string vector: slots 0..GetLength()-1 hold
 * the strings in list order and slot GetLength() holds a null pointer.  An
 * empty list owns a one-slot array holding only null, so the vector handed
 * out by `operator char**()` is never null and can be passed to every
 * function of the library that takes a string vector.
 *
 * Storage rules: each append or insert resizes the array to exactly the new
 * length plus one slot (no reserve); removals never shrink it.  Pointers
 * handed out (`operator char**`, `operator[]`, GetAt) point into the list's
 * own storage: do not free them; they stay valid until the list is next
 * changed or destroyed.  Every copy (copy constructor, assignment,
 * `operator+`, Mid, Left, Right) copies every string; two lists never share
 * a string.
 *
 * Comparisons: case-sensitive is the strcmp order (unsigned byte values, a
 * prefix before the longer string, bytes 0x80-0xFF after all ASCII).  The
 * NoCase operations fold only 'A'-'Z' to 'a'-'z' before comparing, with no
 * locale, so '_' (0x5F) orders before 'a'.
 *
 * Order flag nFlag (Sort, SortNoCase, ForkFind, ForkFindNoCase): 1 is
 * ascending, 2 is descending; when omitted it is 1.  The start of Find and
 * FindNoCase defaults to 0 (the first string), that of ReverseFind and
 * ReverseFindNoCase to -1 (the last string).
 *
 * Strings and vectors passed in may point into this list's own storage
 * (appending the list to itself, assigning it its own vector, setting a slot
 * from the very string it replaces, ...): every operation reads its source
 * before it frees or moves anything, so the result is as if a separate copy
 * had been given.
 *
 * A violated precondition stops the program with the library's assertion,
 * naming the quoted expression.  Unless said otherwise a `const char*` or
 * `char**` argument must not be null.
 */
class TAVO_API tCString2 {
 public:
  /// \name Construction and size
  ///@{

  /// Empty list.
  tCString2();
  /// Copies of the strings of the string vector pStr, in order.
  /// \param pStr the string vector copied.
  /// \pre Asserts "pStr".
  tCString2(char** pStr);
  /// Copy of every string of the other list.
  /// \param oRight the list copied.
  tCString2(const tCString2& oRight);
  /// Frees every string and the array.  Not virtual.
  ~tCString2();

  /// The list's own vector (never null; its slot GetLength() is null).
  /// \return the vector, owned by the list: do not free it or its strings.
  operator char**() const;

  /// Number of strings.
  /// \return the number of strings, 0 or more.
  int GetLength() const;
  /// Whether the list is empty.
  /// \return 1 if the list holds no string, else 0.
  int IsEmpty() const;
  /// Same as IsEmpty().
  /// \return 1 if the list holds no string, else 0.
  int operator!() const;
  /// Frees every string and leaves the empty list.
  /// \return 1.
  int Empty();
  ///@}

  /// \name Indexed access
  ///@{

  /// The string at nPos, owned by the list; at nPos == GetLength() the
  /// terminating null pointer.
  /// \param nPos the index, 0 to GetLength().
  /// \return the string, owned by the list, or null at GetLength().
  /// \pre Asserts "(nPos >= 0) && (nPos <= m_nLen)".
  const char* operator[](int nPos) const;
  /// Identical to `operator[]`, same precondition.
  /// \param nPos the index, 0 to GetLength().
  /// \return the string, owned by the list, or null at GetLength().
  /// \pre Asserts "(nPos >= 0) && (nPos <= m_nLen)".
  const char* GetAt(int nPos) const;
  /// Replaces the text of string nPos by a copy of pStr (resized in place);
  /// pStr may be, or point into, the string it replaces.
  /// \param nPos the index, below GetLength().
  /// \param pStr the text copied.
  /// \return 1.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen) && pStr".
  int SetAt(int nPos, const char* pStr);
  ///@}

  /// \name Assignments
  /// The list becomes copies of the source's strings, and the list itself
  /// is returned.
  ///@{

  /// Copies of the strings of oRight.
  /// \param oRight the list copied; not this list.
  /// \return the list itself.
  /// \pre Asserts "(&oRight) != this".
  const tCString2& operator=(const tCString2& oRight);
  /// Every string of the vector pRight, which may be this list's own vector
  /// (or a part of it).
  /// \param pRight the string vector copied.
  /// \return the list itself.
  /// \pre Asserts "pRight".
  const tCString2& operator=(char** pRight);
  /// A list of exactly the one string pRight.
  /// \param pRight the string copied.
  /// \return the list itself.
  /// \pre Asserts "pRight".
  const tCString2& operator=(const char* pRight);
  ///@}

  /// \name Appending
  /// Appending, in order, to the end of the list; returns the list itself.
  ///@{

  /// Copies of the strings of oRight.  Appending the list to itself doubles
  /// it.
  /// \param oRight the list appended.
  /// \return the list itself.
  const tCString2& operator+=(const tCString2& oRight);
  /// Every string of the vector pRight (which may be this list's own
  /// vector).
  /// \param pRight the string vector appended.
  /// \return the list itself.
  /// \pre Asserts "pRight".
  const tCString2& operator+=(char** pRight);
  /// One string.
  /// \param pRight the string appended.
  /// \return the list itself.
  /// \pre Asserts "pRight".
  const tCString2& operator+=(const char* pRight);
  ///@}

  /// \name Equality
  /// 1 if the other side holds exactly GetLength() strings, each equal
  /// (case-sensitively) to the string at the same position, else 0.
  ///@{

  /// Equality with the string vector pRight.  An empty list equals a vector
  /// whose first slot is null.
  /// \param pRight the string vector compared with.
  /// \return 1 if equal, else 0.
  /// \pre Asserts "pRight".
  int operator==(char** pRight) const;
  /// Equality with the list oRight.
  /// \param oRight the list compared with.
  /// \return 1 if equal, else 0.
  int operator==(const tCString2& oRight) const;
  /// Negation of operator==(char**) (same precondition).
  /// \param pRight the string vector compared with.
  /// \return 0 if equal, else 1.
  /// \pre Asserts "pRight".
  int operator!=(char** pRight) const;
  /// Negation of operator==(const tCString2&).
  /// \param oRight the list compared with.
  /// \return 0 if equal, else 1.
  int operator!=(const tCString2& oRight) const;
  ///@}

  /// \name Sub-lists
  /// A new list of copies.  Mid gives up to nCount strings from index nFirst
  /// (a negative nFirst counts as 0; a start at or beyond the end gives the
  /// empty list; the count stops at the last string).  Left(n) is Mid(0, n);
  /// Right(n) is Mid(GetLength() - n, n), so a count beyond the length gives
  /// the whole list.  Precondition "nCount > 0".
  ///@{

  /// Up to nCount strings from index nFirst.
  /// \param nFirst the index of the first string.
  /// \param nCount the largest number of strings.
  /// \return a new list of copies.
  /// \pre Asserts "nCount > 0".
  tCString2 Mid(int nFirst, int nCount) const;
  /// Mid(0, nCount): the first nCount strings, or all.
  /// \param nCount the largest number of strings.
  /// \return a new list of copies.
  /// \pre Asserts "nCount > 0".
  tCString2 Left(int nCount) const;
  /// Mid(GetLength() - nCount, nCount): the last nCount strings, or all.
  /// \param nCount the largest number of strings.
  /// \return a new list of copies.
  /// \pre Asserts "nCount > 0".
  tCString2 Right(int nCount) const;
  ///@}

  /// \name Editing and sorting
  ///@{

  /// Inserts a copy of pStr at nIndex, moving the strings from nIndex up by
  /// one; nIndex == GetLength() appends.
  /// \param nIndex the index the new string takes, 0 to GetLength().
  /// \param pStr the string copied in.
  /// \return the new length.
  /// \pre Asserts "(nIndex >= 0) && (nIndex <= m_nLen) && pStr".
  int Insert(int nIndex, const char* pStr);
  /// Frees string nPos and closes the gap.
  /// \param nPos the index, below GetLength().
  /// \return 1.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen)".
  int Remove(int nPos);
  /// Removes every string equal (case-sensitively) to pStr.
  ///
  /// The list is rebuilt even when nothing matched: every remaining string
  /// is a new copy, so pointers obtained before are no longer valid.  pStr
  /// may point into the list.
  /// \param pStr the string removed.
  /// \return how many were removed (0 if none).
  /// \pre Asserts "pStr".
  int Remove(const char* pStr);
  /// Reverses the order of the strings (only pointers move).
  /// \return 1.
  int MakeReverse();

  /// Sorts the strings in place, stably, in the case-sensitive order.
  ///
  /// Equal strings keep their relative order; only pointers move.  Runs in
  /// O(n log n) time and needs a temporary array of n pointers.
  /// \param nFlag 1 ascending, 2 descending.
  /// \return 1.
  /// \pre Asserts "(nFlag == 1) || (nFlag == 2)".
  int Sort(int nFlag = 1);
  /// As Sort, by the case-folded order.
  /// \param nFlag 1 ascending, 2 descending.
  /// \return 1.
  /// \pre Asserts "(nFlag == 1) || (nFlag == 2)".
  int SortNoCase(int nFlag = 1);
  ///@}

  /// \name Search
  /// Each returns an index into the list, or -1.
  ///@{

  /// Forward search from nStart.
  /// \param pStr the string searched for.
  /// \param nStart the index the search starts at.
  /// \return the index of the first string equal to pStr at or after
  ///         nStart, or -1 (also -1 when nStart >= GetLength()).
  /// \pre Asserts "pStr && (nStart >= 0)".
  int Find(const char* pStr, int nStart = 0) const;
  /// As Find, by the case-folded order.
  /// \param pStr the string searched for.
  /// \param nStart the index the search starts at.
  /// \return the index of the first string equal to pStr after folding at
  ///         or after nStart, or -1 (also -1 when nStart >= GetLength()).
  /// \pre Asserts "pStr && (nStart >= 0)".
  int FindNoCase(const char* pStr, int nStart = 0) const;
  /// Backward search from nStart down to 0.
  ///
  /// nStart -1 means from the last string (so an empty list gives -1); any
  /// start below -1 gives -1.
  /// \param pStr the string searched for.
  /// \param nStart the index the search starts at, or -1 for the last.
  /// \return the index of the last string equal to pStr at or before
  ///         nStart, or -1.
  /// \pre Asserts, after -1 is replaced: "pStr && (nStart <= (m_nLen - 1))".
  int ReverseFind(const char* pStr, int nStart = -1) const;
  /// As ReverseFind, by the case-folded order.
  /// \param pStr the string searched for.
  /// \param nStart the index the search starts at, or -1 for the last.
  /// \return the index of the last string equal to pStr after folding at or
  ///         before nStart, or -1.
  /// \pre Asserts, after -1 is replaced: "pStr && (nStart <= (m_nLen - 1))".
  int ReverseFindNoCase(const char* pStr, int nStart = -1) const;

  /// Search by halving of a list sorted in the order nFlag names.
  ///
  /// Probes the middle of the range lo..hi at lo + size/2 (the upper middle
  /// for even sizes), returns the first probed index whose string equals
  /// pStr, else narrows to the side that can hold pStr; -1 when the range
  /// empties.  Among equal strings the one returned is the first one probed
  /// (ascending 'a','b','b','b' looking up 'b' gives 2).  An unsorted list
  /// gives the index of a matching string or -1.  The list is not changed.
  /// \param pStr the string searched for.
  /// \param nFlag 1 ascending, 2 descending: the order the list is sorted in.
  /// \return the index of a string equal to pStr, or -1.
  /// \pre Asserts "pStr && ((nFlag == 1) || (nFlag == 2))".
  int ForkFind(const char* pStr, int nFlag = 1);
  /// As ForkFind, on a list sorted by the case-folded order (SortNoCase).
  /// \param pStr the string searched for.
  /// \param nFlag 1 ascending, 2 descending: the order the list is sorted in.
  /// \return the index of a string equal to pStr after folding, or -1.
  /// \pre Asserts "pStr && ((nFlag == 1) || (nFlag == 2))".
  int ForkFindNoCase(const char* pStr, int nFlag = 1);
  ///@}

 private:
  // Frees everything and leaves the one-slot empty vector.  Returns 1.
  int InitVar();

  // tCString::Split hands its pieces over whole.
  friend class tCString;

  char** m_ppStr;
  int m_nLen;
};

/// \name Concatenation
/// A new list holding copies of the left operand's strings, then of the
/// right operand's; the operands are not changed.  A `char**` operand
/// contributes all its strings, a `const char*` operand one string.
///@{

/// Copies of the strings of oLeft, then of oRight.
/// \param oLeft the left operand.
/// \param oRight the right operand.
/// \return a new list.
TAVO_API tCString2 operator+(const tCString2& oLeft, const tCString2& oRight);
/// Copies of the strings of oLeft, then of the string vector pRight.
/// \param oLeft the left operand.
/// \param pRight the right operand, a string vector.
/// \return a new list.
/// \pre Asserts "pRight".
TAVO_API tCString2 operator+(const tCString2& oLeft, char** pRight);
/// Copies of the strings of the string vector pLeft, then of oRight.
/// \param pLeft the left operand, a string vector.
/// \param oRight the right operand.
/// \return a new list.
/// \pre Asserts "pLeft".
TAVO_API tCString2 operator+(char** pLeft, const tCString2& oRight);
/// Copies of the strings of oLeft, then of the string pRight.
/// \param oLeft the left operand.
/// \param pRight the right operand, one string.
/// \return a new list.
/// \pre Asserts "pRight".
TAVO_API tCString2 operator+(const tCString2& oLeft, const char* pRight);
/// A copy of the string pLeft, then copies of the strings of oRight.
/// \param pLeft the left operand, one string.
/// \param oRight the right operand.
/// \return a new list.
/// \pre Asserts "pLeft".
TAVO_API tCString2 operator+(const char* pLeft, const tCString2& oRight);
///@}

#endif  // TAVO_TCSTRING2_TCSTRING2_H
