// The Linux comm functions and the serial port on a real pseudo-terminal
// pair: the port opens the slave (mapped as COM9 in a settings file), the
// test plays the device on the master.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "comm/cmcComm.h"
#include "platform/hooks.h"
#include "platform/winapi.h"
#include "toolkit/Timer.h"

namespace {

const int kPort = 9;
const char* kName = "\\\\.\\COM9";

class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    slavePath = name;
    ASSERT_EQ(fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK), 0);
    char tmpl[] = "/tmp/serial_pty_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    ini = dir + "/flash.INI";
    MapPort(slavePath);
    platform::SetSettingsFilePath(ini);
  }

  void TearDown() override {
    platform::SetSettingsFilePath("");
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }

  void MapPort(const std::string& device) {
    std::ofstream out(ini);
    out << "[Global]\nComPort=9\n\n[ports]\ncom9 = " << device << "\n";
  }

  // Reads n bytes from the master, waiting up to two seconds for them.
  std::vector<uint8_t> ReadMaster(size_t n) {
    std::vector<uint8_t> got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
      struct pollfd p = {master, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      uint8_t buf[4096];
      ssize_t r = read(master, buf, sizeof buf);
      if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    return got;
  }

  // Polls RxCount until n bytes are buffered or two seconds have passed.
  uint32_t WaitRx(cmcComm& port, uint32_t n) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    uint32_t c = port.RxCount();
    while (c < n && std::chrono::steady_clock::now() < deadline) {
      usleep(1000);
      c = port.RxCount();
    }
    return c;
  }

  struct termios SlaveTermios() {
    struct termios t;
    EXPECT_EQ(tcgetattr(slave, &t), 0);
    return t;
  }

  int master = -1;
  int slave = -1;
  std::string slavePath;
  std::string dir;
  std::string ini;
};

TEST_F(PtyTest, BytesGoBothWays) {
  cmcComm port;
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));

  const uint8_t hello[] = {0xFE, 0xFE, 0x0A, 0x0D, 0x00, 0xFF, 0x11, 0x13, 0x03};
  port.Send(hello, sizeof hello);
  EXPECT_EQ(ReadMaster(sizeof hello), std::vector<uint8_t>(hello, hello + sizeof hello));

  const uint8_t reply[] = {0x55, 0x0D, 0x0A, 0x7F, 0x00};
  ASSERT_EQ(write(master, reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
  EXPECT_EQ(WaitRx(port, 5), 5u);
  uint8_t buf[100];
  ASSERT_EQ(port.Receive(buf, 100), 5u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), std::vector<uint8_t>(reply, reply + 5));
  EXPECT_EQ(port.Receive(buf, 100), 0u);
  EXPECT_EQ(port.RxCount(), 0u);

  // A long send drains through the transmit task on the real clock.
  std::vector<uint8_t> data(3000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13);
  port.Send(data.data(), 3000);
  std::vector<uint8_t> got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (got.size() < data.size() && std::chrono::steady_clock::now() < deadline) {
    toolkit::PumpTimers();
    uint8_t chunk[4096];
    ssize_t r = read(master, chunk, sizeof chunk);
    if (r > 0) got.insert(got.end(), chunk, chunk + r);
    usleep(500);
  }
  EXPECT_EQ(got, data);
  EXPECT_FALSE(port.WriteFailed());
}

TEST_F(PtyTest, SecondOpenOfTheDeviceIsRefusedUntilTheFirstCloses) {
  cmcComm first, second;
  ASSERT_TRUE(first.Open(kPort, "9600,N,8,1"));
  EXPECT_FALSE(second.Open(kPort, "9600,N,8,1"));
  EXPECT_FALSE(second.IsOpen());
  HANDLE h = CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  // Another program is kept out too: by the exclusive tty mode, or (as
  // root, who passes that) by the lock.
  int other = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (other >= 0) {
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
    close(other);
  } else {
    EXPECT_EQ(errno, EBUSY);
  }

  first.Close();
  other = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  close(other);
  EXPECT_TRUE(second.Open(kPort, "9600,N,8,1"));
}

