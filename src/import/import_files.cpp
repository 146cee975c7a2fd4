#include "import/import_files.h"

#include <optional>

#include "import/geometry_readers.h"
#include "import/import_context.h"
#include "import/label_files.h"
#include "import/line_reader.h"
#include "model/errors.h"

namespace plotaktar {

namespace {

// How often, in bytes read, the observer hears how far the import has come.
constexpr size_t kProgressStep = 4u << 20;

// One of the three input files of a run; without bytes it yields no lines (not reached, failed
// to open, or opened under an empty name).
struct InputFile {
    std::string name;
    SharedBytes bytes;

    std::string_view text() const { return bytes ? bytes->view() : std::string_view(); }
};

// Opens a file: an empty name counts as open and yields no lines.
bool Open(InputFile& file, const std::string& name) {
    file.name = name;
    if (!name.empty()) {
        std::optional<SharedBytes> bytes = ReadInputFile(name);
        if (!bytes) {
            return false;
        }
        file.bytes = std::move(*bytes);
    }
    return true;
}

// A file saved with line feeds alone is one long line by the rules of the input files; the
// reading goes on as usual, but whoever started the import hears of it.
void WarnOfLineFeedsOnly(ImportContext& ctx, const InputFile& file, const LineReader& lines) {
    if (lines.endsLinesWithLineFeedsOnly()) {
        ctx.observer.importWarning(file.name, ImportWarning::NoCarriageReturns, 1);
    }
}

void ReadGeometryFile(ImportContext& ctx, const InputFile& file) {
    std::string_view bytes = file.text();
    if (bytes.empty()) {
        return;
    }
    LineReader lines(bytes);
    WarnOfLineFeedsOnly(ctx, file, lines);
    size_t nextReport = kProgressStep;
    ctx.observer.importProgress(file.name, 0, lines.size());
    while (!lines.atEnd()) {
        ++ctx.lineNumber;
        ReadGeometryLine(ctx, lines.next());
        if (lines.position() >= nextReport) {
            ctx.observer.importProgress(file.name, lines.position(), lines.size());
            nextReport = lines.position() + kProgressStep;
        }
    }
    ctx.observer.importProgress(file.name, lines.size(), lines.size());
}

// Lets the tables that cells of the file may go to point into its bytes: the tables of the
// geometry kinds and the corner table for the geometry file, the text table for the label files.
void HoldFileInTables(Workspace& ws, const InputFile& file, bool geometry) {
    if (!file.bytes) {
        return;
    }
    for (const KindEntry& kind : kKinds) {
        if (kind.code.empty() != geometry) {
            ws.grid(kind.grid).holdBuffer(file.bytes);
        }
    }
    if (geometry) {
        ws.grid(Grid::StringGrid11).holdBuffer(file.bytes);
    }
}

// Reads a label file with its reader, after warning of a file without carriage returns.
template <typename Reader>
void ReadLabels(ImportContext& ctx, const InputFile& file, Reader reader) {
    if (!file.text().empty()) {
        WarnOfLineFeedsOnly(ctx, file, LineReader(file.text()));
    }
    reader(ctx, file.text());
}

}  // namespace

void ImportFiles(Workspace& ws, const ImportPaths& paths, ImportObserver& observer) {
    ImportContext ctx(ws, observer);
    // Nothing of an earlier drawing's layers reaches this one's plot file: a layer that this
    // import does not declare has the empty name, as in the first import.
    ws.flags.setAll("0");
    ws.layerTable.clear();

    // Failures about the files' own bytes are silent: one that cannot be opened ends the
    // opening (the files not opened yield no lines), one outside the readers ends the geometry
    // loop. Anything else, running out of memory above all, ends the import and reaches the
    // caller.
    InputFile geometry, labels, companion;
    try {
        (void)(Open(geometry, paths.geometry) && Open(labels, paths.labels) &&
               Open(companion, paths.companion));
    } catch (const Error&) {
    }

    HoldFileInTables(ws, geometry, true);
    HoldFileInTables(ws, labels, false);
    HoldFileInTables(ws, companion, false);
    try {
        ReadGeometryFile(ctx, geometry);
    } catch (const Error&) {
    }
    ReadLabels(ctx, labels, ReadLabelFile);
    ReadLabels(ctx, companion, ReadCompanionFile);

    // Cells of earlier imports that are still in the tables move out of those imports' files.
    const ByteBuffer* current[] = {geometry.bytes.get(), labels.bytes.get(), companion.bytes.get()};
    for (int g = 1; g <= kGridCount; ++g) {
        ws.grid(g).releaseBuffersExcept(current);
    }
}

}  // namespace plotaktar
