// System functions of the Linux stand-in: the named mutex behind the instance
// guard, the thread's last error, message boxes, the desktop's work area, the
// executable's path and the code page's lead-byte test.

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/handles.h"
#include "platform/hooks.h"
#include "platform/winapi.h"

namespace {

const DWORD kErrorInsufficientBuffer = 122u;

thread_local DWORD t_lastError = ERROR_SUCCESS;

// ---- named mutex -----------------------------------------------------------

// One guard name as this process knows it. `fd` holds the lock when this
// process got it; it is -1 when another process held the lock at creation.
struct GuardName {
  int fd;
  int handles;
};

// What a returned HANDLE points at.
struct MutexHandle {
  std::string name;  // empty for an unnamed mutex
};

// The process-wide state lives in one object made on first use and never
// destroyed: static objects of the program (the settings object above all)
// call these functions while they are built and while they are destroyed,
// in whatever order the translation units are initialised.
struct SystemState {
  std::mutex mutexLock;
  std::map<std::string, GuardName> guards;
  std::set<MutexHandle*> mutexHandles;

  std::mutex hookLock;
  platform::MessageBoxHandler messageBox;
  platform::WorkAreaHandler workArea;
  std::string moduleFileName;
};

SystemState& State() {
  static SystemState* const state = new SystemState();
  return *state;
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    default:
      return ERROR_GEN_FAILURE;
  }
}

// A file name for the guard: letters, digits, "-", "_" and "." stay, every
// other byte becomes %XX, so that different names never share a file.
std::string LockFileName(const std::string& guard) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string safe;
  for (unsigned char c : guard) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.') {
      safe += static_cast<char>(c);
    } else {
      safe += '%';
      safe += kHex[c >> 4];
      safe += kHex[c & 0x0F];
    }
  }
  if (safe.size() > 180) {
    // Keep file names well inside NAME_MAX; the hash keeps long names apart.
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : guard) hash = (hash ^ c) * 1099511628211ull;
    char tail[20];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
    safe = safe.substr(0, 160) + tail;
  }
  return "guard-" + safe + ".lock";
}

// The runtime folder must be ours and private; a folder someone else made in
// its place is refused rather than used.
bool EnsurePrivateDirectory(const std::string& dir, int* err) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    *err = errno;
    return false;
  }
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0) {
    *err = errno;
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != getuid()) {
    *err = EACCES;
    return false;
  }
  return true;
}

std::atomic<unsigned> g_codePage{0};  // constant-initialised

}  // namespace

// ---- hooks -------------------------------------------------------------------

namespace platform {

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(State().hookLock);
  State().messageBox = std::move(handler);
}

void SetWorkAreaHandler(WorkAreaHandler handler) {
  std::lock_guard<std::mutex> lock(State().hookLock);
  State().workArea = std::move(handler);
}

void SetCodePage(unsigned codePage) { g_codePage.store(codePage); }

void SetModuleFileName(const std::string& path) {
  std::lock_guard<std::mutex> lock(State().hookLock);
  State().moduleFileName = path;
}

std::string RuntimeDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg != nullptr && xdg[0] == '/') {
    struct stat st;
    if (stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return std::string(xdg) + "/flash";
  }
  return "/tmp/flash-" + std::to_string(static_cast<unsigned long>(getuid()));
}

}  // namespace platform

// ---- Windows functions -------------------------------------------------------

DWORD WINAPI GetLastError(void) { return t_lastError; }

void WINAPI SetLastError(DWORD error) { t_lastError = error; }

// Named mutexes stand for a per-user lock that lasts for the life of the
// process: an flock()ed file in the runtime folder, released by the system
// however the process ends. The mutex is never owned in the Windows sense
// (`initialOwner` is not used); only its existence matters.
HANDLE WINAPI CreateMutexA(void* security, BOOL initialOwner, LPCSTR name) {
  (void)security;
  (void)initialOwner;
  std::lock_guard<std::mutex> lock(State().mutexLock);

  if (name == nullptr || name[0] == '\0') {
    MutexHandle* handle = new MutexHandle{std::string()};
    State().mutexHandles.insert(handle);
    SetLastError(ERROR_SUCCESS);
    return handle;
  }

  const std::string guard(name);
  auto known = State().guards.find(guard);
  if (known != State().guards.end()) {
    ++known->second.handles;
    MutexHandle* handle = new MutexHandle{guard};
    State().mutexHandles.insert(handle);
    SetLastError(ERROR_ALREADY_EXISTS);
    return handle;
  }

  const std::string dir = platform::RuntimeDirectory();
  int err = 0;
  if (!EnsurePrivateDirectory(dir, &err)) {
    SetLastError(ErrorFromErrno(err));
    return nullptr;
  }
  const std::string path = dir + "/" + LockFileName(guard);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return nullptr;
  }

  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  DWORD result = ERROR_SUCCESS;
  int heldFd = fd;
  if (rc != 0) {
    const int lockErr = errno;
    close(fd);
    if (lockErr != EWOULDBLOCK) {
      SetLastError(ErrorFromErrno(lockErr));
      return nullptr;
    }
    // Another process holds the guard: the name exists.
    heldFd = -1;
    result = ERROR_ALREADY_EXISTS;
  }

  State().guards[guard] = GuardName{heldFd, 1};
  MutexHandle* handle = new MutexHandle{guard};
  State().mutexHandles.insert(handle);
  SetLastError(result);
  return handle;
}

bool platform_CloseMutexHandle(HANDLE h) {
  std::lock_guard<std::mutex> lock(State().mutexLock);
  MutexHandle* handle = static_cast<MutexHandle*>(h);
  auto it = State().mutexHandles.find(handle);
  if (it == State().mutexHandles.end()) return false;
  State().mutexHandles.erase(it);
  if (!handle->name.empty()) {
    auto guard = State().guards.find(handle->name);
    if (guard != State().guards.end() && --guard->second.handles == 0) {
      if (guard->second.fd >= 0) close(guard->second.fd);  // releases the lock
      State().guards.erase(guard);
    }
  }
  delete handle;
  return true;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  platform::MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(State().hookLock);
    handler = State().messageBox;
  }
  if (handler) return handler(owner, text, caption, type);
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
  std::fflush(stderr);
  return IDOK;
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, void* data, UINT winIni) {
  (void)param;
  (void)winIni;
  if (action != SPI_GETWORKAREA || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  platform::WorkAreaHandler handler;
  {
    std::lock_guard<std::mutex> lock(State().hookLock);
    handler = State().workArea;
  }
  RECT area = {0, 0, 1024, 768};
  if (handler) area = handler();
  *static_cast<RECT*>(data) = area;
  return TRUE;
}

// Copies the executable's path as the Windows function does: a path that does
// not fit is cut to size - 1 characters, terminated, and the call answers size.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (module != nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  std::string path;
  {
    std::lock_guard<std::mutex> lock(State().hookLock);
    path = State().moduleFileName;
  }
  if (path.empty()) {
    char link[4096];
    const ssize_t n = readlink("/proc/self/exe", link, sizeof link);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof link)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return 0;
    }
    path.assign(link, static_cast<size_t>(n));
  }
  if (buffer == nullptr || size == 0) {
    SetLastError(kErrorInsufficientBuffer);
    return 0;
  }
  if (path.size() >= size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(kErrorInsufficientBuffer);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

BOOL WINAPI IsDBCSLeadByte(BYTE b) {
  switch (g_codePage.load()) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    default:
      return FALSE;
  }
}
