// Message splitter: holds one text and cuts it into fields at delimiter
// characters. The shell reads its step and error lines (fields at "@") and its
// menu list (fields at "+" and ",") through it.
//
// Positions are 1-based byte indexes into the text; field numbers are 0-based.
// A byte counts as a delimiter only when it is one of the delimiter set and it
// is a character of its own: in a double-byte code page the lead byte of a
// double-byte character and the byte after it are never delimiters, whatever
// their values.
#pragma once

#include <cstdint>
#include <string>

class clsStrCom {
 public:
  clsStrCom();

  // Replaces the held text with a copy of `text`.
  void SetText(const std::string& text);
  // The held text.
  const std::string& Text() const;

  // The first position at or after `start` that holds a delimiter; the text's
  // length + 1 when there is none, or `start` itself when it already lies
  // beyond the last character. A start below 1 is taken as 1.
  int32_t FindDelimiter(const std::string& delimiters, int32_t start) const;

  // Number of delimiters in the text + 1 (the empty text has one field).
  int32_t FieldCount(const std::string& delimiters) const;

  // The characters between the n-th and the (n+1)-th delimiter; the empty text
  // when that field is empty or does not exist (also for a negative n).
  std::string Field(const std::string& delimiters, int32_t n) const;

 private:
  std::string m_text;
};
