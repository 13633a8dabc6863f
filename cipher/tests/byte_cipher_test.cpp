#include "cipher/byte_cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "testing/random_bytes.h"

namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(QUORLIN_CIPHER_FIXTURES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

constexpr CipherIsa allIsas[] = {CipherIsa::scalar, CipherIsa::sse41, CipherIsa::avx2, CipherIsa::avx512};

std::vector<CipherIsa> availableIsas() {
  std::vector<CipherIsa> isas;
  for (const CipherIsa isa : allIsas)
    if (cipherIsaAvailable(isa)) isas.push_back(isa);
  return isas;
}

// Run with QUORLIN_CIPHER_ISA naming a variant this processor lacks, the cipher's tests would only repeat
// those of the widest variant, so they are skipped.
class ByteCipher : public testing::Test {
 protected:
  void SetUp() override {
    const char* forced = std::getenv("QUORLIN_CIPHER_ISA");
    if (forced == nullptr) return;
    for (const CipherIsa isa : allIsas)
      if (std::strcmp(forced, cipherIsaName(isa)) == 0 && !cipherIsaAvailable(isa))
        GTEST_SKIP() << forced << " is not available on this processor";
  }
};

// The cipher as defined: one offset after the other, each drawn as its byte is shifted.
void shiftOneByOne(Keystream& keys, char* data, size_t size, bool up) {
  for (size_t i = 0; i < size; ++i) {
    const int offset = keys.nextOffset();
    data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) + (up ? offset : -offset));
  }
}

void shiftWith(CipherIsa isa, Keystream& keys, char* data, size_t size, bool up) {
  if (up) encipherChunkWith(isa, keys, data, size);
  else decipherChunkWith(isa, keys, data, size);
}

