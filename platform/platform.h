// The platform layer: every call into the operating system for sockets,
// file mappings, process launch, file deletion/rename and directory listing
// goes through the task-level functions declared here.  One implementation
// file per concern: posix_*.cpp on POSIX systems, win32_*.cpp on Windows,
// chosen by the build.
#ifndef TAVO_PLATFORM_PLATFORM_H
#define TAVO_PLATFORM_PLATFORM_H

namespace tavo {
namespace platform {

// The directory separator of path names on this platform.
#if defined(_WIN32)
constexpr char kDirSep = '\\';
#else
constexpr char kDirSep = '/';
#endif

}  // namespace platform
}  // namespace tavo

#endif  // TAVO_PLATFORM_PLATFORM_H
