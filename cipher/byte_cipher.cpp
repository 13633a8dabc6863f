#include "cipher/byte_cipher.h"

#include "platform/runtime.h"

int32_t passwordToSeed(const std::string& entry) { return entryToInteger(entry); }

void encipherBytes(std::string& bytes, int32_t seed) {
  Keystream keys(seed);
  encipherChunk(keys, bytes.data(), bytes.size());
}

void decipherBytes(std::string& bytes, int32_t seed) {
  Keystream keys(seed);
  decipherChunk(keys, bytes.data(), bytes.size());
}

// The loops draw from a local copy of the keystream: a store through a char pointer may alias any
// object, so with the caller's keystream the state would go through memory on every byte.
void encipherChunk(Keystream& keys, char* data, size_t size) {
  Keystream local = keys;
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) + local.nextOffset());
  keys = local;
}

void decipherChunk(Keystream& keys, char* data, size_t size) {
  Keystream local = keys;
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) - local.nextOffset());
  keys = local;
}
