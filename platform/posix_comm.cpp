// The Windows communications functions over a Linux tty.
//
// CreateFileA("\\.\COMn") opens the tty that COMn maps to (key COMn of section
// Ports in the settings file, else /dev/ttyS<n-1>) in raw, non-blocking,
// exclusive mode, or the device a test installed behind COMn. Handles are
// opaque addresses of table entries, never file descriptors, so they cannot
// collide with INVALID_HANDLE_VALUE or with the mutex handles of
// posix_system.cpp.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/commdevice.h"
#include "platform/handles.h"
#include "platform/hooks.h"
#include "platform/posix_baud.h"
#include "platform/winapi.h"

namespace platform {

namespace {

// ---------------------------------------------------------------- settings file

std::mutex g_settingsMutex;
std::string g_settingsPath;  // empty: beside the executable

std::string DefaultSettingsPath() {
  char buffer[4096];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  std::string path(buffer, n);
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
  return path + ".INI";
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x >= 'a' && x <= 'z' ? x - 32 : x) != (y >= 'a' && y <= 'z' ? y - 32 : y)) return false;
  }
  return true;
}

// Value of key in section of an initialisation file, as the toolkit's reader
// would give it: names compare without case, blanks around names and values
// are dropped, the first occurrence counts. Empty when absent.
std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key) {
  std::ifstream in(file);
  if (!in) return std::string();
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      size_t close = t.find(']');
      inSection = close != std::string::npos && EqualNoCase(Trim(t.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    if (EqualNoCase(Trim(t.substr(0, eq)), key)) {
      std::string v = Trim(t.substr(eq + 1));
      if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
      return v;
    }
  }
  return std::string();
}

std::string DevicePathFor(int port) {
  std::string file;
  {
    std::lock_guard<std::mutex> lock(g_settingsMutex);
    file = g_settingsPath;
  }
  if (file.empty()) file = DefaultSettingsPath();
  std::string mapped;
  if (!file.empty()) mapped = ReadIniValue(file, "Ports", "COM" + std::to_string(port));
  if (!mapped.empty()) return mapped;
  return "/dev/ttyS" + std::to_string(port - 1);
}

// "\\.\COMn" or "COMn" (any case) with n in 1..256; 0 for anything else.
int ParseComName(const char* name) {
  if (name == nullptr) return 0;
  std::string s(name);
  if (s.compare(0, 4, "\\\\.\\") == 0) s.erase(0, 4);
  if (s.size() < 4 || !EqualNoCase(s.substr(0, 3), "COM")) return 0;
  std::string digits = s.substr(3);
  if (digits.empty() || digits.size() > 3 || digits[0] == '0') return 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
  }
  int n = std::atoi(digits.c_str());
  return n >= 1 && n <= 256 ? n : 0;
}

// ---------------------------------------------------------------- installed devices

std::mutex g_devicesMutex;
std::map<int, CommDeviceFactory> g_factories;

// ---------------------------------------------------------------- tty device

// What was last applied to each tty (by canonical path): a later open starts
// from these line modes, and GetCommState reports the DCB fields that termios
// does not hold. A device never opened starts with DTR and RTS off.
std::mutex g_memoryMutex;
std::map<std::string, DCB> g_lastState;

DCB FreshState() {
  DCB d;
  std::memset(&d, 0, sizeof d);
  d.DCBlength = sizeof(DCB);
  d.BaudRate = 9600;
  d.fBinary = 1;
  d.fDtrControl = DTR_CONTROL_DISABLE;
  d.fRtsControl = RTS_CONTROL_DISABLE;
  d.ByteSize = 8;
  d.XonChar = 0x11;
  d.XoffChar = 0x13;
  return d;
}

DCB RememberedState(const std::string& key) {
  std::lock_guard<std::mutex> lock(g_memoryMutex);
  auto it = g_lastState.find(key);
  return it == g_lastState.end() ? FreshState() : it->second;
}

void RememberState(const std::string& key, const DCB& d) {
  std::lock_guard<std::mutex> lock(g_memoryMutex);
  g_lastState[key] = d;
}

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
      return ERROR_ACCESS_DENIED;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_GEN_FAILURE;
  }
}

// Errors by which a tty says it has no modem-control lines (a pseudo-terminal).
bool NoModemLines(int e) { return e == ENOTTY || e == EINVAL; }

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

