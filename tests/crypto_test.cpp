// trc4 against the published RC4 vectors and an independent model;
// MySetPW/MyGetPW round trips, their form, their refusals.
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/common.h"
#include "test_util.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes fromHex(const std::string& h) {
  Bytes b;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
    b.push_back(static_cast<unsigned char>(std::stoi(h.substr(i, 2), nullptr, 16)));
  }
  return b;
}

Bytes fromText(const char* s) { return Bytes(s, s + std::strlen(s)); }

Bytes rc4(const Bytes& key, const Bytes& data) {
  Bytes out(data.size());
  trc4(key.data(), static_cast<int>(key.size()), data.data(), static_cast<int>(data.size()), out.data());
  return out;
}

// RC4 as published, byte by byte.
Bytes modelRc4(const Bytes& key, std::size_t nKeyLen, const Bytes& data) {
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  unsigned j = 0;
  for (int i = 0; i < 256; ++i) {
    j = (j + s[i] + key[static_cast<std::size_t>(i) % nKeyLen]) & 255;
    std::swap(s[i], s[j]);
  }
  Bytes out = data;
  unsigned x = 0, y = 0;
  for (unsigned char& b : out) {
    x = (x + 1) & 255;
    y = (y + s[x]) & 255;
    std::swap(s[x], s[y]);
    b ^= s[(s[x] + s[y]) & 255];
  }
  return out;
}

// ---- RC4 ---------------------------------------------------------------------

TEST(trc4, ClassicVectors) {
  struct Case {
    Bytes key, plain, cipher;
  };
  const Case cases[] = {
      {fromText("Key"), fromText("Plaintext"), fromHex("bbf316e8d940af0ad3")},
      {fromText("Wiki"), fromText("pedia"), fromHex("1021bf0420")},
      {fromText("Secret"), fromText("Attack at dawn"), fromHex("45a01f645fc35b383552544b9bf5")},
      {fromHex("0123456789abcdef"), fromHex("0123456789abcdef"), fromHex("75b7878099e0c596")},
      {fromHex("0123456789abcdef"), fromHex("0000000000000000"), fromHex("7494c2e7104b0879")},
      {fromHex("0000000000000000"), fromHex("0000000000000000"), fromHex("de188941a3375d3a")},
      {fromHex("ef012345"), fromHex("00000000000000000000"), fromHex("d6a141a7ec3c38dfbd61")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.plain.begin(), c.plain.end()));
    EXPECT_EQ(rc4(c.key, c.plain), c.cipher);
    EXPECT_EQ(rc4(c.key, c.cipher), c.plain);
  }
}

