// The share count of copied objects.
#include <cstdlib>
#include <new>

#include "common/common.h"
#include "common/tavo_share.h"

namespace tavo {
namespace detail {

void ShareCount::start() {
  leave();
  p_ = new (mmalloc(sizeof(std::atomic<int>))) std::atomic<int>(1);
}

bool ShareCount::leave() noexcept {
  if (p_ == nullptr) return false;
  std::atomic<int>* p = p_;
  p_ = nullptr;
  if (p->fetch_sub(1, std::memory_order_acq_rel) != 1) return false;
  p->~atomic();
  std::free(p);
  return true;
}

}  // namespace detail
}  // namespace tavo
