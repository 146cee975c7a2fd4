#include "viewer/output_guard.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

#include "model/file_names.h"
#include "model/run_files.h"
#include "viewer/drawing_files.h"

namespace plotaktar::viewer {

bool WritesOverDrawing(QWidget* parent, const DrawingFiles& files,
                       const std::vector<std::string>& outputs) {
    RunFiles run;
    run.addInput(Native(files.main));
    if (!files.labels.isEmpty()) {
        const std::string labels = Native(files.labels);
        run.addInput(labels);
        run.addInput(CompanionFileBeside(labels));
    }
    run.addOutputs(outputs);
    const std::optional<OutputIsInput> clash = run.outputThatIsInput();
    if (!clash) {
        return false;
    }
    QMessageBox::warning(
        parent, QStringLiteral("plotaktar-view"),
        QStringLiteral("%1: açık çizimin girdi dosyası; üzerine yazılmadı.")
            .arg(QDir::toNativeSeparators(QFile::decodeName(clash->output.c_str()))));
    return true;
}

}  // namespace plotaktar::viewer
