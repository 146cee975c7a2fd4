#include "import/import_files.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "import/geometry_readers.h"
#include "import/import_context.h"
#include "import/label_files.h"
#include "import/line_reader.h"
#include "import/utf8_text.h"
#include "model/errors.h"
#include "model/second_thread.h"
#include "platform/case_lookup.h"

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

// Opens a file: an empty name counts as open and yields no lines. `failure` receives why a
// file cannot be opened.
bool Open(InputFile& file, const std::string& name, platform::OpenFailure& failure) {
    file.name = name;
    if (!name.empty()) {
        std::optional<SharedBytes> bytes = ReadInputFile(name, &failure);
        if (!bytes) {
            return false;
        }
        file.bytes = std::move(*bytes);
    }
    return true;
}

// Opens the three files in order; the first that cannot be opened ends the opening, and the
// files after it are not tried. The user hears of a geometry file or a label file that cannot
// be opened, never of a companion (most label files have none); the companion is looked for
// as Windows would find it (P.YFN beside P.YAZ), and when several files could be it, none is
// read and the user hears of them.
void OpenFiles(ImportContext& ctx, const ImportPaths& paths, InputFile& geometry, InputFile& labels,
               InputFile& companion) {
    platform::OpenFailure failure;
    if (!Open(geometry, paths.geometry, failure)) {
        ctx.observer.importWarning({.fileName = paths.geometry,
                                    .warning = ImportWarning::GeometryCannotBeOpened,
                                    .openFailure = std::move(failure)});
        return;
    }
    if (!Open(labels, paths.labels, failure)) {
        ctx.observer.importWarning({.fileName = paths.labels,
                                    .warning = ImportWarning::LabelsCannotBeOpened,
                                    .openFailure = std::move(failure)});
        return;
    }
    std::string companionName = paths.companion;
    if (!companionName.empty()) {
        platform::NameLookup found = platform::FindIgnoringCase(companionName);
        if (!found.several.empty()) {
            ctx.observer.importWarning({.fileName = paths.companion,
                                        .warning = ImportWarning::SeveralCompanions,
                                        .matches = std::move(found.several)});
            return;
        }
        companionName = std::move(found.path);
    }
    (void)Open(companion, companionName, failure);
}

// How much of a file's start the text test looks at, and how many of those bytes may be
// control characters (one in ten).
constexpr size_t kTextTestLength = 4096;
constexpr size_t kControlShare = 10;

// True for a file that is no text drawing file at all: a NUL byte anywhere, or more than a
// tenth of its first 4 KiB below 32 other than tab, CR, LF and Ctrl-Z.
bool IsNotText(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) {
        return true;
    }
    const std::string_view start = bytes.substr(0, kTextTestLength);
    size_t controls = 0;
    for (char c : start) {
        if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\r' && c != '\n' &&
            c != '\x1A') {
            ++controls;
        }
    }
    return controls * kControlShare > start.size();
}

// The reading goes on as usual whatever the file looks like, but whoever started the import
// hears of a file that is no text at all, or one saved with line feeds alone (one long line by
// the rules of the input files). Returns true when the file was found to be no text.
bool WarnAboutFile(ImportContext& ctx, const InputFile& file, const LineReader& lines) {
    if (IsNotText(file.text())) {
        ctx.observer.importWarning({.fileName = file.name, .warning = ImportWarning::NotText});
        return true;
    }
    if (lines.endsLinesWithLineFeedsOnly()) {
        ctx.observer.importWarning(
            {.fileName = file.name, .warning = ImportWarning::NoCarriageReturns, .lineCount = 1});
    }
    if (LooksLikeUtf8(file.text())) {
        ctx.observer.importWarning(
            {.fileName = file.name, .warning = ImportWarning::LooksLikeUtf8});
    }
    return false;
}

// True when the import has handled a geometry record of any kind, failed ones included.
bool HasGeometryRecords(ImportContext& ctx) {
    for (size_t k = 0; k < kKinds.size(); ++k) {
        if (!kKinds[k].code.empty() && ctx.counts[k] > 0) {
            return true;
        }
    }
    return false;
}

