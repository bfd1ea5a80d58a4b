// tCString: the library's dynamic byte string.
//
// A value type owning one heap block that holds 8-bit text and its
// terminating NUL, plus a separately kept byte count (GetLength()).  Text is
// handled byte by byte: no operation knows multi-byte characters, so a
// double-byte character of the code page is two independent bytes here.
//
// Storage rules:
// - The block is never null while the object lives; the empty string is a
//   one-byte block holding only the NUL.
// - There is no spare capacity.  Appending and inserting resize the block
//   to exactly GetLength()+1 bytes (mrealloc); every assignment, and the
//   operations that rebuild the text (Replace and Remove of a text,
//   Remove(char)), obtain a new exact-size block (mmalloc) and release the
//   old one.  The other operations that shorten the text (Remove(int), the
//   trims) work in place and keep the larger block.
// - A length that would exceed INT_MAX bytes cannot be represented and is
//   treated like exhausted memory: the process ends through memfatal.
//
// Stored NUL bytes: the length counts stored bytes and is not re-measured
// after every change.  Storing the byte 0 as a character (operator=(char),
// operator+=(char), SetAt, Insert(int, char), Replace(char, char)) counts it,
// so the text (what operator const char* shows and what the comparisons see)
// then ends earlier than GetLength() says.  The operations that work on
// "the GetLength() bytes" keep such bytes as ordinary characters; those that
// work on "the text" stop at the first NUL.  Each function says which.
//
// Byte rules: a digit is exactly '0'-'9'; white space is exactly 0x20 and
// 0x09-0x0D; case conversion and folding touch only 'A'-'Z' and 'a'-'z' and
// consult no locale; string comparisons order by unsigned byte values
// (0x80-0xFF after all ASCII); Sort orders bytes as signed 8-bit values.
//
// Text arguments may point into this object's own text (appending a string
// to itself, assigning or inserting a pointer into its own text, splitting at
// a separator taken from the text): every operation reads its argument before
// it frees or moves the block, so the result is as if a separate copy had
// been given.
//
// Pointers handed out (operator const char*, operator[], GetAt) point into
// the object's own block, not copies; they stay valid until the object is
// next changed or destroyed.
//
// A violated precondition stops the program with the library's assertion,
// naming the quoted expression.  A const char* argument without a quoted
// precondition must still not be null.  Defaults: Find searches from 0 and
// Sort sorts ascending when not told otherwise; the trimming flag is always
// given.
#ifndef TAVO_TCSTRING_TCSTRING_H
#define TAVO_TCSTRING_TCSTRING_H

#include "common/tavo_export.h"

class tCString2;

class TAVO_API tCString {
 public:
  // ---- Construction and conversion --------------------------------------

  // Empty string.
  tCString();
  // Copy of the text of pStr.  Precondition "pStr".
  tCString(const char* pStr);
  // Copy of the text of oRight (up to its first NUL).
  tCString(const tCString& oRight);
  // Frees the block.  Not virtual.
  ~tCString();

  // The object's own block (never null).
  operator const char*() const;
  // The stored byte count.
  int GetLength() const;
  // 1 if GetLength() is 0, else 0.
  int IsEmpty() const;
  // Same as IsEmpty().
  int operator!() const;
  // Back to the empty string, as newly constructed; returns 1.
  int Empty();

  // ---- Assignment (each returns the object itself) ----------------------

  // Copy of the text of oRight.  Precondition "(&oRight) != this".
  const tCString& operator=(const tCString& oRight);
  // Copy of the text of pRight in a new exact-size block.  Precondition
  // "pRight".  pRight may point into this object's own text.
  const tCString& operator=(const char* pRight);
  // The one-byte string ch (length 1 even when ch is 0).
  const tCString& operator=(char ch);

  // ---- Appending (each returns the object itself) -----------------------

  // Appends the text of oRight (up to its first NUL); oRight may be *this.
  const tCString& operator+=(const tCString& oRight);
  // Appends the text of pRight after the GetLength() stored bytes.
  // Precondition "pRight".  pRight may point into this object's own text.
  const tCString& operator+=(const char* pRight);
  // Appends the byte ch (0 included: it is counted).
  const tCString& operator+=(char ch);

  // ---- Comparison (1 true, 0 false) -------------------------------------
  //
  // The text is compared with the operand's text byte by byte as unsigned
  // values, a prefix ordering first.  The const char* forms have the
  // precondition "pRight".

