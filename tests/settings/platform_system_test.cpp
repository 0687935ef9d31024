#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <thread>
#include <string>

#include "platform/handles.h"
#include "platform/hooks.h"
#include "platform/winapi.h"

namespace {

TEST(PlatformMutex, SameNameInOneProcessAlreadyExistsUntilTheLastHandleCloses) {
  const std::string name = "Platform Test Guard " + std::to_string(getpid());
  HANDLE a = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  HANDLE b = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(nullptr, b);
  EXPECT_NE(a, b);
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  // Names that map to similar file names stay apart.
  const std::string similar = "Platform_Test_Guard_" + std::to_string(getpid());
  HANDLE c = CreateMutexA(nullptr, FALSE, similar.c_str());
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());

  EXPECT_TRUE(platform_CloseMutexHandle(a));
  EXPECT_FALSE(platform_CloseMutexHandle(a));  // already closed
  HANDLE d = CreateMutexA(nullptr, FALSE, name.c_str());
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());  // b still holds it
  EXPECT_TRUE(platform_CloseMutexHandle(b));
  EXPECT_TRUE(platform_CloseMutexHandle(d));
  HANDLE e = CreateMutexA(nullptr, FALSE, name.c_str());
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  EXPECT_TRUE(platform_CloseMutexHandle(e));
  EXPECT_TRUE(platform_CloseMutexHandle(c));

  int notAHandle = 0;
  EXPECT_FALSE(platform_CloseMutexHandle(&notAHandle));
  EXPECT_FALSE(platform_CloseMutexHandle(nullptr));
}

TEST(PlatformMutex, LongAndUnusualNamesWork) {
  const std::string name = std::string(400, 'n') + "/\\:*?\"<>| " + std::to_string(getpid());
  HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  HANDLE other = CreateMutexA(nullptr, FALSE, (name + "2").c_str());
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  EXPECT_TRUE(platform_CloseMutexHandle(h));
  EXPECT_TRUE(platform_CloseMutexHandle(other));
}

TEST(PlatformLastError, IsKeptPerThread) {
  SetLastError(1234);
  std::thread([] {
    EXPECT_EQ(0u, GetLastError());
    SetLastError(5);
  }).join();
  EXPECT_EQ(1234u, GetLastError());
}

TEST(PlatformMessageBox, GoesToTheHandlerElseAnswersOk) {
  std::string seen;
  platform::SetMessageBoxHandler([&](HWND, const char* text, const char* caption, UINT type) {
    seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
    return 7;
  });
  EXPECT_EQ(7, MessageBoxA(nullptr, "text", "caption", MB_OK | MB_ICONERROR));
  EXPECT_EQ("caption|text|16", seen);
  platform::SetMessageBoxHandler(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Fatal error !", "flash-k", MB_OK));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("flash-k: Fatal error !"));
}

TEST(PlatformWorkArea, DefaultsAndHandler) {
  RECT r{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0));
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(1024, r.right);
  EXPECT_EQ(768, r.bottom);
  platform::SetWorkAreaHandler([] { return RECT{10, 20, 800, 600}; });
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0));
  EXPECT_EQ(20, r.top);
  EXPECT_EQ(800, r.right);
  platform::SetWorkAreaHandler(nullptr);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
  EXPECT_FALSE(SystemParametersInfoA(0x1234, 0, &r, 0));
}

TEST(PlatformModuleFileName, ReportsTheExecutableOrTheSetPath) {
  char buf[4096];
  const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::strlen(buf), n);
  EXPECT_NE(std::string::npos, std::string(buf).find("test_settings"));

  platform::SetModuleFileName("/opt/flash/flash-k");
  EXPECT_EQ(18u, GetModuleFileNameA(nullptr, buf, sizeof buf));
  EXPECT_STREQ("/opt/flash/flash-k", buf);
  char small[5];
  EXPECT_EQ(5u, GetModuleFileNameA(nullptr, small, sizeof small));  // cut and terminated
  EXPECT_STREQ("/opt", small);
  platform::SetModuleFileName("");
}

TEST(PlatformLeadByte, FollowsTheCodePage) {
  EXPECT_FALSE(IsDBCSLeadByte(0x81));
  platform::SetCodePage(932);
  const struct {
    BYTE b;
    bool lead;
  } cases[] = {{0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false}, {0xDF, false},
               {0xE0, true},  {0xFC, true}, {0xFD, false}, {'@', false}, {'+', false}};
  for (const auto& c : cases) EXPECT_EQ(c.lead, IsDBCSLeadByte(c.b) != FALSE) << int(c.b);
  platform::SetCodePage(0);
  EXPECT_FALSE(IsDBCSLeadByte(0xE0));
}

}  // namespace
