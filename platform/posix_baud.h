// Bit-rate access of a tty by number rather than by B constant.
//
// The kernel's termios2 interface (TCGETS2/TCSETS2 with BOTHER) takes any rate
// the driver supports. Its header clashes with <termios.h>, so it lives in its
// own translation unit behind these two functions.
#pragma once

#include <cstdint>

namespace platform {
namespace detail {

// Sets input and output rate of the tty fd to rate bit/s. Standard rates are
// written as their B constant, so tools reading termios see the usual value;
// other rates go through BOTHER. Returns false with errno set on failure.
bool SetTtyBitRate(int fd, uint32_t rate);

// The tty's output rate in bit/s; false with errno set on failure.
bool GetTtyBitRate(int fd, uint32_t* rate);

}  // namespace detail
}  // namespace platform
