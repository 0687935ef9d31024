// The key stream in which built-in images are stored. Header-only and
// dependent on nothing but <cstdint>, so that the build-time image generator
// (a host tool) and the program share the very same table and routine.
#pragma once

#include <cstdint>

namespace scramble {

constexpr int32_t kKeyLength = 27;

constexpr unsigned char kKey[kKeyLength] = {
    0x08, 0x38, 0x18, 0xC7, 0x84, 0x6D, 0x67, 0x28, 0x02,
    0x53, 0x93, 0xB0, 0x77, 0x4E, 0x40, 0xC8, 0xE4, 0x60,
    0x2D, 0x86, 0x86, 0x24, 0x51, 0xE5, 0x81, 0xC2, 0xCE,
};

// XORs byte i with the running sum (mod 256) of key entries 0..i taken
// cyclically. The stream depends on the position alone, so one pass scrambles
// plain bytes and the same pass turns scrambled bytes back.
inline void ApplyKeyStream(unsigned char* bytes, int32_t count) {
  if (bytes == nullptr) return;
  unsigned char sum = 0;
  int32_t k = 0;
  for (int32_t i = 0; i < count; ++i) {
    sum = static_cast<unsigned char>(sum + kKey[k]);
    bytes[i] = static_cast<unsigned char>(bytes[i] ^ sum);
    k = (k + 1 == kKeyLength) ? 0 : k + 1;
  }
}

}  // namespace scramble
