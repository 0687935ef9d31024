// The toolkit's error classes and string helpers.
#pragma once

#include <exception>
#include <string>

// Base of every error the toolkit raises; `Message` is what it shows.
class Exception : public std::exception {
 public:
  explicit Exception(const std::string& message) : Message(message) {}
  ~Exception() override = default;
  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;
};

// Raised by the text-to-number conversions.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Text to integer: optional leading blanks, an optional sign, then decimal
// digits or hexadecimal digits after "$" or "0x". Anything else (trailing
// blanks included, or a value outside the int range) raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(const std::string& text);
// The same conversion; `def` when the text is not an integer.
int StrToIntDef(const std::string& text, int def);
// Decimal text of `value`.
std::string IntToStr(int value);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string Trim(const std::string& text);

// The file name of `path` without its folder.
std::string ExtractFileName(const std::string& path);
// `path` with its extension (from the last "." of the file name on) replaced
// by `extension` ("" removes it); a name without an extension gets it added.
std::string ChangeFileExt(const std::string& path, const std::string& extension);
