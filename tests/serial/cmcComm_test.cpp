// The serial port and its transmit task over the scripted device, with a
// clock the tests advance.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "comm/cmcComm.h"
#include "comm/cmcTask.h"
#include "platform/hooks.h"
#include "tests/support/ScriptedSerial.h"
#include "toolkit/Timer.h"

namespace {

using testsupport::ScriptedSerial;

const int kPort = 7;

class SerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClockSource([this] { return now; });
  }
  void TearDown() override { platform::SetClockSource(nullptr); }

  // Advances the clock by ms, one millisecond at a time, pumping timers.
  void Run(uint32_t ms) {
    for (uint32_t i = 0; i < ms; ++i) {
      ++now;
      toolkit::PumpTimers();
    }
  }

  static std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return v;
  }

  uint32_t now = 1000;
  ScriptedSerial dev{kPort};
  cmcComm port;
};

TEST_F(SerialTest, OpenAt9600N81AppliesTheListedLineSettingsAndTimeouts) {
  DCB driver;
  std::memset(&driver, 0, sizeof driver);
  driver.DCBlength = sizeof(DCB);
  driver.fDummy2 = 5;
  driver.wReserved = 7;
  driver.wReserved1 = 0x1234;
  driver.fOutxCtsFlow = 1;  // the program's flags replace the driver's
  dev.SetDriverState(driver);

  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortNumber(), kPort);

  ASSERT_EQ(dev.Purges().size(), 1u);
  EXPECT_EQ(dev.Purges()[0].value, 15u);

  ASSERT_EQ(dev.Timeouts().size(), 1u);
  const COMMTIMEOUTS& t = dev.Timeouts()[0];
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 10u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 3000u);

  ASSERT_EQ(dev.States().size(), 1u);
  const DCB& d = dev.States()[0];
  EXPECT_EQ(d.DCBlength, 28u);
  EXPECT_EQ(d.BaudRate, 9600u);
  EXPECT_EQ(d.fBinary, 1u);
  EXPECT_EQ(d.fParity, 0u);
  EXPECT_EQ(d.fOutxCtsFlow, 0u);
  EXPECT_EQ(d.fOutxDsrFlow, 0u);
  EXPECT_EQ(d.fDtrControl, 0u);
  EXPECT_EQ(d.fDsrSensitivity, 0u);
  EXPECT_EQ(d.fTXContinueOnXoff, 1u);
  EXPECT_EQ(d.fOutX, 0u);
  EXPECT_EQ(d.fInX, 0u);
  EXPECT_EQ(d.fErrorChar, 0u);
  EXPECT_EQ(d.fNull, 0u);
  EXPECT_EQ(d.fRtsControl, 1u);
  EXPECT_EQ(d.fAbortOnError, 0u);
  EXPECT_EQ(d.fDummy2, 5u);
  EXPECT_EQ(d.wReserved, 0u);
  EXPECT_EQ(d.wReserved1, 0x1234u);
  EXPECT_EQ(d.XonLim, 16000u);
  EXPECT_EQ(d.XoffLim, 24000u);
  EXPECT_EQ(d.ByteSize, 8u);
  EXPECT_EQ(d.Parity, 0u);
  EXPECT_EQ(d.StopBits, 0u);
  EXPECT_EQ(static_cast<uint8_t>(d.XonChar), 0x11u);
  EXPECT_EQ(static_cast<uint8_t>(d.XoffChar), 0x13u);
  EXPECT_EQ(static_cast<uint8_t>(d.ErrorChar), 0x3Fu);
  EXPECT_EQ(static_cast<uint8_t>(d.EofChar), 0xFDu);
  EXPECT_EQ(static_cast<uint8_t>(d.EvtChar), 0xFEu);

  EXPECT_FALSE(dev.Dtr());
  EXPECT_TRUE(dev.Rts());
}

struct SettingsCase {
  const char* text;
  uint32_t rate;
  uint8_t byteSize;
  uint8_t stopBits;
  uint8_t parity;
  uint32_t fParity;
  uint32_t writeMultiplier;
};