class TtyDevice : public CommDevice {
 public:
  // Opens, locks and prepares the tty at path; null with *error set on failure.
  static std::unique_ptr<TtyDevice> Open(const std::string& path, DWORD* error) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      *error = ErrorFromErrno(errno);
      return nullptr;
    }
    // The lock comes before any line change: while another program holds
    // the port its lines are none of our business.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      *error = ERROR_ACCESS_DENIED;
      ::close(fd);
      return nullptr;
    }
    struct termios t;
    if (::tcgetattr(fd, &t) != 0) {
      *error = ERROR_GEN_FAILURE;  // not a serial device
      ::close(fd);
      return nullptr;
    }
    char real[PATH_MAX];
    std::string key = ::realpath(path.c_str(), real) ? std::string(real) : path;
    std::unique_ptr<TtyDevice> dev(new TtyDevice(fd, key));
    DCB last = RememberedState(key);
    // open(2) has raised DTR and RTS; put them back where they were left
    // before anything else touches the line.
    if (!dev->ApplyLines(last)) {
      *error = ErrorFromErrno(errno);
      return nullptr;  // the destructor closes fd
    }
    ::ioctl(fd, TIOCEXCL);
    cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL | HUPCL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
      *error = ErrorFromErrno(errno);
      return nullptr;
    }
    uint32_t rate = 0;
    if (!detail::GetTtyBitRate(fd, &rate) || rate == 0) {
      // A rate of 0 would hang the line up; start at the remembered rate.
      if (!detail::SetTtyBitRate(fd, last.BaudRate ? last.BaudRate : 9600)) {
        *error = ErrorFromErrno(errno);
        return nullptr;
      }
    }
    // Leaving a zero rate raises the lines again on some drivers.
    if (!dev->ApplyLines(last)) {
      *error = ErrorFromErrno(errno);
      return nullptr;
    }
    dev->SetLowLatency();
    return dev;
  }

  ~TtyDevice() override { CloseFd(); }

  bool Setup(DWORD, DWORD) override {
    if (!Alive()) return false;
    return true;  // Linux drivers keep their own buffer sizes
  }

  bool Purge(DWORD flags) override {
    if (!Alive()) return false;
    bool rx = flags & (PURGE_RXABORT | PURGE_RXCLEAR);
    bool tx = flags & (PURGE_TXABORT | PURGE_TXCLEAR);
    int which = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : tx ? TCOFLUSH : -1;
    if (which >= 0 && ::tcflush(fd_, which) != 0) return Fail(errno);
    return true;
  }

  bool GetState(DCB* dcb) override {
    if (!Alive()) return false;
    struct termios t;
    if (::tcgetattr(fd_, &t) != 0) return Fail(errno);
    DCB d = RememberedState(key_);
    uint32_t rate = 0;
    if (detail::GetTtyBitRate(fd_, &rate)) d.BaudRate = rate;
    switch (t.c_cflag & CSIZE) {
      case CS5: d.ByteSize = 5; break;
      case CS6: d.ByteSize = 6; break;
      case CS7: d.ByteSize = 7; break;
      default: d.ByteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB)) {
      d.Parity = NOPARITY;
    } else if (t.c_cflag & CMSPAR) {
      d.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
      d.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    }
    if (!(t.c_cflag & CSTOPB)) {
      d.StopBits = ONESTOPBIT;
    } else if (d.StopBits != ONE5STOPBITS) {
      d.StopBits = TWOSTOPBITS;
    }
    d.DCBlength = sizeof(DCB);
    d.fBinary = 1;
    *dcb = d;
    return true;
  }

  bool SetState(const DCB& d) override {
    if (!Alive()) return false;
    // Linux has 5 to 8 data bits and no DTR mode 3; a rate of 0 would hang
    // the line up rather than set a speed.
    if (d.ByteSize < 5 || d.ByteSize > 8 || d.Parity > SPACEPARITY || d.StopBits > TWOSTOPBITS ||
        d.fDtrControl == 3 || d.BaudRate == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    struct termios t;
    if (::tcgetattr(fd_, &t) != 0) return Fail(errno);
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL | HUPCL;
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[d.ByteSize - 5];
    switch (d.Parity) {
      case ODDPARITY: t.c_cflag |= PARENB | PARODD; break;
      case EVENPARITY: t.c_cflag |= PARENB; break;
      case MARKPARITY: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
      case SPACEPARITY: t.c_cflag |= PARENB | CMSPAR; break;
      default: break;
    }
    if (d.Parity != NOPARITY && d.fParity) t.c_iflag |= INPCK;
    if (d.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;  // 1.5 with 5 data bits
    if (d.fRtsControl == RTS_CONTROL_HANDSHAKE || d.fOutxCtsFlow) t.c_cflag |= CRTSCTS;
    if (d.fOutX) t.c_iflag |= IXON;
    if (d.fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(d.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(d.XoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return Fail(errno);
    if (!detail::SetTtyBitRate(fd_, d.BaudRate)) return Fail(errno);
    DCB kept = d;
    kept.DCBlength = sizeof(DCB);
    RememberState(key_, kept);
    return ApplyLines(d) ? true : Fail(errno);
  }

  bool SetTimeouts(const COMMTIMEOUTS& t) override {
    if (!Alive()) return false;
    timeouts_ = t;
    return true;
  }

  bool ClearError(DWORD* errors, COMSTAT* stat) override {
    if (!Alive()) return false;
    int in = 0, out = 0;
    if (::ioctl(fd_, FIONREAD, &in) != 0) return Fail(errno);
    if (::ioctl(fd_, TIOCOUTQ, &out) != 0) return Fail(errno);
    if (errors) *errors = 0;
    if (stat) {
      std::memset(stat, 0, sizeof *stat);
      stat->cbInQue = in > 0 ? static_cast<DWORD>(in) : 0;
      stat->cbOutQue = out > 0 ? static_cast<DWORD>(out) : 0;
    }
    return true;
  }

  bool Read(void* buffer, DWORD count, DWORD* read) override {
    *read = 0;
    if (!Alive()) return false;
    if (count == 0) return true;
    const COMMTIMEOUTS& to = timeouts_;
    bool atOnce = to.ReadIntervalTimeout == MAXDWORD && to.ReadTotalTimeoutMultiplier == 0 &&
                  to.ReadTotalTimeoutConstant == 0;
    bool firstByteOnly = to.ReadIntervalTimeout == MAXDWORD && to.ReadTotalTimeoutMultiplier == MAXDWORD &&
                         to.ReadTotalTimeoutConstant != 0 && to.ReadTotalTimeoutConstant != MAXDWORD;
    uint64_t totalMs = static_cast<uint64_t>(to.ReadTotalTimeoutMultiplier) * count + to.ReadTotalTimeoutConstant;
    if (firstByteOnly) totalMs = to.ReadTotalTimeoutConstant;
    bool bounded = totalMs != 0;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(bounded ? totalMs : 0);
    unsigned char* p = static_cast<unsigned char*>(buffer);
    while (*read < count) {
      ssize_t n = ::read(fd_, p + *read, count - *read);
      if (n > 0) {
        *read += static_cast<DWORD>(n);
        if (atOnce || firstByteOnly) break;
        continue;
      }
      if (n == 0) return true;  // the peer has gone: nothing more will come
      if (errno == EINTR) continue;
      if (errno != EAGAIN) {
        if (errno == EIO) return true;  // hung-up pseudo-terminal: as end of input
        return Fail(errno);
      }
      if (atOnce) break;
      int wait = -1;
      if (bounded) {
        wait = MillisLeft(deadline);
        if (wait == 0) break;
      }
      if (*read > 0 && to.ReadIntervalTimeout != 0 && to.ReadIntervalTimeout != MAXDWORD) {
        int gap = to.ReadIntervalTimeout > INT_MAX ? INT_MAX : static_cast<int>(to.ReadIntervalTimeout);
        if (wait < 0 || gap < wait) wait = gap;
        struct pollfd pfd = {fd_, POLLIN, 0};
        int r = ::poll(&pfd, 1, wait);
        if (r == 0) break;  // the gap between two bytes ran out
        if (r < 0 && errno != EINTR) return Fail(errno);
        continue;
      }
      struct pollfd pfd = {fd_, POLLIN, 0};
      int r = ::poll(&pfd, 1, wait);
      if (r < 0 && errno != EINTR) return Fail(errno);
    }
    return true;
  }

  bool Write(const void* buffer, DWORD count, DWORD* written) override {
    *written = 0;
    if (!Alive()) return false;
    uint64_t totalMs =
        static_cast<uint64_t>(timeouts_.WriteTotalTimeoutMultiplier) * count + timeouts_.WriteTotalTimeoutConstant;
    bool bounded = totalMs != 0;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(bounded ? totalMs : 0);
    const unsigned char* p = static_cast<const unsigned char*>(buffer);
    while (*written < count) {
      ssize_t n = ::write(fd_, p + *written, count - *written);
      if (n > 0) {
        *written += static_cast<DWORD>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return Fail(errno);
      int wait = -1;
      if (bounded) {
        wait = MillisLeft(deadline);
        if (wait == 0) return true;  // timed out: the count tells how far it got
      }
      struct pollfd pfd = {fd_, POLLOUT, 0};
      int r = ::poll(&pfd, 1, wait);
      if (r < 0 && errno != EINTR) return Fail(errno);
      // A device that hangs up without failing the write would otherwise
      // keep this loop spinning until the deadline, or for ever.
      if (r > 0 && !(pfd.revents & POLLOUT) && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) {
        return Fail(EIO);
      }
    }
    return true;
  }

  void Close() override {
    if (fd_ < 0) return;
    // Let what the driver still holds go out (the last frame of a run may
    // be in it), but never wait longer than the line needs for it plus a
    // second for a busy reader; then drop the rest, so that close(2) does
    // not block on a stuck line.
    int out = 0;
    if (::ioctl(fd_, TIOCOUTQ, &out) == 0 && out > 0) {
      uint32_t rate = 9600;
      detail::GetTtyBitRate(fd_, &rate);
      if (rate == 0) rate = 9600;
      uint64_t ms = static_cast<uint64_t>(out) * 12 * 1000 / rate + 1000;
      if (ms > 5000) ms = 5000;
      Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
      while (::ioctl(fd_, TIOCOUTQ, &out) == 0 && out > 0 && MillisLeft(deadline) > 0) {
        ::usleep(1000);
      }
      ::tcflush(fd_, TCOFLUSH);
    }
    CloseFd();
  }

 private:
  TtyDevice(int fd, std::string key) : fd_(fd), key_(std::move(key)) { std::memset(&timeouts_, 0, sizeof timeouts_); }

  bool Alive() {
    if (fd_ >= 0) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }

  static bool Fail(int e) {
    SetLastError(ErrorFromErrno(e));
    return false;
  }

  void CloseFd() {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);  // also releases the flock
    fd_ = -1;
  }

  // Drives DTR and RTS to the levels of the DCB's control modes: disable
  // off, enable on, handshake on (the driver takes RTS over under CRTSCTS),
  // RTS toggle off while idle. A tty without modem lines succeeds unchanged.
  bool ApplyLines(const DCB& d) {
    int on = 0, off = 0;
    (d.fDtrControl == DTR_CONTROL_ENABLE || d.fDtrControl == DTR_CONTROL_HANDSHAKE ? on : off) |= TIOCM_DTR;
    (d.fRtsControl == RTS_CONTROL_ENABLE || d.fRtsControl == RTS_CONTROL_HANDSHAKE ? on : off) |= TIOCM_RTS;
    if (off && ::ioctl(fd_, TIOCMBIC, &off) != 0) {
      if (NoModemLines(errno)) return true;
      return false;
    }
    if (on && ::ioctl(fd_, TIOCMBIS, &on) != 0) {
      if (NoModemLines(errno)) return true;
      return false;
    }
    return true;
  }

  // USB adapters otherwise hold received bytes for up to 16 ms.
  void SetLowLatency() {
    struct serial_struct ss;
    if (::ioctl(fd_, TIOCGSERIAL, &ss) != 0) return;
    if (ss.flags & ASYNC_LOW_LATENCY) return;
    ss.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd_, TIOCSSERIAL, &ss);  // refused by some drivers; harmless
  }

  int fd_;
  std::string key_;
  COMMTIMEOUTS timeouts_;
};

// ---------------------------------------------------------------- handle table

// A handle is the address of its entry; the table owns the entries.
struct HandleEntry {
  std::shared_ptr<CommDevice> device;
};

std::mutex g_handlesMutex;
std::map<HANDLE, std::unique_ptr<HandleEntry>> g_handles;

HANDLE AddHandle(std::unique_ptr<CommDevice> device) {
  std::unique_ptr<HandleEntry> entry(new HandleEntry);
  entry->device = std::move(device);
  HANDLE h = static_cast<HANDLE>(entry.get());
  std::lock_guard<std::mutex> lock(g_handlesMutex);
  g_handles[h] = std::move(entry);
  return h;
}

std::shared_ptr<CommDevice> FindDevice(HANDLE h) {
  std::lock_guard<std::mutex> lock(g_handlesMutex);
  auto it = g_handles.find(h);
  if (it == g_handles.end()) return nullptr;
  return it->second->device;
}

std::shared_ptr<CommDevice> RemoveHandle(HANDLE h) {
  std::lock_guard<std::mutex> lock(g_handlesMutex);
  auto it = g_handles.find(h);
  if (it == g_handles.end()) return nullptr;
  std::shared_ptr<CommDevice> dev = std::move(it->second->device);
  g_handles.erase(it);
  return dev;
}

std::shared_ptr<CommDevice> DeviceOrFail(HANDLE h) {
  std::shared_ptr<CommDevice> dev = FindDevice(h);
  if (!dev) SetLastError(ERROR_INVALID_HANDLE);
  return dev;
}

BOOL Result(bool ok) { return ok ? TRUE : FALSE; }

}  // namespace

void SetSettingsFilePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_settingsMutex);
  g_settingsPath = path;
}

