// Built-in images of variant K: the flash writer uploaded into the
// transceiver's RAM (0xFFC000..0xFFC97D) and the firmware (0x7000..0x7FFFF).
// The scrambled bytes and their ranges come from the sources that the build
// generates (profiles/images.cmake).
#include <cstdint>

#include "profiles/profile.h"

extern const int32_t flash_k_writer_first;
extern const int32_t flash_k_writer_last;
extern const unsigned char flash_k_writer_bytes[];
extern const int32_t flash_k_rom_first;
extern const int32_t flash_k_rom_last;
extern const unsigned char flash_k_rom_bytes[];

const BuiltinImage* ProfileFlashWriterImage() {
  static const BuiltinImage image = {flash_k_writer_first, flash_k_writer_last, flash_k_writer_bytes};
  return &image;
}

const BuiltinImage& ProfileRomImage() {
  static const BuiltinImage image = {flash_k_rom_first, flash_k_rom_last, flash_k_rom_bytes};
  return image;
}
