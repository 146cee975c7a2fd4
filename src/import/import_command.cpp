#include "import/import_command.h"

#include "import/import_files.h"
#include "model/cp1254.h"

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

void BitBtn1Click(Session& session, UserInterface& ui) {
    static const std::string geometryFilter =
        Cp1254FromUtf8("Geçici plt Dosyaları (*.gplt) | *.gplt|Bütün dosyalar (*.*)|*.*");
    static const std::string labelFilter =
        Cp1254FromUtf8("yazı Dosyaları (*.yaz) | *.yaz|Bütün dosyalar (*.*)|*.*");
    ui.runOpenDialog(OpenDialogId::OpenDialog1, geometryFilter, session.openDialog1);
    std::string labelPathOfThisRun;
    if (ui.runOpenDialog(OpenDialogId::OpenDialog2, labelFilter, session.openDialog2)) {
        labelPathOfThisRun = session.openDialog2.fileName;
    }

    // A cancelled dialog leaves its remembered name: the file of an earlier run is read again.
    // The import sets the flags to "0" first, whatever the dialogs gave.
    ImportFiles(session.workspace,
                {session.openDialog1.fileName, session.openDialog2.fileName,
                 CompanionFileName(labelPathOfThisRun)},
                ui);

    static const std::string opened = Cp1254FromUtf8("dosya açıldı");
    ui.showMessage(opened);
}

}  // namespace plotaktar
