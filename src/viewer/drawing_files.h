#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace plotaktar::viewer {

// The files of one drawing: a geometry file with its label file (and the label file's
// companion), or a plot file. Paths are absolute, so that they mean the same files from any
// working folder.
struct DrawingFiles {
    QString main;
    QString labels;
    // Label files beside the geometry that differ from its name, and from each other, only in
    // case: none of them is read.
    QStringList labelsDifferingInCase;

    bool empty() const { return main.isEmpty(); }
    // The files whose change on disk calls for a reload.
    QStringList watched() const;
    // The same files; what was found beside them does not count.
    bool operator==(const DrawingFiles& other) const {
        return main == other.main && labels == other.labels;
    }
};

// The files to open for a list of paths (a file argument, a drop, the open dialog): the first
// plot or geometry file, with a label file from the list or else the .yaz beside it.
DrawingFiles FilesFor(const QStringList& paths);

// A path as the system's bytes, for the core.
std::string Native(const QString& path);

}  // namespace plotaktar::viewer
