/// \file
/// The class tCFileIni: a file parsed as an INI file of named sections of
/// entries, and the record of one section.
#ifndef TAVO_TCFILEINI_TCFILEINI_H
#define TAVO_TCFILEINI_TCFILEINI_H

#include "common/tavo_export.h"
#include "tCFile/tCFile.h"

#include "tCString/tCString.h"
#include "tCString3/tCString3.h"

/// One section of a parsed INI file: a plain record taken from mmalloc.
struct TAVO_API IniSection {
  tCString* m_oName;      ///< the name as written between the brackets
  tCString3* m_oEntries;  ///< one row of two strings (key, value) per entry
};

/**
 * A file parsed as an INI file of named sections of entries.
 *
 * The file is read once, when it is opened; its sections are kept in file
 * order and looked up by section and key.  The class only reads.
 *
 * File format, line by line (lines as tCFile::ReadLines cuts them: a line
 * ends at LF, at CR together with the one byte after it, or at the end of the
 * file):
 *   - everything from the first '#' on is a comment; a line starting with
 *     '#' is skipped whole.  '#' cannot be escaped.  ';' is an ordinary byte;
 *   - a line of at least 3 bytes that starts with '[' and ends with ']'
 *     starts a section named by the bytes between them, unchanged ("[ db ]"
 *     is the section " db ", "[x=y]" the section "x=y").  Nothing may follow
 *     the ']': `"[db] #c"` is cut to "[db] ", which is not a header;
 *   - any other line holding exactly one '=' is an entry of the latest
 *     section: key before the '=', value after it, either possibly empty, no
 *     trimming ("k = v" has the key "k ");
 *   - ignored: entries before the first header, lines without '=' or with
 *     several, empty lines, "[]";
 *   - names and keys compare byte for byte, case-sensitively; repeated
 *     sections and keys are all kept and searched in file order;
 *   - a NUL byte ends the text of its line (the rest of that line is
 *     ignored).
 *
 * Copies: a copy shares the stream, the name and the section table with its
 * source.  The section table carries a count of the objects holding it;
 * Close (or the destructor) of one holder only drops that holder's share,
 * and the last holder to let go frees the table.  A copy may therefore still
 * be queried after its source was closed or destroyed.  Objects sharing a
 * table must be used by one thread at a time, as for the stream they share.
 *
 * Why Open failed: errno, as the C runtime left it (see tCFile).
 */
class TAVO_API tCFileIni : public tCFile {
 public:
  /// \name Life cycle
  ///@{

  /// A closed object: no file, no sections.
  tCFileIni();

  /// Opens `pFileName` with `pMode` (a reading mode such as "rb") as the
  /// tCFile constructor does, and parses it.
  ///
  /// When the base constructor leaves the object closed (the file cannot be
  /// opened) or the file cannot be read (e.g. it is a directory), the object
  /// stays closed, exactly as after a failed Open.
  /// \param pFileName the name of the file, kept as given.
  /// \param pMode the stdio mode, a reading one.
  /// \pre Asserts "pFileName && pMode".
  tCFileIni(const char* pFileName, const char* pMode);

  /// Closes (this class's Close), then the tCFile destructor runs.
  virtual ~tCFileIni();

  /// Member-wise copy: the copy shares the stream, the name and the section
  /// table of `oRight` (see the note on copies in the class description).
  /// \param oRight the object whose stream, name and sections are shared.
  tCFileIni(const tCFileIni& oRight);
  /// Member-wise assignment: this object shares the stream, the name and the
  /// section table of `oRight`.
  ///
  /// Assignment first lets go of this object's own table share; assigning an
  /// object to itself is harmless.
  /// \param oRight the object whose stream, name and sections are shared.
  /// \return this object.
  tCFileIni& operator=(const tCFileIni& oRight);

