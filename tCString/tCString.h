/// \file
/// The class tCString: the library's dynamic byte string.
#ifndef TAVO_TCSTRING_TCSTRING_H
#define TAVO_TCSTRING_TCSTRING_H

#include "common/tavo_export.h"

class tCString2;

/**
 * The library's dynamic byte string.
 *
 * A value type owning one heap block that holds 8-bit text and its
 * terminating NUL, plus a separately kept byte count (GetLength()).  Text is
 * handled byte by byte: no operation knows multi-byte characters, so a
 * double-byte character of the code page is two independent bytes here.
 *
 * Storage rules:
 * - The block is never null while the object lives; the empty string is a
 *   one-byte block holding only the NUL.
 * - There is no spare capacity.  Appending and inserting resize the block
 *   to exactly GetLength()+1 bytes (mrealloc); every assignment, and the
 *   operations that rebuild the text (Replace and Remove of a text,
 *   Remove(char)), obtain a new exact-size block (mmalloc) and release the
 *   old one.  The other operations that shorten the text (Remove(int), the
 *   trims) work in place and keep the larger block.
 * - A length that would exceed INT_MAX bytes cannot be represented and is
 *   treated like exhausted memory: the process ends through memfatal.
 *
 * Stored NUL bytes: the length counts stored bytes and is not re-measured
 * after every change.  Storing the byte 0 as a character (operator=(char),
 * operator+=(char), SetAt, Insert(int, char), Replace(char, char)) counts it,
 * so the text (what `operator const char*` shows and what the comparisons
 * see) then ends earlier than GetLength() says.  The operations that work on
 * "the GetLength() bytes" keep such bytes as ordinary characters; those that
 * work on "the text" stop at the first NUL.  Each function says which.
 *
 * Byte rules: a digit is exactly '0'-'9'; white space is exactly 0x20 and
 * 0x09-0x0D; case conversion and folding touch only 'A'-'Z' and 'a'-'z' and
 * consult no locale; string comparisons order by unsigned byte values
 * (0x80-0xFF after all ASCII); Sort orders bytes as signed 8-bit values.
 *
 * Text arguments may point into this object's own text (appending a string
 * to itself, assigning or inserting a pointer into its own text, splitting at
 * a separator taken from the text): every operation reads its argument before
 * it frees or moves the block, so the result is as if a separate copy had
 * been given.
 *
 * Pointers handed out (`operator const char*`, `operator[]`, GetAt) point
 * into the object's own block, not copies; they stay valid until the object
 * is next changed or destroyed.
 *
 * A violated precondition stops the program with the library's assertion,
 * naming the quoted expression.  A `const char*` argument without a quoted
 * precondition must still not be null.  Defaults: Find searches from 0 and
 * Sort sorts ascending when not told otherwise; the trimming flag is always
 * given.
 */
class TAVO_API tCString {
 public:
  /// \name Construction and conversion
  ///@{

  /// Empty string.
  tCString();
  /// Copy of the text of pStr.
  /// \param pStr the text copied.
  /// \pre Asserts "pStr".
  tCString(const char* pStr);
  /// Copy of the text of oRight (up to its first NUL).
  /// \param oRight the string copied.
  tCString(const tCString& oRight);
  /// Frees the block.  Not virtual.
  ~tCString();

  /// The object's own block (never null).
  /// \return the block, owned by the object: valid until the object is next
  ///         changed or destroyed.
  operator const char*() const;
  /// The stored byte count.
  /// \return the number of stored bytes, 0 or more.
  int GetLength() const;
  /// Whether the string is empty.
  /// \return 1 if GetLength() is 0, else 0.
  int IsEmpty() const;
  /// Same as IsEmpty().
  /// \return 1 if GetLength() is 0, else 0.
  int operator!() const;
  /// Back to the empty string, as newly constructed.
  /// \return 1.
  int Empty();
  ///@}

  /// \name Assignment (each returns the object itself)
  ///@{

