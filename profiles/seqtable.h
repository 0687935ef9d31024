// The state table of the flash sequence, as plain data of the variant profile.
//
// Each variant lists its states in number order: the state number is the index
// of the entry, which is also the index of the state's step message. An entry
// names the handler that runs for the state (one of the controller's handlers,
// by id), the state it moves on to, the error codes it raises and the few
// values in which the variants' conversations differ. The controller
// (sequence/clsMainSeq) reads the table through ProfileSeqTable() and never
// asks which variant it runs.
#pragma once

#include <cstdint>

// The controller's handlers. Names follow the conversation they carry.
enum class SeqHandler : uint8_t {
  WaitEcho,         // no own work: the state is not entered, or is the echo wait itself
  Pass,             // nothing; moves on at once
  Reset,            // close the port, place the built-in images, image check
  Standby,          // close the port; on to Ready
  Ready,            // close the port, progress 0; stays until Start
  Start,            // close the port, progress 0; on
  CommOpen,         // lines off, open at 9600 bit/s (error: the entry's error code)
  CommOpenOk,       // once the pacing timer is out: step timer (ms), on
  LineRts,          // RTS := level (ms field); failure: the entry's error code
  LineDtr,          // DTR := level (ms field); failure: the entry's error code
  BootCheckSetup,   // drain, echo detection, step timer 5000
  BaudChangeCmd,    // baud-change command, pacing 100
  BaudChange,       // after the pacing timer: 38400 bit/s, drain
  FirmUpCmd,        // after the pacing timer: one firmware-upload command per model code
  WakeRepeat,       // wake string every 50 ms until 0x55
  CheckRequest,     // 0x00 sent once (first carrier of the run) until 0x00
  WakeRequest,      // wake string sent once until 0x55
  SyncFirst,        // step timer 5000, discard input, 0x00, pacing 50
  SyncRepeat,       // 0x00 every 50 ms until 0x00 (only with the output drained)
  SyncRequest,      // 0x00 sent once until 0x00 (only with the output drained)
  ArmStepTimer,     // step timer (ms), on
  RateCheck,        // 0x55; step timer (ms) when ms > 0
  ExpectAA,         // 0xAA: on; other byte: the entry's reply error
  FlashChkSetup,    // query index 3, reply pending 0
  FlashChk,         // the four one-byte flash check queries
  WriterLength,     // the flash writer's length, high byte first
  WriterLengthHigh, // the length's high byte echoed back
  WriterLengthLow,  // the length's low byte echoed back
  WriterData,       // the flash writer in paced blocks of at most 127 bytes
  StartRequest,     // 0x02 answered by 0x02 (replaces the writer upload)
  RomSetup,         // ROM write set-up; pacing timer (ms) before the first block
  RomSetupWait,     // after the pacing timer: step timer 5000
  RomData,          // one data frame per non-blank block, each acknowledged by 0xFB
  RomSum,           // the sum frame, acknowledged by 0xFB
  EndFrame,         // the sum frame with kind 0x0F, not acknowledged
  FinishCarrier,    // 0x00 in a carrier of kind 1, not acknowledged
  Completed,        // completed count up; on to Ready
};

// Entry flags.
enum : uint32_t {
  kSeqDrainInput = 1u << 0,    // the handler drains the input where the conversation allows it
  kSeqDirectSend = 1u << 1,    // commands go to the port directly (no carrier), echo listed
  kSeqRaiseLines = 1u << 2,    // DTR and RTS on before the echo detection
  kSeqFullProgress = 1u << 3,  // progress 255 while the reply is awaited
  kSeqLineControl = 1u << 4,   // a line-control state: passed over while the line echoes
};

struct SeqState {
  const char* name;       // the state's name (as its step-message line is keyed)
  SeqHandler handler;
  int32_t next;           // the state it moves on to; -1 for states never entered
  int32_t error;          // error code of its timeout or failed call; 0 when none
  int32_t replyError;     // error code of an unexpected reply byte; 0 when none
  uint32_t ms;            // a variant-dependent time in ms, or a line level (see handler)
  uint32_t flags;         // kSeq* flags
};

struct SeqTable {
  const SeqState* states;
  int32_t count;
  int32_t opening;           // state after Restart
  int32_t standby;           // failure and cancel state
  int32_t ready;             // resting state between runs
  int32_t start;             // state set by Start
  int32_t unknownError;      // echo mismatch, echo time-out, failed write
  int32_t echoLimitFrom;     // first state in which a missing echo times out
  int32_t kindOneState;      // state whose carriers carry kind 1; -1 when none
  bool carrierFraming;       // everything SendBytes sends travels in carrier frames
};

const SeqTable& ProfileSeqTable();
