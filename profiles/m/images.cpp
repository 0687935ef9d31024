// Built-in images of variant M: the firmware only (0x10000..0x354BF); this
// variant uploads no flash writer. The scrambled bytes and their range come
// from the source that the build generates (profiles/images.cmake).
#include <cstdint>

#include "profiles/profile.h"

extern const int32_t flash_m_rom_first;
extern const int32_t flash_m_rom_last;
extern const unsigned char flash_m_rom_bytes[];

const BuiltinImage* ProfileFlashWriterImage() { return nullptr; }

const BuiltinImage& ProfileRomImage() {
  static const BuiltinImage image = {flash_m_rom_first, flash_m_rom_last, flash_m_rom_bytes};
  return image;
}
