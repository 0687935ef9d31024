#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/hooks.h"
#include "settings/clsEnviron.h"
#include "tests/settings/support.h"

namespace {

// Each test uses guard names of its own: a guard lasts as long as the process.
std::string UniqueGuard() {
  static std::atomic<int> n{0};
  return "Test Guard " + std::to_string(getpid()) + "-" + std::to_string(n++);
}

class Environ : public ::testing::Test {
 protected:
  void SetUp() override {
    guard = UniqueGuard();
    platform::SetModuleFileName(dir.File("flash-k"));
  }
  void TearDown() override { platform::SetModuleFileName(""); }
  std::string Ini() const { return dir.File("flash-k.INI"); }

  TempDir dir;
  std::string guard;
};

TEST_F(Environ, NoSettingsFileGivesPortOneAndIsCreatedAtExit) {
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(1, env.IsFirstInstance());
    EXPECT_EQ(1, env.CurrentPort());
    EXPECT_FALSE(Exists(Ini()));  // written only at the end
  }
  EXPECT_EQ("[Global]\nComPort=1\n", ReadAll(Ini()));
}

TEST_F(Environ, ReadsThePortAndKeepsOnlyValidOnes) {
  const struct {
    const char* stored;
    int32_t port;
  } cases[] = {
      {"0", 1},   {"257", 1}, {"abc", 1}, {"-3", 1},  {"", 1},       {"7x", 1}, {"256", 256},
      {"$10", 16}, {"0x10", 16}, {"0X1f", 31}, {" 42 ", 42}, {"\"9\"", 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("ComPort=") + c.stored);
    WriteAll(Ini(), std::string("[Global]\nComPort=") + c.stored + "\n");
    const std::string name = UniqueGuard();
    {
      clsEnviron env(name.c_str());
      ASSERT_EQ(1, env.IsFirstInstance());
      EXPECT_EQ(c.port, env.CurrentPort());
    }
    EXPECT_EQ("[Global]\nComPort=" + std::to_string(c.port) + "\n", ReadAll(Ini()));
  }
}

TEST_F(Environ, SectionAndKeyMatchInAnyLetterCase) {
  WriteAll(Ini(), "[GLOBAL]\ncomport=12\n");
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(12, env.CurrentPort());
    env.ChoosePort(13);
  }
  EXPECT_EQ("[GLOBAL]\ncomport=13\n", ReadAll(Ini()));
}

TEST_F(Environ, ChosenPortIsTheNextStartsPort) {
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(7, env.ChoosePort(7));
    EXPECT_EQ(7, env.ChoosePort(0));    // ignored
    EXPECT_EQ(7, env.ChoosePort(257));  // ignored
    EXPECT_EQ(7, env.ChoosePort(-1));
    EXPECT_EQ(1, env.LowestPort());
    EXPECT_EQ(256, env.HighestPort());
  }
  const std::string next = UniqueGuard();
  clsEnviron env(next.c_str());
  EXPECT_EQ(7, env.CurrentPort());
}

TEST_F(Environ, SavingKeepsOtherSectionsKeysAndLayout) {
  const std::string before =
      "; bench settings\r\n[Ports]\r\nCOM3=/dev/ttyUSB0\r\n\r\n[Global]\r\nOther = x\r\nComPort = 3\r\n"
      "Last=y\r\n\r\n[Z]\r\na=b\r\n";
  WriteAll(Ini(), before);
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(3, env.CurrentPort());
    env.ChoosePort(9);
  }
  std::string after = before;
  after.replace(after.find("ComPort = 3"), 11, "ComPort=9");
  EXPECT_EQ(after, ReadAll(Ini()));
}

TEST_F(Environ, AddsTheKeyToAnExistingSectionBeforeItsBlankSeparator) {
  WriteAll(Ini(), "[Global]\nName=a\n\n[Ports]\nCOM1=/dev/ttyS0\n");
  { clsEnviron env(guard.c_str()); }
  EXPECT_EQ("[Global]\nName=a\nComPort=1\n\n[Ports]\nCOM1=/dev/ttyS0\n", ReadAll(Ini()));
}

