#include "import/import_files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "import/geometry_readers.h"
#include "import/import_context.h"
#include "import/label_files.h"
#include "import/line_reader.h"
#include "import/utf8_text.h"
#include "model/errors.h"
#include "model/second_thread.h"
#include "platform/case_lookup.h"
#include "platform/large_pages.h"

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

// Reads geometry lines, telling the observer how far the reading has come in the file.
void ReadLines(ImportContext& ctx, const std::string& fileName, LineReader lines, size_t total) {
    size_t nextReport = lines.position() + kProgressStep;
    while (!lines.atEnd()) {
        ++ctx.lineNumber;
        ReadGeometryLine(ctx, lines.next());
        if (lines.position() >= nextReport) {
            ctx.observer.importProgress(fileName, lines.position(), total);
            nextReport = lines.position() + kProgressStep;
        }
    }
}

// The held failures and warnings of what a second thread reads, told in the order of an import
// on one thread once this thread's own are told.
class HeldMessages : public ImportObserver {
  public:
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        failures_.emplace_back(word, lineNumber);
    }
    void importWarning(const FileWarning& warning) override { warnings_.push_back(warning); }

    // Failures (their line numbers `lineShift` further on) before warnings: geometry lines give
    // only failures, label files only warnings.
    void tell(ImportObserver& observer, uint64_t lineShift = 0) const {
        for (const auto& [word, line] : failures_) {
            observer.recordFailed(word, line + lineShift);
        }
        for (const FileWarning& w : warnings_) {
            observer.importWarning(w);
        }
    }

  private:
    std::vector<std::pair<std::string_view, uint64_t>> failures_;
    std::vector<FileWarning> warnings_;
};

using KindRows = std::array<int, kKindCount>;

// The geometry file's lines from a parcel record on, read on the second thread into a
// workspace of their own. Every row they give belongs behind the rows of its kind that the
// lines before give, and no layer record is among them, so that moving their rows in and
// telling their failures after those of the lines before gives the tables and the messages of
// reading the file in one go. A parcel record first leaves no corner line to a parcel before.
struct SecondHalf {
    explicit SecondHalf(size_t start) : from(start), ctx(workspace, messages) {}

    // Shares the moving of the rows between the threads, each kind's table to one of them: the
    // second thread takes the kinds of the most cells until it has about half of them.
    void shareMoves(const KindRows& rows) {
        std::array<size_t, kKindCount> order{};
        std::array<uint64_t, kKindCount> cells{};
        for (size_t k = 0; k < kKindCount; ++k) {
            order[k] = k;
            cells[k] = static_cast<uint64_t>(rows[k]) * static_cast<uint64_t>(kKinds[k].fields + 1);
        }
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return cells[a] > cells[b]; });
        uint64_t here = 0, there = 0;
        for (size_t k : order) {
            movedThere[k] = there <= here;
            (movedThere[k] ? there : here) += cells[k];
        }
    }

    // Each thread moves its share of the rows once both halves are read: a table is then
    // touched by one thread only. This thread has read the lines before (their row counts in
    // `first`) and waits for the second half.
    void firstHalfRead(const ImportContext& first) {
        std::unique_lock lock(mutex);
        std::copy(std::begin(first.counts), std::end(first.counts), before.begin());
        first_ = Reading::Done;
        changed.notify_all();
        changed.wait(lock, [&] { return secondRead_; });
    }
    // The lines before ended otherwise: nothing is moved.
    void firstHalfAbandoned() {
        std::lock_guard lock(mutex);
        if (first_ == Reading::Going) {
            first_ = Reading::Abandoned;
        }
        changed.notify_all();
    }
    // On the second thread, once it has read its lines (or failed to): waits for the lines
    // before; true when the rows are to be moved.
    bool secondHalfRead() {
        std::unique_lock lock(mutex);
        secondRead_ = true;
        changed.notify_all();
        changed.wait(lock, [&] { return first_ != Reading::Going; });
        return first_ == Reading::Done;
    }

    size_t from;  // the start of its first line
    Workspace workspace;
    HeldMessages messages;
    ImportContext ctx;
    std::exception_ptr ended;    // the program's Error that ended its lines, as it ends the file's
    std::function<void()> wait;  // until the second thread has read and moved its share
    std::array<bool, kKindCount> movedThere{};  // the kinds whose rows the second thread moves
    KindRows before{};                          // the rows of each kind the lines before gave

  private:
    enum class Reading { Going, Done, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    Reading first_ = Reading::Going;
    bool secondRead_ = false;
};

