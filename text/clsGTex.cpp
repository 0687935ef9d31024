#include "text/clsGTex.h"

#include <cstring>

namespace {
const char kEndKey[] = "End_Of_Ovl";
}

const char* const clsGTex::kErrorText = "**** ERROR !!! ****";

clsGTex::clsGTex()
    : m_sourceKind(kSourceNone),
      m_open(false),
      m_table(nullptr),
      m_position(0),
      m_lineBuffer(new char[kLineBufferSize]),
      m_scanPosition(0),
      m_keyCount(0),
      m_head{std::string(), 0, nullptr, 0, 0},
      m_tail(&m_head),
      m_moreToScan(true) {
  m_lineBuffer[0] = '\0';
}

clsGTex::~clsGTex() {
  KeyEntry* entry = m_head.next;
  while (entry != nullptr) {
    KeyEntry* next = entry->next;
    delete entry;
    entry = next;
  }
  delete[] m_lineBuffer;
}

bool clsGTex::AttachLines(const TextLineTable& table) {
  if (m_sourceKind != kSourceNone) return false;
  m_table = &table;
  m_sourceKind = kSourceLines;
  return true;
}

bool clsGTex::Open() {
  if (m_sourceKind != kSourceLines || m_table == nullptr) return false;
  m_open = true;
  m_position = 0;
  return true;
}

bool clsGTex::ReadLine() {
  if (!m_open || m_table->lines == nullptr) return false;
  if (m_position < 0 || m_position >= m_table->count) return false;
  const char* line = m_table->lines[m_position];
  if (line == nullptr) return false;

  // Longer lines keep their first kMaxLineChars characters; the rest is dropped.
  size_t length = 0;
  while (length < static_cast<size_t>(kMaxLineChars) && line[length] != '\0') ++length;
  std::memcpy(m_lineBuffer, line, length);
  if (line[length] == '\0') m_lineBuffer[length++] = '\n';
  m_lineBuffer[length] = '\0';
  ++m_position;
  return true;
}

void clsGTex::CutAtNewline() {
  char* newline = std::strchr(m_lineBuffer, '\n');
  if (newline != nullptr) *newline = '\0';
}

bool clsGTex::Seek(int32_t position) {
  if (!m_open) return false;
  if (position < 0 || position > m_table->count) return false;
  m_position = position;
  return true;
}

clsGTex::KeyEntry* clsGTex::ScanNextLine() {
  if (!m_moreToScan) return nullptr;
  if (!m_open) {
    if (!Open()) m_moreToScan = false;
    return nullptr;
  }
  if (!Seek(m_scanPosition) || !ReadLine()) {
    m_moreToScan = false;
    return nullptr;
  }
  CutAtNewline();

  KeyEntry* added = nullptr;
  bool endKey = false;
  if (m_lineBuffer[0] == '#' && m_lineBuffer[1] != '\0') {
    added = new KeyEntry{std::string(m_lineBuffer + 1), Tell(), nullptr, 0, Tell()};
    m_tail->next = added;
    m_tail = added;
    ++m_keyCount;
    endKey = added->name == kEndKey;
  }
  m_scanPosition = Tell();
  if (endKey) m_moreToScan = false;
  return added;
}

clsGTex::KeyEntry* clsGTex::FindKey(const char* name) {
  for (KeyEntry* entry = m_head.next; entry != nullptr; entry = entry->next) {
    if (entry->name == name) return entry;
  }
  // Duplicates further down are never reached: the first occurrence is
  // already in the list and answers above.
  while (m_moreToScan) {
    KeyEntry* added = ScanNextLine();
    if (added != nullptr && added->name == name) return added;
  }
  return nullptr;
}

std::string clsGTex::Lookup(const char* key, int32_t index) {
  if (key == nullptr) return kErrorText;
  KeyEntry* entry = FindKey(key);
  if (entry == nullptr || !m_open || index < 0) return kErrorText;

  int32_t count = entry->cachedIndex;
  int32_t start = entry->cachedPosition;
  if (index < entry->cachedIndex) {
    count = 0;
    start = entry->firstValue;
  }
  if (!Seek(start)) return kErrorText;
  for (; count < index; ++count) {
    if (!ReadLine()) return kErrorText;
  }
  if (!ReadLine()) return kErrorText;
  CutAtNewline();

  entry->cachedIndex = index + 1;
  entry->cachedPosition = Tell();
  return std::string(m_lineBuffer);
}
