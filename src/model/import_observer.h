#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

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
    // The geometry file cannot be opened: nothing is read, the label files are not opened.
    GeometryCannotBeOpened,
    // The label file cannot be opened: the geometry file is read, the companion is not opened.
    LabelsCannotBeOpened,
    // The bytes at the file's first letters beyond ASCII (64 KiB of them) are valid UTF-8 with
    // a multi-byte sequence: most likely saved as UTF-8, where the files must be windows-1254.
    LooksLikeUtf8,
    // No entry has the companion's derived name, and several are equal to it ignoring case:
    // none is read.
    SeveralCompanions,
};

// One warning about one input file, as the user interface receives them after an import.
struct FileWarning {
    std::string fileName;
    ImportWarning warning;
    uint64_t lineCount = 0;               // NoCarriageReturns: the lines the file was read as
    platform::OpenFailure openFailure{};  // ...CannotBeOpened: why
    std::vector<std::string> matches{};   // SeveralCompanions: the entries, as paths

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

    // Something about an input file that the user should know.
    virtual void importWarning(const FileWarning& warning) { (void)warning; }

    // True when being told something may paint the tables being imported (a window paints its
    // pages while a box is up and between progress steps): the import then tells nothing while
    // a second thread still writes the tables.
    virtual bool paintsTablesWhenTold() const { return false; }
};

}  // namespace plotaktar