// Moves the second half's rows of one kind into `ws` behind the rows of the lines before,
// numbered on from them.
void MoveRows(Workspace& ws, SecondHalf& second, const KindEntry& kind) {
    const int rows = second.ctx.count(kind.kind);
    if (kind.code.empty() || rows == 0) {
        return;
    }
    const int before = second.before[static_cast<size_t>(kind.kind)];
    Table& table = ws.table(kind.table);
    table.moveCells(second.workspace.table(kind.table), 0, INT_MAX, 1, 0, before);
    table.setRowCount(before + rows + 1);
}

// Marks as used in `to` every layer that `from` marks as used.
void CopyLayerMarks(const LayerTable& from, LayerTable& to) {
    for (int row = 1; row <= kLayerRows; ++row) {
        if (from.field(row, kLayerUsedField) == "1" && to.field(row, kLayerUsedField) != "1") {
            to.setField(row, kLayerUsedField, "1");
        }
    }
}

// Counts the second half's rows (moved already) and moves its corners, flags and layer marks in
// behind the first half's and tells its failures; an Error that ended its lines ends the file's
// here.
void JoinSecondHalf(ImportContext& ctx, SecondHalf& second) {
    Workspace& ws = ctx.workspace;
    Workspace& from = second.workspace;
    const int parcelsBefore = ctx.count(Kind::Parsel);
    for (const KindEntry& kind : kKinds) {
        if (kind.code.empty()) {
            continue;
        }
        ctx.count(kind.kind) += second.ctx.count(kind.kind);
        if (Loaded(from.flags, kind.kind)) {
            RaiseFlag(ws.flags, kind.kind);
        }
    }
    // A parcel's corners are its column of the corner table, behind the first half's parcels;
    // the corner numbers of column 0 stay as they are.
    Table& corners = ws.table(TableId::ParcelCorners);
    Table& secondCorners = from.table(TableId::ParcelCorners);
    const int deepest = secondCorners.storedRows(kCornerNumberColumn) - 1;
    if (deepest >= 1) {
        corners.setColCount(parcelsBefore + secondCorners.colCount());
        corners.setRowCount(std::max(corners.rowCount(), deepest + 1));
        corners.moveCells(secondCorners, kCornerNumberColumn, kCornerNumberColumn + 1, 1, 0, 0);
        corners.moveCells(secondCorners, 1, INT_MAX, kCornerTitleRow, parcelsBefore, 0);
    }
    ctx.cornerCount = second.ctx.cornerCount;
    CopyLayerMarks(from.layerTable, ws.layerTable);
    second.messages.tell(ctx.observer, ctx.lineNumber);
    ctx.lineNumber += second.ctx.lineNumber;
    if (second.ended) {
        std::rethrow_exception(second.ended);
    }
}