void ReadGeometryFile(ImportContext& ctx, const InputFile& file) {
    if (!file.bytes) {
        return;
    }
    std::string_view bytes = file.text();
    LineReader lines(bytes);
    const bool notText = WarnAboutFile(ctx, file, lines);
    uint64_t lineCount = 0;
    size_t nextReport = kProgressStep;
    ctx.observer.importProgress(file.name, 0, lines.size());
    while (!lines.atEnd()) {
        ++ctx.lineNumber;
        ++lineCount;
        ReadGeometryLine(ctx, lines.next());
        if (lines.position() >= nextReport) {
            ctx.observer.importProgress(file.name, lines.position(), lines.size());
            nextReport = lines.position() + kProgressStep;
        }
    }
    ctx.observer.importProgress(file.name, lines.size(), lines.size());
    if (!notText && !HasGeometryRecords(ctx)) {
        ctx.observer.importWarning(
            {.fileName = file.name, .warning = ImportWarning::NoRecords, .lineCount = lineCount});
    }
}

// Lets the tables that cells of the file may go to point into its bytes: the tables of the
// geometry kinds and the corner table for the geometry file, the text table for the label files.
void HoldFileInTables(Workspace& ws, const InputFile& file, bool geometry) {
    if (!file.bytes) {
        return;
    }
    for (const KindEntry& kind : kKinds) {
        if (kind.code.empty() != geometry) {
            ws.table(kind.table).holdBuffer(file.bytes);
        }
    }
    if (geometry) {
        ws.table(TableId::ParcelCorners).holdBuffer(file.bytes);
    }
}

// Makes room in the record tables for the rows the files will give, counted from the first
// three bytes of their lines, so that the tables grow once instead of doubling: a big drawing
// is then neither copied over and over nor faulted in twice. Only an estimate (a failing record
// still takes its row; a label line without text takes none): a wrong count costs only room.
void ReserveRows(Workspace& ws, const InputFile& geometry, const InputFile& labels,
                 const InputFile& companion) {
    // A line's first three bytes as one number, against each geometry kind's code.
    auto code = [](const char* p) {
        return static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
               static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16;
    };
    uint32_t codes[kKindCount] = {};
    for (const KindEntry& kind : kKinds) {
        if (kind.code.size() == 3) {
            codes[static_cast<size_t>(kind.kind)] = code(kind.code.data());
        }
    }
    int rows[kKindCount] = {};
    const std::string_view bytes = geometry.text();
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (end - p >= 3) {
        const uint32_t first = code(p);
        for (size_t k = 0; k < kKindCount; ++k) {
            if (first == codes[k]) {
                ++rows[k];
                break;
            }
        }
        const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
        if (cr == nullptr) {
            break;
        }
        p = static_cast<const char*>(cr) + 1;
        p += p < end && *p == '\n';
    }
    for (const InputFile* file : {&labels, &companion}) {
        const std::string_view text = file->text();
        rows[static_cast<size_t>(Kind::Yazi)] +=
            static_cast<int>(std::count(text.begin(), text.end(), '\r') + 1);
    }
    for (const KindEntry& kind : kKinds) {
        const int count = rows[static_cast<size_t>(kind.kind)];
        if (count > 0 && kind.kind != Kind::Tabaka) {
            ws.table(kind.table).reserveRows(count + 1);
        }
    }
}

// Reads a label file with its reader, after warning of a file that is no text or has no
// carriage returns.
template <typename Reader>
void ReadLabels(ImportContext& ctx, const InputFile& file, Reader reader) {
    if (!file.text().empty()) {
        WarnAboutFile(ctx, file, LineReader(file.text()));
    }
    reader(ctx, file.text());
}

// The label files together; both go to the text table only.
void ReadLabelFiles(ImportContext& ctx, const InputFile& labels, const InputFile& companion) {
    ReadLabels(ctx, labels, ReadLabelFile);
    ReadLabels(ctx, companion, ReadCompanionFile);
}

