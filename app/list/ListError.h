#pragma once

#include <QString>

#include <stdexcept>
#include <string>

namespace quorvane::app {

/// Root of the list logic's own failures. what() is the message the error box
/// shows (UTF-8), before the error box's "." rule.
class ListError : public std::runtime_error {
 public:
  explicit ListError(const std::string& message) : std::runtime_error(message) {}
};

/// A list file could not be opened for reading:
/// "Cannot open file "<full path>". <system reason>" (the command line's
/// `summary` raises it for a missing file; the XML layer raises its own with
/// the same text when a file cannot be read).
class FileOpenError : public ListError {
 public:
  FileOpenError(const QString& fullPath, int errorCode);
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

/// Writing a file failed. The message is the runtime's input/output text for
/// the system error: "File access denied", "Disk full", "Invalid filename",
/// "Too many open files", "File not found", or "I/O error <number>".
class InOutError : public ListError {
 public:
  explicit InOutError(int errorCode);
  int ErrorCode() const { return errorCode_; }
  /// The message for a system error number (errno).
  static std::string MessageFor(int errorCode);

 private:
  int errorCode_;
};

/// A field holds a character a list file cannot carry (a control character
/// other than tab, line feed and carriage return, or U+FFFE/U+FFFF); nothing
/// was written. The message names the game and the field.
class InvalidCharacterError : public ListError {
 public:
  InvalidCharacterError(const QString& gameName, const QString& fieldName, char32_t character);
};

}  // namespace quorvane::app
