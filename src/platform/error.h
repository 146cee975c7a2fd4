#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace plotaktar {

// The working tables, defined with the kinds table (model/record_kinds.h); only named here, so
// that a failure can say in which table's cell it arose.
enum class TableId;

// A cell of a working table: row and column from 0.
struct CellPlace {
    TableId table;
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

// A file that cannot be created, written or closed; errorNumber is the system's error code
// (errno, or a Win32 error code on Windows).
class FileError : public Error {
  public:
    FileError(const std::string& message, int errorNumber)
        : Error(message), errorNumber_(errorNumber) {}
    int errorNumber() const { return errorNumber_; }

    // The file the failure is of, when a writer of several files says which; empty otherwise
    // (the output named to the command).
    std::string file;

  private:
    int errorNumber_;
};

// An input file that could not be read whole as one version of it: it changed (its size, its
// modification time, or the file its path names) while it was read, a read failed part way, or
// (where a reader says so) it cannot be opened at all. Nothing of it is used. The message names the file: "PATH: changed while it was
// read"; `path` and `cause` are its two parts.
class InputReadError : public Error {
  public:
    InputReadError(const std::string& path, const std::string& cause)
        : Error(path + ": " + cause), path_(path), cause_(cause) {}
    const std::string& path() const { return path_; }
    const std::string& cause() const { return cause_; }

  private:
    std::string path_;
    std::string cause_;
};

// What InputReadError says of a file that changed while it was read.
inline constexpr const char* kChangedWhileReadCause = "changed while it was read";

}  // namespace plotaktar
