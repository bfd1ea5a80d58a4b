// The RC4 stream cipher and the reversible password transform.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "tavo_bytes.h"

namespace {

// ---- RC4 --------------------------------------------------------------------

// The permutation is kept in 32-bit cells: byte cells make every exchange a
// pair of partial-register moves and run markedly slower.
struct Rc4State {
  uint32_t s[256];
  uint32_t x;
  uint32_t y;
};

void rc4Schedule(Rc4State& st, const unsigned char* pKey, int nKeyLen) {
  for (uint32_t i = 0; i < 256; ++i) st.s[i] = i;
  uint32_t j = 0;
  int k = 0;
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t t = st.s[i];
    j = (j + t + pKey[k]) & 0xFF;
    st.s[i] = st.s[j];
    st.s[j] = t;
    if (++k == nKeyLen) k = 0;
  }
  st.x = 0;
  st.y = 0;
}

inline uint32_t rc4Next(uint32_t* s, uint32_t& x, uint32_t& y) {
  x = (x + 1) & 0xFF;
  uint32_t tx = s[x];
  y = (y + tx) & 0xFF;
  uint32_t ty = s[y];
  s[x] = ty;
  s[y] = tx;
  return s[(tx + ty) & 0xFF];
}

// Combines `n` bytes of `p` in place with the key stream, eight at a time
// as one 64-bit word (bytes in memory order whatever the byte order).
void rc4Apply(Rc4State& st, unsigned char* p, size_t n) {
  uint32_t* s = st.s;
  uint32_t x = st.x;
  uint32_t y = st.y;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    unsigned char ks[8];
    for (int b = 0; b < 8; ++b) ks[b] = static_cast<unsigned char>(rc4Next(s, x, y));
    uint64_t w, k;
    memcpy(&w, p + i, 8);
    memcpy(&k, ks, 8);
    w ^= k;
    memcpy(p + i, &w, 8);
  }
  for (; i < n; ++i) p[i] ^= static_cast<unsigned char>(rc4Next(s, x, y));
  st.x = x;
  st.y = y;
}

// ---- Password transform -----------------------------------------------------

constexpr int kMaxPassword = 50;     // bytes of a password that reads back
constexpr int kMaxStored = 150;      // bytes of a stored form (the tables' size)
constexpr int kDigitTextSize = 450;  // the digit text's buffer

// The key: which stored positions hold a digit ('1') and which a letter
// ('0'), one table for digit texts of odd length, one for even length.
const char kOddTable[kMaxStored + 1] =
    "111001110100100010111011111111011000111010101111100000110101010001010000010010001101"
    "011111011000100011011111110000110110111010100001110001110000000010";
const char kEvenTable[kMaxStored + 1] =
    "111111111011010010101101010010000110111101010000100110000101110001101011000100101111"
    "101010000000000100011101101001000000111100001101010011001001111010";
static_assert(sizeof kOddTable == kMaxStored + 1 && sizeof kEvenTable == kMaxStored + 1, "150 entries each");

const char* selectTable(size_t nLen) { return (nLen % 2 != 0) ? kOddTable : kEvenTable; }

}  // namespace

void trc4(const unsigned char* pKey, int nKeyLen, const unsigned char* pData, int nDataLen,
          unsigned char* pOut) {
  // Without a key there is no key stream: writing the data through
  // unchanged would hand out plaintext as if it were enciphered.
  if (nDataLen <= 0 || nKeyLen < 1) return;
  if (pOut != pData) memcpy(pOut, pData, static_cast<size_t>(nDataLen));
  Rc4State st;
  rc4Schedule(st, pKey, nKeyLen);
  rc4Apply(st, pOut, static_cast<size_t>(nDataLen));
}

void MySetPW(char* pSrc, char* pDst) {
  size_t nLen = strlen(pSrc);
  if (nLen > kMaxPassword) return;
  // Every byte becomes exactly three digits, or the password is refused
  // before anything is written: a shorter or longer number would not read
  // back in groups of three.
  char szDigits[kDigitTextSize] = {0};
  for (size_t i = 0; i < nLen; ++i) {
    int c = static_cast<signed char>(pSrc[i]);
    int v = (c + static_cast<int>(i) + 100) * 3;
    if (v < 100 || v > 999) return;
    snprintf(szDigits + 3 * i, 4, "%d", v);
  }
  size_t nDigits = 3 * nLen;
  const char* pTable = selectTable(nDigits);
  for (size_t j = 0; j < nDigits; ++j) {
    int d = static_cast<unsigned char>(szDigits[j]);
    pDst[j] = static_cast<char>(pTable[j] == '1' ? 105 - d : d + 19);
  }
}

void MyGetPW(char* pSrc, char* pDst) {
  size_t nLen = strlen(pSrc);
  if (nLen > kMaxStored) return;
  for (size_t j = 0; j < nLen; ++j) {
    char c = pSrc[j];
    if (!(tavo::detail::isDigit(c) || (c >= 'C' && c <= 'L'))) return;
  }
  const char* pTable = selectTable(nLen);
  char szDigits[kDigitTextSize] = {0};
  for (size_t j = 0; j < nLen; ++j) {
    int c = static_cast<unsigned char>(pSrc[j]);
    szDigits[j] = static_cast<char>(pTable[j] == '1' ? 105 - c : c - 19);
  }
  size_t nDigits = strlen(szDigits);
  for (size_t j = 0; j < nDigits; j += 3) {
    char szNum[4] = {szDigits[j], szDigits[j + 1], szDigits[j + 2], '\0'};
    int v = atoi(szNum);
    int k = static_cast<int>(j / 3);
    pDst[k] = static_cast<char>(static_cast<unsigned char>(v / 3 - 100 - k));
  }
}
