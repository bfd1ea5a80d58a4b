// Export macro for the public interface of libtavo, and the printf-format
// check of its formatted-output functions.
//
// The library is built with hidden symbol visibility; every public class,
// free operator and free function carries TAVO_API.  On Windows the same
// macro selects __declspec(dllexport) while the library itself is being
// built (TAVO_BUILDING is defined) and __declspec(dllimport) for clients.
#ifndef TAVO_COMMON_TAVO_EXPORT_H
#define TAVO_COMMON_TAVO_EXPORT_H

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

// Lets the compiler check printf-style arguments against their format.
#if defined(__GNUC__) || defined(__clang__)
#define TAVO_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TAVO_PRINTF_FORMAT(fmt, args)
#endif

#endif  // TAVO_COMMON_TAVO_EXPORT_H
