#pragma once

#include <string>
#include <vector>

class QWidget;

namespace plotaktar::viewer {

struct DrawingFiles;

// True, after a message box over `parent` that names the file, when one of `outputs` (every file
// a picture, a sheet or an export would write) is a file of the open drawing: its main file,
// its label file or the companion beside that, by any name (RunFiles). Nothing may then be
// written.
bool WritesOverDrawing(QWidget* parent, const DrawingFiles& files,
                       const std::vector<std::string>& outputs);

}  // namespace plotaktar::viewer
