#include "cipher/byte_cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <random>

namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(QUORLIN_CIPHER_FIXTURES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(generator() & 0xFF);
  return bytes;
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

TEST(ByteCipher, FixturesDecipherAndEncipherExactly) {
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

TEST(ByteCipher, WrapsBothWays) {
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

TEST(ByteCipher, ChangesEveryByteAndRestoresIt) {
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

TEST(ByteCipher, ChunksContinueTheKeystream) {
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

TEST(ByteCipher, EmptyDataDrawsNothing) {
  std::string empty;
  encipherBytes(empty, 5);
  decipherBytes(empty, 5);
  EXPECT_TRUE(empty.empty());
  Keystream keys(0);
  encipherChunk(keys, nullptr, 0);
  decipherChunk(keys, nullptr, 0);
  EXPECT_EQ(keys.nextValue(), 38);
}

}  // namespace
