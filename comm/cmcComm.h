// One COM port opened for exclusive, synchronous access, with its line
// settings, a transmit queue and the transmit task that empties it.
//
// Writing is decoupled from the caller: Send queues the bytes and gives the
// queue one push; the transmit task keeps pushing every 10 ms, at most 1024
// bytes at a time and only into an empty driver buffer. Reading never waits.
// RTS and DTR are driven through their DCB control modes, so every line
// change re-applies the whole settings record.
#pragma once

#include <cstdint>

#include "comm/cmcBuff.h"
#include "comm/cmcTask.h"
#include "platform/winapi.h"

class cmcComm {
 public:
  cmcComm();
  ~cmcComm();
  cmcComm(const cmcComm&) = delete;
  cmcComm& operator=(const cmcComm&) = delete;

  // Opens COMport with a settings text "rate,parity,databits,stopbits". The
  // parsed values are stored even when the open then fails. Fails without
  // opening anything for a text of fewer than four fields or a rate of 0.
  bool Open(int32_t port, const char* settings);
  void Close();
  bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

  // Queues n bytes and pushes the queue once; nothing on a closed port.
  int32_t Send(const void* data, int32_t n);
  // Reads at most n bytes, and never more than are buffered.
  uint32_t Receive(void* buffer, uint32_t n);
  uint32_t RxCount();        // bytes in the driver's input buffer
  uint32_t DriverTxCount();  // bytes in the driver's output buffer
  uint32_t TxPending();      // DriverTxCount + bytes queued here
  uint32_t TxRoom();         // transmit limit - TxPending (unsigned); 0 closed

  // Store the value, also on a closed port (then false), and apply it.
  bool SetRts(uint8_t mode);
  bool SetDtr(uint8_t mode);
  bool SetBaudRate(uint32_t rate);

  bool WriteFailed() const { return writeFailed != FALSE; }

  // Writes timeouts and line settings to the open port.
  bool ApplySettings();

  // One push of the transmit queue; the task argument is not used.
  void PumpTx(cmcTask* task);

  // A new[]-allocated, terminated copy of field index of text, split at the
  // delimiter byte (never at the trail byte of a double-byte character), or
  // null when there is no such field. The caller frees it with delete[].
  static char* SplitField(const char* text, char delimiter, int32_t index);

  // The stored settings (read-only views for the set-up code and tests).
  int32_t PortNumber() const { return portNumber; }
  uint32_t BaudRate() const { return baudRate; }
  uint8_t ByteSize() const { return dataBits; }
  uint8_t Parity() const { return parity; }
  uint8_t StopBits() const { return stopBits; }
  uint8_t RtsMode() const { return (flags2 >> 4) & 3; }
  uint8_t DtrMode() const { return (flags1 >> 4) & 3; }

 private:
  HANDLE handle;
  int32_t portNumber;
  BOOL writeFailed;
  int32_t inQueueSize;
  int32_t txLimit;
  cmcBuff* txQueue;
  uint32_t baudRate;
  uint8_t flags1;  // DCB flag bits 0..7
  uint8_t flags2;  // DCB flag bits 8..14
  uint8_t dataBits;
  uint8_t parity;
  uint8_t stopBits;
  uint8_t xonChar;
  uint8_t xoffChar;
  uint8_t errorChar;
  uint8_t eofChar;
  uint8_t evtChar;
  cmcTask* task;
};