// Key streams of RFC 6229 at offsets 0, 16, 240, 256, 1520, 1536, 4096.
TEST(trc4, Rfc6229KeyStreams) {
  struct Case {
    const char* key;
    const char* stream[7];
  };
  const int offsets[7] = {0, 16, 240, 256, 1520, 1536, 4096};
  const Case cases[] = {
      {"0102030405",
       {"b2396305f03dc027ccc3524a0a1118a8", "6982944f18fc82d589c403a47a0d0919",
        "28cb1132c96ce286421dcaadb8b69eae", "1cfcf62b03eddb641d77dfcf7f8d8c93",
        "3294f744d8f9790507e70f62e5bbceea", "d8729db41882259bee4f825325f5a130",
        "ff25b58995996707e51fbdf08b34d875"}},
      {"0102030405060708090a0b0c0d0e0f10",
       {"9ac7cc9a609d1ef7b2932899cde41b97", "5248c4959014126a6e8a84f11d1a9e1c",
        "065902e4b620f6cc36c8589f66432f2b", "d39d566bc6bce3010768151549f3873f",
        "b40110c4190b5622a96116b0017ed297", "ffa0b514647ec04f6306b892ae661181",
        "a36a4c301ae8ac13610ccbc12256cacc"}},
      {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20",
       {"eaa6bd25880bf93d3f5d1e4ca2611d91", "cfa45c9f7e714b54bdfa80027cb14380",
        "114ae344ded71b35f2e60febad727fd8", "02e1e7056b0f623900496422943e97b6",
        "40f250b26d1f096a4afd4c340a588815", "3e34135c79db010200767651cf263073",
        "f3e4c0a2e02d1d01f7f0a74618af2b48"}},
      {"833222772a",
       {"80ad97bdc973df8a2e879e92a497efda", "20f060c2f2e5126501d3d4fea10d5fc0",
        "faa148e99046181fec6b2085f3b20ed9", "f0daf5bab3d596839857846f73fbfe5a",
        "adb89cea9a15fbe617295bd04b8ca05c", "6251d87fd4aaae9a7e4ad5c217d3f300",
        "bf42c3018c2f7c66bfde524975768115"}},
      {"c109163908ebe51debb46227c6cc8b37641910833222772a",
       {"54b64e6b5a20b5e2ec84593dc7989da7", "c135eee237a85465ff97dc03924f45ce",
        "cfcc922fb4a14ab45d6175aabbf2d201", "837b87e2a446ad0ef798acd02b94124f",
        "532c7ceccb39df3236318405a4b1279c", "baefe6d9ceb651842260e0d1e05e3b90",
        "e4dd2e98d6960fae0b43545456743391"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Bytes zeros(4112, 0);
    Bytes stream = rc4(fromHex(c.key), zeros);
    for (int i = 0; i < 7; ++i) {
      SCOPED_TRACE(offsets[i]);
      Bytes want = fromHex(c.stream[i]);
      EXPECT_EQ(Bytes(stream.begin() + offsets[i], stream.begin() + offsets[i] + 16), want);
    }
  }
}

TEST(trc4, InPlaceSeparateAndModel) {
  std::mt19937 rng(6229);
  // Lengths around the eight-byte steps, keys of 1 to 300 bytes.
  const int lengths[] = {1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 1000, 4099};
  const std::size_t keyLens[] = {1, 2, 5, 16, 255, 256, 257, 300};
  for (std::size_t nKey : keyLens) {
    for (int n : lengths) {
      SCOPED_TRACE(std::to_string(nKey) + " key bytes, " + std::to_string(n) + " data bytes");
      Bytes key(nKey), data(static_cast<std::size_t>(n));
      for (auto& b : key) b = static_cast<unsigned char>(rng());
      for (auto& b : data) b = static_cast<unsigned char>(rng());
      Bytes want = modelRc4(key, nKey, data);
      EXPECT_EQ(rc4(key, data), want);
      Bytes inPlace = data;
      trc4(key.data(), static_cast<int>(nKey), inPlace.data(), n, inPlace.data());
      EXPECT_EQ(inPlace, want);
      EXPECT_EQ(rc4(key, want), data);  // the same call deciphers
    }
  }
}

TEST(trc4, KeyBytesPast256AreNotUsed) {
  Bytes key(300);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(i * 7 + 1);
  Bytes other = key;
  for (std::size_t i = 256; i < other.size(); ++i) other[i] ^= 0x5A;
  Bytes data(100, 0x33);
  EXPECT_EQ(rc4(key, data), rc4(other, data));
  EXPECT_EQ(rc4(key, data), rc4(Bytes(key.begin(), key.begin() + 256), data));
}

TEST(trc4, ZeroLengthOrNoKeyLeavesTheOutputAlone) {
  const unsigned char key[1] = {0};
  unsigned char out[4] = {9, 9, 9, 9};
  trc4(key, 1, out, 0, out + 1);
  trc4(key, 1, nullptr, 0, out);
  EXPECT_EQ(out[0], 9);
  EXPECT_EQ(out[1], 9);
  trc4(key, 1, out, -1, out + 1);
  // No key, no key stream: the data is not copied through as it is.
  const unsigned char data[3] = {1, 2, 3};
  trc4(key, 0, data, 3, out);
  trc4(key, -4, data, 3, out);
  for (unsigned char b : out) EXPECT_EQ(b, 9);
}

// ---- Password transform ---------------------------------------------------------

std::string setPW(const std::string& pw) {
  std::vector<char> src(pw.begin(), pw.end());
  src.push_back('\0');
  std::vector<char> dst(3 * pw.size() + 8, '\0');
  MySetPW(src.data(), dst.data());
  EXPECT_EQ(std::string(src.data()), pw.substr(0, pw.find('\0')));  // not changed
  return std::string(dst.data());
}

std::string getPW(const std::string& stored) {
  std::vector<char> src(stored.begin(), stored.end());
  src.push_back('\0');
  std::vector<char> dst(stored.size() / 3 + 8, '\0');
  MyGetPW(src.data(), dst.data());
  return std::string(dst.data());
}

// The digit or letter class of each stored byte: '1' for a digit, '0' for a
// letter C..L.
std::string classes(const std::string& stored) {
  std::string r;
  for (char c : stored) r += (c >= '0' && c <= '9') ? '1' : '0';
  return r;
}

TEST(MySetPW, RoundTripAndForm) {
  std::mt19937 rng(42);
  std::string oddPattern, evenPattern;
  for (int n = 0; n <= 50; ++n) {
    for (int rep = 0; rep < 4; ++rep) {
      std::string pw;
      for (int i = 0; i < n; ++i) pw += static_cast<char>(32 + rng() % 95);
      SCOPED_TRACE(pw);
      std::string stored = setPW(pw);
      ASSERT_EQ(stored.size(), 3u * n);
      for (std::size_t j = 0; j < stored.size(); ++j) {
        char c = stored[j];
        ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'C' && c <= 'L')) << j;
        // Each stored byte is one digit of the password's numbers:
        // (byte + position + 100) * 3, digit k as 9-k or as 'C'+k.
        int v = (static_cast<signed char>(pw[j / 3]) + static_cast<int>(j / 3) + 100) * 3;
        int d = std::to_string(v)[j % 3] - '0';
        EXPECT_EQ(c, (c <= '9') ? '9' - d : 'C' + d) << j;
      }
      EXPECT_EQ(getPW(stored), pw);
      // One table per parity: the digit/letter pattern of every password
      // of one parity is a prefix of one fixed pattern.
      std::string& pattern = (n % 2 != 0) ? oddPattern : evenPattern;
      std::string cls = classes(stored);
      if (cls.size() > pattern.size()) {
        EXPECT_EQ(cls.compare(0, pattern.size(), pattern), 0);
        pattern = cls;
      } else {
        EXPECT_EQ(pattern.compare(0, cls.size(), cls), 0);
      }
    }
  }
  EXPECT_NE(oddPattern.substr(0, 147), evenPattern.substr(0, 147));
}