void InstallCommDevice(int comNumber, CommDeviceFactory factory) {
  std::lock_guard<std::mutex> lock(g_devicesMutex);
  if (factory) {
    g_factories[comNumber] = std::move(factory);
  } else {
    g_factories.erase(comNumber);
  }
}

}  // namespace platform

using platform::CommDevice;

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
  int port = platform::ParseComName(name);
  if (port == 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  platform::CommDeviceFactory factory;
  {
    std::lock_guard<std::mutex> lock(platform::g_devicesMutex);
    auto it = platform::g_factories.find(port);
    if (it != platform::g_factories.end()) factory = it->second;
  }
  std::unique_ptr<CommDevice> device;
  if (factory) {
    device = factory();
    if (!device) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
  } else {
    DWORD error = ERROR_GEN_FAILURE;
    device = platform::TtyDevice::Open(platform::DevicePathFor(port), &error);
    if (!device) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
  }
  return platform::AddHandle(std::move(device));
}

BOOL WINAPI SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) {
  auto dev = platform::DeviceOrFail(h);
  return dev ? platform::Result(dev->Setup(inQueue, outQueue)) : FALSE;
}

BOOL WINAPI PurgeComm(HANDLE h, DWORD flags) {
  auto dev = platform::DeviceOrFail(h);
  return dev ? platform::Result(dev->Purge(flags)) : FALSE;
}