  /// Copy of the text of oRight.
  /// \param oRight the string copied; not this object.
  /// \return the object itself.
  /// \pre Asserts "(&oRight) != this".
  const tCString& operator=(const tCString& oRight);
  /// Copy of the text of pRight in a new exact-size block.  pRight may point
  /// into this object's own text.
  /// \param pRight the text copied.
  /// \return the object itself.
  /// \pre Asserts "pRight".
  const tCString& operator=(const char* pRight);
  /// The one-byte string ch (length 1 even when ch is 0).
  /// \param ch the byte stored.
  /// \return the object itself.
  const tCString& operator=(char ch);
  ///@}

  /// \name Appending (each returns the object itself)
  ///@{

  /// Appends the text of oRight (up to its first NUL); oRight may be
  /// `*this`.
  /// \param oRight the string appended.
  /// \return the object itself.
  const tCString& operator+=(const tCString& oRight);
  /// Appends the text of pRight after the GetLength() stored bytes.  pRight
  /// may point into this object's own text.
  /// \param pRight the text appended.
  /// \return the object itself.
  /// \pre Asserts "pRight".
  const tCString& operator+=(const char* pRight);
  /// Appends the byte ch (0 included: it is counted).
  /// \param ch the byte appended.
  /// \return the object itself.
  const tCString& operator+=(char ch);
  ///@}

  /// \name Comparison (1 true, 0 false)
  /// The text is compared with the operand's text byte by byte as unsigned
  /// values, a prefix ordering first.  The `const char*` forms have the
  /// precondition "pRight".
  ///@{

  /// Whether the text equals the text of oRight.
  /// \param oRight the string compared with.
  /// \return 1 if equal, else 0.
  int operator==(const tCString& oRight) const;
  /// Whether the text equals the text pRight.
  /// \param pRight the text compared with.
  /// \return 1 if equal, else 0.
  /// \pre Asserts "pRight".
  int operator==(const char* pRight) const;
  /// Whether the text differs from the text of oRight.
  /// \param oRight the string compared with.
  /// \return 1 if different, else 0.
  int operator!=(const tCString& oRight) const;
  /// Whether the text differs from the text pRight.
  /// \param pRight the text compared with.
  /// \return 1 if different, else 0.
  /// \pre Asserts "pRight".
  int operator!=(const char* pRight) const;
  /// Whether the text orders before the text of oRight.
  /// \param oRight the string compared with.
  /// \return 1 if before, else 0.
  int operator<(const tCString& oRight) const;
  /// Whether the text orders before the text pRight.
  /// \param pRight the text compared with.
  /// \return 1 if before, else 0.
  /// \pre Asserts "pRight".
  int operator<(const char* pRight) const;
  /// Whether the text orders after the text of oRight.
  /// \param oRight the string compared with.
  /// \return 1 if after, else 0.
  int operator>(const tCString& oRight) const;
  /// Whether the text orders after the text pRight.
  /// \param pRight the text compared with.
  /// \return 1 if after, else 0.
  /// \pre Asserts "pRight".
  int operator>(const char* pRight) const;
  /// Whether the text orders before or equals the text of oRight.
  /// \param oRight the string compared with.
  /// \return 1 if before or equal, else 0.
  int operator<=(const tCString& oRight) const;
  /// Whether the text orders before or equals the text pRight.
  /// \param pRight the text compared with.
  /// \return 1 if before or equal, else 0.
  /// \pre Asserts "pRight".
  int operator<=(const char* pRight) const;
  /// Whether the text orders after or equals the text of oRight.
  /// \param oRight the string compared with.
  /// \return 1 if after or equal, else 0.
  int operator>=(const tCString& oRight) const;
  /// Whether the text orders after or equals the text pRight.
  /// \param pRight the text compared with.
  /// \return 1 if after or equal, else 0.
  /// \pre Asserts "pRight".
  int operator>=(const char* pRight) const;

