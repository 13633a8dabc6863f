#pragma once
// The byte cipher of the encrypted files: every byte is shifted by the next offset of a keystream
// seeded with the password, up to encipher and down to decipher, modulo 256. An encrypted file is
// these bytes and nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cipher/keystream.h"

// The password the user typed, read exactly as the password box reads its entry.
int32_t passwordToSeed(const std::string& entry);

// Whole byte strings, in place, under a keystream seeded anew.
void encipherBytes(std::string& bytes, int32_t seed);
void decipherBytes(std::string& bytes, int32_t seed);

// One chunk of a longer stream, in place: the keystream continues from the chunk before, so a stream
// cut into chunks gives the same bytes as the whole of it at once.
void encipherChunk(Keystream& keys, char* data, size_t size);
void decipherChunk(Keystream& keys, char* data, size_t size);
