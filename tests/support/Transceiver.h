// A scripted transceiver on top of the scripted serial device: it follows
// what the controller writes, phase by phase, answers as the boot loader and
// the flash writer do, and records what it saw. Faults can be injected per
// phase: silence (no answer from that phase on) or a wrong answer byte; on an
// echoing cable an echo can be corrupted or left out.
//
// Variant K: the line carries the commands and frames as they are. Variant M:
// after the firmware-upload commands everything arrives in carrier frames,
// which are unwrapped and unescaped before the phase logic sees the bytes.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "tests/support/ScriptedSerial.h"

namespace seqtest {

enum class Phase {
  Probe,      // FE FE FE FE
  BaudCmd,    // the baud-change command
  FirmUp,     // the firmware-upload commands
  Check,      // (M) 00 answered by 00
  Wake,       // "VELK" answered by 55
  Sync,       // 00 answered by 00
  Rate,       // 55 answered by AA
  FlashChk,   // D C B A, one byte each
  Length,     // (K) the writer's length, echoed byte by byte (a fault here hits the high byte)
  LengthLow,  // (K) faults only: the echo of the low byte
  Writer,     // (K) the writer's bytes, then AA
  StartReq,   // (M) 02 answered by 02
  StartAA,    // (M) the AA after 02
  Rom,        // data frames, FB each
  Sum,        // the sum frame, FB
  Finish,     // the end frame (K) / the kind-1 carrier around 00 (M)
  Done,
};

enum class Fault { None, Silence, Wrong };

struct Chunk {
  Phase phase;    // phase of the chunk's first byte
  uint32_t time;  // timeGetTime() at the write
  size_t size;    // bytes on the line
};

struct Carrier {
  uint8_t kind;
  std::vector<uint8_t> payload;  // as on the line (escaped)
};

struct DataFrame {
  std::vector<uint8_t> raw;  // the frame as the controller built it (escaped inside)
  int32_t address;
  std::vector<uint8_t> data;  // unescaped
};

class Transceiver {
 public:
  Transceiver(testsupport::ScriptedSerial& device, char variant);

  // ---- behaviour
  void SetFault(Phase phase, Fault fault) { faults_[phase] = fault; }
  void ClearFaults() { faults_.clear(); }
  void SetEcho(bool echo) { echo_ = echo; }
  // With the echo on: the first write of the phase comes back with one byte
  // changed, or does not come back at all.
  void CorruptEchoAt(Phase phase) { corruptAt_ = phase; }
  void DropEchoAt(Phase phase) { dropAt_ = phase; }
  // The answer comes after the n-th wake string / 00 byte (K repeats them).
  void AnswerWakeAfter(int n) { wakeAnswerAfter_ = n; }
  void AnswerSyncAfter(int n) { syncAnswerAfter_ = n; }

  // ---- what it saw in the current (last opened) unit
  Phase phase() const { return phase_; }
  const std::vector<Chunk>& chunks() const { return chunks_; }
  const std::vector<std::vector<uint8_t>>& commands() const { return commands_; }  // probe, baud, firm-ups
  int wakes() const { return wakes_; }
  int syncs() const { return syncs_; }
  const std::vector<uint8_t>& queries() const { return queries_; }
  const std::vector<uint8_t>& lengthBytes() const { return length_; }
  const std::vector<uint8_t>& writer() const { return writer_; }
  const std::vector<DataFrame>& frames() const { return frames_; }
  const std::vector<uint8_t>& sumFrame() const { return sumFrame_; }
  const std::vector<uint8_t>& finishFrame() const { return finishFrame_; }
  const std::vector<Carrier>& carriers() const { return carriers_; }
  // Bit rate of the line (the last DCB set) at the first byte of each phase.
  uint32_t RateAt(Phase phase) const;
  // When the answer that ends the writer upload / start request was fed, and
  // when the first ROM frame arrived.
  uint32_t readyForRomTime() const { return readyForRom_; }
  uint32_t firstRomTime() const { return firstRom_; }
  int units() const { return units_; }  // opens seen

  // The writer length the K transceiver expects (the built-in writer's).
  void SetWriterLength(int32_t n) { writerLength_ = n; }

 private:
  void OnWrite(const std::vector<uint8_t>& bytes);
  void ResetUnit();
  void Logical(uint8_t b);          // one byte of the conversation
  void CarrierByte(uint8_t b);      // (M) one byte on the line after the commands
  void AnswerOr(uint8_t right, uint8_t wrong);
  Fault FaultAt(Phase p) const;
  void EndOfFrame();

  testsupport::ScriptedSerial& dev_;
  char variant_;
  std::map<Phase, Fault> faults_;
  bool echo_ = false;
  Phase corruptAt_ = Phase::Done;
  Phase dropAt_ = Phase::Done;
  bool corruptDone_ = false;
  bool dropDone_ = false;
  int wakeAnswerAfter_ = 1;
  int syncAnswerAfter_ = 1;
  int32_t writerLength_ = 0;

  int lastOpens_ = 0;
  int units_ = 0;
  bool silenced_ = false;
  Phase phase_ = Phase::Probe;
  std::vector<uint8_t> pending_;  // bytes of the current command / frame
  std::vector<uint8_t> line_;     // (M) bytes of the current carrier
  bool carriers_on_ = false;
  std::vector<uint8_t> reply_;    // answers of the current write, fed after the echo

  std::vector<Chunk> chunks_;
  std::vector<std::vector<uint8_t>> commands_;
  int wakes_ = 0;
  int syncs_ = 0;
  std::vector<uint8_t> queries_;
  std::vector<uint8_t> length_;
  std::vector<uint8_t> writer_;
  std::vector<DataFrame> frames_;
  std::vector<uint8_t> sumFrame_;
  std::vector<uint8_t> finishFrame_;
  std::vector<Carrier> carriers_;
  std::map<Phase, uint32_t> rates_;
  uint32_t readyForRom_ = 0;
  uint32_t firstRom_ = 0;
};

// Undoes the escape rule (FF x -> F0 | x).
std::vector<uint8_t> Unescape(const std::vector<uint8_t>& in);

}  // namespace seqtest
