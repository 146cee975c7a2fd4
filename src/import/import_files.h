#pragma once

#include <string>

#include "model/import_observer.h"
#include "model/workspace.h"
#include "platform/byte_buffer.h"

namespace plotaktar {

// The three files one import reads, in the order they are opened. An empty name counts as a
// file that opens and holds no lines.
struct ImportPaths {
    std::string geometry;
    std::string labels;
    std::string companion;
};

// One import of the three files into the workspace, the same for the window, plotaktar-cli,
// the viewer and the tests: sets the ten flags to "0" and empties LayerTable, opens the files in
// order (the first that cannot be opened ends the opening, and the files after it yield no
// lines; the companion is the one entry equal to its name ignoring case where none has the name
// itself), offers every geometry line to the readers, reads the label file and then its
// companion into the label table, and lets go of the files of earlier imports. A failing record
// goes to `observer.recordFailed` and the import goes on. `observer.importWarning` hears, in
// this order, of a geometry or label file that cannot be opened (never of the companion) or of
// several companions, then per file read of a file that is no text, or else one with line
// feeds but no carriage return and one that looks saved as UTF-8, and of a geometry file
// without records. A failure that is not about the files' own bytes or a record's text
// (std::bad_alloc when memory runs out) ends the import and is thrown; the tables then hold
// part of the import, every cell readable.
// Given `read`, it receives the bytes of the files read (null for a file not read), which the
// tables' cells point into: for reading the files' lines once more without a second copy.
struct ImportedBytes {
    SharedBytes geometry, labels, companion;
};
void ImportFiles(Workspace& workspace, const ImportPaths& paths, ImportObserver& observer,
                 ImportedBytes* read = nullptr);

}  // namespace plotaktar