  /// Opens `pFileName` with `pMode` and parses it.
  /// \param pFileName the name of the file, kept as given.
  /// \param pMode the stdio mode, a reading one.
  /// \retval 1 opened and parsed.
  /// \retval 0 a file is already open (the object keeps its file and
  ///         sections), the open fails, or the file cannot be read (e.g. it
  ///         is a directory: the object is then left closed).
  /// \pre Asserts "pFileName && pMode".
  int Open(const char* pFileName, const char* pMode);

  /// Releases this object's share of the sections and closes the stream (as
  /// tCFile::Close).  May be called repeatedly.
  /// \return 1, always.
  int Close();
  ///@}

  /// \name Lookups
  ///@{

  /// Looks `pKey` up in the sections named `pSection`, in file order: the
  /// first entry with that key in the first such section that has it.
  /// \param pSection the section name.
  /// \param pKey the key.
  /// \param oValue the string that receives the value.
  /// \retval 1 found: the value is assigned to `oValue`.
  /// \retval 0 not found, with `oValue` emptied -- except when the object
  ///         holds no section at all (closed, or a file without any header),
  ///         where `oValue` is left as it was.
  /// \pre Asserts "pSection && pKey".
  int GetValue(const char* pSection, const char* pKey, tCString& oValue) const;

  /// As GetValue, copying the value and its NUL into `pValue`, which the
  /// caller sizes (no size is passed).
  ///
  /// The file decides how long a value is, so a value longer than the
  /// buffer (an edited settings file) writes past it: prefer the form
  /// that takes the buffer's size, GetString(pSection, pKey, pValue, nSize).
  /// \param pSection the section name.
  /// \param pKey the key.
  /// \param pValue the caller's buffer that receives the value.
  /// \retval 1 found and copied.
  /// \retval 0 not found, leaving `pValue` untouched.
  /// \pre Asserts "pSection && pKey && pValue".
  int GetString(const char* pSection, const char* pKey, char* pValue) const;

  /// As GetString, into a buffer of `nSize` bytes: a value that does not
  /// fit with its NUL is refused, the buffer left untouched.
  /// \param pSection the section name.
  /// \param pKey the key.
  /// \param pValue the caller's buffer that receives the value.
  /// \param nSize the size of `pValue` in bytes.
  /// \retval 1 found and copied (its length is below `nSize`).
  /// \retval 0 not found, or too long for the buffer (`nSize` 0 or less
  ///         included); `pValue` untouched.
  /// \pre Asserts "pSection && pKey && pValue".
  int GetString(const char* pSection, const char* pKey, char* pValue, int nSize) const;

  /// As GetValue, storing the value's decimal conversion in `*nValue`.
  ///
  /// White space (0x20, 0x09-0x0D) skipped, one optional sign, then the
  /// digits up to the first other byte ("12abc" gives 12, " -7" gives -7,
  /// "abc" and "" give 0, all with the result 1).  A number beyond the int
  /// range gives INT_MAX or INT_MIN by its sign.
  /// \param pSection the section name.
  /// \param pKey the key.
  /// \param nValue where the number is stored.
  /// \retval 1 found and converted.
  /// \retval 0 not found, leaving `*nValue` untouched.
  /// \pre Asserts "pSection && pKey && nValue".
  int GetInteger(const char* pSection, const char* pKey, int* nValue) const;
  ///@}

 protected:
  /// The sections in file order (no terminating null), null when none.
  /// Read-only for subclasses: the lookups go through an index of the
  /// entries built when the file is opened (a file too large to index, beyond
  /// about a hundred million entries, is searched in file order instead,
  /// with the same results).
  IniSection** m_pSections;
  /// Number of records in m_pSections.
  int m_nSections;

 private:
  // Fills the section list from the lines of the open file (a new table,
  // shared with later copies) and indexes it.  Returns 1, or 0 when the
  // lines could not be read (no entry is then kept).
  int _ParseIni();
};

#endif  // TAVO_TCFILEINI_TCFILEINI_H
