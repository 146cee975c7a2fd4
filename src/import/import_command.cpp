#include "import/import_command.h"

#include <optional>
#include <vector>

#include "import/geometry_readers.h"
#include "import/import_context.h"
#include "import/label_files.h"
#include "import/line_reader.h"
#include "model/cp1254.h"

namespace plotaktar {

namespace {

// How often, in bytes read, the user hears how far the import has come.
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
    ctx.ui.importProgress(file.name, 0, lines.size());
    while (!lines.atEnd()) {
        ++ctx.lineNumber;
        ReadGeometryLine(ctx, lines.next());
        if (lines.position() >= nextReport) {
            ctx.ui.importProgress(file.name, lines.position(), lines.size());
            nextReport = lines.position() + kProgressStep;
        }
    }
    ctx.ui.importProgress(file.name, lines.size(), lines.size());
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
    Workspace& ws = session.workspace;
    ImportContext ctx(ws, ui);
    ws.flags.setAll("0");

    static const std::string geometryFilter =
        Cp1254FromUtf8("Geçici plt Dosyaları (*.gplt) | *.gplt|Bütün dosyalar (*.*)|*.*");
    static const std::string labelFilter =
        Cp1254FromUtf8("yazı Dosyaları (*.yaz) | *.yaz|Bütün dosyalar (*.*)|*.*");
    ui.runOpenDialog(OpenDialogId::OpenDialog1, geometryFilter, session.openDialog1);
    std::string labelPathOfThisRun;
    if (ui.runOpenDialog(OpenDialogId::OpenDialog2, labelFilter, session.openDialog2)) {
        labelPathOfThisRun = session.openDialog2.fileName;
    }

    InputFile geometry, labels, companion;
    try {
        const std::string companionName = CompanionFileName(labelPathOfThisRun);
        (void)(Open(geometry, session.openDialog1.fileName) &&
               Open(labels, session.openDialog2.fileName) && Open(companion, companionName));
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

    static const std::string opened = Cp1254FromUtf8("dosya açıldı");
    ui.showMessage(opened);
}

}  // namespace plotaktar
