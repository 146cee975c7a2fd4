#include "plotfile/save_command.h"

#include "model/errors.h"
#include "model/file_name_text.h"
#include "model/messages.h"
#include "model/run_files.h"
#include "platform/files.h"

namespace plotaktar {

void RunSaveCommand(Session& session, UserInterface& ui) {
    std::string fileName;
    if (!ui.runSaveDialog(kPlotFilter, fileName)) {
        return;
    }
    // The message only ever follows a file that is complete, closed and in place.
    const std::string path = WithDefaultExtension(fileName);
    // The open drawing's own files are never written over: the save has no prompt, and a plot
    // file over the geometry file would lose the surveyor's drawing.
    RunFiles files;
    for (const std::string& input : session.importedFiles) {
        files.addExistingInput(input);
    }
    files.addOutput(path);
    if (files.outputThatIsInput()) {
        throw Error(FileNameInMessage(path) + std::string(kOpenDrawingInputSuffix));
    }
    SavePlotFile(session.workspace, path,
                 [&](uint64_t written) { ui.exportProgress(path, written); });
    ui.showMessage(kSavedMessage);
}

std::string WithDefaultExtension(std::string_view fileName) {
    size_t slash = fileName.find_last_of(platform::kPathSeparators);
    std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    std::string result(fileName);
    if (base.find('.') == std::string_view::npos) {
        result += ".plt";
    }
    return result;
}

}  // namespace plotaktar
