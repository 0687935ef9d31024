// The sequence controller: the state machine that runs the whole conversation
// with the transceiver, from opening the COM port to the transceiver's restart
// with the new firmware.
//
// The tick calls Step about once a millisecond; each Step does one small,
// bounded piece of work and returns the current error code. No step waits for
// the transceiver: a state that expects a reply reads what is already there
// and gives up when its step timer runs out. The variant profile supplies the
// state table (profiles/seqtable.h), the constants and the built-in images.
#pragma once

#include <cstdint>

#include "comm/clsTick.h"
#include "comm/cmcBuff.h"
#include "comm/cmcComm.h"
#include "image/clsMotS.h"
#include "platform/winapi.h"
#include "profiles/profile.h"
#include "profiles/seqtable.h"
#include "sequence/clsPacket.h"

class clsMainSeq {
 public:
  // Uses the built-in images of the variant profile.
  clsMainSeq();
  // The same with other image records (the writer may be null) and a starting
  // completed count: lets a test write an image of its own or watch the
  // count wrap. The records must outlive the first two steps.
  clsMainSeq(const BuiltinImage* writerImage, const BuiltinImage& romImage, int32_t completedCount = 0);
  ~clsMainSeq();
  clsMainSeq(const clsMainSeq&) = delete;
  clsMainSeq& operator=(const clsMainSeq&) = delete;

  // One bounded piece of work; returns the error code, which stays set until
  // ClearError.
  int32_t Step();

  int32_t State() const { return m_state; }
  int32_t Progress() const { return m_progress; }
  int32_t CompletedCount() const { return m_completed; }
  const clsMotS& RomImage() const { return m_rom; }
  // 2 = not yet known, 0 = the line does not echo, 1 = it echoes.
  int32_t EchoMode() const { return m_echoMode; }

  void ClearError() { m_error = 0; }
  // The COM port number of the next open.
  void SetPort(int32_t port) { m_port = port; }

  // At Standby or Ready: a new run may start.
  bool IsIdle() const;
  // In a run (past Standby and not at Ready): it may be cancelled.
  bool IsBusy() const;
  void Start();
  void Cancel();
  // From Standby on: back to Standby, port closed, progress 0, echo list empty.
  void Stop();
  // Back to the opening state, port closed, progress 0.
  void Restart();

  // Shared by the states.
  void ClosePort();
  int32_t SendBytes(const unsigned char* data, int32_t n);
  bool DrainInput();
  void ReserveTxBuffer(int32_t n);
  bool RomImageValid() const;
  void DetectEcho();
  int32_t CountRomBlocks() const;

 private:
  // Step prologue and epilogue.
  bool EchoCheck();
  void WaitEcho();
  void Timeout(int32_t code);
  void Fail(int32_t code);
  void RunHandler(SeqHandler handler);
  const SeqState& Entry() const;
  void Next() { m_state = Entry().next; }
  bool EntryHas(uint32_t flag) const { return (Entry().flags & flag) != 0; }

  // Sends a command either straight to the port (kept in the echo list) or
  // through SendBytes, as the state's entry says.
  void SendCommand(const unsigned char* data, int32_t n);
  // Sends the frame last built by the packet builder through SendBytes; with
  // a kind byte >= 0, offset 2 of the copy is set to it first.
  void SendBuiltFrame(int32_t kindAtOffset2);
  uint16_t ImageSum() const;
  void FatalImageCheck();
  // Reads one reply byte; false when none has arrived.
  bool ReadByte(unsigned char& b);

  // Handlers (link set-up, flash-writer upload, ROM write and disconnect).
  void DoReset();
  void DoCommOpen();
  void DoCommOpenOk();
  void DoLine(bool rts);
  void DoBootCheckSetup();
  void DoBaudChangeCmd();
  void DoBaudChange();
  void DoFirmUpCmd();
  void DoWakeRepeat();
  void DoRequest(unsigned char expected, const unsigned char* request, int32_t n, bool firstCarrier,
                 bool whenOutputDrained);
  void DoSyncFirst();
  void DoSyncRepeat();
  void DoRateCheck();
  void DoExpectAA();
  void DoFlashChkSetup();
  void DoFlashChk();
  void DoWriterLength();
  void DoWriterLengthByte(unsigned char expected);
  void DoWriterData();
  void DoStartRequest();
  void DoRomSetup();
  void DoRomSetupWait();
  void DoRomData();
  void DoRomSum();
  void DoEndFrame();
  void DoFinishCarrier();
  void DoCompleted();

  const SeqTable& m_table;
  const BuiltinImage* m_writerRecord;
  const BuiltinImage& m_romRecord;

  int32_t m_state;
  cmcComm m_comm;
  clsMotS m_writer;
  clsMotS m_rom;
  clsPacket m_packet;
  int32_t m_port;
  int32_t m_error;
  int32_t m_completed;
  clsTick m_stepTimer;
  clsTick m_pacingTimer;
  int32_t m_bytesSent;
  int32_t m_bytesConfirmed;
  int64_t m_nextBlock;  // wide, so stepping past the top address cannot overflow
  int32_t m_replyPending;
  unsigned char* m_block;  // 128 bytes
  unsigned char* m_tx;     // m_txCapacity bytes
  int32_t m_txCapacity;
  int32_t m_progress;
  int32_t m_firmUpIndex;
  int32_t m_echoMode;
  cmcBuff m_echo;
  int32_t m_queryIndex;
  int32_t m_blocksWritten;
  int32_t m_blockTotal;
  int32_t m_requestSent;
  cmcBuff m_carrier;

  int32_t m_stepStartState;
};