  /// Byte comparison of the text with pStr.
  /// \param pStr the text compared with.
  /// \return exactly -1, 0 or 1.
  /// \pre Asserts "pStr".
  int Compare(const char* pStr) const;
  /// Same as Compare, except that at a difference both bytes are folded to
  /// lower case ('A'-'Z' only) before they are compared: "ABC" equals "abc",
  /// and '_' (0x5F) orders before both 'a' and 'A'.
  /// \param pStr the text compared with.
  /// \return exactly -1, 0 or 1.
  /// \pre Asserts "pStr".
  int CompareNoCase(const char* pStr) const;
  ///@}

  /// \name Indexed access
  ///@{

  /// A reference to byte nPos of the block.
  ///
  /// nPos == GetLength() designates the terminating NUL (which must not be
  /// overwritten with anything but 0).  Writing through the reference
  /// changes the text without touching GetLength().  Index with an int:
  /// another integer type makes `s[i]` ambiguous with the built-in subscript
  /// of the `const char*` conversion.
  /// \param nPos the byte index, 0 to GetLength().
  /// \return the byte, in the object's own block.
  /// \pre Asserts "(nPos >= 0) && (nPos <= m_nLen)".
  char& operator[](int nPos) const;
  /// Same as `operator[]`.
  /// \param nPos the byte index, 0 to GetLength().
  /// \return the byte, in the object's own block.
  /// \pre Asserts "(nPos >= 0) && (nPos <= m_nLen)".
  char& GetAt(int nPos) const;
  /// Stores ch at byte nPos, GetLength() unchanged.
  /// \param nPos the byte index, below GetLength().
  /// \param ch the byte stored (0 included).
  /// \return 1.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen)".
  int SetAt(int nPos, char ch);
  ///@}

  /// \name Extraction (new string; the object is unchanged)
  ///@{

  /// The piece of at most nCount bytes starting at byte nFirst.
  ///
  /// A negative nFirst is taken as 0 without shortening the piece
  /// (`"abcdef".Mid(-3, 2)` is "ab"); a start at or beyond GetLength() gives
  /// ""; a piece reaching past the end is cut at the end.  The piece ends at
  /// its first NUL.
  /// \param nFirst the index of the first byte.
  /// \param nCount the largest number of bytes.
  /// \return the piece, a new string.
  /// \pre Asserts "nCount > 0".
  tCString Mid(int nFirst, int nCount) const;
  /// Mid(0, nCount): the first nCount bytes, or all.
  /// \param nCount the largest number of bytes.
  /// \return the piece, a new string.
  /// \pre Asserts "nCount > 0".
  tCString Left(int nCount) const;
  /// Mid(GetLength() - nCount, nCount): the last nCount bytes, or all.
  /// \param nCount the largest number of bytes.
  /// \return the piece, a new string.
  /// \pre Asserts "nCount > 0".
  tCString Right(int nCount) const;
  ///@}

  /// \name Case and order (each returns 1)
  ///@{

  /// 'a'-'z' to 'A'-'Z' in the text (up to the first NUL).
  /// \return 1.
  int MakeUpper();
  /// 'A'-'Z' to 'a'-'z' in the text (up to the first NUL).
  /// \return 1.
  int MakeLower();
  /// The GetLength() bytes in reverse order.
  /// \return 1.
  int MakeReverse();
  ///@}

  /// \name Replacing and removing
  ///@{

