/*
 * Entry point (lld-link /entry:mainCRTStartup /subsystem:console) of a
 * console program built with cmake/toolchain-i686-msvc.cmake and linked with
 * /nodefaultlib, in place of the startup code of Visual C++'s static runtime
 * library: takes argc/argv from the DLL runtime, runs main, then the
 * module's _onexit table (cmake/msvc/support.c), and exits through the
 * runtime so that its atexit functions run and its streams are flushed.
 * Part of tavo_msvc_support.lib (cmake/msvc/import_libs.cmake); the linker
 * takes it only when a program names this entry point.
 */
#include <stdlib.h>

int main(int argc, char **argv);
void __cdecl tavo_msvc_run_onexit(void);

#if TAVO_MSVC_UCRT
/* ucrtbase.dll's startup interface (corecrt_startup.h in the Windows SDK). */
__declspec(dllimport) int __cdecl _configure_narrow_argv(int mode);
__declspec(dllimport) int __cdecl _initialize_narrow_environment(void);
__declspec(dllimport) void __cdecl _set_app_type(int type);
__declspec(dllimport) int *__cdecl __p___argc(void);
__declspec(dllimport) char ***__cdecl __p___argv(void);

void __cdecl mainCRTStartup(void)
{
    int status;
    _set_app_type(1);                 /* _crt_console_app */
    _configure_narrow_argv(1);        /* _crt_argv_unexpanded_arguments */
    _initialize_narrow_environment();
    status = main(*__p___argc(), *__p___argv());
    tavo_msvc_run_onexit();
    exit(status);
}
#else
/* msvcrt.dll's: the startup record is one int (the new-mode flag). */
typedef struct { int newmode; } start_info;
__declspec(dllimport) int __cdecl __getmainargs(int *argc, char ***argv, char ***envp,
                                               int expand, start_info *info);
__declspec(dllimport) void __cdecl __set_app_type(int type);

void __cdecl mainCRTStartup(void)
{
    int argc, status;
    char **argv, **envp;
    start_info info = { 0 };
    __set_app_type(1);                /* console */
    if (__getmainargs(&argc, &argv, &envp, 0, &info) < 0)
        exit(255);
    status = main(argc, argv);
    tavo_msvc_run_onexit();
    exit(status);
}
#endif