TEST_F(Environ, SecondInstanceInTheSameProcessReadsAndWritesNothing) {
  WriteAll(Ini(), "[Global]\nComPort=5\n");
  clsEnviron first(guard.c_str());
  ASSERT_EQ(1, first.IsFirstInstance());
  EXPECT_EQ(5, first.CurrentPort());
  WriteAll(Ini(), "[Global]\nComPort=6\n");
  {
    clsEnviron second(guard.c_str());
    EXPECT_EQ(0, second.IsFirstInstance());
    EXPECT_EQ(1, second.CurrentPort());  // did not read the file
    second.ChoosePort(99);
  }
  EXPECT_EQ("[Global]\nComPort=6\n", ReadAll(Ini()));  // did not write it
}

// Blocks until the other end writes a byte (or closes).
void AwaitByte(int fd) {
  char c;
  while (read(fd, &c, 1) < 0 && errno == EINTR) {
  }
}

TEST_F(Environ, SecondInstanceInAnotherProcessReadsAndWritesNothing) {
  WriteAll(Ini(), "[Global]\nComPort=5\n");
  int toChild[2];
  ASSERT_EQ(0, pipe(toChild));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child knows nothing of the parent's guard but what the system says.
    close(toChild[1]);
    AwaitByte(toChild[0]);
    int code;
    {
      clsEnviron env(guard.c_str());
      code = env.IsFirstInstance() == 0 && env.CurrentPort() == 1 ? 0 : 1;
      env.ChoosePort(200);
    }
    _exit(code);
  }
  close(toChild[0]);
  {
    clsEnviron first(guard.c_str());
    ASSERT_EQ(1, first.IsFirstInstance());
    first.ChoosePort(8);
    ASSERT_EQ(1, write(toChild[1], "go", 1));
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the child counted itself as the first instance";
    EXPECT_EQ("[Global]\nComPort=5\n", ReadAll(Ini()));
  }
  close(toChild[1]);
  EXPECT_EQ("[Global]\nComPort=8\n", ReadAll(Ini()));
}

TEST_F(Environ, GuardIsReleasedWhenItsProcessIsKilled) {
  int fromChild[2];
  ASSERT_EQ(0, pipe(fromChild));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fromChild[0]);
    HANDLE h = CreateMutexA(nullptr, FALSE, guard.c_str());
    const char ok = h != nullptr && GetLastError() == ERROR_SUCCESS ? 'y' : 'n';
    if (write(fromChild[1], &ok, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  close(fromChild[1]);
  char ok = 0;
  ASSERT_EQ(1, read(fromChild[0], &ok, 1));
  EXPECT_EQ('y', ok);
  {
    const std::string probe = guard;  // same name while the child holds it
    HANDLE h = CreateMutexA(nullptr, FALSE, probe.c_str());
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_TRUE(CloseHandle(h));
  }
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  close(fromChild[0]);
  clsEnviron env(guard.c_str());
  EXPECT_EQ(1, env.IsFirstInstance());
}

TEST_F(Environ, UnwritableSettingsFileIsIgnoredQuietly) {
  // A folder under a regular file cannot be created or written, even by root.
  WriteAll(dir.File("plain"), "x");
  platform::SetModuleFileName(dir.File("plain/flash-k"));
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(1, env.IsFirstInstance());
    env.ChoosePort(4);
    EXPECT_FALSE(env.SaveSettings());
  }  // the save at exit fails without a throw or a crash
  EXPECT_EQ("x", ReadAll(dir.File("plain")));
}

TEST_F(Environ, ReadOnlyFolderDoesNotCrashAndLosesNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  WriteAll(Ini(), "[Global]\nComPort=5\n");
  ASSERT_EQ(0, chmod(dir.Path().c_str(), 0555));
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(5, env.CurrentPort());
    env.ChoosePort(6);
  }
  chmod(dir.Path().c_str(), 0755);
  EXPECT_EQ("[Global]\nComPort=5\n", ReadAll(Ini()));
}

TEST_F(Environ, GuardThatCannotBeCreatedCountsAsSecondInstance) {
  // The runtime folder is taken by a regular file: the guard cannot be made.
  TempDir runtime;
  WriteAll(runtime.File("flash"), "");
  const char* saved = getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved != nullptr ? saved : "";
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  WriteAll(Ini(), "[Global]\nComPort=5\n");
  {
    clsEnviron env(guard.c_str());
    EXPECT_EQ(0, env.IsFirstInstance());
    EXPECT_EQ(1, env.CurrentPort());
  }
  setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
  EXPECT_EQ("[Global]\nComPort=5\n", ReadAll(Ini()));
}

}  // namespace
