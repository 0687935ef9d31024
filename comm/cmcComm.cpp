#include "comm/cmcComm.h"

#include <cstdio>
#include <cstring>

namespace {

// Flag byte 1: fBinary 0, fParity 1, fOutxCtsFlow 2, fOutxDsrFlow 3,
// fDtrControl 4-5, fDsrSensitivity 6, fTXContinueOnXoff 7.
// Flag byte 2: fOutX 0, fInX 1, fErrorChar 2, fNull 3, fRtsControl 4-5,
// fAbortOnError 6.
const uint8_t kParityFlag = 0x02;
const uint8_t kModeMask = 0x30;

// The leading decimal number of text as atol reads it: leading white space,
// an optional sign, then digits; 0 when there are none. Saturates instead of
// overflowing.
int64_t LeadingNumber(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value < (int64_t(1) << 40)) value = value * 10 + (*p - '0');
    ++p;
  }
  return negative ? -value : value;
}

}  // namespace

cmcComm::cmcComm()
    : handle(INVALID_HANDLE_VALUE),
      portNumber(0),
      writeFailed(FALSE),
      inQueueSize(32000),
      txLimit(1024),
      txQueue(new cmcBuff),
      baudRate(9600),
      flags1(0x81),
      flags2(RTS_CONTROL_ENABLE << 4),
      dataBits(8),
      parity(NOPARITY),
      stopBits(ONESTOPBIT),
      xonChar(0x11),
      xoffChar(0x13),
      errorChar(0x3F),
      eofChar(0xFD),
      evtChar(0xFE),
      task(new cmcTask) {
  task->Bind(this, &cmcComm::PumpTx);
  task->Schedule(-1);
}

cmcComm::~cmcComm() {
  Close();
  delete task;
  delete txQueue;
}

char* cmcComm::SplitField(const char* text, char delimiter, int32_t index) {
  if (text == nullptr || index < 0) return nullptr;
  const char* start = text;
  int32_t field = 0;
  for (;;) {
    // Find the end of the field starting at start; a trail byte never ends it.
    const char* p = start;
    while (*p != '\0') {
      if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
        p += 2;
        continue;
      }
      if (*p == delimiter) break;
      ++p;
    }
    if (field == index) {
      size_t n = static_cast<size_t>(p - start);
      char* copy = new char[n + 1];
      std::memcpy(copy, start, n);
      copy[n] = '\0';
      return copy;
    }
    if (*p == '\0') return nullptr;
    start = p + 1;
    ++field;
  }
}

bool cmcComm::Open(int32_t port, const char* settings) {
  if (IsOpen()) return false;
  portNumber = port;
  writeFailed = FALSE;

  char* fields[4] = {nullptr, nullptr, nullptr, nullptr};
  bool complete = true;
  for (int i = 0; i < 4; ++i) {
    fields[i] = SplitField(settings, ',', i);
    if (fields[i] == nullptr) complete = false;
  }
  if (!complete) {
    for (char* f : fields) delete[] f;
    return false;
  }

  int64_t rate = LeadingNumber(fields[0]);
  baudRate = rate > 0 && rate <= 0xFFFFFFFFll ? static_cast<uint32_t>(rate) : 0;

  switch (fields[1][0]) {
    case 'O': case 'o': parity = ODDPARITY; break;
    case 'E': case 'e': parity = EVENPARITY; break;
    case 'M': case 'm': parity = MARKPARITY; break;
    case 'S': case 's': parity = SPACEPARITY; break;
    default: parity = NOPARITY; break;
  }
  flags1 = parity != NOPARITY ? (flags1 | kParityFlag) : (flags1 & ~kParityFlag);

  int64_t bits = LeadingNumber(fields[2]);
  dataBits = bits >= 8 ? 8 : bits <= 4 ? 4 : static_cast<uint8_t>(bits);

  if (std::strcmp(fields[3], "1.5") == 0) {
    stopBits = ONE5STOPBITS;
  } else if (std::strcmp(fields[3], "2") == 0) {
    stopBits = TWOSTOPBITS;
  } else {
    stopBits = ONESTOPBIT;
  }
  for (char* f : fields) delete[] f;

  // A rate of 0 cannot be set on a line (nor give a write timeout).
  if (baudRate == 0) return false;

  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", static_cast<int>(port));
  handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;

  if (!SetupComm(handle, static_cast<DWORD>(inQueueSize), static_cast<DWORD>(txLimit)) ||
      !PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) {
    Close();
    return false;
  }
  if (!ApplySettings()) {
    Close();
    return false;
  }
  return true;
}

void cmcComm::Close() {
  task->Schedule(-1);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
  txQueue->Resize(0);
  writeFailed = FALSE;
}