TEST_F(SerialTest, SettingsTextIsParsedIntoTheDcb) {
  const SettingsCase cases[] = {
      {"38400,N,7,2", 38400, 7, TWOSTOPBITS, NOPARITY, 0, 2},
      {"4800,n,5,1.5", 4800, 5, ONE5STOPBITS, NOPARITY, 0, 20},
      {"9600,N,9,1", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,3,1", 9600, 4, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,0,1", 9600, 4, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,x,1", 9600, 4, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,6bits,1", 9600, 6, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,8, 2", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,8,2.0", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,8,1.50", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
      {" +19200baud,N,8,1", 19200, 8, ONESTOPBIT, NOPARITY, 0, 5},
      {"100000,N,8,1", 100000, 8, ONESTOPBIT, NOPARITY, 0, 1},
      {"100001,N,8,1", 100001, 8, ONESTOPBIT, NOPARITY, 0, 0},
      {"921600,N,8,1", 921600, 8, ONESTOPBIT, NOPARITY, 0, 0},
      {"9600,O,8,1", 9600, 8, ONESTOPBIT, ODDPARITY, 1, 10},
      {"9600,even,8,1", 9600, 8, ONESTOPBIT, EVENPARITY, 1, 10},
      {"9600,m,8,1", 9600, 8, ONESTOPBIT, MARKPARITY, 1, 10},
      {"9600,S,8,1", 9600, 8, ONESTOPBIT, SPACEPARITY, 1, 10},
      {"9600,x,8,1", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,,8,1", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
      {"9600,N,8,1,extra", 9600, 8, ONESTOPBIT, NOPARITY, 0, 10},
  };
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.text);
    dev.ClearRecords();
    ASSERT_TRUE(port.Open(kPort, c.text));
    ASSERT_EQ(dev.States().size(), 1u);
    const DCB& d = dev.States()[0];
    EXPECT_EQ(d.BaudRate, c.rate);
    EXPECT_EQ(d.ByteSize, c.byteSize);
    EXPECT_EQ(d.StopBits, c.stopBits);
    EXPECT_EQ(d.Parity, c.parity);
    EXPECT_EQ(d.fParity, c.fParity);
    EXPECT_EQ(d.fBinary, 1u);
    ASSERT_EQ(dev.Timeouts().size(), 1u);
    EXPECT_EQ(dev.Timeouts()[0].WriteTotalTimeoutMultiplier, c.writeMultiplier);
    EXPECT_EQ(dev.Timeouts()[0].WriteTotalTimeoutConstant, 3000u);
    port.Close();
  }
}

TEST_F(SerialTest, TextsWithoutFourFieldsOrWithoutARateOpenNothing) {
  const char* texts[] = {"9600,N,8", "", "9600", "0,N,8,1", "abc,N,8,1", "-9600,N,8,1", nullptr};
  for (const char* text : texts) {
    SCOPED_TRACE(text ? text : "(null)");
    EXPECT_FALSE(port.Open(kPort, text));
    EXPECT_FALSE(port.IsOpen());
  }
  EXPECT_EQ(dev.OpenCount(), 0);
  EXPECT_FALSE(dev.IsOpen());
}

TEST_F(SerialTest, LineModesUseTheLowTwoBitsAndReapplyTheWholeRecord) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  ASSERT_TRUE(port.SetRts(5));
  EXPECT_EQ(dev.States().back().fRtsControl, 1u);
  ASSERT_TRUE(port.SetDtr(6));
  EXPECT_EQ(dev.States().back().fDtrControl, 2u);
  EXPECT_EQ(dev.States().back().fRtsControl, 1u);
  ASSERT_TRUE(port.SetRts(RTS_CONTROL_DISABLE));
  ASSERT_TRUE(port.SetDtr(DTR_CONTROL_DISABLE));
  EXPECT_FALSE(dev.Rts());
  EXPECT_FALSE(dev.Dtr());
  ASSERT_TRUE(port.SetBaudRate(38400));
  EXPECT_EQ(dev.States().back().BaudRate, 38400u);
  EXPECT_EQ(dev.Timeouts().back().WriteTotalTimeoutMultiplier, 2u);
  // Every change wrote timeouts and the full record again.
  EXPECT_EQ(dev.States().size(), 6u);
  EXPECT_EQ(dev.Timeouts().size(), 6u);
  for (const DCB& d : dev.States()) {
    EXPECT_EQ(d.XonLim, 16000u);
    EXPECT_EQ(d.ByteSize, 8u);
  }
}

