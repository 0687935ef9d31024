// A scripted serial device for tests.
//
// Constructing a ScriptedSerial puts it behind a COM number: CreateFileA of
// that port (and so cmcComm::Open) then talks to it instead of a tty, until
// the ScriptedSerial is destroyed. It records everything the program does to
// the port and lets the test play the other end:
//
//   testsupport::ScriptedSerial dev(3);          // behind COM3
//   dev.OnWrite([&](const std::vector<uint8_t>& bytes) { dev.Feed({0x55}); });
//   ... run the code under test ...
//   EXPECT_EQ(dev.Written(), expected);
//
// Model: one open at a time (a second CreateFileA while open fails with
// ERROR_ACCESS_DENIED, as for a port in use). Bytes given to Feed wait in the
// driver input buffer (cbInQue) until read. Written bytes leave at once,
// unless output is held: then they stay in the driver output buffer
// (cbOutQue) until ReleaseOutput. The line settings persist across opens, as
// in a driver: GetCommState answers the last DCB set, and a device never set
// has DTR and RTS off. Time stamps are timeGetTime() at the moment of the call
// (the test's clock when it installed one with platform::SetClockSource).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace testsupport {

class ScriptedSerial {
 public:
  // The comm calls a test can make fail.
  enum class Call { Open, Setup, Purge, GetState, SetState, SetTimeouts, ClearError, Read, Write };

  struct Lines {
    uint32_t time;
    bool dtr;
    bool rts;
  };
  struct WriteRecord {
    uint32_t time;
    std::vector<uint8_t> bytes;  // the bytes the device took (all it was given, unless cut short)
    DWORD asked;                 // the count the caller asked to write
  };
  struct Stamped {
    uint32_t time;
    DWORD value;  // purge flags
  };

  explicit ScriptedSerial(int comNumber);
  ~ScriptedSerial();  // removes the device from its COM number
  ScriptedSerial(const ScriptedSerial&) = delete;
  ScriptedSerial& operator=(const ScriptedSerial&) = delete;

  // ---- what the program did
  const std::vector<DCB>& States() const;              // every DCB accepted by SetCommState
  const std::vector<COMMTIMEOUTS>& Timeouts() const;   // every accepted SetCommTimeouts
  const std::vector<Lines>& LineChanges() const;       // each change of the DTR/RTS levels
  const std::vector<Stamped>& Purges() const;          // every accepted PurgeComm
  const std::vector<WriteRecord>& Writes() const;      // every WriteFile, also failed ones
  std::vector<uint8_t> Written() const;                // all bytes taken, in order
  bool Dtr() const;                                    // current levels, from the control modes
  bool Rts() const;
  bool IsOpen() const;
  int OpenCount() const;                               // successful opens so far
  void ClearRecords();                                 // forgets the records above (not the state)
  // What GetCommState answers until the next SetCommState (the driver's
  // record, with any fields the program is to leave alone).
  void SetDriverState(const DCB& dcb);

  // ---- playing the other end
  void Feed(const std::vector<uint8_t>& bytes);        // into the driver input buffer
  void Feed(std::initializer_list<uint8_t> bytes);
  void Feed(const std::string& bytes);
  DWORD InputPending() const;                          // cbInQue
  // Every byte taken by a write is fed straight back (an echoing cable).
  void SetEcho(bool echo);
  // Called after each write with the bytes taken; may Feed a reply.
  void OnWrite(std::function<void(const std::vector<uint8_t>&)> callback);

  // ---- the driver output buffer
  void HoldOutput(bool hold);  // while held, taken bytes stay in cbOutQue
  void ReleaseOutput();        // empties cbOutQue (the bytes have gone out)
  DWORD OutputPending() const; // cbOutQue

  // ---- faults
  // The next write takes at most n bytes and returns TRUE (a write timeout).
  void AcceptOnly(DWORD n);
  // The next `times` calls of kind c fail (FALSE with ERROR_GEN_FAILURE; a
  // failed Open is CreateFileA answering INVALID_HANDLE_VALUE); times < 0
  // fails every call until Fail(c, 0). A failed write takes nothing.
  void Fail(Call c, int times = 1);

  struct State;  // shared with the open device; defined in the .cpp

 private:
  int com_;
  std::shared_ptr<State> state_;
};

}  // namespace testsupport