BOOL WINAPI GetCommState(HANDLE h, DCB* dcb) {
  auto dev = platform::DeviceOrFail(h);
  if (!dev) return FALSE;
  if (dcb == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return platform::Result(dev->GetState(dcb));
}

BOOL WINAPI SetCommState(HANDLE h, DCB* dcb) {
  auto dev = platform::DeviceOrFail(h);
  if (!dev) return FALSE;
  if (dcb == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return platform::Result(dev->SetState(*dcb));
}

BOOL WINAPI SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) {
  auto dev = platform::DeviceOrFail(h);
  if (!dev) return FALSE;
  if (timeouts == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return platform::Result(dev->SetTimeouts(*timeouts));
}

BOOL WINAPI ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
  auto dev = platform::DeviceOrFail(h);
  return dev ? platform::Result(dev->ClearError(errors, stat)) : FALSE;
}

BOOL WINAPI ReadFile(HANDLE h, void* buffer, DWORD count, DWORD* read, void* overlapped) {
  DWORD local = 0;
  DWORD* got = read ? read : &local;
  *got = 0;
  auto dev = platform::DeviceOrFail(h);
  if (!dev) return FALSE;
  if (overlapped != nullptr || (buffer == nullptr && count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return platform::Result(dev->Read(buffer, count, got));
}

BOOL WINAPI WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD* written, void* overlapped) {
  DWORD local = 0;
  DWORD* put = written ? written : &local;
  *put = 0;
  auto dev = platform::DeviceOrFail(h);
  if (!dev) return FALSE;
  if (overlapped != nullptr || (buffer == nullptr && count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return platform::Result(dev->Write(buffer, count, put));
}

BOOL WINAPI CloseHandle(HANDLE h) {
  if (platform_CloseMutexHandle(h)) return TRUE;
  std::shared_ptr<CommDevice> dev = platform::RemoveHandle(h);
  if (!dev) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  dev->Close();
  return TRUE;
}