// Reads the geometry file whose lines `lines` gives; when `second` is given, only the lines
// before it, joining in its rows once the second thread has read them.
void ReadGeometryFile(ImportContext& ctx, const InputFile& file, const LineReader& lines,
                      SecondHalf* second = nullptr) {
    if (!file.bytes) {
        return;
    }
    const bool notText = WarnAboutFile(ctx, file, lines);
    ctx.observer.importProgress(file.name, 0, lines.size());
    ReadLines(ctx, file.name, lines.part(0, second ? second->from : lines.size()), lines.size());
    if (second != nullptr) {
        // The two threads move the second half's rows in, each its share of the tables.
        second->firstHalfRead(ctx);
        for (const KindEntry& kind : kKinds) {
            if (!second->movedThere[static_cast<size_t>(kind.kind)]) {
                MoveRows(ctx.workspace, *second, kind);
            }
        }
        second->wait();
        JoinSecondHalf(ctx, *second);
    }
    ctx.observer.importProgress(file.name, lines.size(), lines.size());
    if (!notText && !HasGeometryRecords(ctx)) {
        ctx.observer.importWarning({.fileName = file.name,
                                    .warning = ImportWarning::NoRecords,
                                    .lineCount = ctx.lineNumber});
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

// The geometry records of each kind among the lines from byte `from` to byte `to` (where lines
// start), told by the first three bytes of a line. Exact as long as no count reaches the most a
// table holds: every record of a kind takes its row, failing or not.
KindRows CountRecords(std::string_view bytes, size_t from, size_t to) {
    uint32_t codes[kKindCount] = {};
    for (const KindEntry& kind : kKinds) {
        codes[static_cast<size_t>(kind.kind)] = PackedCode(kind.code);
    }
    KindRows rows{};
    const char* p = bytes.data() + from;
    const char* const end = bytes.data() + to;
    while (end - p >= 3) {
        const uint32_t first = PackedCode({p, 3});
        for (size_t k = 0; k < kKindCount; ++k) {
            if (first == codes[k] && first != 0) {
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
    return rows;
}

// Makes room in the record tables for the rows the geometry file will give, so that the tables
// grow once instead of doubling: a big drawing is then neither copied over and over nor faulted
// in twice.
void ReserveRows(Workspace& ws, const KindRows& rows) {
    for (const KindEntry& kind : kKinds) {
        const int count = rows[static_cast<size_t>(kind.kind)];
        if (count > 0 && kind.kind != Kind::Tabaka) {
            ws.table(kind.table).reserveRows(count + 1);
        }
    }
}

// The same for the text table and the label files: at most a row a line (a label line without
// text takes none), so a wrong count costs only room.
void ReserveLabelRows(Workspace& ws, const InputFile& labels, const InputFile& companion) {
    size_t lines = 0;
    for (const InputFile* file : {&labels, &companion}) {
        const std::string_view text = file->text();
        for (const char* p = text.data(); p != nullptr; ++lines) {
            const size_t left = static_cast<size_t>(text.data() + text.size() - p);
            p = static_cast<const char*>(std::memchr(p, '\r', left));
            p = p != nullptr ? p + 1 : nullptr;
        }
    }
    ws.table(KindOf(Kind::Yazi).table)
        .reserveRows(static_cast<int>(std::min<size_t>(lines + 1, INT_MAX)));
}

// Geometry files from this size on are read in two halves, on two threads.
constexpr size_t kGeometryBytesForHalves = size_t{1} << 20;
// Up to this size, no count of a kind can reach the most a table holds, whichever half it is
// counted in.
constexpr size_t kMostBytesForHalves = size_t{1} << 30;

// Where the second half of the geometry lines starts: the first parcel record from about the
// middle of the work on, the label files counted in (they are read on the second thread too).
// 0 when the file is not read in halves.
size_t SecondHalfStart(const LineReader& lines, std::string_view bytes, size_t labelBytes) {
    const size_t size = lines.size();
    if (size < kGeometryBytesForHalves || size > kMostBytesForHalves || labelBytes >= size) {
        return 0;
    }
    const std::string_view parcel = KindOf(Kind::Parsel).code;
    const char* p = bytes.data() + (size + labelBytes) / 2;
    const char* const end = bytes.data() + size;
    for (;;) {
        const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
        if (cr == nullptr) {
            return 0;
        }
        p = static_cast<const char*>(cr) + 1;
        p += p < end && *p == '\n';
        if (std::string_view(p, static_cast<size_t>(end - p)).starts_with(parcel)) {
            return static_cast<size_t>(p - bytes.data());
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

// Stands between the geometry reading and whoever hears of it while the label files are read
// beside it. A window answers a failure box or a progress step by painting its pages, the label
// pages among them, and those must not be read while the second thread still writes them: a
// failure waits until the label files are read, and progress is not told before then (it is only
// now and then anyway).
class LabelsReadGate : public ImportObserver {
  public:
    explicit LabelsReadGate(ImportObserver& next) : next_(next) {}

    // On the second thread, once the label files are read or their reading ended.
    void labelsRead() {
        read_.store(true);
        read_.notify_all();
    }

    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        read_.wait(false);
        next_.recordFailed(word, lineNumber);
    }
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override {
        if (read_.load()) {
            next_.importProgress(fileName, done, total);
        }
    }
    void importWarning(const FileWarning& warning) override {
        read_.wait(false);
        next_.importWarning(warning);
    }
    bool paintsTablesWhenTold() const override { return next_.paintsTablesWhenTold(); }

  private:
    ImportObserver& next_;
    std::atomic<bool> read_{false};
};

// Reads the geometry file on this thread and the label files on a second one: they go to
// different tables and meet only in LayerTable's usage marks, which the label files make in a
// table of their own, copied over once the geometry's layer records are in (as they would be
// when read after them). Given a second half, the second thread reads its lines as well, after
// the label files. False, with nothing read, when no second thread can be started.
bool ReadBesideEachOther(ImportContext& ctx, const InputFile& geometry, const LineReader& lines,
                         const InputFile& labels, const InputFile& companion, SecondHalf* second) {
    auto labelLayers = std::make_unique<LayerTable>();
    HeldMessages warnings;
    ImportContext labelCtx(ctx.workspace, warnings);
    labelCtx.layers = labelLayers.get();
    std::exception_ptr failure;
    LabelsReadGate gate(ctx.observer);
    std::thread reader;
    try {
        reader = std::thread([&] {
            try {
                try {
                    ReadLabelFiles(labelCtx, labels, companion);
                } catch (...) {
                    gate.labelsRead();
                    throw;
                }
                gate.labelsRead();
                if (second != nullptr) {
                    try {
                        ReadLines(second->ctx, geometry.name,
                                  lines.part(second->from, lines.size()), lines.size());
                    } catch (const Error&) {
                        second->ended = std::current_exception();
                    }
                    if (second->secondHalfRead()) {
                        for (const KindEntry& kind : kKinds) {
                            if (second->movedThere[static_cast<size_t>(kind.kind)]) {
                                MoveRows(ctx.workspace, *second, kind);
                            }
                        }
                    }
                }
            } catch (...) {
                failure = std::current_exception();
                if (second != nullptr) {
                    (void)second->secondHalfRead();  // nothing more comes
                }
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    auto join = [&] {
        if (second != nullptr) {
            second->firstHalfAbandoned();  // unless it was read
        }
        if (reader.joinable()) {
            reader.join();
        }
    };
    if (second != nullptr) {
        // The second half joins in only when whatever the second thread read is complete.
        second->wait = [&] {
            join();
            if (failure) {
                std::rethrow_exception(failure);
            }
        };
    }
    // The geometry lines are read in a context of their own that tells the gate, its counts and
    // place taken back after.
    ImportContext geometryCtx(ctx.workspace,
                              ctx.observer.paintsTablesWhenTold() ? gate : ctx.observer);
    geometryCtx.layers = ctx.layers;
    std::copy(std::begin(ctx.counts), std::end(ctx.counts), std::begin(geometryCtx.counts));
    geometryCtx.cornerCount = ctx.cornerCount;
    geometryCtx.lineNumber = ctx.lineNumber;
    try {
        ReadGeometryFile(geometryCtx, geometry, lines, second);
    } catch (const Error&) {
    } catch (...) {
        join();
        throw;
    }
    join();
    std::copy(std::begin(geometryCtx.counts), std::end(geometryCtx.counts), std::begin(ctx.counts));
    ctx.cornerCount = geometryCtx.cornerCount;
    ctx.lineNumber = geometryCtx.lineNumber;
    if (failure) {
        std::rethrow_exception(failure);
    }
    warnings.tell(ctx.observer);
    CopyLayerMarks(*labelLayers, ctx.workspace.layerTable);
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

    // A big geometry file is read in two halves, on two threads, when its second half can start
    // with a parcel record and holds no layer record; the label files are read on the second
    // thread too. A smaller one is read here while the label files, when big, are read beside it.
    const std::string_view text = geometry.text();
    const LineReader lines(text);
    const size_t labelBytes = labels.text().size() + companion.text().size();
    size_t split = SecondHalfStart(lines, text, labelBytes);
    KindRows rows = CountRecords(text, 0, split != 0 ? split : lines.size());
    KindRows secondRows{};
    if (split != 0) {
        secondRows = CountRecords(text, split, lines.size());
        split = secondRows[static_cast<size_t>(Kind::Tabaka)] == 0 ? split : 0;
        for (size_t k = 0; k < kKindCount; ++k) {
            rows[k] += secondRows[k];
        }
    }
    ReserveRows(ws, rows);
    ReserveLabelRows(ws, labels, companion);
    HoldFileInTables(ws, geometry, true);
    HoldFileInTables(ws, labels, false);
    HoldFileInTables(ws, companion, false);
    std::unique_ptr<SecondHalf> second;
    if (split != 0 && SecondThreadAllowed()) {
        second = std::make_unique<SecondHalf>(split);
        HoldFileInTables(second->workspace, geometry, true);
        ReserveRows(second->workspace, secondRows);
        second->shareMoves(secondRows);
    }
    const bool beside =
        second || (geometry.bytes && labelBytes >= kLabelBytesForThread && SecondThreadAllowed());
    if (!beside || !ReadBesideEachOther(ctx, geometry, lines, labels, companion, second.get())) {
        try {
            ReadGeometryFile(ctx, geometry, lines);
        } catch (const Error&) {
        }
        ReadLabelFiles(ctx, labels, companion);
    }
    if (second) {
        // The second half's tables, moved over, leave freed blocks behind.
        second.reset();
        platform::ReturnFreedPages();
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