TEST(PasswordToSeed, ReadsTheEntryAsThePasswordBoxDoes) {
  struct Case {
    const char* entry;
    int32_t seed;
  };
  const Case cases[] = {
      {"", 0},
      {"-", 0},
      {"+", 0},
      {"abc", 0},
      {"x12", 0},
      {"--5", 0},
      {"0", 0},
      {"123", 123},
      {"007", 7},
      {"-0042", -42},
      {"+5", 5},
      {" \t\n\v\f\r42", 42},
      {"  -7", -7},
      {"12-34", 12},  // a minus after digits ends the number
      {"5 6", 5},
      {"99abc", 99},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MIN},  // past the int32 range it wraps into the negatives
      {"3000000000", -1294967296},
      {"4294967295", -1},
      {"4294967296", 0},  // ten or more digits: values 2^32 apart give the same seed
      {"4294967297", 1},
      {"12345678901", -539222987},
      {"000000000000000000001", 1},
      {"-2147483648", INT32_MIN},
      {"-4294967297", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(passwordToSeed(c.entry), c.seed) << '"' << c.entry << '"';
}

TEST_F(ByteCipher, FixturesDecipherAndEncipherExactly) {
  struct Case {
    const char* name;
    const char* password;
  };
  const Case cases[] = {{"aaaaa", ""}, {"chinese-crlf", "20240611"}, {"wrap", "1"}, {"negative", "-42"}};
  for (const Case& c : cases) {
    const std::string plain = fixture(std::string(c.name) + ".plain");
    const std::string encrypted = fixture(std::string(c.name) + ".enc");
    ASSERT_FALSE(plain.empty()) << c.name;
    std::string bytes = encrypted;
    decipherBytes(bytes, passwordToSeed(c.password));
    EXPECT_EQ(bytes, plain) << c.name;
    bytes = plain;
    encipherBytes(bytes, passwordToSeed(c.password));
    EXPECT_EQ(bytes, encrypted) << c.name;
  }
  EXPECT_EQ(fixture("aaaaa.enc"), "hUhgy");
  EXPECT_EQ(fixture("wrap.enc").back(), '\0');
}

TEST_F(ByteCipher, WrapsBothWays) {
  // 0xFF up by 1 is 0x00: the fourth offset of seed 1 is 1.
  std::string bytes(4, '\xFF');
  encipherBytes(bytes, 1);
  EXPECT_EQ(bytes[3], '\0');
  // 0x05 down by 6 is 0xFF, wherever seed 0 first draws a 6.
  Keystream keys(0);
  size_t at = 0;
  while (keys.nextOffset() != 6) ++at;
  bytes = std::string(at + 1, '\x05');
  decipherBytes(bytes, 0);
  EXPECT_EQ(bytes[at], '\xFF');
}

TEST_F(ByteCipher, ChangesEveryByteAndRestoresIt) {
  const std::string plain = randomBytes(100000, 7) + std::string(100000, '\0');
  for (const int32_t seed : {0, 1, -1, 20240611, INT32_MIN}) {
    std::string bytes = plain;
    encipherBytes(bytes, seed);
    ASSERT_EQ(bytes.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) ASSERT_NE(bytes[i], plain[i]) << "byte " << i << " seed " << seed;
    decipherBytes(bytes, seed);
    EXPECT_EQ(bytes, plain) << "seed " << seed;
  }
}

TEST_F(ByteCipher, ChunksContinueTheKeystream) {
  const std::string plain = randomBytes(20000, 11);
  std::string whole = plain;
  encipherBytes(whole, -123456);

  std::string chunked = plain;
  Keystream keys(-123456);
  const size_t sizes[] = {0, 1, 2, 3, 5, 64, 1000, 4097};
  for (size_t done = 0, i = 0; done < chunked.size(); ++i) {
    const size_t n = std::min(sizes[i % std::size(sizes)], chunked.size() - done);
    encipherChunk(keys, chunked.data() + done, n);
    done += n;
  }
  EXPECT_EQ(chunked, whole);

  Keystream back(-123456);
  decipherChunk(back, chunked.data(), 7);
  decipherChunk(back, chunked.data() + 7, chunked.size() - 7);
  EXPECT_EQ(chunked, plain);
}

TEST_F(ByteCipher, EmptyDataDrawsNothing) {
  std::string empty;
  encipherBytes(empty, 5);
  decipherBytes(empty, 5);
  EXPECT_TRUE(empty.empty());
  Keystream keys(0);
  encipherChunk(keys, nullptr, 0);
  decipherChunk(keys, nullptr, 0);
  EXPECT_EQ(keys.nextValue(), 38);
}

TEST(CipherIsa, EnvironmentChoosesTheVariant) {
  const CipherIsa widest = availableIsas().back();
  const char* forced = std::getenv("QUORLIN_CIPHER_ISA");
  for (const CipherIsa isa : allIsas)
    if (forced != nullptr && std::strcmp(forced, cipherIsaName(isa)) == 0 && cipherIsaAvailable(isa)) {
      EXPECT_EQ(activeCipherIsa(), isa);
      return;
    }
  EXPECT_EQ(activeCipherIsa(), widest) << "QUORLIN_CIPHER_ISA=" << (forced ? forced : "(unset)");
}

// Every length from 0 past several blocks of the widest variant, at every alignment, each length under
// one of several seeds (bit 31 set and clear), in both directions: bytes and final state as the byte loop
// gives them, and the bytes around the data untouched.
TEST(CipherVariants, MatchTheByteLoopAtEveryLengthAndAlignment) {
  const int32_t seeds[] = {0, 1, -1, INT32_MIN, INT32_MAX, 20240611, -123456789};
  constexpr size_t margin = 64, longest = 3000;
  const std::string source = randomBytes(margin + 64 + longest + margin, 3);
  for (size_t length = 0; length <= longest; ++length) {
    const size_t at = margin + length % 64;
    const int32_t seed = seeds[length % std::size(seeds)];
    for (const bool up : {true, false}) {
      std::string expected = source;
      Keystream expectedKeys(seed);
      shiftOneByOne(expectedKeys, expected.data() + at, length, up);
      for (const CipherIsa isa : availableIsas()) {
        std::string bytes = source;
        Keystream keys(seed);
        shiftWith(isa, keys, bytes.data() + at, length, up);
        ASSERT_EQ(bytes, expected) << cipherIsaName(isa) << " length " << length << (up ? " up" : " down");
        ASSERT_EQ(keys.bits(), expectedKeys.bits()) << cipherIsaName(isa) << " length " << length;
      }
    }
  }
}

TEST(CipherVariants, MatchTheByteLoopOnLargeData) {
  const std::string plain = randomBytes((size_t{4} << 20) + 13, 17);
  for (const int32_t seed : {0, INT32_MIN, 987654321}) {
    std::string expected = plain;
    Keystream expectedKeys(seed);
    shiftOneByOne(expectedKeys, expected.data(), expected.size(), true);
    for (const CipherIsa isa : availableIsas()) {
      std::string bytes = plain;
      Keystream keys(seed);
      encipherChunkWith(isa, keys, bytes.data(), bytes.size());
      ASSERT_TRUE(bytes == expected) << cipherIsaName(isa) << " seed " << seed;
      EXPECT_EQ(keys.bits(), expectedKeys.bits()) << cipherIsaName(isa) << " seed " << seed;
      Keystream back(seed);
      decipherChunkWith(isa, back, bytes.data(), bytes.size());
      ASSERT_TRUE(bytes == plain) << cipherIsaName(isa) << " seed " << seed;
    }
  }
}

// A stream cut at random places, each chunk on a variant picked at random: every chunk continues the
// keystream where the one before left it, whichever variant ran it.
TEST(CipherVariants, RandomChunkSplitsContinueTheKeystream) {
  const std::vector<CipherIsa> isas = availableIsas();
  std::mt19937 generator(23);
  for (int round = 0; round < 20; ++round) {
    const int32_t seed = static_cast<int32_t>(generator());
    const std::string plain = randomBytes(30000, round);
    std::string expected = plain;
    Keystream expectedKeys(seed);
    shiftOneByOne(expectedKeys, expected.data(), expected.size(), true);

    std::string bytes = plain;
    Keystream keys(seed);
    for (size_t done = 0; done < bytes.size();) {
      // Mostly short chunks, that end inside a block, now and then a long one.
      const size_t wanted = generator() % 8 == 0 ? generator() % 5000 : generator() % 200;
      const size_t size = std::min(wanted, bytes.size() - done);
      const CipherIsa isa = isas[generator() % isas.size()];
      encipherChunkWith(isa, keys, bytes.data() + done, size);
      done += size;
    }
    EXPECT_TRUE(bytes == expected) << "round " << round;
    EXPECT_EQ(keys.bits(), expectedKeys.bits()) << "round " << round;
  }
}

}  // namespace
