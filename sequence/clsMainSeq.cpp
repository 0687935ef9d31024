// The controller's life cycle, the step itself and the operations that many
// states share. The state handlers live in SeqLink.cpp (link set-up),
// SeqUpload.cpp (flash check, flash-writer upload, start request) and
// SeqRom.cpp (ROM write and disconnect).
#include "sequence/clsMainSeq.h"

#include <cstdlib>
#include <memory>

#include "image/BuiltinImages.h"
#include "toolkit/AppWindow.h"

namespace {
// Largest carrier payload.
constexpr int32_t kCarrierPayload = 220;
// The entry of a state number that has no place in the table.
const SeqState kNoState = {"", SeqHandler::WaitEcho, -1, 0, 0, 0, 0};
}  // namespace

clsMainSeq::clsMainSeq() : clsMainSeq(ProfileFlashWriterImage(), ProfileRomImage(), 0) {}

clsMainSeq::clsMainSeq(const BuiltinImage* writerImage, const BuiltinImage& romImage, int32_t completedCount)
    : m_table(ProfileSeqTable()),
      m_writerRecord(writerImage),
      m_romRecord(romImage),
      m_state(0),
      m_writer(Profile().imageWindowSize),
      m_rom(Profile().imageWindowSize),
      m_port(1),
      m_error(0),
      m_completed(completedCount),
      m_bytesSent(0),
      m_bytesConfirmed(0),
      m_nextBlock(0),
      m_replyPending(0),
      m_block(new unsigned char[128]),
      m_tx(nullptr),
      m_txCapacity(0),
      m_progress(0),
      m_firmUpIndex(0),
      m_echoMode(2),
      m_queryIndex(0),
      m_blocksWritten(0),
      m_blockTotal(0),
      m_requestSent(0),
      m_stepStartState(0) {
  m_writer.Clear(255);
  m_rom.Clear(255);
  Restart();
}

clsMainSeq::~clsMainSeq() {
  delete[] m_tx;
  delete[] m_block;
}

// ---------------------------------------------------------------------------
// Public operations

bool clsMainSeq::IsIdle() const { return m_state == m_table.standby || m_state == m_table.ready; }

bool clsMainSeq::IsBusy() const { return m_state > m_table.standby && m_state != m_table.ready; }

void clsMainSeq::Start() { m_state = m_table.start; }

void clsMainSeq::Cancel() { Stop(); }

void clsMainSeq::Stop() {
  if (m_state < m_table.standby) return;
  m_state = m_table.standby;
  ClosePort();
  m_progress = 0;
  m_echo.Resize(0);
}

void clsMainSeq::Restart() {
  m_state = m_table.opening;
  ClosePort();
  m_progress = 0;
}

// ---------------------------------------------------------------------------
// The step

const SeqState& clsMainSeq::Entry() const {
  if (m_state < 0 || m_state >= m_table.count) return kNoState;
  return m_table.states[m_state];
}

int32_t clsMainSeq::Step() {
  const bool waitEcho = EchoCheck();
  m_stepStartState = m_state;
  if (waitEcho) {
    WaitEcho();
  } else {
    RunHandler(Entry().handler);
  }
  if (m_comm.WriteFailed()) Fail(m_table.unknownError);
  if (m_error != 0) m_echo.Resize(0);
  return m_error;
}

// Reads back what the line has echoed of the bytes sent. True when this step
// must run the echo wait instead of the state's handler.
bool clsMainSeq::EchoCheck() {
  if (m_echoMode == 0) {
    m_echo.Resize(0);
    return false;
  }
  bool wait = false;
  const int32_t n = m_echo.Count();
  if (n > 0) {
    if (static_cast<DWORD>(n) > m_comm.RxCount()) {
      wait = true;  // not everything sent has come back yet
    } else {
      while (m_echo.Count() > 0) {
        unsigned char b = 0;
        if (m_comm.Receive(&b, 1) != 1) {
          // The count promised more than the read gave: try again next step.
          wait = true;
          break;
        }
        if (b != *m_echo.At(0)) {
          Fail(m_table.unknownError);
          wait = true;
          break;
        }
        m_echo.PopFront();
      }
    }
  }
  // On an echoing line the line-control states are passed over.
  if (EntryHas(kSeqLineControl)) {
    ++m_state;
    wait = true;
  }
  return wait;
}

void clsMainSeq::WaitEcho() {
  if (m_state >= m_table.echoLimitFrom && m_stepTimer.Remaining() == 0) Fail(m_table.unknownError);
}

