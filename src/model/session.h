#pragma once

#include <array>
#include <string>

#include "model/user_interface.h"
#include "model/workspace.h"

namespace plotaktar {

// The state of one window for its lifetime: the working tables and the open dialogs'
// remembered names. The window, the CLI's `run` and the tests each own one.
struct Session {
    Session() { WriteHeaderRows(workspace); }

    Workspace workspace;
    OpenDialogState geometryDialog;
    OpenDialogState labelDialog;
    // The geometry, label and companion file names the last import opened (empty before the
    // first): the save writes over none of them.
    std::array<std::string, 3> importedFiles;
};

}  // namespace plotaktar
