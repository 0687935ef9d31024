#include "settings/clsEnviron.h"

#include "toolkit/IniFiles.h"
#include "toolkit/SysUtils.h"

namespace {
const char kSection[] = "Global";
const char kPortKey[] = "ComPort";
const DWORD kPathBufferSize = 4096;
}  // namespace

clsEnviron::clsEnviron(const char* guardName)
    : m_guardName(guardName),
      m_firstInstance(0),
      m_guard(nullptr),
      m_lowestPort(1),
      m_highestPort(256),
      m_currentPort(1) {
  m_currentPort = m_lowestPort;
  m_guard = CreateMutexA(nullptr, FALSE, m_guardName);
  if (m_guard != nullptr && GetLastError() != ERROR_ALREADY_EXISTS) {
    m_firstInstance = 1;
    LoadSettings();
  }
  // The guard lasts as long as the process: its handle is never closed.
}

clsEnviron::~clsEnviron() {
  if (m_firstInstance == 0) return;
  try {
    SaveSettings();
  } catch (...) {
    // Nothing may escape while the process is ending.
  }
}

int32_t clsEnviron::CurrentPort() {
  if (m_currentPort < m_lowestPort || m_currentPort > m_highestPort) m_currentPort = m_lowestPort;
  return m_currentPort;
}

int32_t clsEnviron::ChoosePort(int32_t port) {
  if (port >= m_lowestPort && port <= m_highestPort) m_currentPort = port;
  return CurrentPort();
}

std::string clsEnviron::SettingsFileName() const {
  char path[kPathBufferSize];
  const DWORD length = GetModuleFileNameA(nullptr, path, kPathBufferSize);
  if (length == 0 || length >= kPathBufferSize) return std::string();  // unknown or cut short
  return ChangeFileExt(std::string(path, length), ".INI");
}

void clsEnviron::LoadSettings() {
  const std::string fileName = SettingsFileName();
  if (fileName.empty()) return;
  const TIniFile ini(fileName);
  ChoosePort(ini.ReadInteger(kSection, kPortKey, CurrentPort()));
}

bool clsEnviron::SaveSettings() {
  const std::string fileName = SettingsFileName();
  if (fileName.empty()) return false;
  try {
    TIniFile ini(fileName);
    ini.WriteInteger(kSection, kPortKey, CurrentPort());
  } catch (const EIniFileException&) {
    return false;
  }
  return true;
}
