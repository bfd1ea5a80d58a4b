// tCFile: one stdio stream opened on a named file.
//
// On top of the stream: counted reads at an absolute position, at the end or
// at the current position; the whole file as a string vector of lines;
// appending formatted text; seeking; counting lines; the size and the file
// status; and the file's name split into its absolute directory and its bare
// name.  The static twins of the queries open the named file with "rb", do
// the same work and close it again.
//
// Lines: a line is a run of bytes ended by LF, by CR together with the one
// byte after it (whatever that byte is), or by the end of the file.  The end
// is not part of the line; an empty line is an empty string; a file without
// bytes has no line; a NUL byte inside a line is kept, so the string ends
// there for its users; 0xFF is an ordinary byte.  ("a\rbc\n" is the lines
// "a" and "c".)  A read error that is not the end of the file (a stream
// opened for writing only, a directory) ends the lines and the line count
// as the end of the file does.
//
// Names: the stored name is the file name exactly as it was passed to the
// constructor or to Open.  Its directory and bare name are split at the last
// tavo::platform::kDirSep byte ('/' here, '\' in a Windows build).
//
// Copies: a copy shares the stream and the name with its source (they also
// share the stream's position).  The objects sharing one stream are counted:
// Close (or the destructor) of one of them only detaches that object, and
// the stream is closed and the name freed when the last of them lets go.  A
// copy may therefore read and write the shared stream whether or not its
// source is still open, and nothing is ever closed or freed twice.  Objects
// sharing a stream are used by one thread at a time, like the stream.
//
// Preconditions are checked with the library's assertion, which stops the
// program with the expression text; they are the caller's obligation.
#ifndef TAVO_TCFILE_TCFILE_H
#define TAVO_TCFILE_TCFILE_H

#include <sys/stat.h>

#include <cstdio>

#include "common/tavo_export.h"
#include "common/tavo_share.h"
#include "tCString/tCString.h"

// Position arguments (`nStart`) of Read and Seek besides a byte offset >= 0.
// A value below __MYFILE_CURRENT__ breaks the precondition.
#define __MYFILE_END__ (-1)      // Read: nothing to read; Seek: from the end
#define __MYFILE_CURRENT__ (-2)  // Read and Seek: from the current position

class TAVO_API tCFile {
 public:
  // A closed object: no stream, no name.
  tCFile();

  // Opens `pFileName` with the stdio mode `pMode` ("r", "rb", "w", "a+", ...)
  // as Open does.  Asserts "pFileName && pMode".  When the file cannot be
  // opened the object is left closed (both members null), so that every
  // later operation behaves as on a closed object; callers that must tell
  // the failure use the default constructor and Open.
  tCFile(const char* pFileName, const char* pMode);

  // Close().
  virtual ~tCFile();

  // The copy shares the stream and the name of `oRight` (see the note at
  // the top).  Assignment first lets go of this object's own stream, as
  // Close does; assigning an object to itself changes nothing.
  tCFile(const tCFile& oRight);
  tCFile& operator=(const tCFile& oRight);

  // Opens `pFileName` with `pMode` and keeps the name.  Asserts
  // "pFileName && pMode".  Returns 1 when opened; 0 when a file is already
  // open or the open fails (the object is left as it was).
  int Open(const char* pFileName, const char* pMode);

  // Lets go of the stream and the name (closing the stream and freeing the
  // name when no copy shares them any more).  Always returns 1; may be
  // called on a closed object and repeatedly.
  int Close();

  // Reads up to `nCount` bytes into `pBuf` and stores a NUL after them:
  // from byte `nStart` of the file (0 or more), from the current position
  // (__MYFILE_CURRENT__), or nothing at all (__MYFILE_END__, the stream is
  // not touched).  Asserts
  // "m_pFile && pBuf && (nCount > 0) && (nStart >= __MYFILE_CURRENT__)".
  // `pBuf` must hold nCount + 1 bytes.  Returns the number of bytes read: a
  // short read at the end of the file is a success with the smaller count;
  // 0 for __MYFILE_END__ and for an `nStart` at or past the end of the file
  // (the stream is then not moved).  Returns -1 when the seek fails or the
  // read fails before the end of the file.  `pBuf` always ends with a NUL
  // after the bytes read (it is "" on -1 when nothing was read).
  int Read(char* pBuf, int nCount, int nStart) const;

  // The same read into `oBuf`.  Asserts
  // "m_pFile && (nCount > 0) && (nStart >= __MYFILE_CURRENT__)".  `oBuf` is
  // set to "" first; on success it holds the bytes read up to the first NUL
  // among them, while the result counts every byte read.  Returns the count
  // or -1 as above.
  int Read(tCString& oBuf, int nCount, int nStart) const;

  // Every line of the file, read from its start.  Asserts "m_pFile".
  // Returns a string vector the caller releases with strfreev; null when the
  // file holds no line, when the seek fails or when the stream cannot be
  // read at all (a stream opened for writing only).  The stream is left at
  // the end of the file.  A stream that cannot seek at all (a pipe or a
  // FIFO, as a settings file passed as <(...) is) is read from where it
  // stands, which for a freshly opened one is its start.
  char** ReadLines() const;

  // Every line of the file `pFileName` (opened with "rb").  Asserts
  // "pFileName".  Returns a string vector the caller releases with
  // strfreev; null when the file cannot be opened or holds no line.
  static char** ReadLines(const char* pFileName);

