#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "import/import_files.h"
#include "model/run_files.h"
#include "platform/error.h"
#include "plotfile/plot_file.h"

namespace plotaktar::cli {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A file as the messages name it: decoded from windows-1254 when it is not UTF-8, as cells are,
// and its control characters escaped ("\x0a").
std::string MessageName(std::string_view file);

// Writes "plotaktar-cli: FILE: CAUSE" and a line feed to `err`, FILE as MessageName gives it
// and the control characters of CAUSE escaped too: a cause may quote a cell or a name.
void PrintProblem(std::FILE* err, std::string_view file, std::string_view cause);

// Says that an input was not read whole as one version of it ("plotaktar-cli: FILE: changed
// while it was read") and returns kExitUsage, the status of an input that cannot be read.
int InputReadProblem(std::FILE* err, const InputReadError& failure);

// The files of a conversion, checked before anything runs: `input` and `labels` (when given)
// must be readable input files, and no file of `outputs` one of them nor the companion beside
// `labels` (RunFiles). Says on `err` what is wrong and returns false.
bool CheckConversionFiles(const std::string& input, const std::string& labels,
                          const std::vector<std::string>& outputs, std::FILE* err);
bool CheckConversionFiles(const std::string& input, const std::string& labels,
                          const std::string& output, std::FILE* err);

// Adds a drawing's inputs to `files`: GEOMETRY, LABELS and the companion beside LABELS.
void AddDrawingInputs(RunFiles& files, const std::string& geometry, const std::string& labels);

// When an output of `files` is one of its inputs, says so on `err`, naming the output (and the
// input, when its name differs), and returns false.
bool NoOutputIsInput(const RunFiles& files, std::FILE* err);

// The label file of a command that takes GEOMETRY [LABELS]: `labels` when given; none with
// `noLabels`; otherwise the .yaz beside GEOMETRY (LabelFileBeside), if any, with a line on `err`
// that says so. Several beside it that differ only in case give none, with a warning on `err`
// (SeveralLabelFilesText); none at all sets `noneBeside` (when given). The companion follows
// the label file.
std::string ChosenLabels(const std::string& geometry, const std::string& labels, bool noLabels,
                         std::FILE* err, bool* noneBeside = nullptr);

// The warning about the label files beside GEOMETRY that differ only in case (`several`), none
// of which is read: "GEOMETRY: warning: N label files beside it differ only in case (PATH,
// PATH); no labels" and a line feed.
std::string SeveralLabelFilesText(const std::string& geometry,
                                  const std::vector<std::string>& several);

// One import of GEOMETRY, its label file (ChosenLabels) and the companion beside that, and one
// export, through the same import and export as the window's two buttons.
// Input files that cannot be read are refused before anything runs (status 2); an export
// error or running out of memory is reported on `err` and leaves OUTPUT as it was (status 1);
// failing records and files without carriage returns are reported on `err`; on success one
// summary line goes to `out`.
int RunConvert(const ConvertArgs& args, std::FILE* out, std::FILE* err);

// What one conversion came to: its exit status (kExitOk or kExitFailed), whether it failed for
// want of memory, and on success the records per kind ("nir 3, pol 0, ...") and in all.
struct Conversion {
    int status = kExitFailed;
    bool outOfMemory = false;
    std::string counts;
    uint64_t records = 0;
};

// The import of `paths` and the export of its plot file to `output`, as `convert` runs them
// once its files are checked: failing records go to `observer`, an import or export error to
// `err` (with the cell that stopped the export), and OUTPUT is left as it was on failure. The
// written file is put in place at once, or, with `unplaced`, handed over unsynced and not yet
// in place (its commit() does both; destroying it leaves OUTPUT as it was).
Conversion ConvertFiles(const ImportPaths& paths, const std::string& output,
                        ImportObserver& observer, std::FILE* err,
                        std::unique_ptr<PlotFileOutput>* unplaced = nullptr);

// The problem to print for an export that stopped with `message` (windows-1254): the window's
// text, and for a file error (`fileError` the system's code) what it means for `output`.
std::string ExportProblem(const std::string& message, int fileError, const std::string& output);

// Replays `steps` on one session; message boxes go to `out` as "mesaj:"/"hata:" lines.
// Status 1 when a step reached the error handler or a dump could not be written.
int RunSession(const std::vector<Step>& steps, std::FILE* out, std::FILE* err);

// The default plot file of a geometry path: its extension (the part of the file name from its
// last dot, unless the name begins there) replaced by ".plt", or ".plt" appended.
std::string DefaultOutputName(std::string_view geometry);

}  // namespace plotaktar::cli
