#pragma once

// The one mapping from the core's names to the names of the designed window: its grids are
// StringGrid1 to StringGrid13 by their table's number, its open dialogs OpenDialog1 and
// OpenDialog2. The window, the state dump and the viewer's record panel show these names; the
// core names things for what they do.

#include <string>

#include "model/record_kinds.h"
#include "model/user_interface.h"

namespace plotaktar {

// "StringGrid1" to "StringGrid13".
inline std::string GridName(TableId table) {
    return "StringGrid" + std::to_string(TableNumber(table));
}

// "OpenDialog1" for the geometry file's dialog, "OpenDialog2" for the label file's.
inline const char* OpenDialogName(OpenDialogId dialog) {
    return dialog == OpenDialogId::Geometry ? "OpenDialog1" : "OpenDialog2";
}

}  // namespace plotaktar
