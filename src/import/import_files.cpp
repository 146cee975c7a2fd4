#include "import/import_files.h"

#include <optional>

#include "import/geometry_readers.h"
#include "import/import_context.h"
#include "import/label_files.h"
#include "import/line_reader.h"

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

void ReadGeometryFile(ImportContext& ctx, const InputFile& file) {
    std::string_view bytes = file.text();
    if (bytes.empty()) {
        return;
    }
    LineReader lines(bytes);
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

void HoldFileInTables(Workspace& ws, const InputFile& file, std::initializer_list<int> grids) {
    if (!file.bytes) {
        return;
    }
    for (int g : grids) {
        ws.grid(g).holdBuffer(file.bytes);
    }
}

}  // namespace

void ImportFiles(Workspace& ws, const ImportPaths& paths, ImportObserver& observer) {
    ImportContext ctx(ws, observer);
    ws.flags.setAll("0");

    InputFile geometry, labels, companion;
    try {
        (void)(Open(geometry, paths.geometry) && Open(labels, paths.labels) &&
               Open(companion, paths.companion));
    } catch (...) {
        // Opening failures are silent; the files not opened yield no lines.
    }

    HoldFileInTables(ws, geometry, {1, 2, 3, 4, 5, 7, 8, 9, 10, 11});
    HoldFileInTables(ws, labels, {6});
    HoldFileInTables(ws, companion, {6});
    try {
        ReadGeometryFile(ctx, geometry);
    } catch (...) {
        // A failure outside the readers ends the geometry loop silently.
    }
    ReadLabelFile(ctx, labels.text());
    ReadCompanionFile(ctx, companion.text());

    // Cells of earlier imports that are still in the tables move out of those imports' files.
    const ByteBuffer* current[] = {geometry.bytes.get(), labels.bytes.get(), companion.bytes.get()};
    for (int g = 1; g <= kGridCount; ++g) {
        ws.grid(g).releaseBuffersExcept(current);
    }
}

}  // namespace plotaktar