  // Appends the printf-expanded `fmt` at the end of the file, whatever the
  // current position; the stream is not flushed.  Asserts "m_pFile && fmt".
  // Returns 1 when at least one character was written; 0 when the seek
  // fails, when the write fails or when the format expands to nothing.
  int Write(const char* fmt, ...) const TAVO_PRINTF_FORMAT(2, 3);

  // Opens `pFileName` with `pMode`, writes the expanded `fmt`, closes it.
  // Asserts "pFileName && pMode && fmt".  Returns 1 when at least one
  // character was written and the close (which flushes) succeeded; 0 when
  // the open fails, nothing was written, or the write or the close failed.
  // Note: a call on an object with three string arguments resolves to this
  // static member, not to the member Write with two text arguments.
  static int Write(const char* pFileName, const char* pMode, const char* fmt, ...)
      TAVO_PRINTF_FORMAT(3, 4);

  // Moves the position: to byte nOffset + nStart when `nStart` is 0 or
  // more, by `nOffset` from the end (__MYFILE_END__) or from the current
  // position (__MYFILE_CURRENT__).  Asserts
  // "m_pFile && (nStart >= __MYFILE_CURRENT__)".  Returns 1 when moved, 0
  // when the move fails (e.g. before the start of the file).
  int Seek(int nOffset, int nStart) const;

  // Number of lines: the LF bytes, plus 1 when the file is not empty and
  // does not end with LF (CR plays no part; an empty file has 0).  Asserts
  // "fp" (the open stream).  Returns -1 when the seek fails or the count
  // does not fit in an int.  The stream is left at the end of the file.  A
  // stream that cannot be read counts the lines read before the failure (0
  // for a stream opened for writing only).
  int GetLines() const;

  // The same for the file `pFileName` (opened with "rb").  Asserts
  // "pFileName".  Returns -1 when the file cannot be opened.
  static int GetLines(const char* pFileName);

  // Size of the file in bytes, output still waiting in the stream's buffer
  // included (it is flushed first).  Asserts "m_pFile".  Returns -1 when the
  // status query fails or the size does not fit in an int.
  int GetLength() const;

  // The size of the file `pFileName` (opened with "rb").  Asserts
  // "pFileName".  Returns -1 when it cannot be opened, as above otherwise.
  static int GetLength(const char* pFileName);

  // Fills `*sBuff` with the status of the open file (pending output is
  // flushed first).  Asserts "m_pFile && sBuff".  Returns 1, or 0 when the
  // query fails.
  int GetStatus(struct stat* sBuff) const;

  // The status of the file `pFileName` (opened with "rb").  Asserts
  // "pFileName && sBuff".  Returns 1; 0 when the file cannot be opened for
  // reading (`*sBuff` untouched) or the query fails.
  static int GetStatus(const char* pFileName, struct stat* sBuff);

  // Writes the absolute name of the open file into `pFilePath`: its
  // directory as the system names it (absolute, symbolic links resolved,
  // resolved now, relative names against the current directory), the
  // separator and the bare name.  After a root directory the separator is
  // not doubled on POSIX ("/f.txt"); on Windows it always follows the
  // directory as the system names it, so a file in a drive's root directory
  // is C:\\f.txt (root C:\ as the system names it, then the separator).
  // The current directory is not changed.  Asserts "pFilePath".
  // Returns 1; 0 when no file is open or its directory cannot be resolved
  // any more (the buffer is then untouched).  No size is passed: the buffer
  // must hold the result; GetFilePath(tCString&) has no such limit.
  int GetFilePath(char* pFilePath) const;

  // The same path assigned to `oFilePath`; 0 (and `oFilePath` unchanged)
  // when no file is open or the directory cannot be resolved.
  int GetFilePath(tCString& oFilePath) const;

  // Writes the bare name of the open file (the stored name after its last
  // separator, or all of it) into `pFileName`.  Asserts "pFileName".
  // Returns 1; 0 when no file is open (buffer untouched).  The result is
  // never longer than the name given at the open, which sizes the buffer.
  // A stored name that ends with the separator gives "".
  int GetFileName(char* pFileName) const;

  // The same bare name assigned to `oFileName`; 0 (and `oFileName`
  // unchanged) when no file is open.
  int GetFileName(tCString& oFileName) const;

 protected:
  // The open stream, or null while closed.  Shared with copies.
  FILE* m_pFile;
  // The file name as given at the open, or null while closed.  Shared with
  // copies; owned by the sharers together (never deleted directly).
  tCString* m_oFileName;

 private:
  // The next line of `fp` as a heap string without its end (released with
  // free()), or null at the end of the file.  Asserts "fp".  Kept for the
  // class's interface; the class itself reads lines a whole file at a time.
  static char* _ReadOneLine(FILE* fp);
  // The line count of `fp` from its start, or -1.  Asserts "fp".
  static int _GetLines(FILE* fp);
  // The size of the file of `fp`, or -1.  Asserts "fp".
  static int _GetLength(FILE* fp);
  // fstat of the file of `fp`: 1 or 0.  Asserts "fp && sBuff".
  static int _GetStatus(FILE* fp, struct stat* sBuff);

  // Attaches a stream just opened with `pMode` and its name to this closed
  // object.
  void attach(FILE* fp, const char* pFileName, const char* pMode);

  // The stream and the name, shared with copies, and the count of the
  // objects sharing them.
  struct Share;
  Share* m_pShare;
  tavo::detail::ShareCount m_oShares;
};

#endif  // TAVO_TCFILE_TCFILE_H
