// Flash check, flash-writer upload, and the start request that replaces the
// upload where the boot loader needs no flash writer.
#include "sequence/clsMainSeq.h"

namespace {
constexpr DWORD kAnswerMs = 5000;
constexpr DWORD kWriterDoneMs = 31000;
constexpr DWORD kBlockPauseMs = 40;
constexpr int32_t kWriterBlock = 127;
constexpr DWORD kStartRequestMs = 12000;
}  // namespace

void clsMainSeq::DoFlashChkSetup() {
  m_queryIndex = 3;
  m_replyPending = 0;
  Next();
}

void clsMainSeq::DoFlashChk() {
  unsigned char b = 0;
  if (m_replyPending == 1 && ReadByte(b)) {
    // Any answer will do; its value is not examined.
    if (m_queryIndex == 0) {
      m_replyPending = 0;
      Next();
      return;
    }
    --m_queryIndex;
    m_replyPending = 0;
    m_stepTimer.Start(kAnswerMs);
  }
  if (m_replyPending == 0) {
    const unsigned char query = static_cast<unsigned char>(0x41 + m_queryIndex);  // "D", "C", "B", "A"
    SendBytes(&query, 1);
    m_replyPending = 1;
  }
  Timeout(Entry().error);
}

void clsMainSeq::DoWriterLength() {
  const int32_t length = m_writer.Length();
  m_stepTimer.Start(kAnswerMs);
  m_bytesSent = 0;
  m_bytesConfirmed = 0;
  const unsigned char bytes[2] = {static_cast<unsigned char>((length >> 8) & 0xFF),
                                  static_cast<unsigned char>(length & 0xFF)};
  SendBytes(bytes, 2);
  Next();
}

void clsMainSeq::DoWriterLengthByte(unsigned char expected) {
  unsigned char b = 0;
  if (ReadByte(b)) {
    if (b == expected) {
      Next();
    } else {
      Fail(Entry().replyError);
    }
    return;
  }
  Timeout(Entry().error);
}

void clsMainSeq::DoWriterData() {
  const int32_t length = m_writer.Length();
  if (m_bytesConfirmed == length) {
    m_stepTimer.Start(kWriterDoneMs);
    Next();
    return;
  }
  m_bytesConfirmed = m_bytesSent;

  if (m_pacingTimer.Remaining() == 0) {
    // A block never lets the transmit queue grow past half its limit: the
    // bytes already collected count as pending.
    unsigned char block[kWriterBlock];
    int32_t n = 0;
    const int32_t low = m_writer.LowAddress();
    while (n < kWriterBlock && m_bytesSent < length && !m_comm.WriteFailed()) {
      const int64_t pending = static_cast<int64_t>(m_comm.TxPending()) + n;
      const int64_t room = static_cast<int64_t>(static_cast<int32_t>(m_comm.TxRoom())) - n;
      if (pending >= room) break;
      block[n++] = m_writer.ByteAt(low + m_bytesSent);
      ++m_bytesSent;
      m_progress = static_cast<int32_t>(static_cast<int64_t>(m_bytesSent) * 255 / length);
    }
    if (n > 0) {
      // The step timer bounds the time between blocks that actually go out,
      // so a queue that never drains ends in a time-out.
      m_stepTimer.Start(kAnswerMs);
      SendBytes(block, n);
    }
    m_pacingTimer.Start(kBlockPauseMs);
  }
  if (length > 0) m_progress = static_cast<int32_t>(static_cast<int64_t>(m_bytesConfirmed) * 255 / length);
  Timeout(Entry().error);
}

void clsMainSeq::DoStartRequest() {
  unsigned char b = 0;
  if (m_replyPending == 1 && ReadByte(b)) {
    if (b == 0x02) {
      m_replyPending = 0;
      m_stepTimer.Start(kStartRequestMs);  // the boot loader's time to report 0xAA
      Next();
    } else {
      Fail(Entry().replyError);  // the transceiver refused the update
    }
    return;
  }
  if (m_replyPending == 0) {
    static const unsigned char kRequest = 0x02;
    SendBytes(&kRequest, 1);
    m_replyPending = 1;
    m_stepTimer.Start(kStartRequestMs);
  }
  Timeout(Entry().error);
}