  /// Every byte equal to chOld among the GetLength() bytes becomes chNew.
  /// \param chOld the byte replaced.
  /// \param chNew the byte stored instead (0 included).
  /// \return the number replaced (0 if none).
  /// \pre Asserts "chOld != chNew".
  int Replace(char chOld, char chNew);
  /// Replaces every non-overlapping occurrence of the text pOld, searched
  /// left to right among the GetLength() bytes, by the text pNew.
  ///
  /// `"aaa".Replace("aa", "b")` gives "ba" and returns 1.  An empty pOld
  /// changes nothing and returns 0.  Either text may point into this
  /// object's own text.
  /// \param pOld the text searched for.
  /// \param pNew the text put in its place (may be empty).
  /// \return the number of occurrences replaced (0 if none: the text is
  ///         unchanged).
  /// \pre Asserts "pOld && pNew".
  int Replace(const char* pOld, const char* pNew);
  /// Removes byte nPos (the bytes after it move one place to the front);
  /// the block keeps its size.
  /// \param nPos the byte index, below GetLength().
  /// \return 1.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen)".
  int Remove(int nPos);
  /// Removes every byte equal to ch among the GetLength() bytes and moves
  /// the text into a new exact-size block (even when nothing matched).
  /// \param ch the byte removed (0 included).
  /// \return the number removed (0 if none).
  int Remove(char ch);
  /// Removes every non-overlapping occurrence of the text pRev, searched
  /// left to right among the GetLength() bytes.
  ///
  /// An empty pRev changes nothing and returns 0.  pRev may point into this
  /// object's own text.
  /// \param pRev the text removed.
  /// \return the number removed (0 if none: the text is unchanged).
  /// \pre Asserts "pRev".
  int Remove(const char* pRev);
  ///@}

  /// \name Inserting (each returns the new GetLength())
  ///@{

  /// Places ch before byte nIndex; nIndex below 0 is taken as 0 and above
  /// GetLength() as GetLength() (append).
  /// \param nIndex the byte index the new byte takes.
  /// \param ch the byte inserted (0 included: it is counted).
  /// \return the new GetLength().
  int Insert(int nIndex, char ch);
  /// Places the text of pIns before byte nIndex; nIndex below 0 is taken as
  /// 0, at or beyond GetLength() the text is appended.  pIns may point into
  /// this object's own text.
  /// \param nIndex the byte index the inserted text starts at.
  /// \param pIns the text inserted.
  /// \return the new GetLength().
  /// \pre Asserts "pIns".
  int Insert(int nIndex, const char* pIns);
  ///@}

  /// \name Trimming (each returns 1; the block never shrinks)
  /// nFlag 0 removes only the space 0x20; any other value removes white
  /// space (0x20 and 0x09-0x0D).  Trimming works on the text up to its first
  /// NUL and sets GetLength() to the length of the trimmed text (stored
  /// bytes after a NUL are dropped).
  ///@{

  /// Removes the leading bytes of the selected kind.
  /// \param nFlag 0 for the space alone, any other value for white space.
  /// \return 1.
  int LTrim(int nFlag);
  /// Removes the trailing bytes of the selected kind.
  /// \param nFlag 0 for the space alone, any other value for white space.
  /// \return 1.
  int RTrim(int nFlag);
  /// LTrim(nFlag), then RTrim(nFlag).
  /// \param nFlag 0 for the space alone, any other value for white space.
  /// \return 1.
  int Trim(int nFlag);
  ///@}

  /// \name Search (byte index from the start of the block, or -1)
  ///@{

  /// Finds the byte ch at or after nStart.
  ///
  /// Searches up to the first NUL from nStart.  Searching for the byte 0
  /// finds that NUL.
  /// \param ch the byte searched for.
  /// \param nStart the byte index the search starts at.
  /// \return -1 if nStart is not below GetLength(); otherwise the index of
  ///         the first byte equal to ch at or after nStart, or -1.
  /// \pre Asserts "nStart >= 0".
  int Find(char ch, int nStart = 0) const;
  /// Finds the text pStr at or after nStart.
  ///
  /// Searches up to the first NUL from nStart.  An empty pStr is found at
  /// nStart.
  /// \param pStr the text searched for.
  /// \param nStart the byte index the search starts at.
  /// \return -1 if nStart is not below GetLength(); otherwise the index
  ///         where the first occurrence of pStr at or after nStart begins,
  ///         or -1.
  /// \pre Asserts "nStart >= 0".
  int Find(const char* pStr, int nStart = 0) const;
  /// Finds the last byte ch in the text (up to the first NUL).
  /// \param ch the byte searched for.
  /// \return the index of the last byte equal to ch, or -1; searching for
  ///         the byte 0 gives the index of that NUL.
  int ReverseFind(char ch) const;
  ///@}

