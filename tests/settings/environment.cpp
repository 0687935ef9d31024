// Keeps the instance-guard lock files of a test run in a folder of its own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/settings/support.h"

namespace {

class RuntimeFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    m_dir = new TempDir();
    setenv("XDG_RUNTIME_DIR", m_dir->Path().c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    delete m_dir;
    m_dir = nullptr;
  }

 private:
  TempDir* m_dir = nullptr;
};

::testing::Environment* const g_runtimeFolder = ::testing::AddGlobalTestEnvironment(new RuntimeFolder);

}  // namespace
