/// \file
/// The count of objects that refer to one resource (a stream, a parsed table,
/// a socket, a connection, a mapping).  Installed with the public headers
/// because classes hold it as a member; it is not part of the interface (and
/// is left out of the reference documentation).
///
/// Copies of the library's objects share their source's resource.  Each
/// object that holds a share owns one ShareCount; the objects sharing a
/// resource share its count.  The owner releases the resource only when
/// leave() reports that it was the last holder, so nothing is ever released
/// twice, whichever of the sharers goes first.  The count is atomic: copies
/// are distinct objects and may live on different threads.
#ifndef TAVO_COMMON_TAVO_SHARE_H
#define TAVO_COMMON_TAVO_SHARE_H

#include <atomic>

/// \cond
namespace tavo {
namespace detail {

class ShareCount {
 public:
  // Holds no share.
  ShareCount() noexcept : p_(nullptr) {}

  // Joins the count of `o` (holds nothing when `o` holds nothing).
  ShareCount(const ShareCount& o) noexcept : p_(o.p_) { add(); }

  // Owners assign by leave() and then join(): they must release the
  // resource in between when leave() says so.
  ShareCount& operator=(const ShareCount&) = delete;

  // Leaves silently; owners call leave() themselves before this runs.
  ~ShareCount() { leave(); }

  // Begins a new count with this object as its only holder.  Any share
  // held before is left first (without telling: leave() it first when the
  // resource matters).
  void start();

  // Leaves the current count (as above) and joins the count of `o`.
  void join(const ShareCount& o) noexcept {
    if (o.p_ == p_) return;
    leave();
    p_ = o.p_;
    add();
  }

  // Leaves the count.  Returns true when this object was the last holder:
  // the caller then releases the resource.  False when others still hold
  // it or when this object held nothing.  Afterwards nothing is held.
  bool leave() noexcept;

  bool held() const noexcept { return p_ != nullptr; }
  bool sharesWith(const ShareCount& o) const noexcept { return p_ != nullptr && p_ == o.p_; }
  // The number of holders (0 when nothing is held); for tests.
  int holders() const noexcept { return p_ != nullptr ? p_->load(std::memory_order_relaxed) : 0; }

 private:
  void add() noexcept {
    if (p_ != nullptr) p_->fetch_add(1, std::memory_order_relaxed);
  }
  std::atomic<int>* p_;
};

}  // namespace detail
}  // namespace tavo
/// \endcond

#endif  // TAVO_COMMON_TAVO_SHARE_H
