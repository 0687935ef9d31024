// Whole runs: the main path of every state with the conversation it puts on
// the line, and every error code from the state that raises it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "image/BuiltinImages.h"
#include "tests/support/Harness.h"

namespace seqtest {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Plain(const BuiltinImage& image) {
  Bytes b(image.bytes, image.bytes + (image.last - image.first + 1));
  Descramble(b.data(), static_cast<int32_t>(b.size()));
  return b;
}

Bytes Escaped(std::initializer_list<uint8_t> fields) {
  Bytes out;
  for (uint8_t b : fields) {
    if (b >= 0xFA) {
      out.push_back(0xFF);
      out.push_back(b & 0x0F);
    } else {
      out.push_back(b);
    }
  }
  return out;
}

Bytes SumFrame(uint8_t kind, uint16_t sum) {
  Bytes f = {0xFE, 0xFE, kind};
  Bytes s = Escaped({static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum & 0xFF)});
  f.insert(f.end(), s.begin(), s.end());
  f.push_back(0xFD);
  return f;
}

std::vector<int32_t> Names(std::initializer_list<const char*> names) {
  std::vector<int32_t> v;
  for (const char* n : names) v.push_back(StateNo(n));
  return v;
}

// The states one run passes through, after the Start step.
std::vector<int32_t> MainPath(bool m) {
  if (!m) {
    return Names({"CommOpen", "CommOpen_Ok", "Boot_Check_Setup", "Boot_BaudChange_Cmd", "Boot_BaudChange",
                  "Boot_FirmUp_Cmd", "Boot_StartDigital_Cmd", "Boot_Check_Loop", "BitRate_00_First",
                  "BitRate_00_Next", "Bitrate_Send55", "Bitrate_WaitAA", "FlachChk_Setup", "FlachChk",
                  "Firm_SendAdr", "Firm_ReplyAdr_U", "Firm_ReplyAdr_L", "Firm_SendData", "Firm_WaitAA",
                  "RomW_Setup", "RomW_Setup_Wait", "RomW_ChkRig", "RomW_ChkRev", "RomW_Data", "RomW_Sum",
                  "RomW_WrtRev", "RomW_WrtMat", "Wake_Reset_Req", "Completed", "Ready"});
  }
  return Names({"CommOpen", "Boot_Reset_On", "Boot_Mode_ON", "Boot_Reset_Off", "Boot_Check_Setup",
                "Boot_Baud_Cmd", "Boot_BaudChange", "Boot_FirmUp_Cmd", "Boot_Check_Loop", "Boot_Start_Cmd",
                "BitRate_00_First", "BitRate_00_Next", "Bitrate_Send55", "Bitrate_WaitAA", "FlachChk_Setup",
                "FlachChk", "Firm_SendAdr", "Firm_WaitAA", "RomW_Setup", "RomW_Setup_Wait", "RomW_ChkRig",
                "RomW_Data", "RomW_Sum", "Wake_Reset_Req", "Wake_Reset_On", "Wake_Mode_Off", "Wake_Reset_Off",
                "Completed", "Ready"});
}

TEST(StateTable, NumberingOfTheVariant) {
  const SeqTable& t = ProfileSeqTable();
  const bool m = Profile().variant == 'M';
  EXPECT_EQ(t.count, m ? 40 : 44);
  EXPECT_EQ(StateNo("Standby"), m ? 3 : 2);
  EXPECT_EQ(StateNo("Ready"), m ? 7 : 6);
  EXPECT_EQ(StateNo("Start"), m ? 8 : 7);
  EXPECT_EQ(StateNo("Completed"), m ? 39 : 42);
  EXPECT_EQ(StateNo("WaitEcho"), m ? 0 : 43);
  EXPECT_EQ(StateNo("RomW_Data"), m ? 33 : 34);
  EXPECT_EQ(StateNo("Wake_Reset_Req"), m ? 35 : 38);
  EXPECT_EQ(t.standby, StateNo("Standby"));
  EXPECT_EQ(t.ready, StateNo("Ready"));
  EXPECT_EQ(t.start, StateNo("Start"));
}