bool cmcComm::ApplySettings() {
  if (!IsOpen() || baudRate == 0) return false;

  COMMTIMEOUTS timeouts;
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 100000u / baudRate;
  timeouts.WriteTotalTimeoutConstant = 3000;
  if (!SetCommTimeouts(handle, &timeouts)) return false;

  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof(DCB);
  if (!GetCommState(handle, &dcb)) return false;

  dcb.BaudRate = baudRate;
  dcb.fBinary = flags1 & 1;
  dcb.fParity = (flags1 >> 1) & 1;
  dcb.fOutxCtsFlow = (flags1 >> 2) & 1;
  dcb.fOutxDsrFlow = (flags1 >> 3) & 1;
  dcb.fDtrControl = (flags1 >> 4) & 3;
  dcb.fDsrSensitivity = (flags1 >> 6) & 1;
  dcb.fTXContinueOnXoff = (flags1 >> 7) & 1;
  dcb.fOutX = flags2 & 1;
  dcb.fInX = (flags2 >> 1) & 1;
  dcb.fErrorChar = (flags2 >> 2) & 1;
  dcb.fNull = (flags2 >> 3) & 1;
  dcb.fRtsControl = (flags2 >> 4) & 3;
  dcb.fAbortOnError = (flags2 >> 6) & 1;
  dcb.wReserved = 0;
  dcb.XonLim = static_cast<WORD>(inQueueSize / 2);
  dcb.XoffLim = static_cast<WORD>(inQueueSize * 3 / 4);
  dcb.ByteSize = dataBits;
  dcb.Parity = parity;
  dcb.StopBits = stopBits;
  dcb.XonChar = static_cast<char>(xonChar);
  dcb.XoffChar = static_cast<char>(xoffChar);
  dcb.ErrorChar = static_cast<char>(errorChar);
  dcb.EofChar = static_cast<char>(eofChar);
  dcb.EvtChar = static_cast<char>(evtChar);
  return SetCommState(handle, &dcb) != FALSE;
}

int32_t cmcComm::Send(const void* data, int32_t n) {
  if (!IsOpen()) return 0;
  task->Schedule(-1);
  if (data != nullptr && n > 0) txQueue->Append(data, n);
  PumpTx(nullptr);
  return 0;
}

void cmcComm::PumpTx(cmcTask*) {
  int32_t next = -1;
  if (IsOpen()) {
    uint32_t n = static_cast<uint32_t>(txQueue->Count());
    uint32_t chunk = n < static_cast<uint32_t>(txLimit) ? n : static_cast<uint32_t>(txLimit);
    if (DriverTxCount() != 0) {
      next = 10;
    } else {
      DWORD written = 0;
      WriteFile(handle, txQueue->Data(), chunk, &written, nullptr);
      if (written < chunk) {
        // The bytes that did go out stay at the head; nothing is retried.
        writeFailed = TRUE;
      } else if (n > chunk) {
        txQueue->Assign(txQueue->Data() + chunk, static_cast<int32_t>(n - chunk));
        next = 10;
      } else {
        txQueue->Resize(0);
      }
    }
  }
  task->Schedule(next);
}

uint32_t cmcComm::Receive(void* buffer, uint32_t n) {
  if (!IsOpen()) return 0;
  uint32_t available = RxCount();
  if (n > available) n = available;
  DWORD read = 0;
  if (ReadFile(handle, buffer, n, &read, nullptr) != TRUE) return 0;
  return read;
}

uint32_t cmcComm::RxCount() {
  if (!IsOpen()) return 0;
  DWORD errors = 0;
  COMSTAT stat;
  std::memset(&stat, 0, sizeof stat);
  if (!ClearCommError(handle, &errors, &stat)) return 0;
  return stat.cbInQue;
}

uint32_t cmcComm::DriverTxCount() {
  if (!IsOpen()) return 0;
  DWORD errors = 0;
  COMSTAT stat;
  std::memset(&stat, 0, sizeof stat);
  if (!ClearCommError(handle, &errors, &stat)) return 0;
  return stat.cbOutQue;
}

uint32_t cmcComm::TxPending() { return DriverTxCount() + static_cast<uint32_t>(txQueue->Count()); }

uint32_t cmcComm::TxRoom() {
  if (!IsOpen()) return 0;
  return static_cast<uint32_t>(txLimit) - TxPending();
}

bool cmcComm::SetRts(uint8_t mode) {
  flags2 = static_cast<uint8_t>((flags2 & ~kModeMask) | ((mode & 3) << 4));
  return ApplySettings();
}

bool cmcComm::SetDtr(uint8_t mode) {
  flags1 = static_cast<uint8_t>((flags1 & ~kModeMask) | ((mode & 3) << 4));
  return ApplySettings();
}

bool cmcComm::SetBaudRate(uint32_t rate) {
  baudRate = rate;
  return ApplySettings();
}
