// The text table: turns the built-in line table into keyed sections and
// answers "value line n of key K".
//
// A key line is a line that starts with "#" and has at least one more
// character; the key is the rest of the line, compared byte for byte. The
// values of a key are the lines after its key line, numbered from 0, whatever
// they hold. The key "End_Of_Ovl" ends the text. Keys are found lazily: the
// table is scanned only as far as the first occurrence of the keys asked for,
// and every key remembers where its last read value ended so that reading a
// list in order costs one line per lookup.
#pragma once

#include <cstdint>
#include <string>

#include "profiles/profile.h"

class clsGTex {
 public:
  // The answer for a key that is not found or a line that cannot be read.
  static const char* const kErrorText;

  clsGTex();
  ~clsGTex();
  clsGTex(const clsGTex&) = delete;
  clsGTex& operator=(const clsGTex&) = delete;

  // Attaches the line table (static data, only read). Returns false and keeps
  // the first table when one is already attached.
  bool AttachLines(const TextLineTable& table);

  // Value line `index` (0-based) of `key`, without its line end; kErrorText
  // when the key is unknown, the index is negative or the line lies past the
  // end of the table. A lookup made before AttachLines answers kErrorText and
  // ends the key scan for good.
  std::string Lookup(const char* key, int32_t index);

  // Number of keys indexed so far (the scan is lazy).
  int32_t KeyCount() const { return m_keyCount; }

 private:
  enum { kSourceNone = 0, kSourceLines = 1 };
  static const int32_t kLineBufferSize = 1024;
  static const int32_t kMaxLineChars = kLineBufferSize - 2;  // room for "\n" and the terminator

  struct KeyEntry {
    std::string name;        // key line after the "#"
    int32_t firstValue;      // line index just after the key line
    KeyEntry* next;
    int32_t cachedIndex;     // value index that cachedPosition belongs to
    int32_t cachedPosition;  // line index where value cachedIndex starts
  };

  bool Open();
  bool ReadLine();
  void CutAtNewline();
  bool Seek(int32_t position);
  int32_t Tell() const { return m_position; }
  // Examines one more line of the table; returns the entry it appended, if any.
  KeyEntry* ScanNextLine();
  KeyEntry* FindKey(const char* name);

  int32_t m_sourceKind;
  bool m_open;
  const TextLineTable* m_table;
  int32_t m_position;
  char* m_lineBuffer;
  int32_t m_scanPosition;
  int32_t m_keyCount;
  KeyEntry m_head;  // sentinel; the first real entry is m_head.next
  KeyEntry* m_tail;
  bool m_moreToScan;
};
