/// \file
/// The class tCFile: one stdio stream opened on a named file, and the position
/// arguments of its Read and Seek.
#ifndef TAVO_TCFILE_TCFILE_H
#define TAVO_TCFILE_TCFILE_H

#include <sys/stat.h>

#include <stdio.h>

#include "common/tavo_export.h"
#include "tCString/tCString.h"

/// \name Position arguments
/// Position arguments (`nStart`) of Read and Seek besides a byte
/// offset >= 0.  A value below `__MYFILE_CURRENT__` breaks the precondition.
///@{
#define __MYFILE_END__ (-1)      ///< Read: nothing to read; Seek: from the end
#define __MYFILE_CURRENT__ (-2)  ///< Read and Seek: from the current position
///@}

/**
 * One stdio stream opened on a named file.
 *
 * On top of the stream: counted reads at an absolute position, at the end or
 * at the current position; the whole file as a string vector of lines;
 * appending formatted text; seeking; counting lines; the size and the file
 * status; and the file's name split into its absolute directory and its bare
 * name.  The static twins of the queries open the named file with "rb", do
 * the same work and close it again.
 *
 * Lines: a line is a run of bytes ended by LF, by CR together with the one
 * byte after it (whatever that byte is), or by the end of the file.  The end
 * is not part of the line; an empty line is an empty string; a file without
 * bytes has no line; a NUL byte inside a line is kept, so the string ends
 * there for its users; 0xFF is an ordinary byte.  (`"a\rbc\n"` is the lines
 * "a" and "c".)  A read error that is not the end of the file (a stream
 * opened for writing only, a directory, an I/O error) fails the whole read:
 * the line readers give null and the line count -1, never the lines read
 * before the error.
 *
 * Names: the stored name is the file name exactly as it was passed to the
 * constructor or to Open.  Its directory and bare name are split at the last
 * `tavo::platform::kDirSep` byte ('/' here, '\\' in a Windows build).
 *
 * Copies: a copy shares the stream and the name with its source (they also
 * share the stream's position).  The objects sharing one stream are counted:
 * Close (or the destructor) of one of them only detaches that object, and
 * the stream is closed and the name freed when the last of them lets go.  A
 * copy may therefore read and write the shared stream whether or not its
 * source is still open, and nothing is ever closed or freed twice.  Objects
 * sharing a stream are used by one thread at a time, like the stream.
 *
 * Why a call failed: a failing call leaves the C runtime's reason in errno
 * (ENOENT for a missing file, EACCES for one that may not be opened), on
 * Windows too; read it right after the call.
 *
 * Preconditions are checked with the library's assertion, which stops the
 * program with the expression text; they are the caller's obligation.
 */
class TAVO_API tCFile {
 public:
  /// \name Life cycle
  ///@{

  /// A closed object: no stream, no name.
  tCFile();

  /// Opens `pFileName` with the stdio mode `pMode` ("r", "rb", "w", "a+",
  /// ...) as Open does.
  ///
  /// When the file cannot be opened the object is left closed (both members
  /// null), so that every later operation behaves as on a closed object;
  /// callers that must tell the failure use the default constructor and
  /// Open.
  /// \param pFileName the name of the file, kept as given.
  /// \param pMode the stdio mode.
  /// \pre Asserts "pFileName && pMode".
  tCFile(const char* pFileName, const char* pMode);

  /// Close().
  virtual ~tCFile();

  /// The copy shares the stream and the name of `oRight` (see the note on
  /// sharing in the class description).
  /// \param oRight the object whose stream and name are shared.
  tCFile(const tCFile& oRight);
  /// This object shares the stream and the name of `oRight`.
  ///
  /// Assignment first lets go of this object's own stream, as Close does;
  /// assigning an object to itself changes nothing.
  /// \param oRight the object whose stream and name are shared.
  /// \return this object.
  tCFile& operator=(const tCFile& oRight);

  /// Opens `pFileName` with `pMode` and keeps the name.
  /// \param pFileName the name of the file, kept as given.
  /// \param pMode the stdio mode ("r", "rb", "w", "a+", ...).
  /// \retval 1 opened.
  /// \retval 0 a file is already open or the open fails (the object is left
  ///         as it was).
  /// \pre Asserts "pFileName && pMode".
  int Open(const char* pFileName, const char* pMode);

  /// Lets go of the stream and the name (closing the stream and freeing the
  /// name when no copy shares them any more).  May be called on a closed
  /// object and repeatedly.  The object is closed whatever the result.
  /// \retval 1 closed (or only let go of, while a copy still shares it).
  /// \retval 0 the stream's close failed: output still buffered could not be
  ///         written out (a full disk, an I/O error), so bytes written
  ///         through the object may be missing from the file (errno tells
  ///         why).
  int Close();
  ///@}