void clsMainSeq::Timeout(int32_t code) {
  if (m_state == m_stepStartState && m_stepTimer.Remaining() == 0) Fail(code);
}

void clsMainSeq::Fail(int32_t code) {
  m_error = code;
  m_state = m_table.standby;
}

void clsMainSeq::RunHandler(SeqHandler handler) {
  switch (handler) {
    case SeqHandler::WaitEcho: WaitEcho(); break;
    case SeqHandler::Pass: Next(); break;
    case SeqHandler::Reset: DoReset(); break;
    case SeqHandler::Standby:
      ClosePort();
      Next();
      break;
    case SeqHandler::Ready:
      ClosePort();
      m_progress = 0;
      break;
    case SeqHandler::Start:
      ClosePort();
      m_progress = 0;
      Next();
      break;
    case SeqHandler::CommOpen: DoCommOpen(); break;
    case SeqHandler::CommOpenOk: DoCommOpenOk(); break;
    case SeqHandler::LineRts: DoLine(true); break;
    case SeqHandler::LineDtr: DoLine(false); break;
    case SeqHandler::BootCheckSetup: DoBootCheckSetup(); break;
    case SeqHandler::BaudChangeCmd: DoBaudChangeCmd(); break;
    case SeqHandler::BaudChange: DoBaudChange(); break;
    case SeqHandler::FirmUpCmd: DoFirmUpCmd(); break;
    case SeqHandler::WakeRepeat: DoWakeRepeat(); break;
    case SeqHandler::CheckRequest: {
      static const unsigned char kZero = 0x00;
      DoRequest(0x00, &kZero, 1, true, false);
      break;
    }
    case SeqHandler::WakeRequest: {
      static const unsigned char kWake[4] = {'V', 'E', 'L', 'K'};
      DoRequest(0x55, kWake, 4, false, false);
      break;
    }
    case SeqHandler::SyncFirst: DoSyncFirst(); break;
    case SeqHandler::SyncRepeat: DoSyncRepeat(); break;
    case SeqHandler::SyncRequest: {
      static const unsigned char kZero = 0x00;
      DoRequest(0x00, &kZero, 1, false, true);
      break;
    }
    case SeqHandler::ArmStepTimer:
      m_stepTimer.Start(Entry().ms);
      Next();
      break;
    case SeqHandler::RateCheck: DoRateCheck(); break;
    case SeqHandler::ExpectAA: DoExpectAA(); break;
    case SeqHandler::FlashChkSetup: DoFlashChkSetup(); break;
    case SeqHandler::FlashChk: DoFlashChk(); break;
    case SeqHandler::WriterLength: DoWriterLength(); break;
    case SeqHandler::WriterLengthHigh:
      DoWriterLengthByte(static_cast<unsigned char>((m_writer.Length() >> 8) & 0xFF));
      break;
    case SeqHandler::WriterLengthLow:
      DoWriterLengthByte(static_cast<unsigned char>(m_writer.Length() & 0xFF));
      break;
    case SeqHandler::WriterData: DoWriterData(); break;
    case SeqHandler::StartRequest: DoStartRequest(); break;
    case SeqHandler::RomSetup: DoRomSetup(); break;
    case SeqHandler::RomSetupWait: DoRomSetupWait(); break;
    case SeqHandler::RomData: DoRomData(); break;
    case SeqHandler::RomSum: DoRomSum(); break;
    case SeqHandler::EndFrame: DoEndFrame(); break;
    case SeqHandler::FinishCarrier: DoFinishCarrier(); break;
    case SeqHandler::Completed: DoCompleted(); break;
  }
}

// ---------------------------------------------------------------------------
// Shared operations

void clsMainSeq::ClosePort() {
  if (!m_comm.IsOpen()) return;
  m_comm.SetDtr(0);
  m_comm.SetRts(0);
  m_comm.Close();
}

