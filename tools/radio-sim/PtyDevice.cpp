#include "tools/radio-sim/PtyDevice.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace radiosim {

namespace {

uint32_t SpeedValue(speed_t s) {
  switch (s) {
    case B0: return 0;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 1;  // some other rate: never the one expected
  }
}

std::string ReadLink(const std::string& path) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
  if (n < 0) return "";
  return std::string(buf, size_t(n));
}

}  // namespace

PtyDevice::~PtyDevice() { Destroy(); }

bool PtyDevice::Create(const std::string& link, std::string& error) {
  Destroy();
  struct stat st;
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = link + " exists and is not a symbolic link; not replacing it";
      return false;
    }
    struct stat target;
    if (stat(link.c_str(), &target) == 0) {
      error = link + " already points at " + ReadLink(link) +
              ", which exists (another simulator running?); remove the link if it is stale";
      return false;
    }
    if (unlink(link.c_str()) != 0) {
      error = "cannot remove the stale link " + link + ": " + std::strerror(errno);
      return false;
    }
  }

  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    Destroy();
    return false;
  }
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  const char* name = ptsname(master_);
  if (!name) {
    error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
    Destroy();
    return false;
  }
  slave_ = name;

  // Raw line, and a bit rate the conversation never uses, so that a program
  // which does not set its rate shows up in the verdict.
  struct termios t;
  if (tcgetattr(master_, &t) == 0) {
    cfmakeraw(&t);
    cfsetispeed(&t, B4800);
    cfsetospeed(&t, B4800);
    tcsetattr(master_, TCSANOW, &t);
  }

  notify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notify_ < 0 || inotify_add_watch(notify_, slave_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    error = "cannot watch " + slave_ + ": " + std::strerror(errno);
    Destroy();
    return false;
  }
  if (symlink(slave_.c_str(), link.c_str()) != 0) {
    error = "cannot create the link " + link + ": " + std::strerror(errno);
    Destroy();
    return false;
  }
  link_ = link;
  return true;
}

void PtyDevice::Destroy() {
  if (!link_.empty() && ReadLink(link_) == slave_) unlink(link_.c_str());
  link_.clear();
  if (notify_ >= 0) close(notify_);
  notify_ = -1;
  if (master_ >= 0) close(master_);
  master_ = -1;
  slave_.clear();
  eventsLen_ = eventsAt_ = 0;
}

uint32_t PtyDevice::Rate() const {
  struct termios t;
  if (master_ < 0 || tcgetattr(master_, &t) != 0) return 0;
  return SpeedValue(cfgetospeed(&t));
}

bool PtyDevice::NextEvent(int& delta) {
  for (;;) {
    if (eventsAt_ >= eventsLen_) {
      eventsAt_ = eventsLen_ = 0;
      if (notify_ < 0) return false;
      const ssize_t n = read(notify_, events_, sizeof events_);
      if (n <= 0) return false;
      eventsLen_ = int(n);
    }
    inotify_event ev;
    std::memcpy(&ev, events_ + eventsAt_, sizeof ev);
    eventsAt_ += int(sizeof(inotify_event) + ev.len);
    if (ev.mask & IN_OPEN) {
      delta = 1;
      return true;
    }
    if (ev.mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
      delta = -1;
      return true;
    }
  }
}

}  // namespace radiosim
