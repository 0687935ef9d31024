// The device behind a COM handle of the Linux stand-in.
//
// CreateFileA("\\.\COMn") normally opens the tty that COMn maps to. A test can
// put its own device behind a COM number instead: every comm function called
// on the handle is then forwarded to that device, one virtual operation per
// function. Logic classes never include this header.
#pragma once

#include <functional>
#include <memory>

#include "platform/winapi.h"

namespace platform {

class CommDevice {
 public:
  virtual ~CommDevice() = default;

  // Each operation returns false for a failed call; the device sets the
  // error with SetLastError where a caller would want a reason.
  virtual bool Setup(DWORD inQueue, DWORD outQueue) = 0;
  virtual bool Purge(DWORD flags) = 0;
  virtual bool GetState(DCB* dcb) = 0;
  virtual bool SetState(const DCB& dcb) = 0;
  virtual bool SetTimeouts(const COMMTIMEOUTS& timeouts) = 0;
  // Clears pending line errors into *errors and fills the queue counts.
  virtual bool ClearError(DWORD* errors, COMSTAT* stat) = 0;
  virtual bool Read(void* buffer, DWORD count, DWORD* read) = 0;
  // *written is the count actually taken, also when the call fails.
  virtual bool Write(const void* buffer, DWORD count, DWORD* written) = 0;
  // Called once by CloseHandle, before the device is destroyed.
  virtual void Close() = 0;
};

using CommDeviceFactory = std::function<std::unique_ptr<CommDevice>()>;

// Puts a device behind COM number comNumber: each CreateFileA of that port
// calls the factory; a factory that returns no device makes the open fail
// with ERROR_ACCESS_DENIED (the port is in use). An empty factory removes the
// device, and the port maps to its tty again. Handles already open keep the
// device they were given.
void InstallCommDevice(int comNumber, CommDeviceFactory factory);

}  // namespace platform
