// What makes a build variant K or variant M. Each program links exactly one
// profile library (profiles/k or profiles/m); the logic classes ask these
// functions and never test the variant themselves.
#pragma once

#include <cstdint>

// The built-in line table that start-up attaches to the text table.
struct TextLineTable {
  const char* const* lines;  // one zero-terminated line per entry, no newlines
  int32_t count;             // number of lines
};
const TextLineTable& ProfileTextLines();

// One built-in memory image, stored scrambled.
struct BuiltinImage {
  int32_t first;               // target address of the first byte
  int32_t last;                // target address of the last byte (inclusive)
  const unsigned char* bytes;  // last - first + 1 scrambled bytes
};
// The flash writer uploaded into the transceiver's RAM; null in variant M.
const BuiltinImage* ProfileFlashWriterImage();
// The firmware written into the transceiver's flash.
const BuiltinImage& ProfileRomImage();

// Scalar constants of the variant.
struct ProfileConstants {
  char variant;                 // 'K' or 'M'
  const char* guardName;        // name of the instance guard
  const char* productTitle;     // caption of the port dialog's error box
  int32_t imageWindowSize;      // window of each image store, bytes
  int32_t romLowAddressAbove;   // the ROM image is plausible when LowAddress > this
  int32_t sumFirst;             // image sum range, first address
  int32_t sumLast;              // image sum range, last address (inclusive)
  const uint16_t* modelCodes;   // model codes sent with the firmware-upload command
  int32_t modelCodeCount;
  unsigned char firmUpTail;     // byte at offset 11 of the firmware-upload command
  const unsigned char* carrierHeader;  // 9 bytes that open every carrier frame
};
const ProfileConstants& Profile();
