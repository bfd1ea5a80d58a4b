// The library's way out when memory is exhausted (internal header, not
// installed), for code that must not include the public interface: the
// Visual C++-mode operator new (platform/msvc/new.cpp).  It ends the
// process as memfatal does, with its message and exit status.
#ifndef TAVO_INTERNAL_TAVO_EXHAUSTED_H
#define TAVO_INTERNAL_TAVO_EXHAUSTED_H

namespace tavo {
namespace detail {

// Reports that `pWho` could not have its memory and ends the process.
[[noreturn]] void memoryExhausted(const char* pWho);

}  // namespace detail
}  // namespace tavo

#endif  // TAVO_INTERNAL_TAVO_EXHAUSTED_H
