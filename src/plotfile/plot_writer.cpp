#include "plotfile/plot_writer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/errors.h"
#include "model/second_thread.h"
#include "model/text.h"
#include "plotfile/plot_grammar.h"

namespace plotaktar {

namespace {

// Lines are collected in one buffer and handed to the sink whenever it holds this much, so a
// million-row file costs a few dozen writes and no allocation per line.
constexpr size_t kChunkSize = size_t{1} << 20;
// The buffer starts this small and doubles up to a chunk: a small drawing's file costs no
// megabyte of memory, a big one a few more allocations in all.
constexpr size_t kFirstCapacity = size_t{1} << 14;

class LineWriter {
  public:
    explicit LineWriter(PlotSink& sink) : sink_(sink) { grow(kFirstCapacity); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Appends the pieces of a line: one capacity check, then one copy per piece.
    template <typename... Texts>
    void put(const Texts&... pieces) {
        const size_t length = (std::string_view(pieces).size() + ...);
        if (length > capacity_ - size_) {
            grow(size_ + length);
        }
        char* p = data_.get() + size_;
        ((p = copy(p, std::string_view(pieces))), ...);
        size_ += length;
    }

    void endLine() {
        put(plot::kLineEnd);
        if (size_ >= kChunkSize) {
            flush();
        }
    }

    void flush() {
        if (size_ > 0) {
            sink_.write({data_.get(), size_});
            size_ = 0;
        }
    }

    // Forgets the lines not yet handed on.
    void discard() { size_ = 0; }

  private:
    // Most pieces are a few bytes: copied here in two overlapping words rather than through a
    // library call each.
    static char* copy(char* to, std::string_view text) {
        const char* from = text.data();
        const size_t n = text.size();
        if (n >= 8 && n <= 16) {
            CopyWord<uint64_t>(to, from);
            CopyWord<uint64_t>(to + n - 8, from + n - 8);
        } else if (n >= 4 && n < 8) {
            CopyWord<uint32_t>(to, from);
            CopyWord<uint32_t>(to + n - 4, from + n - 4);
        } else if (n > 16) {
            std::memcpy(to, from, n);
        } else {
            for (size_t i = 0; i < n; ++i) {
                to[i] = from[i];
            }
        }
        return to + n;
    }
    template <typename Word>
    static void CopyWord(char* to, const char* from) {
        Word word;
        std::memcpy(&word, from, sizeof word);
        std::memcpy(to, &word, sizeof word);
    }

    // Doubles the buffer up to a chunk, which is handed on once it is full. Only a line longer
    // than a chunk (a huge cell, a parcel of many corners) needs more room; it keeps doubling, so
    // that a line put together from many pieces is copied a few times, not once a piece.
    void grow(size_t needed) {
        constexpr size_t kChunkRoom = kChunkSize + 4096;
        const size_t doubled = 2 * capacity_;
        const size_t capacity =
            std::max(needed, needed <= kChunkRoom ? std::min(doubled, kChunkRoom) : doubled);
        std::unique_ptr<char[]> data(new char[capacity]);
        if (size_ > 0) {
            std::memcpy(data.get(), data_.get(), size_);
        }
        data_ = std::move(data);
        capacity_ = capacity;
    }

    PlotSink& sink_;
    std::unique_ptr<char[]> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

constexpr int kNameField = LayerField(ColumnsOf(Kind::Tabaka).name);

// Runs a step that reads a cell's text; a failure is marked with the cell, so that the user can
// be told where the export stopped.
template <TableId table, typename Step>
auto AtCell(const Table& grid, int column, int row, Step step) {
    try {
        return step(grid.cell(column, row));
    } catch (Error& e) {
        e.cell = CellPlace{table, row, column};
        throw;
    }
}

template <TableId table>
std::string_view LayerNameAt(const Table& grid, int column, int row, const LayerTable& layers) {
    return AtCell<table>(grid, column, row,
                         [&](std::string_view cell) { return LookupLayerName(layers, cell); });
}

void WriteLayers(const LayerTable& layers, LineWriter& out) {
    for (int row = 1; row <= kLayerRows; ++row) {
        if (layers.field(row, kLayerUsedField) == "1") {
            out.put(plot::kLayerHead, layers.field(row, kNameField), plot::kLayerTail);
            out.endLine();
        }
    }
}

// Each section is written with its kind's table and columns known at compile time.
template <Columns c, TableId t>
void WritePoints(const Table& grid, const LayerTable& layers, LineWriter& out, int from, int to) {
    for (int row = from; row < to; ++row) {
        std::string_view layer = LayerNameAt<t>(grid, c.layer, row, layers);
        out.put(plot::kPointHead, grid.cell(c.y, row), plot::kBlank, grid.cell(c.x, row),
                plot::kBlank, layer, plot::kBlank, grid.cell(c.z, row), plot::kZeroField,
                grid.cell(c.number, row));
        out.endLine();
    }
}

template <Columns c, TableId t>
void WriteLabels(const Table& grid, const LayerTable& layers, LineWriter& out, int from, int to) {
    for (int row = from; row < to; ++row) {
        std::string_view layer = LayerNameAt<t>(grid, c.layer, row, layers);
        out.put(plot::kLabelHead, grid.cell(c.y, row), plot::kBlank, grid.cell(c.x, row),
                plot::kLabelLeft, grid.cell(c.height, row), plot::kBlank, grid.cell(c.angle, row),
                plot::kZeroField, layer, plot::kBlank, grid.cell(c.text, row));
        out.endLine();
    }
}

template <Columns c, TableId t>
void WriteLines(const Table& grid, const LayerTable& layers, LineWriter& out, int from, int to) {
    for (int row = from; row < to; ++row) {
        std::string_view layer = LayerNameAt<t>(grid, c.layer, row, layers);
        out.put(plot::kLineHead, grid.cell(c.y, row), plot::kBlank, grid.cell(c.x, row),
                plot::kBlank, grid.cell(c.endY, row), plot::kBlank, grid.cell(c.endX, row),
                plot::kZeroField, layer, plot::kLineMiddle, grid.cell(c.z, row), plot::kBlank,
                grid.cell(c.endZ, row));
        out.endLine();
    }
}

// The corners of the parcel in row j are rows 1 to its corner count of column j of the corner
// table.
template <Columns c, TableId t>
void WriteParcels(const Table& parcels, const Table& corners, const LayerTable& layers,
                  LineWriter& out, int from, int to) {
    for (int row = from; row < to; ++row) {
        std::string_view layer = LayerNameAt<t>(parcels, c.layer, row, layers);
        const int32_t cornerCount = AtCell<t>(parcels, c.cornerCount, row,
                                              [](std::string_view cell) { return StrToInt(cell); });
        out.put(plot::kParcelStart, parcels.cell(c.block, row), plot::kParcelNameSeparator,
                parcels.cell(c.parcel, row), plot::kParcelMiddle, layer, plot::kParcelTail);
        out.endLine();
        for (int32_t corner = 1; corner <= cornerCount; ++corner) {
            std::apply([&](auto... piece) { out.put(piece...); },
                       CornerItem(corners.cell(row, corner)).pieces());
        }
        out.endLine();
    }
}

// Rows from..to-1 of the section of one kind (the layer section is written whole).
template <Kind kind>
void WriteSectionRows(const Workspace& workspace, LineWriter& out, int from, int to) {
    constexpr KindEntry entry = KindOf(kind);
    constexpr Columns columns = ColumnsOf(kind);
    const Table& table = workspace.table(entry.table);
    const LayerTable& layers = workspace.layerTable;
    if constexpr (entry.shape == Shape::Layer) {
        WriteLayers(layers, out);
    } else if constexpr (entry.shape == Shape::Point) {
        WritePoints<columns, entry.table>(table, layers, out, from, to);
    } else if constexpr (entry.shape == Shape::Text) {
        WriteLabels<columns, entry.table>(table, layers, out, from, to);
    } else if constexpr (entry.shape == Shape::Line) {
        WriteLines<columns, entry.table>(table, layers, out, from, to);
    } else if constexpr (entry.shape == Shape::Polygon) {
        WriteParcels<columns, entry.table>(table, workspace.table(TableId::ParcelCorners), layers,
                                           out, from, to);
    }
}

using SectionRowsWriter = void (*)(const Workspace&, LineWriter&, int, int);

// One part of the plot file: rows from..to-1 of a section.
struct Part {
    SectionRowsWriter write;
    int from, to;
};

// Rows a part holds: small enough that two threads share a big section evenly and a part's
// text stays well under a chunk, big enough that handing parts over costs nothing.
constexpr int kPartRows = 4096;

// The parts of the plot file in its order: each section whose kind the plot file carries and
// the import loaded, its rows cut into parts.
template <size_t... i>
std::vector<Part> PlotFileParts(const Workspace& workspace, std::index_sequence<i...>) {
    std::vector<Part> parts;
    auto add = [&](auto kindConstant) {
        constexpr Kind kind = decltype(kindConstant)::value;
        constexpr KindEntry entry = KindOf(kind);
        if constexpr (entry.plotSection != 0) {
            if (!Loaded(workspace.flags, kind)) {
                return;
            }
            if constexpr (entry.shape == Shape::Layer) {
                parts.push_back({&WriteSectionRows<kind>, 0, 0});
            } else {
                const int rows = workspace.table(entry.table).rowCount();
                for (int from = 1; from < rows; from += std::min(kPartRows, rows - from)) {
                    parts.push_back(
                        {&WriteSectionRows<kind>, from, from + std::min(kPartRows, rows - from)});
                }
            }
        }
    };
    (add(std::integral_constant<Kind, kPlotOrder[i]>()), ...);
    return parts;
}

// Below this many parts the file is written on the calling thread alone.
constexpr size_t kFewestPartsForTwoThreads = 8;
// Parts formatted ahead of the one being written, at most: the memory a parallel export adds.
constexpr size_t kPartsAhead = 2;

// Collects one part's lines into the text it is pointed at.
class PartSink : public PlotSink {
  public:
    void write(std::string_view bytes) override { bytes_->append(bytes); }
    void pointAt(std::string& bytes) { bytes_ = &bytes; }

  private:
    std::string* bytes_ = nullptr;
};

// What a thread formats parts with, kept from part to part so that its line buffer is made once.
struct PartFormatter {
    PartSink sink;
    LineWriter out{sink};
};

// Hands whole lines on to the sink in the very chunks the one-thread writer gives: each
// chunk ends with the first line that brings it to a chunk's size. Every CR in a plot file
// ends a line (cells come from lines cut at CRs), and CR LF ends each.
class ChunkAssembler {
  public:
    explicit ChunkAssembler(PlotSink& sink) : sink_(sink) {}

    void add(std::string_view lines) {
        while (!lines.empty()) {
            const size_t missing = kChunkSize > pending_.size() ? kChunkSize - pending_.size() : 0;
            const size_t cr = lines.find('\r', missing >= 2 ? missing - 2 : 0);
            if (cr == std::string_view::npos) {
                pending_.append(lines);
                return;
            }
            const std::string_view chunkEnd = lines.substr(0, cr + plot::kLineEnd.size());
            if (pending_.empty()) {
                sink_.write(chunkEnd);
            } else {
                pending_.append(chunkEnd);
                sink_.write(pending_);
                pending_.clear();
            }
            lines.remove_prefix(chunkEnd.size());
        }
    }

    void finish() {
        if (!pending_.empty()) {
            sink_.write(pending_);
            pending_.clear();
        }
    }

  private:
    PlotSink& sink_;
    std::string pending_;
};

// The parts formatted by two threads, each into a text of its own, and handed to the sink in
// their order by the calling thread, which formats parts itself while the next one in order
// is not ready. A part that fails keeps the lines of its rows before the failing one; the
// failure is thrown once those are written, so the sink sees exactly what the sequential
// writer would have given it.
class TwoThreadWriter {
  public:
    TwoThreadWriter(const Workspace& workspace, const std::vector<Part>& parts)
        : workspace_(workspace), parts_(parts), slots_(parts_.size()) {}

    // Returns false, having written nothing, when no second thread can be started (under an
    // address-space limit, say): the caller then writes on its own.
    bool write(PlotSink& sink) {
        std::thread helper;
        try {
            helper = std::thread([this] {
                try {
                    PartFormatter formatter;
                    helpUntilDone(formatter);
                } catch (...) {
                    // No room for the helper's line buffer: the writing thread formats the rest.
                }
            });
        } catch (const std::system_error&) {
            return false;
        }
        try {
            writeInOrder(sink);
        } catch (...) {
            stop();
            helper.join();
            throw;
        }
        stop();
        helper.join();
        return true;
    }

  private:
    struct Slot {
        std::string bytes;
        std::exception_ptr failure;
        bool ready = false;
    };

    void writeInOrder(PlotSink& sink) {
        PartFormatter formatter;
        ChunkAssembler chunks(sink);
        for (size_t i = 0; i < parts_.size(); ++i) {
            {
                std::unique_lock lock(mutex_);
                written_ = i;
                changed_.notify_all();
                while (!slots_[i].ready) {
                    if (!formatNext(lock, formatter)) {
                        changed_.wait(lock);
                    }
                }
            }
            Slot& slot = slots_[i];
            chunks.add(slot.bytes);
            if (slot.failure) {
                std::rethrow_exception(slot.failure);
            }
            std::lock_guard lock(mutex_);
            spare_.push_back(std::move(slot.bytes));
        }
        chunks.finish();
    }

    void helpUntilDone(PartFormatter& formatter) {
        std::unique_lock lock(mutex_);
        while (!stopped_ && next_ < parts_.size()) {
            if (!formatNext(lock, formatter)) {
                changed_.wait(lock);
            }
        }
    }

    // Formats the next part when it is not too far ahead of the writing; the lock is let go
    // meanwhile. False when there was none to format.
    bool formatNext(std::unique_lock<std::mutex>& lock, PartFormatter& formatter) {
        if (stopped_ || next_ >= parts_.size() || next_ > written_ + kPartsAhead) {
            return false;
        }
        const size_t i = next_++;
        std::string bytes;
        if (!spare_.empty()) {
            bytes = std::move(spare_.back());
            spare_.pop_back();
            bytes.clear();
        }
        lock.unlock();
        std::exception_ptr failure;
        formatter.sink.pointAt(bytes);
        try {
            parts_[i].write(workspace_, formatter.out, parts_[i].from, parts_[i].to);
        } catch (...) {
            failure = std::current_exception();
        }
        try {
            formatter.out.flush();
        } catch (...) {
            failure = failure ? failure : std::current_exception();
            formatter.out.discard();
        }
        lock.lock();
        slots_[i].bytes = std::move(bytes);
        slots_[i].failure = failure;
        slots_[i].ready = true;
        changed_.notify_all();
        return true;
    }

    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

    const Workspace& workspace_;
    const std::vector<Part>& parts_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    std::vector<std::string> spare_;
    size_t next_ = 0;
    size_t written_ = 0;
    bool stopped_ = false;
};

class StringSink : public PlotSink {
  public:
    explicit StringSink(std::string& bytes) : bytes_(bytes) {}
    void write(std::string_view bytes) override { bytes_.append(bytes); }

  private:
    std::string& bytes_;
};

}  // namespace

CornerItem::CornerItem(std::string_view cell) {
    const CornerCell parts = SplitCornerCell(cell);
    second_ = parts.y;
    third_ = parts.x;
    rest_ = parts.rest;
}

std::string CornerItem::text() const {
    std::string piece;
    for (std::string_view part : pieces()) {
        piece += part;
    }
    return piece;
}

void WritePlotFile(const Workspace& workspace, PlotSink& sink) {
    std::vector<Part> parts =
        PlotFileParts(workspace, std::make_index_sequence<kPlotOrder.size()>());
    if (parts.size() >= kFewestPartsForTwoThreads && SecondThreadAllowed() &&
        TwoThreadWriter(workspace, parts).write(sink)) {
        return;
    }
    LineWriter out(sink);
    for (const Part& part : parts) {
        part.write(workspace, out, part.from, part.to);
    }
    out.flush();
}

std::string PlotFileBytes(const Workspace& workspace) {
    std::string bytes;
    StringSink sink(bytes);
    WritePlotFile(workspace, sink);
    return bytes;
}

}  // namespace plotaktar
