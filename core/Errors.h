// Failures of the roster core. Every message is the text the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace orrimax {

// Base of every failure the core raises. The message is UTF-8 and may hold a
// cell's text with a NUL in it: message() has it whole, what() only up to it.
class RosterError : public std::runtime_error {
 public:
  explicit RosterError(const std::string& message)
      : std::runtime_error(message), message_(message) {}
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// A cell text that a number parse rejects.
class ConvertError : public RosterError {
 public:
  using RosterError::RosterError;
};

// A cell that its parse rejected while saving, and where it is: a column
// and row of the player table, or of the names bank.
class CellConvertError : public ConvertError {
 public:
  enum class Table { Players, NamesBank };
  CellConvertError(const ConvertError& error, Table table, int column, int row)
      : ConvertError(error.message()), table(table), column(column), row(row) {}
  Table table;
  int column;
  int row;
};

// A failure of the file system, with the runtime's text for it.
class InOutError : public RosterError {
 public:
  InOutError(int code, const std::string& message) : RosterError(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// A save that failed after it had begun to rewrite the file in place: the
// file on disk may be incomplete (its backup, if any, is whole).
class IncompleteSaveError : public InOutError {
 public:
  using InOutError::InOutError;
};

// A file whose header puts a block where no block can be.
class RangeError : public RosterError {
 public:
  RangeError() : RosterError("Range check error") {}
};

inline constexpr const char* kReadBeyondEnd = "Read beyond end of file";
inline constexpr const char* kFileAccessDenied = "File access denied";
inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kPathNotFound = "Path not found";
inline constexpr const char* kTooManyOpenFiles = "Too many open files";
inline constexpr const char* kDiskFull = "Disk full";

// The runtime's text for a system error code it has no name for.
std::string IoErrorText(int code);

// A message as the error box shows it: with a full stop, unless it already
// ends with "." or a character below it.
inline std::string WithFullStop(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

// Throws the InOutError that the runtime reports for an errno value.
[[noreturn]] void ThrowIoError(int err);

}  // namespace orrimax
