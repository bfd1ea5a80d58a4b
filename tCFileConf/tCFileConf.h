/// \file
/// The class tCFileConf: a file parsed as flat "key=value" configuration
/// entries.
#ifndef TAVO_TCFILECONF_TCFILECONF_H
#define TAVO_TCFILECONF_TCFILECONF_H

#include "common/tavo_export.h"
#include "tCFile/tCFile.h"
#include "tCString/tCString.h"
#include "tCString3/tCString3.h"

/**
 * A file parsed as flat "key=value" configuration entries.
 *
 * The file is read once, when it is opened, and its entries are kept in file
 * order for lookup by key, by value or by position.  The class only reads.
 *
 * File format, line by line (lines as tCFile::ReadLines cuts them: a line
 * ends at LF, at CR together with the one byte after it, or at the end of the
 * file):
 *   - everything from the first '#' on is a comment; a line starting with
 *     '#' is skipped whole.  '#' cannot be escaped, not even inside a value;
 *   - what is left must hold exactly one '=': the bytes before it are the
 *     key, the bytes after it the value, either possibly empty ("=" alone
 *     gives an empty key and an empty value);
 *   - any other line (no '=', two or more '=', empty, blank) is ignored;
 *   - keys and values are kept byte for byte: "a = 1" has the key "a " and
 *     the value " 1".  Keys compare case-sensitively.  Duplicates are all
 *     kept;
 *   - a NUL byte ends the text of its line (the rest of that line is
 *     ignored).
 *
 * Copies: a copy shares the stream, the name and the entry table with its
 * source.  The entry table carries a count of the objects holding it; Close
 * (or the destructor) of one holder only drops that holder's share, and the
 * last holder to let go frees the table.  A copy may therefore still be
 * queried after its source was closed or destroyed.  Objects sharing a table
 * must be used by one thread at a time, as for the stream they share.
 *
 * Why Open failed: errno, as the C runtime left it (see tCFile).
 */
class TAVO_API tCFileConf : public tCFile {
 public:
  /// \name Life cycle
  ///@{

  /// A closed object: no file, no entries.
  tCFileConf();

  /// Opens `pFileName` with `pMode` (a reading mode such as "rb") as the
  /// tCFile constructor does, and parses it.
  ///
  /// When the base constructor leaves the object closed (the file cannot be
  /// opened) or the file cannot be read (e.g. it is a directory), the object
  /// stays closed, exactly as after a failed Open.
  /// \param pFileName the name of the file, kept as given.
  /// \param pMode the stdio mode, a reading one.
  /// \pre Asserts "pFileName && pMode".
  tCFileConf(const char* pFileName, const char* pMode);

  /// Closes (this class's Close), then the tCFile destructor runs.
  virtual ~tCFileConf();

  /// Member-wise copy: the copy shares the stream, the name and the entry
  /// table of `oRight` (see the note on copies in the class description).
  /// \param oRight the object whose stream, name and entries are shared.
  tCFileConf(const tCFileConf& oRight);
  /// Member-wise assignment: this object shares the stream, the name and the
  /// entry table of `oRight`.
  ///
  /// Assignment first lets go of this object's own table share; assigning an
  /// object to itself is harmless.
  /// \param oRight the object whose stream, name and entries are shared.
  /// \return this object.
  tCFileConf& operator=(const tCFileConf& oRight);

  /// Opens `pFileName` with `pMode` and parses it.
  /// \param pFileName the name of the file, kept as given.
  /// \param pMode the stdio mode, a reading one.
  /// \retval 1 opened and parsed.
  /// \retval 0 a file is already open (the object keeps its file and
  ///         entries), the open fails, or the file cannot be read (e.g. it is
  ///         a directory: the object is then left closed).
  /// \pre Asserts "pFileName && pMode".
  int Open(const char* pFileName, const char* pMode);

  /// Releases this object's share of the entries and closes the stream (as
  /// tCFile::Close).  May be called repeatedly.
  /// \return 1, always.
  int Close();
  ///@}

  /// \name Lookups
  /// Each empties its output string first; the object must be open.
  ///@{

  /// Empties `oValue`, then looks for the first entry whose key equals
  /// `pKey` byte for byte.
  /// \param pKey the key searched for.
  /// \param oValue the string that receives the value.
  /// \retval 1 found: its value is assigned to `oValue`.
  /// \retval 0 there is none (`oValue` empty).
  /// \pre Asserts "m_oConf && pKey": the object must be open.
  int GetValue(const char* pKey, tCString& oValue) const;

  /// Empties `oValue`, then assigns the value of the entry at `nIndex` in
  /// file order, the index clamped into range (below 0 gives the first
  /// entry, past the end the last).
  /// \param nIndex the position of the entry in file order, clamped.
  /// \param oValue the string that receives the value.
  /// \retval 1 assigned.
  /// \retval 0 the file has no entry (`oValue` empty).
  /// \pre Asserts "m_oConf".
  int GetValue(int nIndex, tCString& oValue) const;

  /// Empties `oKey`, then looks for the first entry whose value equals
  /// `pValue` byte for byte.
  /// \param pValue the value searched for.
  /// \param oKey the string that receives the key.
  /// \retval 1 found: its key is assigned to `oKey`.
  /// \retval 0 there is none (`oKey` empty).
  /// \pre Asserts "m_oConf && pValue".
  int GetKey(const char* pValue, tCString& oKey) const;

  /// Empties `oKey`, then assigns the key of the entry at the clamped
  /// `nIndex` (as GetValue(int, tCString&) const).
  /// \param nIndex the position of the entry in file order, clamped.
  /// \param oKey the string that receives the key.
  /// \retval 1 assigned.
  /// \retval 0 the file has no entry (`oKey` empty).
  /// \pre Asserts "m_oConf".
  int GetKey(int nIndex, tCString& oKey) const;
  ///@}

 protected:
  /// The entries while open, one row of two strings (key, value) each, in
  /// file order; null while closed.  Read-only for subclasses: the lookups
  /// go through an index of these rows built when the file is opened (a file
  /// too large to index, beyond about a hundred million entries, is searched
  /// in file order instead, with the same results).
  tCString3* m_oConf;

 private:
  // Fills m_oConf from the lines of the open file (a new table, shared
  // with later copies) and indexes it.  Returns 1, or 0 when the lines
  // could not be read (no entry is then kept).
  int _ParseConf();
};

#endif  // TAVO_TCFILECONF_TCFILECONF_H