  int operator==(const tCString& oRight) const;
  int operator==(const char* pRight) const;
  int operator!=(const tCString& oRight) const;
  int operator!=(const char* pRight) const;
  int operator<(const tCString& oRight) const;
  int operator<(const char* pRight) const;
  int operator>(const tCString& oRight) const;
  int operator>(const char* pRight) const;
  int operator<=(const tCString& oRight) const;
  int operator<=(const char* pRight) const;
  int operator>=(const tCString& oRight) const;
  int operator>=(const char* pRight) const;

  // Byte comparison of the text with pStr: exactly -1, 0 or 1.
  // Precondition "pStr".
  int Compare(const char* pStr) const;
  // Same, except that at a difference both bytes are folded to lower case
  // ('A'-'Z' only) before they are compared: "ABC" equals "abc", and '_'
  // (0x5F) orders before both 'a' and 'A'.  Exactly -1, 0 or 1.
  // Precondition "pStr".
  int CompareNoCase(const char* pStr) const;

  // ---- Indexed access ---------------------------------------------------
  //
  // Precondition "(nPos >= 0) && (nPos <= m_nLen)".  A reference to byte
  // nPos of the block; nPos == GetLength() designates the terminating NUL
  // (which must not be overwritten with anything but 0).  Writing through
  // the reference changes the text without touching GetLength().  Index
  // with an int: another integer type makes s[i] ambiguous with the
  // built-in subscript of the const char* conversion.
  char& operator[](int nPos) const;
  // Same as operator[].
  char& GetAt(int nPos) const;
  // Stores ch at byte nPos, GetLength() unchanged; returns 1.
  // Precondition "(nPos >= 0) && (nPos < m_nLen)".
  int SetAt(int nPos, char ch);

  // ---- Extraction (new string; the object is unchanged) -----------------

  // The piece of at most nCount bytes starting at byte nFirst.  A negative
  // nFirst is taken as 0 without shortening the piece ("abcdef".Mid(-3, 2)
  // is "ab"); a start at or beyond GetLength() gives ""; a piece reaching
  // past the end is cut at the end.  The piece ends at its first NUL.
  // Precondition "nCount > 0".
  tCString Mid(int nFirst, int nCount) const;
  // Mid(0, nCount): the first nCount bytes, or all.  "nCount > 0".
  tCString Left(int nCount) const;
  // Mid(GetLength() - nCount, nCount): the last nCount bytes, or all.
  // "nCount > 0".
  tCString Right(int nCount) const;

  // ---- Case and order (each returns 1) ----------------------------------

  // 'a'-'z' to 'A'-'Z' in the text (up to the first NUL).
  int MakeUpper();
  // 'A'-'Z' to 'a'-'z' in the text (up to the first NUL).
  int MakeLower();
  // The GetLength() bytes in reverse order.
  int MakeReverse();

  // ---- Replacing and removing -------------------------------------------

  // Every byte equal to chOld among the GetLength() bytes becomes chNew;
  // returns the number replaced (0 if none).  Precondition
  // "chOld != chNew".
  int Replace(char chOld, char chNew);
  // Replaces every non-overlapping occurrence of the text pOld, searched
  // left to right among the GetLength() bytes, by the text pNew; returns the
  // number of occurrences replaced (0 if none: the text is unchanged).
  // "aaa".Replace("aa", "b") gives "ba" and returns 1.  An empty pOld
  // changes nothing and returns 0.  Either text may point into this
  // object's own text.  Precondition "pOld && pNew".
  int Replace(const char* pOld, const char* pNew);
  // Removes byte nPos (the bytes after it move one place to the front);
  // the block keeps its size; returns 1.
  // Precondition "(nPos >= 0) && (nPos < m_nLen)".
  int Remove(int nPos);
  // Removes every byte equal to ch among the GetLength() bytes and moves
  // the text into a new exact-size block (even when nothing matched);
  // returns the number removed (0 if none).
  int Remove(char ch);
  // Removes every non-overlapping occurrence of the text pRev, searched
  // left to right among the GetLength() bytes; returns the number removed
  // (0 if none: the text is unchanged).  An empty pRev changes nothing and
  // returns 0.  pRev may point into this object's own text.
  // Precondition "pRev".
  int Remove(const char* pRev);

  // ---- Inserting (each returns the new GetLength()) ---------------------

  // Places ch before byte nIndex; nIndex below 0 is taken as 0 and above
  // GetLength() as GetLength() (append).
  int Insert(int nIndex, char ch);
  // Places the text of pIns before byte nIndex; nIndex below 0 is taken as
  // 0, at or beyond GetLength() the text is appended.  pIns may point into
  // this object's own text.  Precondition "pIns".
  int Insert(int nIndex, const char* pIns);