  /// \name Reading and writing
  ///@{

  /// Reads up to `nCount` bytes into `pBuf` and stores a NUL after them.
  ///
  /// Reads from byte `nStart` of the file (0 or more), from the current
  /// position (`__MYFILE_CURRENT__`), or nothing at all (`__MYFILE_END__`,
  /// the stream is not touched).  A short read at the end of the file is a
  /// success with the smaller count.  `pBuf` always ends with a NUL after
  /// the bytes read (it is "" on -1 when nothing was read).
  /// \param pBuf the caller's buffer; it must hold nCount + 1 bytes.
  /// \param nCount the largest number of bytes read.
  /// \param nStart a byte offset, `__MYFILE_CURRENT__` or `__MYFILE_END__`.
  /// \return the number of bytes read; 0 for `__MYFILE_END__` and for an
  ///         `nStart` at or past the end of the file, the size the file's
  ///         status reports (the stream is then not moved; a pipe or FIFO
  ///         reports 0, so an absolute position reads nothing there); -1 when
  ///         the size cannot be had, the seek fails or the read fails before
  ///         the end of the file.
  /// \pre Asserts
  ///      "m_pFile && pBuf && (nCount > 0) && (nStart >= __MYFILE_CURRENT__)".
  int Read(char* pBuf, int nCount, int nStart) const;

  /// The same read into `oBuf`.
  ///
  /// `oBuf` is set to "" first; on success it holds the bytes read up to the
  /// first NUL among them, while the result counts every byte read.
  /// \param oBuf the string that receives the bytes read.
  /// \param nCount the largest number of bytes read.
  /// \param nStart a byte offset, `__MYFILE_CURRENT__` or `__MYFILE_END__`.
  /// \return the count or -1 as for Read(char*, int, int) const.
  /// \pre Asserts "m_pFile && (nCount > 0) && (nStart >= __MYFILE_CURRENT__)".
  int Read(tCString& oBuf, int nCount, int nStart) const;

  /// Every line of the file, read from its start.
  ///
  /// The stream is left at the end of the file.  A stream that cannot seek
  /// at all (a pipe or a FIFO, as a settings file passed as `<(...)` is) is
  /// read from where it stands, which for a freshly opened one is its start.
  /// \return a string vector the caller releases with strfreev; null when
  ///         the file holds no line, when the seek fails or when a read
  ///         fails (a stream opened for writing only, an I/O error).
  /// \pre Asserts "m_pFile".
  char** ReadLines() const;

  /// Every line of the file `pFileName` (opened with "rb").
  /// \param pFileName the name of the file.
  /// \return a string vector the caller releases with strfreev; null when
  ///         the file cannot be opened or read, or holds no line.
  /// \pre Asserts "pFileName".
  static char** ReadLines(const char* pFileName);

  /// Appends the printf-expanded `fmt` at the end of the file, whatever the
  /// current position; the stream is not flushed.
  /// \param fmt the printf format.
  /// \param ... the arguments of the format.
  /// \retval 1 at least one character was written.
  /// \retval 0 the seek fails, the write fails or the format expands to
  ///         nothing.
  /// \pre Asserts "m_pFile && fmt".
  int Write(const char* fmt, ...) const TAVO_PRINTF_FORMAT(2, 3);

  /// Opens `pFileName` with `pMode`, writes the expanded `fmt`, closes it.
  /// \param pFileName the name of the file.
  /// \param pMode the stdio mode.
  /// \param fmt the printf format.
  /// \param ... the arguments of the format.
  /// \retval 1 at least one character was written and the close (which
  ///         flushes) succeeded.
  /// \retval 0 the open fails, nothing was written, or the write or the
  ///         close failed.
  /// \pre Asserts "pFileName && pMode && fmt".
  /// \note A call on an object with three string arguments resolves to this
  ///       static member, not to the member Write with two text arguments.
  static int Write(const char* pFileName, const char* pMode, const char* fmt, ...) TAVO_PRINTF_FORMAT(3, 4);

  /// Moves the position: to byte nOffset + nStart when `nStart` is 0 or
  /// more, by `nOffset` from the end (`__MYFILE_END__`) or from the current
  /// position (`__MYFILE_CURRENT__`).
  /// \param nOffset the offset in bytes.
  /// \param nStart a byte offset, `__MYFILE_END__` or `__MYFILE_CURRENT__`.
  /// \retval 1 moved.
  /// \retval 0 the move fails (e.g. before the start of the file).
  /// \pre Asserts "m_pFile && (nStart >= __MYFILE_CURRENT__)".
  int Seek(int nOffset, int nStart) const;
  ///@}

  /// \name Queries
  ///@{

