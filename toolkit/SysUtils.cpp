#include "toolkit/SysUtils.h"

#include <climits>
#include <cstdint>

namespace {

// Path delimiters: the folder separator of the system, plus the drive colon
// and the backslash where the system uses them.
bool IsPathDelimiter(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseInt(const std::string& text, int* out) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;  // no digits

  // Accumulate the magnitude with room for INT_MIN.
  const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : static_cast<int64_t>(INT_MAX);
  int64_t value = 0;
  for (; i < n; ++i) {
    const int d = base == 16 ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) return false;
    value = value * base + d;
    if (value > limit) return false;
  }
  *out = static_cast<int>(negative ? -value : value);
  return true;
}

}  // namespace

int StrToInt(const std::string& text) {
  int value = 0;
  if (!ParseInt(text, &value)) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

int StrToIntDef(const std::string& text, int def) {
  int value = 0;
  return ParseInt(text, &value) ? value : def;
}

std::string IntToStr(int value) { return std::to_string(value); }

std::string Trim(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
  return text.substr(first, last - first);
}

std::string ExtractFileName(const std::string& path) {
  size_t start = path.size();
  while (start > 0 && !IsPathDelimiter(path[start - 1])) --start;
  return path.substr(start);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) {
    --i;
    if (path[i] == '.') return path.substr(0, i) + extension;
  }
  return path + extension;
}
