#include "import/import_command.h"

#include "import/import_files.h"
#include "model/messages.h"
#include "platform/files.h"

namespace plotaktar {

namespace {

// Passes an import's failures and progress to the user as they happen and keeps its warnings,
// which the user gets together before the closing message.
class ImportReport : public ImportObserver {
  public:
    explicit ImportReport(UserInterface& ui) : ui_(ui) {}
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        ui_.recordFailed(word, lineNumber);
    }
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override {
        ui_.importProgress(fileName, done, total);
    }
    void importWarning(std::string_view fileName, ImportWarning warning,
                       uint64_t lineCount) override {
        warnings.push_back({std::string(fileName), warning, lineCount});
    }

    std::vector<FileWarning> warnings;

  private:
    UserInterface& ui_;
};

}  // namespace

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

std::string LabelFileBeside(const std::string& geometry) {
    size_t slash = geometry.find_last_of(platform::kPathSeparators);
    size_t dot = geometry.find_last_of('.');
    std::string base = geometry;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        base.resize(dot);
    }
    for (const char* extension : {".yaz", ".YAZ"}) {
        if (platform::UnreadableCause(base + extension).empty()) {
            return base + extension;
        }
    }
    return {};
}

void BitBtn1Click(Session& session, UserInterface& ui) {
    ui.runOpenDialog(OpenDialogId::OpenDialog1, kGeometryFilter, session.openDialog1);
    std::string labelPathOfThisRun;
    if (ui.runOpenDialog(OpenDialogId::OpenDialog2, kLabelFilter, session.openDialog2)) {
        labelPathOfThisRun = session.openDialog2.fileName;
    }

    // A cancelled dialog leaves its remembered name: the file of an earlier run is read again.
    // The import sets the flags to "0" first, whatever the dialogs gave.
    ImportReport report(ui);
    ImportFiles(session.workspace,
                {session.openDialog1.fileName, session.openDialog2.fileName,
                 CompanionFileName(labelPathOfThisRun)},
                report);
    if (!report.warnings.empty()) {
        ui.showWarnings(report.warnings);
    }
    ui.showMessage(kFileOpenedMessage);
}

}  // namespace plotaktar
