#pragma once

#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "model/messages.h"

namespace plotaktar {

// A cell of a table: StringGrid `grid`, row and column from 0.
struct CellPlace {
    int grid;
    int row;
    int column;
};

// A failure that a command lets through to the general error handler. The message is
// windows-1254 bytes, like every text of the program, since it may quote a cell text; it is
// kept whole, NUL bytes included (what() would end at the first one).
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message), message_(message) {}
    const std::string& message() const { return message_; }

    // The cell whose text failed, when the export stopped at one.
    std::optional<CellPlace> cell;

  private:
    std::string message_;
};

// A text that does not convert to an integer: "'%s' is not a valid integer value".
class ConversionError : public Error {
  public:
    using Error::Error;
};

// A layer number that converts but addresses no row of the layer table.
class LayerRangeError : public Error {
  public:
    using Error::Error;
};

// A file that cannot be created, written or closed; errorNumber is the system's error code
// (errno, or a Win32 error code on Windows).
class FileError : public Error {
  public:
    FileError(const std::string& message, int errorNumber)
        : Error(message), errorNumber_(errorNumber) {}
    int errorNumber() const { return errorNumber_; }

  private:
    int errorNumber_;
};

// The whole message of a failure, for the general error handler: "Out of memory" when memory
// ran out.
inline std::string MessageOf(const std::exception& failure) {
    if (const auto* error = dynamic_cast<const Error*>(&failure)) {
        return error->message();
    }
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        return std::string(kOutOfMemoryMessage);
    }
    return failure.what();
}

}  // namespace plotaktar
