// The settings object: the single-instance guard and the COM port, which is
// read from the settings file when the first instance starts and written back
// when it ends. The settings file is the executable's path with the extension
// ".INI": section "Global", key "ComPort".
#pragma once

#include <cstdint>
#include <string>

#include "platform/winapi.h"

class clsEnviron {
 public:
  // `guardName` names the instance guard; the text must outlive the object
  // (it is a constant of the program).
  explicit clsEnviron(const char* guardName);
  // Saves the settings in the first instance. A file that cannot be written
  // (a read-only folder, say) is left as it was, without a message.
  ~clsEnviron();
  clsEnviron(const clsEnviron&) = delete;
  clsEnviron& operator=(const clsEnviron&) = delete;

  // 1 when this process created the instance guard, else 0.
  int32_t IsFirstInstance() const { return m_firstInstance; }
  // The current port, brought back to the lowest port first if it ever left
  // LowestPort()..HighestPort().
  int32_t CurrentPort();
  // Makes `port` current when it lies in LowestPort()..HighestPort(); other
  // values are ignored. Returns CurrentPort().
  int32_t ChoosePort(int32_t port);
  int32_t LowestPort() const { return m_lowestPort; }
  int32_t HighestPort() const { return m_highestPort; }

  // Reads the port from the settings file; a missing file or key, or a value
  // that is not a port number, keeps the current port.
  void LoadSettings();
  // Writes the port to the settings file, keeping everything else in it.
  // Returns false when the file could not be written.
  bool SaveSettings();

 private:
  // The settings file's path; empty when the executable's path is unknown.
  std::string SettingsFileName() const;

  const char* m_guardName;
  int32_t m_firstInstance;
  HANDLE m_guard;
  int32_t m_lowestPort;
  int32_t m_highestPort;
  int32_t m_currentPort;
};
