#pragma once
// Random bytes from the system's random source.
#include <cstddef>
#include <string>

namespace wb {

// Fills `bytes` from the system's random source (getrandom, else /dev/urandom). Returns false
// when neither gave all of them.
bool FillSystemRandom(unsigned char* bytes, size_t size);

// Like FillSystemRandom, but never fails: without a random source the rest is filled from the
// clock, the process id and a counter, which still tells processes and moments apart. For ids,
// not for secrets.
void FillRandom(unsigned char* bytes, size_t size);

// `bytes` random bytes from the system's random source as lower-case hexadecimal; empty when
// the source gave none. For secrets.
std::string RandomHex(size_t bytes);

}  // namespace wb
