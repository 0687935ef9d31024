// Placing the built-in images into the image stores at start. The records come
// from the variant profile (ProfileFlashWriterImage, ProfileRomImage); this
// library takes them as arguments and does not depend on the profile.
#pragma once

#include <cstdint>

#include "image/clsMotS.h"
#include "profiles/profile.h"

// Turns count stored bytes, in place, back into the image's bytes. Applied to
// plain bytes it gives the stored form. Nothing happens for count <= 0.
void Descramble(unsigned char* bytes, int32_t count);

// Reserves first..last of the image in the store, copies the stored bytes
// there and descrambles them in place. False, with the store unchanged, when
// the record is unusable (no bytes, a negative or reversed range) or the store
// cannot hold the range.
bool PlaceBuiltinImage(clsMotS& store, const BuiltinImage& image);

// Places the flash writer (when there is one) and then the ROM image. A ROM
// image that cannot be placed leaves the ROM store as it was (empty at start),
// which the image check after placement catches.
void PlaceBuiltinImages(clsMotS& flashWriter, clsMotS& rom, const BuiltinImage* writerImage,
                        const BuiltinImage& romImage);
