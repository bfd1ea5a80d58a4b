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
#  if defined(TAVO_BUILDING)
#    define TAVO_API __declspec(dllexport)
#  else
#    define TAVO_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) || defined(__clang__)
#  define TAVO_API __attribute__((visibility("default")))
#else
#  define TAVO_API
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

#endif  // TAVO_COMMON_TAVO_EXPORT_H
