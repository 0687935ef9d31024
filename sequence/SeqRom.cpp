// ROM write and disconnect: every non-blank 128-byte block in a data frame,
// each acknowledged by 0xFB, then the image sum, then the finishing frame.
#include "sequence/clsMainSeq.h"

namespace {
constexpr DWORD kAckMs = 5000;
constexpr int32_t kBlockSize = 128;
constexpr unsigned char kAck = 0xFB;
constexpr unsigned char kEndKind = 0x0F;
}  // namespace

void clsMainSeq::DoRomSetup() {
  m_stepTimer.Start(kAckMs);
  m_pacingTimer.Start(Entry().ms);  // the flash writer's pause before the first block
  m_blockTotal = CountRomBlocks();
  m_blocksWritten = 0;
  m_comm.SetBaudRate(38400);
  if (EntryHas(kSeqDrainInput)) DrainInput();
  const int32_t low = m_rom.LowAddress();
  m_nextBlock = low > 0 ? low - (low % kBlockSize) : 0;
  m_replyPending = 0;
  Next();
}

void clsMainSeq::DoRomSetupWait() {
  if (m_pacingTimer.Remaining() != 0) return;
  m_stepTimer.Start(kAckMs);
  Next();
}

void clsMainSeq::DoRomData() {
  const int32_t high = m_rom.HighAddress();
  if (m_replyPending == 1) {
    unsigned char b = 0;
    if (ReadByte(b)) {
      if (b != kAck) {
        Fail(Entry().replyError);
        return;
      }
      m_replyPending = 0;
      ++m_blocksWritten;
      // The block count covers the blocks below HighAddress; a last block
      // that starts exactly there is written too, so the bar is capped.
      m_progress = (m_blockTotal > 0 && m_blocksWritten < m_blockTotal)
                       ? static_cast<int32_t>(static_cast<int64_t>(m_blocksWritten) * 255 / m_blockTotal)
                       : 255;
      m_stepTimer.Start(kAckMs);
    }
  }
  if (m_replyPending == 0) {
    // Blank blocks are passed over in the same step; at most one frame goes
    // out per step.
    while (m_replyPending == 0 && m_nextBlock <= high && !m_comm.WriteFailed()) {
      const int32_t address = static_cast<int32_t>(m_nextBlock);
      if (!m_rom.IsBlank(address, kBlockSize)) {
        m_rom.CopyOut(address, kBlockSize, m_block);
        m_packet.BuildDataFrame(m_block, address, kBlockSize);
        SendBuiltFrame(-1);
        m_replyPending = 1;
      }
      m_nextBlock += kBlockSize;
    }
  }
  if (m_replyPending == 0 && m_nextBlock > high) {
    Next();
  } else {
    Timeout(Entry().error);
  }
}

void clsMainSeq::DoRomSum() {
  if (m_replyPending == 1) {
    unsigned char b = 0;
    if (ReadByte(b)) {
      if (b == kAck) {
        m_replyPending = 0;
        Next();
      } else {
        Fail(Entry().replyError);
      }
      return;
    }
  }
  if (m_replyPending == 0) {
    m_packet.BuildSumFrame(ImageSum());
    SendBuiltFrame(-1);
    m_replyPending = 1;
  }
  Timeout(Entry().error);
}

void clsMainSeq::DoEndFrame() {
  // The end frame is the sum frame with another kind byte; it is not
  // acknowledged.
  m_packet.BuildSumFrame(ImageSum());
  SendBuiltFrame(kEndKind);
  Next();
}

void clsMainSeq::DoFinishCarrier() {
  static const unsigned char kZero = 0x00;
  SendBytes(&kZero, 1);
  Next();
}
