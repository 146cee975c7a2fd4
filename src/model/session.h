#pragma once

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
};

}  // namespace plotaktar