TEST(MySetPW, RepeatedCharactersDoNotRepeat) {
  std::string stored = setPW("aaaa");
  ASSERT_EQ(stored.size(), 12u);
  EXPECT_EQ(getPW(stored), "aaaa");
  // The numbers are 591, 594, 597, 600.
  std::string digits;
  for (char c : stored) digits += std::to_string(c <= '9' ? '9' - c : c - 'C');
  EXPECT_EQ(digits, "591594597600");
}

TEST(MySetPW, EveryByteAtEveryPosition) {
  for (int pos = 0; pos < 50; pos += 7) {
    for (int b = 1; b < 256; ++b) {
      std::string pw(static_cast<std::size_t>(pos), 'a');
      pw += static_cast<char>(b);
      SCOPED_TRACE(std::to_string(pos) + ": byte " + std::to_string(b));
      int v = (static_cast<signed char>(b) + pos + 100) * 3;
      std::string stored = setPW(pw);
      if (v >= 100 && v <= 999) {
        ASSERT_EQ(stored.size(), 3u * (pos + 1));
        EXPECT_EQ(getPW(stored), pw);
      } else {
        EXPECT_EQ(stored, "");  // refused whole, nothing written
      }
    }
  }
  // 0x80..0xBD at position 0 are refused, 0xBE..0xFF kept.
  EXPECT_EQ(setPW("\xBD"), "");
  EXPECT_EQ(getPW(setPW("\xBE")), "\xBE");
  EXPECT_EQ(getPW(setPW("\xFF\xC0")), "\xFF\xC0");
  EXPECT_EQ(setPW("\xFF\x80"), "");
}

TEST(MySetPW, LimitsAndUntouchedBytes) {
  EXPECT_EQ(setPW(""), "");
  std::string pw50(50, '~'), pw51(51, '!');
  std::string stored = setPW(pw50);
  EXPECT_EQ(stored.size(), 150u);
  EXPECT_EQ(getPW(stored), pw50);
  EXPECT_EQ(setPW(pw51), "");

  // No terminator is written; bytes past the output keep their value.
  char src[] = "pw";
  char dst[16];
  std::memset(dst, '#', sizeof dst);
  MySetPW(src, dst);
  EXPECT_EQ(std::string(dst, 7), setPW("pw") + "#");
  char back[8];
  std::memset(back, '#', sizeof back);
  char stored2[8] = {0};
  std::memcpy(stored2, dst, 6);
  MyGetPW(stored2, back);
  EXPECT_EQ(std::string(back, 3), "pw#");
}

TEST(MyGetPW, RefusesWhatIsNotAStoredForm) {
  EXPECT_EQ(getPW(""), "");
  std::string stored = setPW(std::string(50, 'x'));
  EXPECT_EQ(getPW(stored + "5"), "");  // 151 bytes
  const std::string bad[] = {"12A", "1B3", "M12", "1 2", "12\xC3", "abc", "-12"};
  for (const std::string& s : bad) {
    SCOPED_TRACE(s);
    EXPECT_EQ(getPW(s + stored.substr(0, 30)), "");
    EXPECT_EQ(getPW(stored.substr(0, 30) + s), "");
  }
}

}  // namespace
