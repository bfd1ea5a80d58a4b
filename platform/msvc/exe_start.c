/*
 * Entry point (lld-link /entry:mainCRTStartup /subsystem:console) of a
 * console program built with cmake/toolchain-i686-msvc.cmake and linked with
 * /nodefaultlib, in place of the startup code of Visual C++'s static runtime
 * library: takes argc/argv from the DLL runtime, runs the program's static
 * initialisers (.CRT$XI* and .CRT$XC*), runs main, then the
 * module's _onexit table (platform/msvc/support.c), and exits through the
 * runtime so that its atexit functions run and its streams are flushed.
 * Part of tavo_msvc_support.lib (cmake/msvc/import_libs.cmake); the linker
 * takes it only when a program names this entry point.
 */
#include <stdlib.h>

int main(int argc, char **argv);
void __cdecl tavo_msvc_run_onexit(void);

/*
 * The program's static initialisers, as Visual C++'s startup runs them
 * before main: the compiler puts a pointer to each C initialiser in a
 * .CRT$XI* section and to each C++ dynamic initialiser (a global whose
 * value is only known at run time, such as the address of a dllimport
 * function: common/common.h's tavo_debug) in .CRT$XC*; the linker sorts
 * the sections by name, so the entries lie between the A and Z markers
 * here.  Empty slots (padding) are null.
 */
typedef void(__cdecl *start_fn)(void);
typedef int(__cdecl *start_fn_int)(void);
#pragma section(".CRT$XIA", read)
#pragma section(".CRT$XIZ", read)
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XIA")) static const start_fn_int xi_a = 0;
__declspec(allocate(".CRT$XIZ")) static const start_fn_int xi_z = 0;
__declspec(allocate(".CRT$XCA")) static const start_fn xc_a = 0;
__declspec(allocate(".CRT$XCZ")) static const start_fn xc_z = 0;

static void runInitialisers(void) {
  /* Walked through volatile pointers: the markers are distinct objects
   * to the compiler, one table to the linker. */
  const start_fn_int *volatile pi = &xi_a;
  const start_fn *volatile pc = &xc_a;
  for (; pi < &xi_z; ++pi)
    if (*pi && (*pi)() != 0) exit(255);
  for (; pc < &xc_z; ++pc)
    if (*pc) (*pc)();
}

#if TAVO_MSVC_UCRT
/* ucrtbase.dll's startup interface (corecrt_startup.h in the Windows SDK). */
__declspec(dllimport) int __cdecl _configure_narrow_argv(int mode);
__declspec(dllimport) int __cdecl _initialize_narrow_environment(void);
__declspec(dllimport) void __cdecl _set_app_type(int type);
__declspec(dllimport) int *__cdecl __p___argc(void);
__declspec(dllimport) char ***__cdecl __p___argv(void);

void __cdecl mainCRTStartup(void) {
  int status;
  _set_app_type(1);          /* _crt_console_app */
  _configure_narrow_argv(1); /* _crt_argv_unexpanded_arguments */
  _initialize_narrow_environment();
  runInitialisers();
  status = main(*__p___argc(), *__p___argv());
  tavo_msvc_run_onexit();
  exit(status);
}
#else
/* msvcrt.dll's: the startup record is one int (the new-mode flag). */
typedef struct {
  int newmode;
} start_info;
__declspec(dllimport) int __cdecl __getmainargs(int *argc, char ***argv, char ***envp, int expand,
                                                start_info *info);
__declspec(dllimport) void __cdecl __set_app_type(int type);

void __cdecl mainCRTStartup(void) {
  int argc, status;
  char **argv, **envp;
  start_info info = {0};
  __set_app_type(1); /* console */
  if (__getmainargs(&argc, &argv, &envp, 0, &info) < 0) exit(255);
  runInitialisers();
  status = main(argc, argv);
  tavo_msvc_run_onexit();
  exit(status);
}
#endif