int32_t clsMainSeq::SendBytes(const unsigned char* data, int32_t n) {
  if (data == nullptr || n <= 0) return 0;
  if (!m_table.carrierFraming) {
    m_comm.Send(data, n);
    if (m_echoMode != 0) m_echo.Append(data, n);
    return 0;
  }

  // Carrier framing: one kind byte for every frame of this call; the first
  // carrier after the kind was reset to 255 carries kind 0.
  unsigned char kind = 2;
  if (m_packet.FrameKind() == 255) {
    kind = 0;
  } else if (m_state == m_table.kindOneState) {
    kind = 1;
  }
  m_packet.SetFrameKind(kind);

  std::unique_ptr<unsigned char[]> escaped(new unsigned char[2 * static_cast<size_t>(n)]);
  const int32_t m = m_packet.Escape(escaped.get(), data, n);
  m_carrier.Append(escaped.get(), m);

  // Every carrier frame goes into the echo list whatever the echo mode; on a
  // line that does not echo the next step's echo check empties it again.
  auto sendCarrier = [this]() {
    const int32_t length = m_packet.FrameLength();
    ReserveTxBuffer(length);
    m_packet.CopyFrame(m_tx);
    m_comm.Send(m_tx, length);
    m_echo.Append(m_tx, length);
  };
  while (m_carrier.Count() > kCarrierPayload) {
    m_packet.BuildCarrierFrame(m_carrier.Data(), kCarrierPayload);
    for (int32_t i = 0; i < kCarrierPayload; ++i) m_carrier.PopFront();
    sendCarrier();
  }
  m_packet.BuildCarrierFrame(m_carrier.Data(), m_carrier.Count());
  m_carrier.Resize(0);
  sendCarrier();
  return 0;
}

bool clsMainSeq::DrainInput() {
  if (!m_comm.IsOpen()) return false;
  clsTick settle;
  settle.Start(100);
  while (settle.Remaining() != 0) {
  }
  unsigned char b = 0;
  for (int32_t i = 0; i < 65535; ++i) {
    if (m_comm.Receive(&b, 1) == 0) break;
  }
  return true;
}

void clsMainSeq::ReserveTxBuffer(int32_t n) {
  if (n <= m_txCapacity) return;
  delete[] m_tx;
  m_tx = new unsigned char[n];
  m_txCapacity = n;
}

bool clsMainSeq::RomImageValid() const { return m_rom.LowAddress() > Profile().romLowAddressAbove; }

void clsMainSeq::DetectEcho() {
  if (!m_comm.IsOpen()) return;
  m_echoMode = 0;

  clsTick window;
  unsigned char b = 0;
  window.Start(100);
  while (window.Remaining() != 0) {
    if (m_comm.Receive(&b, 1) == 0) break;
  }

  // The probe goes straight to the port: it is not an echo to be checked.
  static const unsigned char kProbe[4] = {0xFE, 0xFE, 0xFE, 0xFE};
  m_comm.Send(kProbe, 4);

  window.Start(100);
  int32_t remaining = 4;
  bool bad = false;
  while (window.Remaining() != 0 && remaining > 0 && !bad) {
    if (m_comm.Receive(&b, 1) == 0) continue;
    if (b == 0xFE) {
      --remaining;
    } else {
      bad = true;
    }
  }
  if (remaining == 0 && !bad) m_echoMode = 1;
}

int32_t clsMainSeq::CountRomBlocks() const {
  int32_t total = 0;
  const int64_t high = m_rom.HighAddress();
  for (int64_t a = 0; a < high; a += 128) {
    if (!m_rom.IsBlank(static_cast<int32_t>(a), 128)) ++total;
  }
  return total;
}

// ---------------------------------------------------------------------------
// Helpers of the handlers

bool clsMainSeq::ReadByte(unsigned char& b) { return m_comm.Receive(&b, 1) == 1; }

void clsMainSeq::SendCommand(const unsigned char* data, int32_t n) {
  if (EntryHas(kSeqDirectSend)) {
    m_comm.Send(data, n);
    m_echo.Append(data, n);
  } else {
    SendBytes(data, n);
  }
}

void clsMainSeq::SendBuiltFrame(int32_t kindAtOffset2) {
  const int32_t length = m_packet.FrameLength();
  ReserveTxBuffer(length);
  m_packet.CopyFrame(m_tx);
  if (kindAtOffset2 >= 0 && length > 2) m_tx[2] = static_cast<unsigned char>(kindAtOffset2);
  SendBytes(m_tx, length);
}

uint16_t clsMainSeq::ImageSum() const { return m_rom.Sum16(Profile().sumFirst, Profile().sumLast); }

void clsMainSeq::FatalImageCheck() {
  MessageBoxA(ToolkitApplicationHandle(), "Inside RomImage Error", "RomCheck", MB_ICONERROR | MB_OK);
  std::abort();
}

void clsMainSeq::DoReset() {
  ClosePort();
  m_progress = 0;
  PlaceBuiltinImages(m_writer, m_rom, m_writerRecord, m_romRecord);
  if (!RomImageValid()) FatalImageCheck();
  Next();
}

void clsMainSeq::DoCompleted() {
  m_completed = (m_completed + 1) % 999999;
  Next();
}
