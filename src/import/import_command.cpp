#include "import/import_command.h"

#include "import/import_files.h"
#include "model/file_names.h"
#include "model/messages.h"

namespace plotaktar {

void RunOpenCommand(Session& session, UserInterface& ui) {
    ui.runOpenDialog(OpenDialogId::Geometry, kGeometryFilter, session.geometryDialog);
    std::string labelPathOfThisRun;
    if (ui.runOpenDialog(OpenDialogId::Labels, kLabelFilter, session.labelDialog)) {
        labelPathOfThisRun = session.labelDialog.fileName;
    }

    // A cancelled dialog leaves its remembered name: the file of an earlier run is read again.
    // The import sets the flags to "0" first, whatever the dialogs gave.
    ImportFiles(session.workspace,
                {session.geometryDialog.fileName, session.labelDialog.fileName,
                 CompanionFileName(labelPathOfThisRun)},
                ui);
    ui.showMessage(kFileOpenedMessage);
}

}  // namespace plotaktar
