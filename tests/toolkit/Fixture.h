// Every toolkit test runs on a freshly started headless backend.
#pragma once

#include <gtest/gtest.h>

#include "platform/hooks.h"
#include "toolkit/headless/Headless.h"

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override { Headless::Start(); }
  void TearDown() override {
    Headless::Stop();
    platform::SetCodePage(0);
  }
};
