#include "profiles/profile.h"

namespace {
const uint16_t kModelCodes[] = {0x7514};
const unsigned char kCarrierHeader[9] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00};
const ProfileConstants kConstants = {
    'K',
    "Velk QZ-7514K APP Exclusive Mutex",
    "QZ-7514K",
    524288,
    4095,
    0,
    0x7FFFF,
    kModelCodes,
    1,
    0x30,
    kCarrierHeader,
};
}  // namespace

const ProfileConstants& Profile() { return kConstants; }
