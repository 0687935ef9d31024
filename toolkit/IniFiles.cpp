#include "toolkit/IniFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct FileText {
  std::vector<std::string> lines;  // without their line ends
  bool crlf = false;               // the file ends its lines with CR LF
  bool exists = false;
};

bool ReadFileText(const std::string& fileName, FileText* out) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  out->exists = true;
  out->crlf = text.find("\r\n") != std::string::npos;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out->lines.push_back(line);
    start = end + 1;
  }
  return true;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The section a header line opens, or false for other lines.
bool SectionHeader(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

// The key and the value of a "key=value" line; false for other lines
// (comments, blank lines, lines without "=").
bool KeyLine(const std::string& line, std::string* key, std::string* value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';') return false;
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(t.substr(0, eq));
  *value = Trim(t.substr(eq + 1));
  return true;
}

// Index of the first header of `section`, or -1.
long FindSection(const FileText& file, const std::string& section) {
  std::string name;
  for (size_t i = 0; i < file.lines.size(); ++i) {
    if (SectionHeader(file.lines[i], &name) && SameName(name, section)) return static_cast<long>(i);
  }
  return -1;
}

// Where the section that starts at `header` ends: the next header, or the end.
size_t SectionEnd(const FileText& file, size_t header) {
  std::string name;
  size_t i = header + 1;
  while (i < file.lines.size() && !SectionHeader(file.lines[i], &name)) ++i;
  return i;
}

std::string JoinLines(const FileText& file) {
  const char* eol = file.crlf ? "\r\n" : "\n";
  std::string text;
  for (const std::string& line : file.lines) {
    text += line;
    text += eol;
  }
  return text;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Replaces the file at `fileName` with `text`: the text goes to a new file in
// the same folder, is flushed to disk and then renamed over the old one.
// A file reached through a symbolic link is replaced at the link's target.
// Returns an explanation on failure, "" on success.
std::string ReplaceFile(const std::string& fileName, const std::string& text) {
  std::string target = fileName;
  struct stat st;
  bool existed = false;
  if (lstat(fileName.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      char resolved[PATH_MAX];
      if (realpath(fileName.c_str(), resolved) == nullptr) return std::strerror(errno);
      target = resolved;
      if (stat(target.c_str(), &st) != 0) return std::strerror(errno);
    }
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (access(target.c_str(), W_OK) != 0) return std::strerror(errno);
    existed = true;
  }

  static std::atomic<unsigned> counter{0};
  const std::string temp = target + ".~" + std::to_string(static_cast<long>(getpid())) + "-" +
                           std::to_string(counter.fetch_add(1));
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return std::strerror(errno);
  std::string failure;
  if (existed && fchmod(fd, st.st_mode & 07777) != 0) failure = std::strerror(errno);
  if (failure.empty() && !WriteAll(fd, text)) failure = std::strerror(errno);
  if (failure.empty() && fsync(fd) != 0) failure = std::strerror(errno);
  if (close(fd) != 0 && failure.empty()) failure = std::strerror(errno);
  if (failure.empty() && rename(temp.c_str(), target.c_str()) != 0) failure = std::strerror(errno);
  if (!failure.empty()) {
    unlink(temp.c_str());
    return failure;
  }
  // Make the rename itself durable; a folder that cannot be synced is no error.
  const int dir = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return std::string();
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

TIniFile::TIniFile(const std::string& fileName) : m_fileName(fileName) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) const {
  FileText file;
  if (!ReadFileText(m_fileName, &file)) return def;
  const long header = FindSection(file, section);
  if (header < 0) return def;
  const size_t end = SectionEnd(file, static_cast<size_t>(header));
  std::string key, value;
  for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
    if (KeyLine(file.lines[i], &key, &value) && SameName(key, ident)) {
      if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
      }
      return value;
    }
  }
  return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const {
  const std::string value = ReadString(section, ident, std::string());
  if (value.empty()) return def;
  return StrToIntDef(value, def);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  if (HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value) ||
      section.find(']') != std::string::npos || ident.find('=') != std::string::npos || Trim(ident).empty() ||
      (!ident.empty() && (ident[0] == '[' || ident[0] == ';'))) {
    throw EIniFileException("Unable to write to " + m_fileName + ": invalid section, key or value");
  }

  FileText file;
  if (!ReadFileText(m_fileName, &file) && access(m_fileName.c_str(), F_OK) == 0) {
    // The file is there but cannot be read: rewriting it would lose its content.
    throw EIniFileException("Unable to write to " + m_fileName + ": the file cannot be read");
  }

  const std::string line = ident + "=" + value;
  const long header = FindSection(file, section);
  if (header < 0) {
    file.lines.push_back("[" + section + "]");
    file.lines.push_back(line);
  } else {
    const size_t end = SectionEnd(file, static_cast<size_t>(header));
    std::string key, old;
    bool replaced = false;
    for (size_t i = static_cast<size_t>(header) + 1; i < end && !replaced; ++i) {
      if (KeyLine(file.lines[i], &key, &old) && SameName(key, ident)) {
        file.lines[i] = key + "=" + value;  // keeps the key's spelling in the file
        replaced = true;
      }
    }
    if (!replaced) {
      // After the section's last non-blank line, so blank separators stay
      // in front of the next section.
      size_t at = end;
      while (at > static_cast<size_t>(header) + 1 && Trim(file.lines[at - 1]).empty()) --at;
      file.lines.insert(file.lines.begin() + static_cast<long>(at), line);
    }
  }

  const std::string failure = ReplaceFile(m_fileName, JoinLines(file));
  if (!failure.empty()) throw EIniFileException("Unable to write to " + m_fileName + ": " + failure);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}
