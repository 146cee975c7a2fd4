#include "import/import_command.h"

#include "import/import_files.h"
#include "model/file_names.h"
#include "model/messages.h"

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
    void importWarning(const FileWarning& warning) override { warnings.push_back(warning); }
    bool paintsTablesWhenTold() const override { return ui_.paintsTablesWhenTold(); }

    std::vector<FileWarning> warnings;

  private:
    UserInterface& ui_;
};

}  // namespace

void RunOpenCommand(Session& session, UserInterface& ui) {
    ui.runOpenDialog(OpenDialogId::Geometry, kGeometryFilter, session.geometryDialog);
    std::string labelPathOfThisRun;
    if (ui.runOpenDialog(OpenDialogId::Labels, kLabelFilter, session.labelDialog)) {
        labelPathOfThisRun = session.labelDialog.fileName;
    }

    // A cancelled dialog leaves its remembered name: the file of an earlier run is read again.
    // The import sets the flags to "0" first, whatever the dialogs gave. The companion is kept
    // by the name it is found under (P.YFN for P.yfn), which a save must not write over.
    ImportReport report(ui);
    const ImportPaths paths{session.geometryDialog.fileName, session.labelDialog.fileName,
                            CompanionFileBeside(labelPathOfThisRun)};
    session.importedFiles = {paths.geometry, paths.labels, paths.companion};
    ImportFiles(session.workspace, paths, report);
    if (!report.warnings.empty()) {
        ui.showWarnings(report.warnings);
    }
    ui.showMessage(kFileOpenedMessage);
}

}  // namespace plotaktar