  /// Number of lines: the LF bytes, plus 1 when the file is not empty and
  /// does not end with LF (CR plays no part; an empty file has 0).
  ///
  /// The stream is left at the end of the file.
  /// \return the number of lines; -1 when the seek fails, when a read fails
  ///         (a stream opened for writing only, an I/O error) or when the
  ///         count does not fit in an int.
  /// \pre Asserts "fp" (the open stream).
  int GetLines() const;

  /// The same for the file `pFileName` (opened with "rb").
  /// \param pFileName the name of the file.
  /// \return the number of lines; -1 when the file cannot be opened, as for
  ///         GetLines() const otherwise.
  /// \pre Asserts "pFileName".
  static int GetLines(const char* pFileName);

  /// Size of the file in bytes, output still waiting in the stream's buffer
  /// included (it is flushed first).
  /// \return the size; -1 when the status query fails or the size does not
  ///         fit in an int.
  /// \pre Asserts "m_pFile".
  int GetLength() const;

  /// The size of the file `pFileName` (opened with "rb").
  /// \param pFileName the name of the file.
  /// \return the size; -1 when it cannot be opened, as for GetLength() const
  ///         otherwise.
  /// \pre Asserts "pFileName".
  static int GetLength(const char* pFileName);

  /// Fills `*sBuff` with the status of the open file (pending output is
  /// flushed first).
  /// \param sBuff the status record filled in.
  /// \retval 1 filled in.
  /// \retval 0 the query fails.
  /// \pre Asserts "m_pFile && sBuff".
  int GetStatus(struct stat* sBuff) const;

  /// The status of the file `pFileName` (opened with "rb").
  /// \param pFileName the name of the file.
  /// \param sBuff the status record filled in.
  /// \retval 1 filled in.
  /// \retval 0 the file cannot be opened for reading (`*sBuff` untouched) or
  ///         the query fails.
  /// \pre Asserts "pFileName && sBuff".
  static int GetStatus(const char* pFileName, struct stat* sBuff);
  ///@}

  /// \name Names
  ///@{

  /// Writes the absolute name of the open file into `pFilePath`.
  ///
  /// That is its directory as the system names it (absolute, symbolic links
  /// resolved, resolved now, relative names against the current directory),
  /// the separator and the bare name.  After a root directory the separator
  /// is not doubled on POSIX (`/f.txt`); on Windows it always follows the
  /// directory as the system names it, so a file in a drive's root directory
  /// is `C:\\f.txt` (root `C:\` as the system names it, then the
  /// separator).  The current directory is not changed.  No size is passed:
  /// the buffer must hold the result; GetFilePath(tCString&) const has no
  /// such limit.
  /// \param pFilePath the caller's buffer, sized by the caller.
  /// \retval 1 written.
  /// \retval 0 no file is open or its directory cannot be resolved any more
  ///         (the buffer is then untouched).
  /// \pre Asserts "pFilePath".
  int GetFilePath(char* pFilePath) const;

  /// The same path assigned to `oFilePath`.
  /// \param oFilePath the string that receives the path.
  /// \retval 1 assigned.
  /// \retval 0 no file is open or the directory cannot be resolved
  ///         (`oFilePath` unchanged).
  int GetFilePath(tCString& oFilePath) const;

  /// Writes the bare name of the open file (the stored name after its last
  /// separator, or all of it) into `pFileName`.
  ///
  /// The result is never longer than the name given at the open, which
  /// sizes the buffer.  A stored name that ends with the separator gives "".
  /// \param pFileName the caller's buffer, sized by the caller.
  /// \retval 1 written.
  /// \retval 0 no file is open (buffer untouched).
  /// \pre Asserts "pFileName".
  int GetFileName(char* pFileName) const;

  /// The same bare name assigned to `oFileName`.
  /// \param oFileName the string that receives the name.
  /// \retval 1 assigned.
  /// \retval 0 no file is open (`oFileName` unchanged).
  int GetFileName(tCString& oFileName) const;
  ///@}

 protected:
  /// The open stream, or null while closed.  Shared with copies.
  FILE* m_pFile;
  /// The file name as given at the open, or null while closed.  Shared with
  /// copies; owned by the sharers together (never deleted directly).
  tCString* m_oFileName;

 private:
  // The next line of `fp` as a heap string without its end (released with
  // free()), or null at the end of the file or on a read error.  Asserts
  // "fp".  Kept for the
  // class's interface; the class itself reads lines a whole file at a time.
  static char* _ReadOneLine(FILE* fp);
  // The line count of `fp` from its start, or -1.  Asserts "fp".
  static int _GetLines(FILE* fp);
  // The size of the file of `fp`, or -1.  Asserts "fp".
  static int _GetLength(FILE* fp);
  // fstat of the file of `fp`: 1 or 0.  Asserts "fp && sBuff".
  static int _GetStatus(FILE* fp, struct stat* sBuff);
};

#endif  // TAVO_TCFILE_TCFILE_H
