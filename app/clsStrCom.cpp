#include "app/clsStrCom.h"

#include <cstring>

#include "platform/winapi.h"

clsStrCom::clsStrCom() : m_text() {}

void clsStrCom::SetText(const std::string& text) { m_text = text; }

const std::string& clsStrCom::Text() const { return m_text; }

int32_t clsStrCom::FindDelimiter(const std::string& delimiters, int32_t start) const {
  const int32_t length = static_cast<int32_t>(m_text.size());
  if (start < 1) start = 1;
  if (start > length) return start;

  // Character boundaries are only known from the beginning of the text, so the
  // walk always starts at position 1; a start that falls on the second byte of
  // a double-byte character therefore never reports that byte.
  int32_t pos = 1;
  while (pos <= length) {
    const unsigned char c = static_cast<unsigned char>(m_text[pos - 1]);
    if (IsDBCSLeadByte(c)) {
      pos += 2;  // lead byte and the byte after it form one character
      continue;
    }
    if (pos >= start && c != '\0' && std::memchr(delimiters.data(), c, delimiters.size()) != nullptr) {
      return pos;
    }
    ++pos;
  }
  return length + 1;
}

int32_t clsStrCom::FieldCount(const std::string& delimiters) const {
  const int32_t length = static_cast<int32_t>(m_text.size());
  int32_t count = 0;
  int32_t pos = 1;
  for (;;) {
    const int32_t found = FindDelimiter(delimiters, pos);
    ++count;
    if (found > length) break;
    pos = found + 1;
  }
  return count;
}

std::string clsStrCom::Field(const std::string& delimiters, int32_t n) const {
  if (n < 0) return std::string();
  const int32_t length = static_cast<int32_t>(m_text.size());
  int32_t pos = 1;
  for (int32_t i = 0; i < n; ++i) {
    if (pos > length) return std::string();  // ran out of fields
    pos = FindDelimiter(delimiters, pos) + 1;
  }
  if (pos > length) return std::string();
  const int32_t end = FindDelimiter(delimiters, pos);
  return m_text.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(end - pos));
}