TEST_F(SerialTest, LineModesSetOnAClosedPortTakeEffectAtTheNextOpen) {
  EXPECT_FALSE(port.SetDtr(0));
  EXPECT_FALSE(port.SetRts(0));
  EXPECT_FALSE(port.SetBaudRate(38400));
  EXPECT_TRUE(dev.States().empty());

  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  ASSERT_EQ(dev.States().size(), 1u);
  EXPECT_EQ(dev.States()[0].fDtrControl, 0u);
  EXPECT_EQ(dev.States()[0].fRtsControl, 0u);
  EXPECT_EQ(dev.States()[0].BaudRate, 9600u);  // the text's rate replaces the stored one
  // The lines were never raised.
  EXPECT_TRUE(dev.LineChanges().empty());

  // The modes also survive a close.
  port.Close();
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_EQ(dev.States().back().fRtsControl, 0u);
}

TEST_F(SerialTest, OpenOnAnOpenPortKeepsTheOldHandleAndSettings) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_FALSE(port.Open(kPort + 1, "38400,E,7,2"));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortNumber(), kPort);
  EXPECT_EQ(port.BaudRate(), 9600u);
  EXPECT_EQ(port.ByteSize(), 8u);
  EXPECT_EQ(dev.OpenCount(), 1);
  const uint8_t b[] = {1, 2, 3};
  port.Send(b, 3);
  EXPECT_EQ(dev.Written(), std::vector<uint8_t>({1, 2, 3}));
}

TEST_F(SerialTest, FailedOpenKeepsTheParsedSettingsAndLeavesNothingOpen) {
  dev.Fail(ScriptedSerial::Call::Open);
  EXPECT_FALSE(port.Open(kPort, "38400,N,7,2"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.BaudRate(), 38400u);
  EXPECT_EQ(port.ByteSize(), 7u);
  EXPECT_EQ(port.StopBits(), TWOSTOPBITS);

  // A call failing after the device was opened closes it again.
  const ScriptedSerial::Call after[] = {ScriptedSerial::Call::Setup, ScriptedSerial::Call::Purge,
                                        ScriptedSerial::Call::SetTimeouts, ScriptedSerial::Call::GetState,
                                        ScriptedSerial::Call::SetState};
  for (ScriptedSerial::Call c : after) {
    SCOPED_TRACE(static_cast<int>(c));
    dev.Fail(c);
    EXPECT_FALSE(port.Open(kPort, "9600,N,8,1"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(dev.IsOpen());
  }
  // ... and the port opens normally afterwards.
  EXPECT_TRUE(port.Open(kPort, "9600,N,8,1"));
}

TEST_F(SerialTest, RefusedSettingsLeaveThePortOpen) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  dev.Fail(ScriptedSerial::Call::SetState);
  EXPECT_FALSE(port.SetBaudRate(38400));
  EXPECT_TRUE(port.IsOpen());
  // A rate of 0 is refused before it reaches the driver or a division.
  size_t before = dev.States().size();
  EXPECT_FALSE(port.SetBaudRate(0));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(dev.States().size(), before);
  EXPECT_TRUE(port.SetBaudRate(38400));
}

TEST_F(SerialTest, ReceiveTakesAtMostWhatIsBuffered) {
  uint8_t buffer[100];
  EXPECT_EQ(port.Receive(buffer, 100), 0u);
  EXPECT_EQ(port.RxCount(), 0u);
  EXPECT_EQ(port.TxRoom(), 0u);
  EXPECT_EQ(port.TxPending(), 0u);

  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  dev.Feed({0x55, 0x00, 0xAA});
  EXPECT_EQ(port.RxCount(), 3u);
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_EQ(port.Receive(buffer, 100), 3u);
  EXPECT_EQ(buffer[0], 0x55);
  EXPECT_EQ(buffer[1], 0x00);
  EXPECT_EQ(buffer[2], 0xAA);
  EXPECT_EQ(buffer[3], 0xEE);
  EXPECT_EQ(port.Receive(buffer, 100), 0u);

  dev.Feed({1, 2});
  dev.Fail(ScriptedSerial::Call::ClearError);
  EXPECT_EQ(port.RxCount(), 0u);
  dev.Fail(ScriptedSerial::Call::Read);
  EXPECT_EQ(port.Receive(buffer, 1), 0u);
  EXPECT_EQ(port.TxRoom(), 1024u);
}

TEST_F(SerialTest, ShortSendGoesOutAtOnceAndLeavesTheTaskStopped) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  std::vector<uint8_t> data = Pattern(300);
  EXPECT_EQ(port.Send(data.data(), 300), 0);
  ASSERT_EQ(dev.Writes().size(), 1u);
  EXPECT_EQ(dev.Writes()[0].bytes, data);
  EXPECT_EQ(dev.Writes()[0].time, 1000u);
  EXPECT_EQ(port.TxPending(), 0u);
  EXPECT_EQ(port.TxRoom(), 1024u);
  Run(100);
  EXPECT_EQ(dev.Writes().size(), 1u);
}

TEST_F(SerialTest, LongSendGoesOutIn1024ByteWritesEvery10Ms) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  std::vector<uint8_t> data = Pattern(3000);
  port.Send(data.data(), 3000);
  ASSERT_EQ(dev.Writes().size(), 1u);
  EXPECT_EQ(dev.Writes()[0].bytes.size(), 1024u);
  EXPECT_EQ(port.TxPending(), 1976u);
  // Callers compare the room unsigned: more pending than the limit wraps.
  EXPECT_EQ(port.TxRoom(), static_cast<uint32_t>(1024 - 1976));

  Run(9);
  EXPECT_EQ(dev.Writes().size(), 1u);
  Run(1);
  ASSERT_EQ(dev.Writes().size(), 2u);
  EXPECT_EQ(dev.Writes()[1].bytes.size(), 1024u);
  EXPECT_EQ(dev.Writes()[1].time, 1010u);
  EXPECT_EQ(port.TxPending(), 952u);
  Run(10);
  ASSERT_EQ(dev.Writes().size(), 3u);
  EXPECT_EQ(dev.Writes()[2].bytes.size(), 952u);
  EXPECT_EQ(dev.Writes()[2].time, 1020u);
  EXPECT_EQ(port.TxPending(), 0u);
  Run(100);
  EXPECT_EQ(dev.Writes().size(), 3u);
  EXPECT_EQ(dev.Written(), data);
  EXPECT_FALSE(port.WriteFailed());
}

