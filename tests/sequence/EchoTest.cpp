// Echoing cables: detection, the read-back of every sent byte before any
// handler runs, and the time limits of the echo wait.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/Harness.h"

namespace seqtest {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes SmallRom() {
  Bytes b(256, 0x11);
  return b;
}

int32_t RomFirst() { return Profile().variant == 'M' ? 0x10000 : 0x7000; }

int32_t Unknown() { return Profile().variant == 'M' ? 11 : 13; }

TEST(EchoDetection, FourProbeBytesBackAndNothingElse) {
  const TestImage rom(RomFirst(), SmallRom());
  struct Case {
    const char* name;
    Bytes reply;  // what comes back after the probe
    int32_t mode;
  };
  const std::vector<Case> cases = {
      {"four FE", {0xFE, 0xFE, 0xFE, 0xFE}, 1},
      {"three FE", {0xFE, 0xFE, 0xFE}, 0},
      {"FE mixed with another byte", {0xFE, 0x00, 0xFE, 0xFE}, 0},
      {"another byte first", {0x55, 0xFE, 0xFE, 0xFE, 0xFE}, 0},
      {"nothing", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(rom.record);
    EXPECT_EQ(h.seq().EchoMode(), 2);
    bool probed = false;
    h.dev.OnWrite([&](const Bytes& bytes) {
      if (!probed && bytes == Bytes({0xFE, 0xFE, 0xFE, 0xFE})) {
        probed = true;
        h.dev.Feed(c.reply);
      }
    });
    ASSERT_TRUE(h.RunTo(StateNo(h.M() ? "Boot_Baud_Cmd" : "Boot_BaudChange_Cmd")));
    EXPECT_TRUE(probed);
    EXPECT_EQ(h.seq().EchoMode(), c.mode);
  }
}

TEST(EchoDetection, ByteAfterTheFourthProbeByteStaysInTheInput) {
  const TestImage rom(RomFirst(), SmallRom());
  Harness h(rom.record);
  h.dev.OnWrite([&](const Bytes& bytes) {
    if (bytes == Bytes({0xFE, 0xFE, 0xFE, 0xFE})) h.dev.Feed({0xFE, 0xFE, 0xFE, 0xFE, 0x42});
  });
  ASSERT_TRUE(h.RunTo(StateNo(h.M() ? "Boot_Baud_Cmd" : "Boot_BaudChange_Cmd")));
  EXPECT_EQ(h.seq().EchoMode(), 1);
  EXPECT_EQ(h.dev.InputPending(), 1u);
}

// A sent byte that comes back changed fails the run before any reply is
// examined: the transceiver's answer is still unread.
TEST(EchoMismatch, FailsBeforeTheReplyIsRead) {
  const TestImage rom(RomFirst(), SmallRom());
  struct Case {
    Phase phase;
    const char* raisedIn;
    uint32_t unread;  // answer bytes left in the input
  };
  const bool m = Profile().variant == 'M';
  const std::vector<Case> cases = {
      {Phase::BaudCmd, "Boot_BaudChange", 0},
      {Phase::Wake, m ? "Boot_Start_Cmd" : "Boot_Check_Loop", 1},
      {Phase::Rate, "Bitrate_WaitAA", 1},
      {Phase::Rom, "RomW_Data", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raisedIn);
    Harness h(rom.record);
    h.radio.SetEcho(true);
    h.radio.CorruptEchoAt(c.phase);
    const Outcome out = h.RunUnit();
    EXPECT_EQ(out.error, Unknown());
    EXPECT_EQ(out.raisedIn, StateNo(c.raisedIn));
    EXPECT_EQ(h.dev.InputPending(), c.unread);
    EXPECT_EQ(h.seq().State(), h.table().standby);
    h.Tick();
    EXPECT_FALSE(h.dev.IsOpen());
  }
}

// Before the boot loader is reached a missing echo is waited for without a
// limit, and no handler runs meanwhile.
TEST(EchoWait, UnlimitedBeforeTheBootLoaderAnswers) {
  const TestImage rom(RomFirst(), SmallRom());
  Harness h(rom.record);
  h.radio.SetEcho(true);
  h.radio.DropEchoAt(Phase::BaudCmd);
  ASSERT_TRUE(h.RunTo(StateNo("Boot_BaudChange")));
  const size_t writes = h.dev.Writes().size();
  for (int i = 0; i < 60000; ++i) ASSERT_EQ(h.Tick(), 0);
  EXPECT_EQ(h.seq().State(), StateNo("Boot_BaudChange"));
  EXPECT_EQ(h.dev.Writes().size(), writes);
  EXPECT_EQ(h.dev.States().back().BaudRate, 9600u);  // the handler has not run
  // The echo arrives late: the handler runs at once. The link's 5000 ms from
  // Boot_Check_Setup are long gone, so the boot loader's wait then fails.
  h.dev.Feed({0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x00, 0x00, 0x00, 0x00, 0x01, 0x30, 0x39, 0xFD});
  EXPECT_EQ(h.Tick(), 0);
  EXPECT_EQ(h.dev.States().back().BaudRate, 38400u);
  Outcome out{0, 0};
  for (long i = 0; i < 100 && out.error == 0; ++i) {
    const int32_t before = h.seq().State();
    out = {h.Tick(), before};
  }
  EXPECT_EQ(out.error, 4);
  EXPECT_EQ(out.raisedIn, StateNo("Boot_Check_Loop"));
}

// Variant M sends its four firmware-upload commands one per step, each only
// once the previous one has come back, without a time limit.
TEST(EchoWait, FirmwareUploadCommandsWaitForTheirEchoes) {
  if (Profile().variant != 'M') GTEST_SKIP() << "variant K sends one command";
  const TestImage rom(RomFirst(), SmallRom());
  Harness h(rom.record);
  h.radio.SetEcho(true);
  h.radio.DropEchoAt(Phase::FirmUp);
  ASSERT_TRUE(h.RunTo(StateNo("Boot_FirmUp_Cmd")));
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(h.Tick(), 0);
  EXPECT_EQ(h.seq().State(), StateNo("Boot_FirmUp_Cmd"));
  EXPECT_EQ(h.radio.commands().size(), 3u);  // probe, baud change, first upload command
}

// From the boot loader's answer on, a missing echo ends the run when the
// step timer runs out; meanwhile the state's handler does not run (no
// second wake string goes out).
TEST(EchoWait, LimitedFromTheBootLoaderOn) {
  const TestImage rom(RomFirst(), SmallRom());
  Harness h(rom.record);
  const bool m = h.M();
  h.radio.SetEcho(true);
  h.radio.DropEchoAt(m ? Phase::Check : Phase::Wake);
  ASSERT_TRUE(h.RunTo(StateNo("Boot_Check_Setup")));
  h.Tick();
  const uint32_t armed = h.clock.Now() - 1;
  Outcome out{0, 0};
  for (long i = 0; i < 20000 && out.error == 0; ++i) {
    const int32_t before = h.seq().State();
    out = {h.Tick(), before};
  }
  EXPECT_EQ(out.error, Unknown());
  EXPECT_EQ(out.raisedIn, StateNo("Boot_Check_Loop"));
  // (the busy waits of Boot_Check_Setup move the clock within its step: some slack)
  EXPECT_NEAR(static_cast<double>(h.clock.Now() - 1 - armed), 5000.0, 10.0);
  EXPECT_EQ(h.radio.wakes(), m ? 0 : 1);
  if (m) {
    EXPECT_EQ(h.radio.carriers().size(), 1u);
  }
}

// A write that the port takes only in part fails the step that made it.
TEST(WriteFailed, EndsTheStepWithTheUnknownError) {
  const TestImage rom(RomFirst(), SmallRom());
  for (const char* name : {"Bitrate_Send55", "RomW_Data"}) {
    SCOPED_TRACE(name);
    Harness h(rom.record);
    ASSERT_TRUE(h.RunTo(StateNo(name)));
    h.dev.AcceptOnly(0);
    const size_t frames = h.radio.frames().size();
    const Outcome out{h.Tick(), StateNo(name)};
    EXPECT_EQ(out.error, Unknown());
    EXPECT_EQ(h.seq().State(), h.table().standby);
    EXPECT_EQ(h.radio.frames().size(), frames);  // the block loop stopped at once
    h.Tick();
    EXPECT_FALSE(h.dev.IsOpen());
    EXPECT_EQ(h.RunUnit().error, 0);
  }
}

}  // namespace
}  // namespace seqtest
