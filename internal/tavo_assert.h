// The library's precondition check (internal header, not installed).
//
// TAVO_ASSERT(expr) is active in every build type, release builds included:
// it is never compiled out.  When `expr` is false it writes
//     Assertion failed: <expr>, file <source file>, line <line>
// to the standard error stream and aborts the process.  The source file is
// given relative to the repository root (e.g. tCString/tCString.cpp); the
// build maps the source directory prefix away.
#ifndef TAVO_INTERNAL_TAVO_ASSERT_H
#define TAVO_INTERNAL_TAVO_ASSERT_H

namespace tavo {
namespace detail {
// Internal to the library (a test that uses TAVO_ASSERT itself compiles
// internal/assert.cpp in).
[[noreturn]] void assertFail(const char* pExpr, const char* pFile, int nLine) noexcept;
}  // namespace detail
}  // namespace tavo

// Variadic so that an expression holding a comma needs no extra parentheses.
#define TAVO_ASSERT(...) \
  ((__VA_ARGS__) ? static_cast<void>(0) : ::tavo::detail::assertFail(#__VA_ARGS__, __FILE__, __LINE__))

#endif  // TAVO_INTERNAL_TAVO_ASSERT_H
