// Initialisation files: "[Section]" headers followed by "Key=Value" lines.
// Section and key names compare case-insensitively; reads go to the file each
// time, and every write rewrites the file at once, keeping every other line
// (sections, keys, comments, blank lines) as it was and in its order.
#pragma once

#include <string>

#include "toolkit/SysUtils.h"

// Raised when the file cannot be written (the file as it was stays intact).
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class TIniFile {
 public:
  explicit TIniFile(const std::string& fileName);

  const std::string& FileName() const { return m_fileName; }

  // The value of `ident` in `section` with surrounding blanks (and a matching
  // pair of quotes) removed; `def` when the file, the section or the key is
  // missing.
  std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
  // The value as a decimal integer, or hexadecimal after "$" or "0x"; `def`
  // when it is missing, empty or not a number.
  int ReadInteger(const std::string& section, const std::string& ident, int def) const;

  // Sets `ident` in `section`, creating the file, the section and the key as
  // needed. The file is replaced as a whole (written beside it, then renamed
  // over it), so a crash leaves either the old or the new file. Raises
  // EIniFileException when it cannot be written, or when a name or value holds
  // a line break (or a section name "]", a key "=") that would change the
  // file's structure.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);

 private:
  std::string m_fileName;
};
