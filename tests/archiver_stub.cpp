// Stands in for zip, unzip, rar and unrar in the archive tests of the
// Windows build (copied under those names into a directory put first on
// PATH): writes the command line it was started with, exactly as the system
// passed it, into a new file in the directory TAVO_STUB_OUT names.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  const char* pDir = std::getenv("TAVO_STUB_OUT");
  if (pDir == nullptr) return 2;
  std::string base = std::string(pDir) + "\\" + std::to_string(GetCurrentProcessId());
  std::FILE* fp = std::fopen((base + ".tmp").c_str(), "wb");
  if (fp == nullptr) return 3;
  std::fprintf(fp, "%s\n", GetCommandLineA());
  std::fclose(fp);
  // Renamed when complete, so that a reader never sees half a record.
  return MoveFileA((base + ".tmp").c_str(), (base + ".done").c_str()) ? 0 : 4;
}
