#include "image/BuiltinImages.h"

#include <cstring>

#include "image/ScrambleKey.h"

void Descramble(unsigned char* bytes, int32_t count) { scramble::ApplyKeyStream(bytes, count); }

bool PlaceBuiltinImage(clsMotS& store, const BuiltinImage& image) {
  if (image.bytes == nullptr || image.first < 0 || image.last < image.first) return false;
  const int64_t count64 = static_cast<int64_t>(image.last) - image.first + 1;
  if (count64 > INT32_MAX) return false;
  const int32_t count = static_cast<int32_t>(count64);
  unsigned char* place = store.Reserve(image.first, count);
  if (place == nullptr) return false;
  std::memcpy(place, image.bytes, static_cast<size_t>(count));
  Descramble(place, count);
  return true;
}

void PlaceBuiltinImages(clsMotS& flashWriter, clsMotS& rom, const BuiltinImage* writerImage,
                        const BuiltinImage& romImage) {
  if (writerImage != nullptr) PlaceBuiltinImage(flashWriter, *writerImage);
  PlaceBuiltinImage(rom, romImage);
}