// Label files from this size on are read beside the geometry file; smaller ones are not worth
// a thread.
constexpr size_t kLabelBytesForThread = size_t{1} << 20;

// The warnings of the label files, held while they are read beside the geometry file and told
// after its own, in the order of an import on one thread.
class HeldWarnings : public ImportObserver {
  public:
    void importWarning(const FileWarning& warning) override { held_.push_back(warning); }
    void tell(ImportObserver& observer) const {
        for (const FileWarning& w : held_) {
            observer.importWarning(w);
        }
    }

  private:
    std::vector<FileWarning> held_;
};

// Reads the geometry file on this thread and the label files on a second one: they go to
// different tables and meet only in LayerTable's usage marks, which the label files make in a
// table of their own, copied over once the geometry's layer records are in (as they would be
// when read after them). False, with nothing read, when no second thread can be started.
bool ReadBesideEachOther(ImportContext& ctx, const InputFile& geometry, const InputFile& labels,
                         const InputFile& companion) {
    auto labelLayers = std::make_unique<LayerTable>();
    HeldWarnings warnings;
    ImportContext labelCtx(ctx.workspace, warnings);
    labelCtx.layers = labelLayers.get();
    std::exception_ptr labelFailure;
    std::thread reader;
    try {
        reader = std::thread([&] {
            try {
                ReadLabelFiles(labelCtx, labels, companion);
            } catch (...) {
                labelFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    try {
        ReadGeometryFile(ctx, geometry);
    } catch (const Error&) {
    } catch (...) {
        reader.join();
        throw;
    }
    reader.join();
    if (labelFailure) {
        std::rethrow_exception(labelFailure);
    }
    warnings.tell(ctx.observer);
    for (int row = 1; row <= kLayerRows; ++row) {
        if (labelLayers->field(row, kLayerUsedField) == "1" &&
            ctx.workspace.layerTable.field(row, kLayerUsedField) != "1") {
            ctx.workspace.layerTable.setField(row, kLayerUsedField, "1");
        }
    }
    return true;
}

}  // namespace

void ImportFiles(Workspace& ws, const ImportPaths& paths, ImportObserver& observer,
                 ImportedBytes* read) {
    ImportContext ctx(ws, observer);
    // A file that cannot be opened ends the opening (the files not opened yield no lines), a
    // failure outside the readers ends the geometry loop. A file that changed while it was
    // read, and anything else, running out of memory above all, ends the import before it
    // touches the tables and reaches the caller.
    InputFile geometry, labels, companion;
    try {
        OpenFiles(ctx, paths, geometry, labels, companion);
    } catch (const InputReadError&) {
        throw;
    } catch (const Error&) {
    }

    // Nothing of an earlier drawing's layers reaches this one's plot file: a layer that this
    // import does not declare has the empty name, as in the first import.
    ws.flags.setAll("0");
    ws.layerTable.clear();

    ReserveRows(ws, geometry, labels, companion);
    HoldFileInTables(ws, geometry, true);
    HoldFileInTables(ws, labels, false);
    HoldFileInTables(ws, companion, false);
    const bool beside = geometry.bytes &&
                        labels.text().size() + companion.text().size() >= kLabelBytesForThread &&
                        SecondThreadAllowed();
    if (!beside || !ReadBesideEachOther(ctx, geometry, labels, companion)) {
        try {
            ReadGeometryFile(ctx, geometry);
        } catch (const Error&) {
        }
        ReadLabelFiles(ctx, labels, companion);
    }

    // Cells of earlier imports that are still in the tables move out of those imports' files.
    const ByteBuffer* current[] = {geometry.bytes.get(), labels.bytes.get(), companion.bytes.get()};
    for (const TableEntry& table : kTables) {
        ws.table(table.id).releaseBuffersExcept(current);
    }
    if (read != nullptr) {
        *read = {geometry.bytes, labels.bytes, companion.bytes};
    }
}

}  // namespace plotaktar
