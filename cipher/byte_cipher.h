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

// The instruction sets the byte loop comes in. All give the same bytes and leave the keystream in the
// same state; they differ in speed only.
enum class CipherIsa { scalar, sse41, avx2, avx512 };

// The name QUORLIN_CIPHER_ISA gives the variant: "scalar", "sse41", "avx2" or "avx512".
const char* cipherIsaName(CipherIsa isa);

// Whether this build holds the variant and this processor runs it; scalar always.
bool cipherIsaAvailable(CipherIsa isa);

// The variant the functions above run, chosen on first use: the one QUORLIN_CIPHER_ISA names if it is
// available, otherwise the widest available. A name that is unknown or unavailable here is reported once
// on stderr.
CipherIsa activeCipherIsa();

// encipherChunk and decipherChunk on the given variant; one that is not available runs the scalar loop.
void encipherChunkWith(CipherIsa isa, Keystream& keys, char* data, size_t size);
void decipherChunkWith(CipherIsa isa, Keystream& keys, char* data, size_t size);