  // ---- Trimming (each returns 1; the block never shrinks) ---------------
  //
  // nFlag 0 removes only the space 0x20; any other value removes white
  // space (0x20 and 0x09-0x0D).  Trimming works on the text up to its first
  // NUL and sets GetLength() to the length of the trimmed text (stored
  // bytes after a NUL are dropped).

  // Removes the leading bytes of the selected kind.
  int LTrim(int nFlag);
  // Removes the trailing bytes of the selected kind.
  int RTrim(int nFlag);
  // LTrim(nFlag), then RTrim(nFlag).
  int Trim(int nFlag);

  // ---- Search (byte index from the start of the block, or -1) -----------

  // -1 if nStart is not below GetLength(); otherwise the index of the first
  // byte equal to ch at or after nStart up to the first NUL from there, or
  // -1.  Searching for the byte 0 finds that NUL.  Precondition
  // "nStart >= 0".
  int Find(char ch, int nStart = 0) const;
  // -1 if nStart is not below GetLength(); otherwise the index where the
  // first occurrence of the text pStr at or after nStart begins (searching
  // up to the first NUL from there), or -1.  An empty pStr is found at
  // nStart.  Precondition "nStart >= 0".
  int Find(const char* pStr, int nStart = 0) const;
  // Index of the last byte equal to ch in the text (up to the first NUL),
  // or -1; searching for the byte 0 gives the index of that NUL.
  int ReverseFind(char ch) const;

  // ---- Classification and counting (on the text, up to the first NUL) ---

  // 1 if the text is not empty and every byte is a digit, else 0.
  int IsNumber() const;
  // 1 if byte nPos is a digit, else 0.
  // Precondition "(nPos >= 0) && (nPos < m_nLen)".
  int IsNumber(int nPos) const;
  // 1 if the text is not empty and no byte is a digit, else 0.
  int IsCharacter() const;
  // 1 if byte nPos is not a digit, else 0.
  // Precondition "(nPos >= 0) && (nPos < m_nLen)".
  int IsCharacter(int nPos) const;
  // Number of digit bytes.
  int SumNumber() const;
  // Number of non-digit bytes.
  int SumCharacter() const;

  // ---- Sorting and splitting --------------------------------------------

  // Sorts the GetLength() bytes comparing them as signed 8-bit values (so
  // 0x80-0xFF come before 0x00-0x7F in ascending order): nFlag 1 ascending,
  // 2 descending, returning 1; any other nFlag changes nothing and returns
  // 0.  Linear time.
  int Sort(int nFlag = 1);
  // Empties oList, then cuts the text (up to its first NUL) at every
  // occurrence of the separator pStr and appends the pieces to oList in
  // order: n occurrences give n+1 pieces, leading, trailing and adjacent
  // separators giving empty pieces ("a,b," gives "a", "b", "").  Returns 1
  // if the separator occurs; otherwise 0 with oList left empty (the text is
  // not added as a single piece).  An empty separator returns 0 with oList
  // left empty.  pStr may point into this text or into oList.
  // Precondition "pStr".
  int Split(tCString2& oList, const char* pStr) const;

 private:
  // Makes the object the empty string without releasing anything; returns 1.
  int InitVar();
  // Replaces the block by a new exact-size copy of the n bytes at p (which
  // may lie in the old block).
  void assignBytes(const char* p, int n);
  // Appends the n bytes at p (which may lie in the block) after the
  // m_nLen stored bytes.
  void appendBytes(const char* p, unsigned long long n);
  // True when p points into the m_nLen+1 bytes of the block.
  bool pointsIntoText(const char* p) const;
  // Replaces every non-overlapping occurrence of pOld by pNew; the count.
  int replaceAll(const char* pOld, const char* pNew);

  char* m_pStr;
  int m_nLen;
};

// Concatenation: each returns a new string holding the left operand followed
// by the right one, leaving both unchanged.  A tCString or plain-string
// operand contributes its text, a char operand one byte.
TAVO_API tCString operator+(const tCString& oLeft, const tCString& oRight);
// Precondition "pStr2".
TAVO_API tCString operator+(const tCString& oLeft, const char* pStr2);
// Precondition "pStr1".
TAVO_API tCString operator+(const char* pStr1, const tCString& oRight);
TAVO_API tCString operator+(const tCString& oLeft, char ch);
TAVO_API tCString operator+(char ch, const tCString& oRight);

#endif  // TAVO_TCSTRING_TCSTRING_H
