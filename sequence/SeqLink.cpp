// Link set-up: open the port, find out whether the line echoes, change the
// boot loader to 38400 bit/s, announce the upload, wake the boot loader and
// agree the bit rate.
#include "sequence/clsMainSeq.h"

namespace {
const unsigned char kBaudChangeCmd[13] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x00, 0x00,
                                          0x00, 0x00, 0x01, 0x30, 0x39, 0xFD};
const unsigned char kWakeString[4] = {'V', 'E', 'L', 'K'};
constexpr DWORD kLinkTimerMs = 5000;
constexpr DWORD kBaudChangePauseMs = 100;
constexpr DWORD kRepeatMs = 50;
}  // namespace

void clsMainSeq::DoCommOpen() {
  // The port is closed here: the line modes are stored and take effect at
  // the open.
  m_comm.SetDtr(0);
  m_comm.SetRts(0);
  if (!m_comm.Open(m_port, "9600,N,8,1")) {
    Fail(Entry().error);
    return;
  }
  const bool drain = EntryHas(kSeqDrainInput);
  if (drain) DrainInput();
  m_comm.SetBaudRate(9600);
  if (drain) DrainInput();
  Next();
}

void clsMainSeq::DoCommOpenOk() {
  if (m_pacingTimer.Remaining() != 0) return;
  m_stepTimer.Start(Entry().ms);
  Next();
}

void clsMainSeq::DoLine(bool rts) {
  const BYTE level = static_cast<BYTE>(Entry().ms);
  const bool ok = rts ? m_comm.SetRts(level) : m_comm.SetDtr(level);
  if (!ok) {
    Fail(Entry().error);
    return;
  }
  Next();
}

void clsMainSeq::DoBootCheckSetup() {
  if (EntryHas(kSeqRaiseLines)) {
    m_comm.SetDtr(1);
    m_comm.SetRts(1);
  }
  if (EntryHas(kSeqDrainInput)) DrainInput();
  m_echo.Resize(0);
  DetectEcho();
  m_stepTimer.Start(kLinkTimerMs);  // bounds everything up to the boot loader's answer
  Next();
}

void clsMainSeq::DoBaudChangeCmd() {
  SendCommand(kBaudChangeCmd, 13);
  m_pacingTimer.Start(kBaudChangePauseMs);
  Next();
}

void clsMainSeq::DoBaudChange() {
  if (m_pacingTimer.Remaining() != 0) return;
  m_comm.SetBaudRate(38400);
  if (EntryHas(kSeqDrainInput)) DrainInput();
  m_firmUpIndex = 0;
  Next();
}

void clsMainSeq::DoFirmUpCmd() {
  if (m_pacingTimer.Remaining() != 0) return;
  const ProfileConstants& profile = Profile();
  const int32_t count = profile.modelCodeCount;
  const int32_t index = (m_firmUpIndex >= 0 && m_firmUpIndex < count) ? m_firmUpIndex : 0;
  const uint16_t code = count > 0 ? profile.modelCodes[index] : 0;
  const unsigned char command[13] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, static_cast<unsigned char>(code >> 8),
                                     static_cast<unsigned char>(code & 0xFF), 0x00, 0x00, 0xF0, 0x30,
                                     profile.firmUpTail, 0xFD};
  SendCommand(command, 13);
  m_requestSent = 0;
  if (m_firmUpIndex < count - 1) {
    ++m_firmUpIndex;  // one command per model code, one per step
  } else {
    Next();
  }
}

void clsMainSeq::DoWakeRepeat() {
  unsigned char b = 0;
  if (ReadByte(b)) {
    if (b == 0x55) Next();  // other bytes are line noise: dropped
  } else if (m_pacingTimer.Remaining() == 0) {
    SendBytes(kWakeString, 4);
    m_pacingTimer.Start(kRepeatMs);
  }
  Timeout(Entry().error);
}

// A request that is sent once and answered by one expected byte; other bytes
// are dropped. firstCarrier makes it the first carrier of the run (kind 0);
// whenOutputDrained holds the state back while sent bytes are still queued.
void clsMainSeq::DoRequest(unsigned char expected, const unsigned char* request, int32_t n, bool firstCarrier,
                           bool whenOutputDrained) {
  if (!whenOutputDrained || m_comm.TxPending() == 0) {
    unsigned char b = 0;
    if (ReadByte(b)) {
      if (b == expected) {
        m_requestSent = 0;
        Next();
      }
    } else if (m_requestSent == 0) {
      if (firstCarrier) m_packet.SetFrameKind(255);
      SendBytes(request, n);
      m_requestSent = 1;
    }
  }
  Timeout(Entry().error);
}

void clsMainSeq::DoSyncFirst() {
  m_stepTimer.Start(kLinkTimerMs);
  unsigned char b = 0;
  for (int32_t i = 0; i < 65535 && ReadByte(b); ++i) {
  }
  static const unsigned char kZero = 0x00;
  SendBytes(&kZero, 1);
  m_pacingTimer.Start(kRepeatMs);
  Next();
}

void clsMainSeq::DoSyncRepeat() {
  if (m_comm.TxPending() == 0) {
    unsigned char b = 0;
    if (ReadByte(b)) {
      if (b == 0x00) Next();
    } else if (m_pacingTimer.Remaining() == 0) {
      static const unsigned char kZero = 0x00;
      SendBytes(&kZero, 1);
      m_pacingTimer.Start(kRepeatMs);
    }
  }
  Timeout(Entry().error);
}

void clsMainSeq::DoRateCheck() {
  static const unsigned char kRate = 0x55;
  SendBytes(&kRate, 1);
  if (Entry().ms > 0) m_stepTimer.Start(Entry().ms);
  Next();
}

void clsMainSeq::DoExpectAA() {
  if (EntryHas(kSeqFullProgress)) m_progress = 255;
  unsigned char b = 0;
  if (ReadByte(b)) {
    if (b == 0xAA) {
      Next();
    } else {
      Fail(Entry().replyError);
    }
    return;
  }
  Timeout(Entry().error);
}
