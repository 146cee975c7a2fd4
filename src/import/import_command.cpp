#include "import/import_command.h"

#include "import/import_files.h"
#include "model/messages.h"

namespace plotaktar {

std::string CompanionFileName(std::string_view labelPath) {
    // Four characters, not bytes: step back over UTF-8 continuation bytes.
    size_t end = labelPath.size();
    for (int i = 0; i < 4 && end > 0; ++i) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(labelPath[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    std::string name(labelPath.substr(0, end));
    name += ".yfn";
    return name;
}

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