TEST_F(SerialTest, TickWithTheDriverBusyWritesNothingAndAsksAgain) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  dev.HoldOutput(true);
  std::vector<uint8_t> data = Pattern(2000);
  port.Send(data.data(), 2000);
  ASSERT_EQ(dev.Writes().size(), 1u);
  EXPECT_EQ(port.DriverTxCount(), 1024u);
  EXPECT_EQ(port.TxPending(), 2000u);
  Run(50);
  EXPECT_EQ(dev.Writes().size(), 1u);
  // A Send while the driver is busy only queues.
  port.Send(data.data(), 10);
  EXPECT_EQ(dev.Writes().size(), 1u);
  EXPECT_EQ(port.TxPending(), 2010u);

  dev.ReleaseOutput();
  Run(10);
  ASSERT_EQ(dev.Writes().size(), 2u);
  EXPECT_EQ(dev.Writes()[1].bytes.size(), 986u);
  EXPECT_EQ(dev.Writes()[1].time, 1060u);
  dev.ReleaseOutput();
  Run(100);
  EXPECT_EQ(dev.Writes().size(), 2u);
}

TEST_F(SerialTest, ShortWriteSetsWriteFailedAndKeepsTheQueue) {
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  std::vector<uint8_t> data = Pattern(3000);
  dev.AcceptOnly(500);
  port.Send(data.data(), 3000);
  EXPECT_TRUE(port.WriteFailed());
  EXPECT_EQ(port.TxPending(), 3000u);
  Run(100);
  EXPECT_EQ(dev.Writes().size(), 1u);  // stopped, nothing retried

  // A further Send pushes again from the head of the queue.
  port.Send(data.data(), 4);
  ASSERT_EQ(dev.Writes().size(), 2u);
  EXPECT_EQ(dev.Writes()[1].bytes, std::vector<uint8_t>(data.begin(), data.begin() + 1024));
  EXPECT_TRUE(port.WriteFailed());

  port.Close();
  EXPECT_FALSE(port.WriteFailed());
  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_EQ(port.TxPending(), 0u);
}

TEST_F(SerialTest, FailedWriteAndClosedPortSendNothing) {
  const uint8_t b[] = {9, 9};
  EXPECT_EQ(port.Send(b, 2), 0);
  EXPECT_EQ(port.TxPending(), 0u);
  EXPECT_TRUE(dev.Writes().empty());

  ASSERT_TRUE(port.Open(kPort, "9600,N,8,1"));
  EXPECT_EQ(port.TxPending(), 0u);  // nothing was kept from the closed port
  dev.Fail(ScriptedSerial::Call::Write);
  port.Send(b, 2);
  EXPECT_TRUE(port.WriteFailed());
  port.Close();
  port.Close();  // harmless
  EXPECT_FALSE(port.WriteFailed());
  EXPECT_FALSE(dev.IsOpen());
}

