#include "profiles/profile.h"

namespace {
const uint16_t kModelCodes[] = {0x7514, 0x7515, 0x7741, 0x7962};
const unsigned char kCarrierHeader[9] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00};
const ProfileConstants kConstants = {
    'M',
    "Velk QZ-7514M APP Exclusive Mutex",
    "QZ-7514M",
    262144,
    32767,
    0,
    0x3FFFF,
    kModelCodes,
    4,
    0x31,
    kCarrierHeader,
};
}  // namespace

const ProfileConstants& Profile() { return kConstants; }