// One full write of the built-in images, on a plain and on an echoing cable.
class FullRun : public ::testing::TestWithParam<bool> {};

TEST_P(FullRun, WritesTheBuiltInImagesByteForByte) {
  const bool echo = GetParam();
  Harness h;
  const bool m = h.M();
  h.radio.SetEcho(echo);
  if (echo) {
    // The first run of variant M passes the boot pulse over (echo mode not
    // yet known); run once so that the echo mode is the cable's.
    ASSERT_EQ(h.RunUnit().error, 0);
  }
  h.ToReady();
  h.dev.ClearRecords();
  const Outcome out = h.RunUnit();
  ASSERT_EQ(out.error, 0) << "raised in state " << out.raisedIn;
  EXPECT_EQ(h.visited(), MainPath(m));
  EXPECT_EQ(h.seq().EchoMode(), echo ? 1 : 0);
  EXPECT_EQ(h.seq().CompletedCount(), echo ? 2 : 1);

  // Link set-up: the commands byte for byte, at their bit rates.
  const Transceiver& r = h.radio;
  ASSERT_EQ(r.commands().size(), m ? 6u : 3u);
  EXPECT_EQ(r.commands()[0], Bytes({0xFE, 0xFE, 0xFE, 0xFE}));
  EXPECT_EQ(r.commands()[1], Bytes({0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x00, 0x00, 0x00, 0x00, 0x01, 0x30, 0x39, 0xFD}));
  const std::vector<uint16_t> codes = m ? std::vector<uint16_t>{0x7514, 0x7515, 0x7741, 0x7962}
                                        : std::vector<uint16_t>{0x7514};
  for (size_t i = 0; i < codes.size(); ++i) {
    EXPECT_EQ(r.commands()[2 + i], Bytes({0xFE, 0xFE, 0xEE, 0xEF, 0xE8, static_cast<uint8_t>(codes[i] >> 8),
                                          static_cast<uint8_t>(codes[i] & 0xFF), 0x00, 0x00, 0xF0, 0x30,
                                          static_cast<uint8_t>(m ? 0x31 : 0x30), 0xFD}));
  }
  EXPECT_EQ(r.RateAt(Phase::Probe), 9600u);
  EXPECT_EQ(r.RateAt(Phase::BaudCmd), 9600u);
  EXPECT_EQ(r.RateAt(Phase::FirmUp), 38400u);
  EXPECT_EQ(r.RateAt(Phase::Wake), 38400u);
  EXPECT_EQ(r.RateAt(Phase::Rom), 38400u);
  EXPECT_EQ(r.wakes(), 1);
  EXPECT_EQ(r.syncs(), 1);
  EXPECT_EQ(r.queries(), Bytes({'D', 'C', 'B', 'A'}));

  // Flash-writer upload (K): the length, then every byte once, in order.
  if (!m) {
    const Bytes writer = Plain(*ProfileFlashWriterImage());
    EXPECT_EQ(r.lengthBytes(), Bytes({0x09, 0x7E}));
    EXPECT_EQ(r.writer(), writer);
  }

  // ROM write: every non-blank block in rising order, from the built-in
  // image as stored in the profile.
  const BuiltinImage& rom = ProfileRomImage();
  const Bytes plain = Plain(rom);
  std::vector<std::pair<int32_t, Bytes>> expected;
  for (int32_t a = rom.first - rom.first % 128; a <= rom.last; a += 128) {
    Bytes block(128, 0xFF);
    for (int32_t i = 0; i < 128; ++i) {
      if (a + i >= rom.first && a + i <= rom.last) block[i] = plain[a + i - rom.first];
    }
    bool blank = true;
    for (uint8_t b : block) blank = blank && b == 0xFF;
    if (!blank) expected.push_back({a, block});
  }
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(r.frames().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(r.frames()[i].address, expected[i].first) << "frame " << i;
    ASSERT_EQ(r.frames()[i].data, expected[i].second) << "frame " << i;
  }

  // The sum of the whole image window, 255 where the image holds nothing.
  const uint32_t window = m ? 0x40000 : 0x80000;
  uint32_t sum = (window - static_cast<uint32_t>(plain.size())) * 255u;
  for (uint8_t b : plain) sum += b;
  EXPECT_EQ(r.sumFrame(), SumFrame(0x01, static_cast<uint16_t>(sum)));
  if (m) {
    EXPECT_EQ(r.finishFrame(), Bytes({0x00}));
    ASSERT_FALSE(r.carriers().empty());
    EXPECT_EQ(r.carriers().front().kind, 0);
    EXPECT_EQ(r.carriers().back().kind, 1);
    for (size_t i = 1; i + 1 < r.carriers().size(); ++i) ASSERT_EQ(r.carriers()[i].kind, 2) << "carrier " << i;
    for (const Carrier& c : r.carriers()) ASSERT_LE(c.payload.size(), 220u);
  } else {
    EXPECT_EQ(r.finishFrame(), SumFrame(0x0F, static_cast<uint16_t>(sum)));
  }
  EXPECT_EQ(h.seq().Progress(), 255);

  // The next step closes the port and rests at Ready.
  EXPECT_EQ(h.Tick(), 0);
  EXPECT_FALSE(h.dev.IsOpen());
  EXPECT_EQ(h.seq().State(), h.table().ready);
  EXPECT_EQ(h.seq().Progress(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cable, FullRun, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Echoing" : "Plain"; });

// The modem lines: variant K keeps DTR and RTS off; variant M pulses them
// into boot mode and out again, or, on an echoing cable, only raises them
// in Boot_Check_Setup until the port closes.
TEST(Lines, FollowTheVariantsBootEntry) {
  for (bool echo : {false, true}) {
    SCOPED_TRACE(echo ? "echoing cable" : "plain cable");
    Harness h;
    h.radio.SetEcho(echo);
    ASSERT_EQ(h.RunUnit().error, 0);  // learns the cable's echo mode
    h.Tick();
    h.dev.ClearRecords();
    ASSERT_EQ(h.RunUnit().error, 0);
    h.Tick();
    std::vector<std::pair<bool, bool>> changes;
    for (const auto& l : h.dev.LineChanges()) changes.push_back({l.dtr, l.rts});
    using P = std::pair<bool, bool>;  // DTR, RTS
    if (!h.M()) {
      EXPECT_TRUE(changes.empty());
      EXPECT_FALSE(h.dev.Dtr());
      EXPECT_FALSE(h.dev.Rts());
    } else if (!echo) {
      EXPECT_EQ(changes, (std::vector<P>{{false, true}, {true, true}, {true, false}, {true, true},
                                         {false, true}, {false, false}}));
    } else {
      EXPECT_EQ(changes, (std::vector<P>{{true, false}, {true, true}, {false, true}, {false, false}}));
    }
  }
}

// A small ROM image keeps the fault runs short: three blocks, one blank.
Bytes SmallRom() {
  Bytes b(384, 0xFF);
  for (int i = 0; i < 128; ++i) b[i] = static_cast<uint8_t>(i * 7);
  for (int i = 256; i < 384; ++i) b[i] = static_cast<uint8_t>(0xF0 + i % 16);
  return b;
}

int32_t SmallRomFirst() { return Profile().variant == 'M' ? 0x10000 : 0x7000; }

struct FaultCase {
  Phase phase;
  Fault fault;
  int32_t error;      // expected error code (0: the run completes)
  const char* state;  // the state that raises it
};

void RunFaultCases(const std::vector<FaultCase>& cases) {
  const TestImage rom(SmallRomFirst(), SmallRom());
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(std::string("state ") + c.state + (c.fault == Fault::Silence ? ", silence" : ", wrong byte"));
    Harness h(rom.record);
    h.radio.SetFault(c.phase, c.fault);
    const Outcome out = h.RunUnit();
    EXPECT_EQ(out.error, c.error);
    if (c.error == 0) continue;
    EXPECT_EQ(out.raisedIn, StateNo(c.state));
    EXPECT_EQ(h.seq().State(), h.table().standby);
    EXPECT_EQ(h.Tick(), 0);
    EXPECT_EQ(h.seq().State(), h.table().ready);
    EXPECT_FALSE(h.dev.IsOpen());
    // The next unit writes cleanly.
    h.radio.ClearFaults();
    EXPECT_EQ(h.RunUnit().error, 0);
    EXPECT_EQ(h.radio.frames().size(), 2u);
  }
}

TEST(Errors, EveryReplyFaultFromTheStateThatRaisesIt) {
  if (Profile().variant == 'K') {
    RunFaultCases({
        {Phase::Wake, Fault::Silence, 4, "Boot_Check_Loop"},
        {Phase::Wake, Fault::Wrong, 4, "Boot_Check_Loop"},
        {Phase::Sync, Fault::Silence, 5, "BitRate_00_Next"},
        {Phase::Sync, Fault::Wrong, 5, "BitRate_00_Next"},
        {Phase::Rate, Fault::Silence, 5, "Bitrate_WaitAA"},
        {Phase::Rate, Fault::Wrong, 5, "Bitrate_WaitAA"},
        {Phase::FlashChk, Fault::Silence, 7, "FlachChk"},
        {Phase::FlashChk, Fault::Wrong, 0, "FlachChk"},  // any answer will do
        {Phase::Length, Fault::Silence, 6, "Firm_ReplyAdr_U"},
        {Phase::Length, Fault::Wrong, 6, "Firm_ReplyAdr_U"},
        {Phase::LengthLow, Fault::Silence, 6, "Firm_ReplyAdr_L"},
        {Phase::LengthLow, Fault::Wrong, 6, "Firm_ReplyAdr_L"},
        {Phase::Writer, Fault::Silence, 6, "Firm_WaitAA"},
        {Phase::Writer, Fault::Wrong, 6, "Firm_WaitAA"},
        {Phase::Rom, Fault::Silence, 8, "RomW_Data"},
        {Phase::Rom, Fault::Wrong, 8, "RomW_Data"},
        {Phase::Sum, Fault::Silence, 8, "RomW_Sum"},
        {Phase::Sum, Fault::Wrong, 8, "RomW_Sum"},
    });
  } else {
    RunFaultCases({
        {Phase::Check, Fault::Silence, 4, "Boot_Check_Loop"},
        {Phase::Check, Fault::Wrong, 4, "Boot_Check_Loop"},
        {Phase::Wake, Fault::Silence, 4, "Boot_Start_Cmd"},
        {Phase::Wake, Fault::Wrong, 4, "Boot_Start_Cmd"},
        {Phase::Sync, Fault::Silence, 5, "BitRate_00_Next"},
        {Phase::Sync, Fault::Wrong, 5, "BitRate_00_Next"},
        {Phase::Rate, Fault::Silence, 5, "Bitrate_WaitAA"},
        {Phase::Rate, Fault::Wrong, 5, "Bitrate_WaitAA"},
        {Phase::FlashChk, Fault::Silence, 7, "FlachChk"},
        {Phase::FlashChk, Fault::Wrong, 0, "FlachChk"},
        {Phase::StartReq, Fault::Silence, 6, "Firm_SendAdr"},
        {Phase::StartReq, Fault::Wrong, 7, "Firm_SendAdr"},
        {Phase::StartAA, Fault::Silence, 6, "Firm_WaitAA"},
        {Phase::StartAA, Fault::Wrong, 6, "Firm_WaitAA"},
        {Phase::Rom, Fault::Silence, 8, "RomW_Data"},
        {Phase::Rom, Fault::Wrong, 8, "RomW_Data"},
        {Phase::Sum, Fault::Silence, 8, "RomW_Sum"},
        {Phase::Sum, Fault::Wrong, 8, "RomW_Sum"},
    });
  }
}

// How long each state waits for its answer before it gives up.
TEST(Errors, TimeoutsRunTheirStepTimers) {
  const TestImage rom(SmallRomFirst(), SmallRom());
  const bool m = Profile().variant == 'M';
  struct Case {
    Phase phase;
    const char* armedIn;  // the state that arms the timer
    bool onLeaving;       // ... in the step that leaves it (else in its first step)
    uint32_t ms;
  };
  const std::vector<Case> cases =
      m ? std::vector<Case>{{Phase::Check, "Boot_Check_Setup", true, 5000},
                            {Phase::Sync, "BitRate_00_First", true, 5000},
                            {Phase::StartReq, "Firm_SendAdr", false, 12000},
                            {Phase::StartAA, "Firm_SendAdr", true, 12000},
                            {Phase::Rom, "RomW_Setup_Wait", true, 5000}}
        : std::vector<Case>{{Phase::Wake, "Boot_Check_Setup", true, 5000},
                            {Phase::Sync, "BitRate_00_First", true, 5000},
                            {Phase::Rate, "Bitrate_Send55", true, 31000},
                            {Phase::FlashChk, "Bitrate_Send55", true, 31000},
                            {Phase::Writer, "Firm_SendData", true, 31000},
                            {Phase::Rom, "RomW_Setup_Wait", true, 5000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.armedIn);
    Harness h(rom.record);
    h.radio.SetFault(c.phase, Fault::Silence);
    ASSERT_TRUE(h.RunTo(StateNo(c.armedIn)));
    if (c.onLeaving) {
      ASSERT_TRUE(h.TickUntil([&] { return h.seq().State() != StateNo(c.armedIn); }));
    } else {
      h.Tick();
    }
    const uint32_t armed = h.clock.Now() - 1;
    uint32_t failedAt = 0;
    for (long i = 0; i < 40000 && failedAt == 0; ++i) {
      if (h.Tick() != 0) failedAt = h.clock.Now() - 1;
    }
    ASSERT_NE(failedAt, 0u);
    // A step with a busy wait moves the clock while it runs: a few ms of slack.
    EXPECT_NEAR(static_cast<double>(failedAt - armed), static_cast<double>(c.ms), 10.0);
  }
}

TEST(Errors, PortThatCannotBeOpened) {
  const TestImage rom(SmallRomFirst(), SmallRom());
  Harness h(rom.record);
  h.dev.Fail(testsupport::ScriptedSerial::Call::Open);
  const Outcome out = h.RunUnit();
  EXPECT_EQ(out.error, 3);
  EXPECT_EQ(out.raisedIn, StateNo("CommOpen"));
  EXPECT_FALSE(h.dev.IsOpen());
  EXPECT_EQ(h.dev.OpenCount(), 0);
  EXPECT_EQ(h.seq().Step(), 0);  // Standby -> Ready (the harness cleared the code)
  // Step keeps answering the code until it is cleared.
  h.dev.Fail(testsupport::ScriptedSerial::Call::Open);
  h.seq().Start();
  EXPECT_EQ(h.seq().Step(), 0);   // Start
  EXPECT_EQ(h.seq().Step(), 3);   // CommOpen fails
  EXPECT_EQ(h.seq().Step(), 3);   // Standby: still reported
  EXPECT_EQ(h.seq().State(), h.table().ready);
  h.seq().ClearError();
  EXPECT_EQ(h.seq().Step(), 0);
}

// Variant M's line-control states fail with their phase's code.
TEST(Errors, LineControlFailures) {
  if (Profile().variant != 'M') GTEST_SKIP() << "variant K drives no lines";
  const TestImage rom(SmallRomFirst(), SmallRom());
  for (const char* name : {"Boot_Reset_On", "Boot_Mode_ON", "Boot_Reset_Off", "Wake_Reset_On", "Wake_Mode_Off",
                           "Wake_Reset_Off"}) {
    SCOPED_TRACE(name);
    Harness h(rom.record);
    ASSERT_EQ(h.RunUnit().error, 0);  // echo mode 0 from now on: the line states run
    ASSERT_TRUE(h.RunTo(StateNo(name)));
    h.dev.Fail(testsupport::ScriptedSerial::Call::SetState);
    const int32_t before = h.seq().State();
    const int32_t e = h.Tick();
    EXPECT_EQ(e, StateNo(name) < 20 ? 4 : 9);
    EXPECT_EQ(before, StateNo(name));
    EXPECT_EQ(h.seq().State(), h.table().standby);
    h.Tick();
    EXPECT_FALSE(h.dev.IsOpen());
  }
}

}  // namespace
}  // namespace seqtest