TEST_F(SerialTest, ClosingStopsAPendingPushAndDestructionClosesThePort) {
  {
    cmcComm local;
    ASSERT_TRUE(local.Open(kPort, "9600,N,8,1"));
    std::vector<uint8_t> data = Pattern(3000);
    local.Send(data.data(), 3000);
    local.Close();
    Run(50);
    EXPECT_EQ(dev.Writes().size(), 1u);
    ASSERT_TRUE(local.Open(kPort, "9600,N,8,1"));
    EXPECT_TRUE(dev.IsOpen());
  }
  EXPECT_FALSE(dev.IsOpen());
  Run(50);  // no timer of the destroyed port fires
  EXPECT_EQ(dev.Writes().size(), 1u);
}

TEST(SplitField, FieldsBetweenDelimiters) {
  struct Case {
    const char* text;
    int32_t index;
    const char* field;  // null: no such field
  };
  const Case cases[] = {
      {"9600,N,8,1", 0, "9600"}, {"9600,N,8,1", 3, "1"},  {"9600,N,8,1", 4, nullptr},
      {"a,,b", 1, ""},           {"a,,b", 2, "b"},        {"", 0, ""},
      {"", 1, nullptr},          {"x, 2 ", 1, " 2 "},     {"a,", 1, ""},
      {nullptr, 0, nullptr},     {"a,b", -1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text ? c.text : "(null)") + " #" + std::to_string(c.index));
    char* f = cmcComm::SplitField(c.text, ',', c.index);
    if (c.field == nullptr) {
      EXPECT_EQ(f, nullptr);
    } else {
      ASSERT_NE(f, nullptr);
      EXPECT_STREQ(f, c.field);
    }
    delete[] f;
  }
}

TEST(SplitField, TrailByteOfADoubleByteCharacterNeverSplits) {
  platform::SetCodePage(932);
  // 0x82 0x2C is one double-byte character whose trail byte is ','.
  char* a = cmcComm::SplitField("\x82,x,y", ',', 0);
  char* b = cmcComm::SplitField("\x82,x,y", ',', 1);
  char* c = cmcComm::SplitField("ab\x82", ',', 0);  // a lead byte at the very end
  char* d = cmcComm::SplitField("ab\x82", ',', 1);
  platform::SetCodePage(0);
  char* e = cmcComm::SplitField("\x82,x,y", ',', 0);
  EXPECT_STREQ(a, "\x82,x");
  EXPECT_STREQ(b, "y");
  EXPECT_STREQ(c, "ab\x82");
  EXPECT_EQ(d, nullptr);
  EXPECT_STREQ(e, "\x82");
  delete[] a;
  delete[] b;
  delete[] c;
  delete[] e;
}

class TaskTest : public SerialTest {};

TEST_F(TaskTest, TickWhileTheHandlerRunsIsDropped) {
  cmcTask task;
  int calls = 0;
  int nested = 0;
  task.Bind([&](cmcTask* t) {
    ++calls;
    EXPECT_TRUE(t->Busy());
    // The handler lets the timers run; its own tick must not re-enter it.
    for (int i = 0; i < 5; ++i) {
      ++now;
      toolkit::PumpTimers();
    }
    nested = calls;
  });
  task.Schedule(1);
  Run(1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(nested, 1);
  EXPECT_FALSE(task.Busy());
  Run(1);
  EXPECT_EQ(calls, 2);
}

TEST_F(TaskTest, ScheduleStartsStopsAndKeepsTheCadence) {
  cmcTask task;
  std::vector<uint32_t> ticks;
  Run(2000);  // created stopped
  task.Bind([&](cmcTask*) { ticks.push_back(now); });
  Run(2000);
  EXPECT_TRUE(ticks.empty());

  task.Schedule(10);  // at 5000
  Run(5);
  task.Schedule(10);  // same interval: the cadence goes on
  Run(5);
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0], 5010u);

  task.Schedule(-1);
  Run(50);
  EXPECT_EQ(ticks.size(), 1u);
  task.Schedule(10);  // a stopped task starts a fresh interval
  Run(10);
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_EQ(ticks[1], 5070u);

  task.Schedule(0);  // every millisecond
  EXPECT_EQ(task.Interval(), 1u);
  Run(3);
  EXPECT_EQ(ticks.size(), 5u);
}

TEST_F(TaskTest, UnboundTaskTicksHarmlessly) {
  cmcTask task;
  task.Schedule(1);
  Run(5);
  EXPECT_FALSE(task.Busy());
}

}  // namespace
