// The line reader: tCFile::ReadLines, read_file and read_file_lines on the
// same bytes agree with the line model; GetLines (member and static) counts
// the LF bytes plus an unterminated last line.
#include "common/common.h"
#include "fuzz/fuzz_util.h"
#include "tCFile/tCFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* name = fuzz::writeScratch(data, size);
  const std::vector<std::string> want = fuzz::modelLines(data, size);
  int nLf = 0;
  for (size_t i = 0; i < size; ++i) nLf += data[i] == '\n';
  const int nCount = nLf + (size > 0 && data[size - 1] != '\n');

  {
    tCFile f;
    TAVO_FUZZ_CHECK(f.Open(name, "rb") == 1);
    char** v = f.ReadLines();
    TAVO_FUZZ_CHECK(fuzz::sameVector(v, want) && want.empty() == (v == nullptr));
    strfreev(v);
    TAVO_FUZZ_CHECK(f.GetLines() == nCount);
  }
  TAVO_FUZZ_CHECK(tCFile::GetLines(name) == nCount);

  char** v = read_file(name);
  TAVO_FUZZ_CHECK(fuzz::sameVector(v, want) && want.empty() == (v == nullptr));
  strfreev(v);

  // The first n lines, n from 0 to past the count.
  const size_t n = size > 0 ? data[0] % (want.size() + 2) : 1;
  v = read_file_lines(name, static_cast<int>(n));
  TAVO_FUZZ_CHECK(fuzz::sameVector(v, want, n) && (n == 0 || want.empty()) == (v == nullptr));
  strfreev(v);
  return 0;
}