TEST_F(PtyTest, LineSettingsReachTheDevice) {
  cmcComm port;
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  struct termios t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(t.c_cflag & CLOCAL, 0u);
  EXPECT_NE(t.c_cflag & CREAD, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  ASSERT_TRUE(port.SetBaudRate(38400));
  t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B38400));

  // A rate without a B constant is set and read back exactly.
  ASSERT_TRUE(port.SetBaudRate(31250));
  DCB d;
  HANDLE h = CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);  // still held by the port
  port.Close();
  h = CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(GetCommState(h, &d));
  EXPECT_EQ(d.BaudRate, 31250u);
  EXPECT_EQ(d.DCBlength, 28u);
  EXPECT_EQ(d.ByteSize, 8u);
  EXPECT_TRUE(CloseHandle(h));

  // (A pseudo-terminal always keeps 8 data bits without parity, so only the
  // stop bits of a framing change show here.)
  ASSERT_TRUE(port.Open(kPort, "4800,N,7,2"));
  t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  port.Close();

  // Linux has no 4-bit characters: the open is refused and nothing stays open.
  EXPECT_FALSE(port.Open(kPort, "9600,N,4,1"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(port.Open(kPort, "9600,N,8,1"));
}

TEST_F(PtyTest, LineControlSucceedsOnADeviceWithoutModemLines) {
  cmcComm port;
  EXPECT_FALSE(port.SetDtr(0));  // closed: stored only
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_TRUE(port.SetDtr(1));
  EXPECT_TRUE(port.SetRts(1));
  EXPECT_TRUE(port.SetDtr(0));
  EXPECT_TRUE(port.SetRts(0));
  EXPECT_TRUE(port.SetRts(2));  // handshake: hardware flow control
  EXPECT_NE(SlaveTermios().c_cflag & CRTSCTS, 0u);
  EXPECT_TRUE(port.SetRts(0));
  EXPECT_EQ(SlaveTermios().c_cflag & CRTSCTS, 0u);
  EXPECT_FALSE(port.SetDtr(3));  // DTR has no mode 3 on Linux
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(PtyTest, VanishedPeerGivesEmptyReadsAndAFailedWrite) {
  cmcComm port;
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  close(master);
  master = -1;

  uint8_t buf[16];
  EXPECT_EQ(port.RxCount(), 0u);
  EXPECT_EQ(port.Receive(buf, sizeof buf), 0u);
  std::vector<uint8_t> data(100, 0x41);
  port.Send(data.data(), 100);
  EXPECT_TRUE(port.WriteFailed());
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(PtyTest, RawCallsOnAVanishedPeer) {
  HANDLE h = CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS to = {MAXDWORD, 0, 0, 10, 3000};
  ASSERT_TRUE(SetCommTimeouts(h, &to));
  close(master);
  master = -1;
  uint8_t buf[8];
  DWORD n = 99;
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 0u);
  n = 99;
  EXPECT_FALSE(WriteFile(h, "abc", 3, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(h));
}

TEST_F(PtyTest, WriteToAPeerThatReadsNothingEndsAtTheWriteTimeout) {
  HANDLE h = CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS to = {MAXDWORD, 0, 0, 0, 20};
  ASSERT_TRUE(SetCommTimeouts(h, &to));
  // Far more than a pseudo-terminal buffers while nobody reads the master.
  std::vector<uint8_t> data(1 << 20, 0x5A);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr));
  EXPECT_GT(n, 0u);
  EXPECT_LT(n, data.size());
  EXPECT_TRUE(CloseHandle(h));
}

TEST_F(PtyTest, MissingOrUnusableDevicesOpenNothingAndLockNothing) {
  cmcComm port;
  MapPort(dir + "/no-such-tty");
  EXPECT_FALSE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  // A plain file is not a serial device; it is left unlocked.
  std::string plain = dir + "/plain";
  { std::ofstream(plain) << "x"; }
  MapPort(plain);
  EXPECT_FALSE(port.Open(kPort, "9600,N,8,1"));
  int fd = open(plain.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);

  // The mapped device becomes usable again once the mapping points at it.
  MapPort(slavePath);
  EXPECT_TRUE(port.Open(kPort, "9600,N,8,1"));
}

TEST_F(PtyTest, DeviceWithoutPermissionIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root opens any file regardless of its mode";
  std::string locked = dir + "/locked";
  { std::ofstream(locked) << "x"; }
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  MapPort(locked);
  EXPECT_EQ(CreateFileA(kName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  cmcComm port;
  EXPECT_FALSE(port.Open(kPort, "9600,N,8,1"));
}

TEST_F(PtyTest, DefaultSettingsFileLiesBesideTheExecutable) {
  platform::SetSettingsFilePath("");
  platform::SetModuleFileName(dir + "/flash.exe");  // the mapping file is flash.INI
  cmcComm port;
  EXPECT_TRUE(port.Open(kPort, "9600,N,8,1"));
  port.Close();
  platform::SetModuleFileName(dir + "/other");  // other.INI does not exist: /dev/ttyS8
  EXPECT_FALSE(port.Open(kPort, "9600,N,8,1"));
  platform::SetModuleFileName("");
}

TEST(ComHandles, NamesAndHandlesOutsideTheTableAreRefused) {
  const char* names[] = {"\\\\.\\COM0", "\\\\.\\COM257", "\\\\.\\COM", "\\\\.\\COM1x", "LPT1", "", nullptr};
  for (const char* name : names) {
    SCOPED_TRACE(name ? name : "(null)");
    EXPECT_EQ(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
  int dummy = 0;
  HANDLE bogus[] = {INVALID_HANDLE_VALUE, nullptr, &dummy};
  for (HANDLE h : bogus) {
    DCB d;
    DWORD n = 0;
    EXPECT_FALSE(GetCommState(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(WriteFile(h, "a", 1, &n, nullptr));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
}

TEST_F(PtyTest, HandleIsGoneAfterClose) {
  HANDLE h = CreateFileA("COM9", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  COMSTAT st;
  EXPECT_FALSE(ClearCommError(h, nullptr, &st));
}

}  // namespace
