// The controller's life cycle seen from the window: idle and busy, cancel in
// every phase, the completed count, the port number, the image check.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <vector>

#include "platform/hooks.h"
#include "tests/support/Harness.h"
#include "toolkit/AppWindow.h"

namespace seqtest {
namespace {

using Bytes = std::vector<uint8_t>;

int32_t Base() { return Profile().variant == 'M' ? 0x10000 : 0x7000; }

TEST(Control, StartsClosedAndRestsAtReady) {
  const TestImage rom(Base(), Bytes(128, 0x11));
  Harness h(rom.record);
  EXPECT_EQ(h.seq().State(), StateNo("Opening"));
  EXPECT_FALSE(h.seq().IsIdle());
  EXPECT_FALSE(h.seq().IsBusy());
  h.seq().Stop();  // below Standby: nothing happens
  EXPECT_EQ(h.seq().State(), StateNo("Opening"));
  h.ToReady();
  EXPECT_TRUE(h.seq().IsIdle());
  EXPECT_FALSE(h.seq().IsBusy());
  EXPECT_EQ(h.seq().RomImage().LowAddress(), Base());
  EXPECT_EQ(h.dev.OpenCount(), 0);
}

// Cancel in each state of a run: Standby at once without an error, the port
// closed, then Ready.
TEST(Control, CancelInEveryPhase) {
  const TestImage rom(Base(), Bytes(384, 0x11));
  Harness h(rom.record);
  ASSERT_EQ(h.RunUnit().error, 0);
  std::vector<int32_t> path = h.visited();
  path.pop_back();  // Ready
  for (int32_t state : path) {
    SCOPED_TRACE(h.table().states[state].name);
    ASSERT_TRUE(h.RunTo(state));
    EXPECT_TRUE(h.seq().IsBusy());
    EXPECT_FALSE(h.seq().IsIdle());
    h.seq().Cancel();
    EXPECT_EQ(h.seq().State(), h.table().standby);
    EXPECT_FALSE(h.dev.IsOpen());
    EXPECT_EQ(h.seq().Progress(), 0);
    EXPECT_TRUE(h.seq().IsIdle());
    EXPECT_FALSE(h.seq().IsBusy());
    EXPECT_EQ(h.Tick(), 0);
    EXPECT_EQ(h.seq().State(), h.table().ready);
    EXPECT_FALSE(h.dev.IsOpen());
  }
  EXPECT_EQ(h.RunUnit().error, 0);
}

TEST(Control, CompletedCountWrapsAfter999998) {
  const TestImage rom(Base(), Bytes(128, 0x11));
  Harness h(rom.record, 999998);
  ASSERT_EQ(h.RunUnit().error, 0);
  EXPECT_EQ(h.seq().CompletedCount(), 0);
  ASSERT_EQ(h.RunUnit().error, 0);
  EXPECT_EQ(h.seq().CompletedCount(), 1);
}

// A port chosen during a run is used from the next run on.
TEST(Control, PortChangeTakesEffectNextRun) {
  const TestImage rom(Base(), Bytes(128, 0x11));
  Harness h(rom.record);
  testsupport::ScriptedSerial other(kCom + 1);
  Transceiver otherRadio(other, Profile().variant);
  ASSERT_TRUE(h.RunTo(StateNo("Boot_Check_Loop")));
  h.seq().SetPort(kCom + 1);
  h.SetPort(kCom + 1);
  Outcome out{0, 0};
  while (out.error == 0 && h.seq().State() != h.table().ready) out = {h.Tick(), 0};
  ASSERT_EQ(out.error, 0);
  EXPECT_EQ(h.radio.frames().size(), 1u);
  EXPECT_EQ(other.OpenCount(), 0);
  ASSERT_EQ(h.RunUnit().error, 0);
  EXPECT_EQ(other.OpenCount(), 1);
  EXPECT_EQ(otherRadio.frames().size(), 1u);
  EXPECT_EQ(h.dev.OpenCount(), 1);
}

// The built-in ROM image must start above the variant's limit; otherwise
// the process ends after an error box owned by the application window.
TEST(ImageCheckDeathTest, ImplausibleRomImageEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const bool m = Profile().variant == 'M';
  const TestImage failing(m ? 0x7FFF : 0x0FFF, Bytes(16, 0x11));
  const TestImage passing(m ? 0x8000 : 0x1000, Bytes(16, 0x11));
  EXPECT_EXIT(
      {
        SetToolkitApplicationHandle(reinterpret_cast<HWND>(0x1234));
        platform::SetMessageBoxHandler([](HWND owner, const char* text, const char* caption, UINT type) {
          std::fprintf(stderr, "box[%s|%s|%u|%p]\n", caption, text, type, owner);
          return IDOK;
        });
        Harness h(failing.record);
        h.ToReady();
        std::fprintf(stderr, "still running\n");
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGABRT), "box\\[RomCheck\\|Inside RomImage Error\\|16\\|0x1234\\]");

  Harness h(passing.record);
  h.ToReady();
  EXPECT_EQ(h.seq().State(), h.table().ready);
}

}  // namespace
}  // namespace seqtest
