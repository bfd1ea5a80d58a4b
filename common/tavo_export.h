/// \file
/// Export macro for the public interface of libtavo, and the printf-format
/// check of its formatted-output functions.
///
/// The library is built with hidden symbol visibility; every public class,
/// free operator and free function carries TAVO_API.  On Windows the same
/// macro selects `__declspec(dllexport)` while the library itself is being
/// built (`TAVO_BUILDING` is defined) and `__declspec(dllimport)` for clients.
#ifndef TAVO_COMMON_TAVO_EXPORT_H
#define TAVO_COMMON_TAVO_EXPORT_H

/// \def TAVO_API
/// Marks a public class or function of libtavo.
///
/// Default symbol visibility with GCC and Clang; on Windows
/// `__declspec(dllexport)` while building the library (`TAVO_BUILDING`
/// defined) and `__declspec(dllimport)` for its clients; empty with other
/// compilers.
#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(TAVO_BUILDING)
#define TAVO_API __declspec(dllexport)
#else
#define TAVO_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define TAVO_API __attribute__((visibility("default")))
#else
#define TAVO_API
#endif

/// \def TAVO_PRINTF_FORMAT(fmt, args)
/// Lets the compiler check printf-style arguments against their format.
/// Expands to `__attribute__((format(printf, fmt, args)))` with GCC and
/// Clang, to nothing with other compilers.
/// \param fmt The position (from 1) of the format parameter.
/// \param args The position of the first argument checked against it.
#if defined(__GNUC__) || defined(__clang__)
#define TAVO_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TAVO_PRINTF_FORMAT(fmt, args)
#endif

/// \def TAVO_NORETURN
/// Marks a function that never returns.  The headers are read by compilers
/// of every age the library's clients are built with (Visual C++ 6.0
/// included), so C++11's attribute is used only where the compiler knows
/// it; older ones get their own spelling or nothing.
#if __cplusplus >= 201103L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201103L)
#define TAVO_NORETURN [[noreturn]]
#elif defined(_MSC_VER)
#define TAVO_NORETURN __declspec(noreturn)
#elif defined(__GNUC__) || defined(__clang__)
#define TAVO_NORETURN __attribute__((noreturn))
#else
#define TAVO_NORETURN
#endif

/// \def TAVO_ALIGN4
/// Aligns a member to 4 bytes.  Before C++11 it expands to nothing: the
/// one member that uses it follows a 4-byte member in a class whose
/// alignment is at least 4, so its offset is the same either way.
#if __cplusplus >= 201103L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201103L)
#define TAVO_ALIGN4 alignas(4)
#else
#define TAVO_ALIGN4
#endif

#endif  // TAVO_COMMON_TAVO_EXPORT_H
