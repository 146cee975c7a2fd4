#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plotaktar {

// What an import can tell whoever started it, besides what it writes into the tables.
enum class ImportWarning {
    // The file holds line feeds but not one carriage return: line feeds do not end lines, so
    // the whole file was read as one long line.
    NoCarriageReturns,
    // The file holds a NUL byte, or more than a tenth of its first 4 KiB are control
    // characters other than tab, CR, LF and Ctrl-Z: no text drawing file at all.
    NotText,
    // The geometry file gives no record of any kind (an HP-GL file, for instance).
    NoRecords,
};

// One warning about one input file, as the user interface receives them after an import.
struct FileWarning {
    std::string fileName;
    ImportWarning warning;
    uint64_t lineCount;  // the lines the file was read as

    bool operator==(const FileWarning&) const = default;
};

// Hears how an import goes. Every member has a default that does nothing, so a caller
// overrides only what it shows. File names are the file system's bytes.
class ImportObserver {
  public:
    virtual ~ImportObserver() = default;

    // A geometry record failed in its reader with the reader's one-word message (windows-1254).
    // `lineNumber` counts the geometry file's lines from 1.
    virtual void recordFailed(std::string_view word, uint64_t lineNumber) {
        (void)word;
        (void)lineNumber;
    }

    // Called now and then while an import reads `fileName`: `done` of `total` bytes are read.
    virtual void importProgress(std::string_view fileName, uint64_t done, uint64_t total) {
        (void)fileName;
        (void)done;
        (void)total;
    }

    // Something about an input file that the user should know; `lineCount` is the number of
    // lines the file was read as.
    virtual void importWarning(std::string_view fileName, ImportWarning warning,
                               uint64_t lineCount) {
        (void)fileName;
        (void)warning;
        (void)lineCount;
    }
};

}  // namespace plotaktar