  /// \name Classification and counting (on the text, up to the first NUL)
  ///@{

  /// Whether the text is a number.
  /// \return 1 if the text is not empty and every byte is a digit, else 0.
  int IsNumber() const;
  /// Whether byte nPos is a digit.
  /// \param nPos the byte index, below GetLength().
  /// \return 1 if byte nPos is a digit, else 0.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen)".
  int IsNumber(int nPos) const;
  /// Whether the text holds no digit.
  /// \return 1 if the text is not empty and no byte is a digit, else 0.
  int IsCharacter() const;
  /// Whether byte nPos is not a digit.
  /// \param nPos the byte index, below GetLength().
  /// \return 1 if byte nPos is not a digit, else 0.
  /// \pre Asserts "(nPos >= 0) && (nPos < m_nLen)".
  int IsCharacter(int nPos) const;
  /// Number of digit bytes.
  /// \return the number of digit bytes in the text.
  int SumNumber() const;
  /// Number of non-digit bytes.
  /// \return the number of non-digit bytes in the text.
  int SumCharacter() const;
  ///@}

  /// \name Sorting and splitting
  ///@{

  /// Sorts the GetLength() bytes comparing them as signed 8-bit values (so
  /// 0x80-0xFF come before 0x00-0x7F in ascending order).  Linear time.
  /// \param nFlag 1 ascending, 2 descending; any other value changes
  ///        nothing.
  /// \retval 1 sorted.
  /// \retval 0 nFlag is neither 1 nor 2.
  int Sort(int nFlag = 1);
  /// Empties oList, then cuts the text (up to its first NUL) at every
  /// occurrence of the separator pStr and appends the pieces to oList in
  /// order.
  ///
  /// n occurrences give n+1 pieces, leading, trailing and adjacent
  /// separators giving empty pieces ("a,b," gives "a", "b", "").  pStr may
  /// point into this text or into oList.
  /// \param oList the list that receives the pieces, each a copy it owns.
  /// \param pStr the separator.
  /// \retval 1 the separator occurs.
  /// \retval 0 it does not, or it is empty: oList is left empty (the text
  ///         is not added as a single piece).
  /// \pre Asserts "pStr".
  int Split(tCString2& oList, const char* pStr) const;
  ///@}

 private:
  // Makes the object the empty string without releasing anything; returns 1.
  int InitVar();

  char* m_pStr;
  int m_nLen;
};

/// \name Concatenation
/// Each returns a new string holding the left operand followed by the right
/// one, leaving both unchanged.  A tCString or plain-string operand
/// contributes its text, a char operand one byte.
///@{

/// The text of oLeft followed by the text of oRight.
/// \param oLeft the left operand.
/// \param oRight the right operand.
/// \return a new string.
TAVO_API tCString operator+(const tCString& oLeft, const tCString& oRight);
/// The text of oLeft followed by the text pStr2.
/// \param oLeft the left operand.
/// \param pStr2 the right operand.
/// \return a new string.
/// \pre Asserts "pStr2".
TAVO_API tCString operator+(const tCString& oLeft, const char* pStr2);
/// The text pStr1 followed by the text of oRight.
/// \param pStr1 the left operand.
/// \param oRight the right operand.
/// \return a new string.
/// \pre Asserts "pStr1".
TAVO_API tCString operator+(const char* pStr1, const tCString& oRight);
/// The text of oLeft followed by the byte ch.
/// \param oLeft the left operand.
/// \param ch the byte appended (0 included: it is counted).
/// \return a new string.
TAVO_API tCString operator+(const tCString& oLeft, char ch);
/// The byte ch followed by the text of oRight.
/// \param ch the first byte (0 included: it is counted).
/// \param oRight the right operand.
/// \return a new string.
TAVO_API tCString operator+(char ch, const tCString& oRight);
///@}

#endif  // TAVO_TCSTRING_TCSTRING_H
