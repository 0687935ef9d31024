// termios2 bit-rate access; kept apart because <asm/termbits.h> and
// <termios.h> cannot be included together.
#include "platform/posix_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform {
namespace detail {

namespace {

struct RateCode {
  uint32_t rate;
  unsigned code;
};

const RateCode kRates[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},
    {150, B150},       {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

}  // namespace

bool SetTtyBitRate(int fd, uint32_t rate) {
  struct termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  unsigned code = BOTHER;
  for (const RateCode& r : kRates) {
    if (r.rate == rate) {
      code = r.code;
      break;
    }
  }
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));  // input rate follows the output rate
  t.c_cflag |= code;
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool GetTtyBitRate(int fd, uint32_t* rate) {
  struct termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  uint32_t speed = t.c_ospeed;
  if (speed == 0) {
    unsigned code = t.c_cflag & CBAUD;
    for (const RateCode& r : kRates) {
      if (r.code == code) speed = r.rate;
    }
  }
  *rate = speed;
  return true;
}

}  // namespace detail
}  // namespace platform
