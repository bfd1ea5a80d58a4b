/// \file
/// The class tCShm: a named block of memory shared between processes.
#ifndef TAVO_TCSHM_TCSHM_H
#define TAVO_TCSHM_TCSHM_H

#include "common/tavo_export.h"

/**
 * A named block of memory shared between processes.
 *
 * One process creates the block under a name with a size; others (or the
 * same one) join it by the same name; each maps it with Shmat and reads and
 * writes it directly.  The class holds only the handle: it neither
 * synchronises access to the block nor interprets its contents.
 *
 * Life of a block: it lives while at least one handle to it is held, in any
 * process.  When the last holder lets go (Drop), its name is removed, and a later Create of that name makes a
 * new, zero-filled block.  Holders that end without letting go (killed, or
 * leaving with `_exit`) do not keep it either: the next Create of that name
 * does not join such an abandoned block but makes a new, zero-filled one in
 * its place.  Views already taken stay valid in every case: they keep the
 * memory they map, even after the block's name has gone.
 *
 * Names: any name of 1 to 49 bytes; a longer or empty name is refused
 * (Create returns 0).  On POSIX systems every byte may be part of a name
 * (`/` and `\` included), and names are private to this library's blocks:
 * they do not clash with other programs' shared memory of the same name.
 * On Windows a block is a file mapping on the paging file named exactly
 * `pIPCName`, so other programs open it by that name; there `\` separates
 * the system's namespaces (`Local\name`, `Global\name`) and a name with
 * any other part before a `\` is refused.  The system itself frees such a
 * mapping when its last handle and view close, in whatever way the
 * processes holding them ended.
 *
 * The destructor releases nothing: an object destroyed without Drop leaves
 * its handle held until the process ends, so a function may create and
 * fill a block in a local object and return, and other processes join it
 * afterwards.
 *
 * Copies: a copy holds the same handle as its source (same m_nShmID).  The
 * objects sharing a handle are counted: Drop of one of them only detaches
 * that object, and the handle is released once, by the last of them to
 * Drop.
 *
 * Blocks are private to the user who made them, as a session's named
 * mappings are on Windows: on POSIX systems a block is made readable and
 * writable by its owner only, and Create refuses (returns 0) to join a
 * block of that name that another user made or that is open to others.
 * Create never waits without bound: when another process keeps the
 * block's name busy (stopped inside its own Create, say) for more than a
 * few seconds, it returns 0.  A new block's memory is reserved by Create,
 * so a block the system cannot back (a full /dev/shm) makes Create return
 * 0 and leaves nothing behind, as on Windows.
 *
 * A process made with fork() (without exec) inherits its parent's objects
 * and holds their blocks as a holder of its own: its Drop (or its end) and
 * its parent's are counted apart, so neither takes a block from the other.
 * Handles are not passed to programs started with exec.
 *
 * Why a call failed: when a system call refused (no room, no permission),
 * its reason is in errno (GetLastError() in a Windows build) right after
 * Create or Shmat; a refused name sets none.
 *
 * Preconditions are checked with the library's assertion, which stops the
 * program with the expression text; they are the caller's obligation.
 */
class TAVO_API tCShm {
 public:
  /// An object without a handle (m_nShmID 0).
  tCShm();

  /// Releases nothing: the handle stays held until Drop or the end of the
  /// process (see the class description).
  virtual ~tCShm();

  /// The copy holds the same handle and name as `oRight` (see Copies in the
  /// class description).
  /// \param oRight The object copied.
  tCShm(const tCShm& oRight);
  /// Makes this object hold the same handle and name as `oRight`.
  ///
  /// Assignment first lets go of this object's own handle, as Drop does;
  /// assigning an object to itself changes nothing.
  /// \param oRight The object copied.
  /// \return *this.
  tCShm& operator=(const tCShm& oRight);

  /// Creates the block `pIPCName` of `nSize` bytes (new blocks are
  /// zero-filled), or joins the live block of that name, which keeps its own
  /// size (`nSize` then has no effect).
  ///
  /// The second argument is not used.  `nSize` <= 0 only joins: with no live
  /// block of that name, nothing is made and the result is 0.
  /// A handle held from an earlier Create is let go after the new one is
  /// had, so that calling Create again with the same name keeps the block.
  /// m_szIPCName receives a copy of an accepted name (one of 1 to 49 bytes,
  /// also when the system then refuses the block); a refused name leaves it
  /// as it was.
  /// \pre Asserts "pIPCName".
  /// \param pIPCName The block's name, 1 to 49 bytes.
  /// \param nSize The size in bytes of a new block; 0 or less only joins.
  /// \retval 1 the object now holds a handle to the block.
  /// \retval 0 the name is empty or longer than 49 bytes, the system
  ///         refuses the block (no room for it, say), the block of that name
  ///         is another user's or open to others, or its name stayed busy
  ///         for more than a few seconds (then the object holds no handle).
  int Create(const char* pIPCName, int, int nSize);

  /// Maps the whole block read/write at an address the system chooses; both
  /// arguments are not used.
  ///
  /// Views belong to the caller and stay valid after Drop and after the
  /// object is destroyed (until the process ends; munmap with the block's
  /// size unmaps one); the class never unmaps them.
  /// \pre Asserts "m_nShmID != 0".
  /// \return The address of a new view on each call, or null when the
  ///         system refuses one.
  void* Shmat(const void*, int);

  /// Lets go of the handle (released when no copy holds it any more; the
  /// block's name is removed when no holder is left anywhere).
  ///
  /// m_nShmID becomes 0.  May be called without a handle and repeatedly.
  /// \return Always 1.
  int Drop();

  /// Non-zero exactly while the object holds a handle.
  ///
  /// On Windows it is the mapping's handle itself, an `int` on 64-bit
  /// Windows too, where a `HANDLE` is 64 bits wide: Windows keeps kernel
  /// handle values within 32 bits, so every handle fits.  The library
  /// checks each handle it stores; one that would not fit is closed and
  /// `Create` fails (ERROR_TOO_MANY_OPEN_FILES), never cut short.
  int m_nShmID;
  /// The name last accepted by Create, NUL-terminated (zero-filled before).
  char m_szIPCName[50];
};

#endif  // TAVO_TCSHM_TCSHM_H
