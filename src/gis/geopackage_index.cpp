// A GeoPackage's R-tree written in bulk. SQLite keeps an R*Tree virtual table in three tables
// of its own: NAME_node holds the nodes, NAME_rowid the node of each feature and NAME_parent
// the parent of each node but the root. A node is a blob of the size SQLite gave the root when
// it created the table: two bytes of tree depth (the root only), two bytes of entry count, then
// the entries, each an 8-byte id (a feature's fid in a leaf, a child's node number above) and
// the box as four 4-byte floats (min x, max x, min y, max y), all big-endian. Node 1 is the
// root; depth 0 means the root is itself a leaf.

#include "gis/geopackage_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/replacing_file.h"

namespace plotaktar {

namespace {

// SQLite's result codes as the program's failures: memory as std::bad_alloc, the disk's own
// as FileError with the system's code, the rest as Error with SQLite's message.
[[noreturn]] void ThrowSqlite(sqlite3* db, int code, const std::string& what) {
    if ((code & 0xff) == SQLITE_NOMEM || code == SQLITE_IOERR_NOMEM) {
        throw std::bad_alloc();
    }
    int error = 0;
    if ((code & 0xff) == SQLITE_FULL) {
        error = ENOSPC;
    } else if ((code & 0xff) == SQLITE_IOERR || (code & 0xff) == SQLITE_CANTOPEN) {
        // The system's code of the failing call, which SQLite may have lost by the time the
        // failure comes back (a page written out while the cache spills); the file keeps its
        // own.
        if (db != nullptr) {
            error = sqlite3_system_errno(db);
            if (error == 0) {
                sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &error);
            }
        }
        error = error != 0 ? error : EIO;
    }
    if (error != 0) {
        throw FileError(platform::FileErrorMessage(error), error);
    }
    throw Error(what + ": " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code)));
}

// An identifier in double quotes, as GDAL quotes the names in its SQL.
std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        sqlite3_stmt* statement = nullptr;
        const int code = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1,
                                            &statement, nullptr);
        statement_.reset(statement);
        if (code != SQLITE_OK) {
            ThrowSqlite(db, code, "cannot prepare " + sql);
        }
    }

    // True while there is a row to read.
    bool step() {
        const int code = sqlite3_step(statement_.get());
        if (code == SQLITE_ROW) {
            return true;
        }
        if (code != SQLITE_DONE) {
            ThrowSqlite(db_, code, "cannot index the GeoPackage");
        }
        return false;
    }
    // Runs a statement that returns no rows, ready to run again.
    void run() {
        (void)step();
        sqlite3_reset(statement_.get());
    }

    void bind(int index, int64_t value) { sqlite3_bind_int64(statement_.get(), index, value); }
    void bind(int index, const std::string& text) {
        sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    // The bytes stay the caller's until the next bind of the same index.
    void bind(int index, std::span<const unsigned char> bytes) {
        sqlite3_bind_blob(statement_.get(), index, bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_STATIC);
    }

    int64_t integer(int column) const { return sqlite3_column_int64(statement_.get(), column); }
    std::string text(int column) const {
        const auto* bytes = sqlite3_column_text(statement_.get(), column);
        return bytes != nullptr ? std::string(reinterpret_cast<const char*>(bytes)) : std::string();
    }
    // Empty for a null.
    std::span<const unsigned char> blob(int column) const {
        const void* bytes = sqlite3_column_blob(statement_.get(), column);
        const int size = sqlite3_column_bytes(statement_.get(), column);
        return {static_cast<const unsigned char*>(bytes), bytes != nullptr ? size_t(size) : 0};
    }
    bool isNull(int column) const {
        return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
    }

  private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

class Database {
  public:
    explicit Database(const std::string& path) {
        sqlite3* db = nullptr;
        const int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        db_.reset(db);
        if (code != SQLITE_OK) {
            ThrowSqlite(db, code, "cannot open the GeoPackage");
        }
        sqlite3_extended_result_codes(db, 1);
        // The R-tree's own tables are written directly, which a defensive connection forbids.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 0, static_cast<int*>(nullptr));
        // The file is still in its temporary folder; it is synced when it is put in place.
        execute("PRAGMA synchronous = OFF");
    }

    void execute(const std::string& sql) {
        char* message = nullptr;
        const int code = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &message);
        sqlite3_free(message);
        if (code != SQLITE_OK) {
            ThrowSqlite(db_.get(), code, "cannot index the GeoPackage");
        }
    }
    Statement prepare(const std::string& sql) { return Statement(db_.get(), sql); }

    // Closes the file, so that a failing last write is seen.
    void close() {
        const int code = sqlite3_close(db_.release());
        if (code != SQLITE_OK) {
            ThrowSqlite(nullptr, code, "cannot close the GeoPackage");
        }
    }

  private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };
    std::unique_ptr<sqlite3, Close> db_;
};

// A box in the coordinates of its geometry.
struct Box {
    double minX, maxX, minY, maxY;
};

[[noreturn]] void ThrowNotAGeometry(const std::string& table) {
    throw Error("the layer " + table + " holds a geometry that is no GeoPackage geometry");
}

// A double of a geometry blob, in its byte order.
double ReadReal(const unsigned char* at, bool little) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= uint64_t(at[little ? i : 7 - i]) << (8 * i);
    }
    return std::bit_cast<double>(bits);
}

// Reads the box of a geometry in well-known binary: every coordinate pair that is a number.
class WkbBounds {
  public:
    WkbBounds(std::span<const unsigned char> bytes, const std::string& table)
        : rest_(bytes), table_(table) {}

    // Nothing when no coordinate is a number (an empty geometry).
    std::optional<Box> read() {
        geometry(0);
        return any_ ? std::optional<Box>(box_) : std::nullopt;
    }

  private:
    // Collections nest; deeper than this is no geometry of ours or GDAL's.
    static constexpr int kMaxNesting = 32;

    void geometry(int nesting) {
        if (nesting > kMaxNesting || rest_.empty() || rest_[0] > 1) {
            ThrowNotAGeometry(table_);
        }
        const bool little = rest_[0] == 1;
        rest_ = rest_.subspan(1);
        uint32_t type = number(little);
        size_t dimensions = 2;
        // The extended form's flags for Z and M, then ISO's thousands.
        dimensions += (type & 0x80000000u) != 0;
        dimensions += (type & 0x40000000u) != 0;
        type &= 0x0fffffffu;
        const uint32_t family = type / 1000;
        if (family > 3) {
            ThrowNotAGeometry(table_);
        }
        dimensions += family == 3 ? 2 : family != 0;
        switch (type % 1000) {
            case 1:
                points(1, dimensions, little);
                break;
            case 2:
                points(number(little), dimensions, little);
                break;
            case 3:
                for (uint32_t rings = number(little); rings > 0; --rings) {
                    points(number(little), dimensions, little);
                }
                break;
            case 4:
            case 5:
            case 6:
            case 7:
                for (uint32_t parts = number(little); parts > 0; --parts) {
                    geometry(nesting + 1);
                }
                break;
            default:
                ThrowNotAGeometry(table_);
        }
    }

    uint32_t number(bool little) {
        if (rest_.size() < 4) {
            ThrowNotAGeometry(table_);
        }
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= uint32_t(rest_[little ? i : 3 - i]) << (8 * i);
        }
        rest_ = rest_.subspan(4);
        return value;
    }

    void points(uint32_t count, size_t dimensions, bool little) {
        if (rest_.size() / (8 * dimensions) < count) {
            ThrowNotAGeometry(table_);
        }
        for (uint32_t i = 0; i < count; ++i) {
            const double x = ReadReal(rest_.data(), little);
            const double y = ReadReal(rest_.data() + 8, little);
            rest_ = rest_.subspan(8 * dimensions);
            if (std::isnan(x) || std::isnan(y)) {
                continue;
            }
            if (!any_) {
                box_ = {x, x, y, y};
                any_ = true;
            }
            box_ = {std::min(box_.minX, x), std::max(box_.maxX, x), std::min(box_.minY, y),
                    std::max(box_.maxY, y)};
        }
    }

    std::span<const unsigned char> rest_;
    const std::string& table_;
    Box box_{};
    bool any_ = false;
};

// The box of a GeoPackage geometry blob as GDAL's ST_MinX ... ST_MaxY give it: the envelope of
// its header when it has one (GDAL writes one for all but points), else the geometry's own.
// Nothing for an empty geometry.
std::optional<Box> BoxOf(std::span<const unsigned char> blob, const std::string& table) {
    // "GP", version, flags, srs_id; then the envelope, then the geometry.
    if (blob.size() < 8 || blob[0] != 'G' || blob[1] != 'P') {
        ThrowNotAGeometry(table);
    }
    const unsigned char flags = blob[3];
    if ((flags & 0x10) != 0) {
        return std::nullopt;
    }
    const int envelope = (flags >> 1) & 7;
    static constexpr size_t kEnvelopeBytes[] = {0, 32, 48, 48, 64};
    if (envelope > 4 || blob.size() < 8 + kEnvelopeBytes[envelope]) {
        ThrowNotAGeometry(table);
    }
    if (envelope != 0) {
        const bool little = (flags & 1) != 0;
        const unsigned char* at = blob.data() + 8;
        return Box{ReadReal(at, little), ReadReal(at + 8, little), ReadReal(at + 16, little),
                   ReadReal(at + 24, little)};
    }
    if ((flags & 0x20) != 0) {
        // An extended geometry, whose body is no well-known binary.
        ThrowNotAGeometry(table);
    }
    return WkbBounds(blob.subspan(8), table).read();
}

// A coordinate as SQLite's R-tree stores it: the nearest float when that lies on the outer
// side, otherwise the value moved outward by one part in 2^23 first, by SQLite's own
// arithmetic, so that a box holds what it bounds and equals the box SQLite would store.
constexpr double kTowardZero = 1.0 - 1.0 / 8388608.0;
constexpr double kAwayFromZero = 1.0 + 1.0 / 8388608.0;

float LowerBound(double value) {
    float f = static_cast<float>(value);
    if (f > value) {
        f = static_cast<float>(value * (value < 0 ? kAwayFromZero : kTowardZero));
    }
    return f;
}

float UpperBound(double value) {
    float f = static_cast<float>(value);
    if (f < value) {
        f = static_cast<float>(value * (value < 0 ? kTowardZero : kAwayFromZero));
    }
    return f;
}

// An entry of a node: a feature's fid and box in a leaf, a child's node number and box above.
// Once a feature's leaf is written, its entry holds the leaf's number in place of the box,
// which is no longer needed: the feature-to-leaf table is then written from the same array.
struct Entry {
    int64_t id;
    union {
        float box[4];  // min x, max x, min y, max y
        int64_t leaf;
    };
};
static_assert(sizeof(Entry) == 24, "an entry is a node cell's 8-byte id and four floats");

// The bytes of a cell in a node: the id and four coordinates.
constexpr size_t kCellBytes = 24;

// A float's bits as an unsigned number in the float's order.
uint32_t InOrder(float value) {
    const auto bits = std::bit_cast<uint32_t>(value);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// Sorts entries by the centres of their boxes on one axis (0: x, 1: y), ties in their present
// order: 8-byte keys of centre and place are sorted, and the entries then moved once into
// their places, which is several times faster than sorting the entries themselves.
void SortByCentre(std::span<Entry> entries, int axis, std::vector<uint64_t>& keys) {
    constexpr uint64_t kPlace = 0xffffffffu;
    keys.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        keys[i] = uint64_t(InOrder(entry.box[2 * axis] + entry.box[2 * axis + 1])) << 32 | i;
    }
    std::sort(keys.begin(), keys.end());
    // Place p takes the entry now at keys[p]'s place; each cycle of moves is followed once and
    // every place it fills is marked as its own.
    for (size_t start = 0; start < entries.size(); ++start) {
        if ((keys[start] & kPlace) == start) {
            continue;
        }
        const Entry held = entries[start];
        size_t at = start;
        for (;;) {
            const size_t from = keys[at] & kPlace;
            keys[at] = (keys[at] & ~kPlace) | at;
            if (from == start) {
                entries[at] = held;
                break;
            }
            entries[at] = entries[from];
            at = from;
        }
    }
}

// Puts `entries` in Sort-Tile-Recursive order for nodes of at most `perNode` entries: sorted
// by the centres' x into vertical slices of about the square root of the nodes' number, each
// slice sorted by y. Returns where each node's entries begin, and the end last: node i holds
// [starts[i], starts[i + 1]). The entries are shared out evenly, so every node is nearly full.
std::vector<size_t> TileOrder(std::span<Entry> entries, size_t perNode) {
    const size_t count = entries.size();
    if (count > 0xffffffffu) {
        throw std::bad_alloc();  // more than the sort keys can number
    }
    const size_t nodes = (count + perNode - 1) / perNode;
    const auto slices = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(nodes))));
    const auto startOf = [&](size_t node) { return node * count / nodes; };
    std::vector<uint64_t> keys;
    SortByCentre(entries, 0, keys);
    for (size_t slice = 0; slice < slices; ++slice) {
        const size_t first = startOf(slice * nodes / slices);
        const size_t last = startOf((slice + 1) * nodes / slices);
        SortByCentre(entries.subspan(first, last - first), 1, keys);
    }
    std::vector<size_t> starts(nodes + 1);
    for (size_t node = 0; node <= nodes; ++node) {
        starts[node] = startOf(node);
    }
    return starts;
}

void PutBigEndian(unsigned char* at, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = static_cast<unsigned char>(value);
        value >>= 8;
    }
}

// Writes the nodes of one R-tree.
class NodeWriter {
  public:
    NodeWriter(Database& db, const std::string& rtree, size_t nodeSize)
        : data_(nodeSize),
          insert_(db.prepare("INSERT INTO " + Quoted(rtree + "_node") +
                             " (nodeno, data) VALUES (?1, ?2)")),
          replaceRoot_(db.prepare("UPDATE " + Quoted(rtree + "_node") +
                                  " SET data = ?1 WHERE nodeno = 1")) {}

    // A node other than the root, numbered `node`.
    void write(int64_t node, std::span<const Entry> entries) {
        fill(entries, 0);
        insert_.bind(1, node);
        insert_.bind(2, std::span<const unsigned char>(data_));
        insert_.run();
    }
    void writeRoot(std::span<const Entry> entries, int depth) {
        fill(entries, depth);
        replaceRoot_.bind(1, std::span<const unsigned char>(data_));
        replaceRoot_.run();
    }

  private:
    void fill(std::span<const Entry> entries, int depth) {
        std::fill(data_.begin(), data_.end(), 0);
        PutBigEndian(&data_[0], static_cast<uint64_t>(depth), 2);
        PutBigEndian(&data_[2], entries.size(), 2);
        unsigned char* at = &data_[4];
        for (const Entry& entry : entries) {
            PutBigEndian(at, static_cast<uint64_t>(entry.id), 8);
            for (int i = 0; i < 4; ++i) {
                PutBigEndian(at + 8 + 4 * i, std::bit_cast<uint32_t>(entry.box[i]), 4);
            }
            at += kCellBytes;
        }
    }

    std::vector<unsigned char> data_;
    Statement insert_;
    Statement replaceRoot_;
};

// Inserts rows of two integers into a table, a hundred a statement: within one statement
// SQLite keeps its place in the table from row to row, which halves the time of a million.
class PairInserter {
  public:
    PairInserter(Database& db, const std::string& table, const std::string& columns)
        : db_(db),
          insert_("INSERT INTO " + Quoted(table) + " (" + columns + ") VALUES "),
          full_(db.prepare(statementOf(kRows))) {}

    void add(int64_t a, int64_t b) {
        pending_[rows_++] = {a, b};
        if (rows_ == kRows) {
            run(full_);
        }
    }
    // Inserts the rows still pending.
    void finish() {
        if (rows_ > 0) {
            Statement rest = db_.prepare(statementOf(rows_));
            run(rest);
        }
    }

  private:
    static constexpr int kRows = 100;

    std::string statementOf(int rows) const {
        std::string sql = insert_ + "(?,?)";
        for (int i = 1; i < rows; ++i) {
            sql += ",(?,?)";
        }
        return sql;
    }
    void run(Statement& statement) {
        for (int i = 0; i < rows_; ++i) {
            statement.bind(2 * i + 1, pending_[i].first);
            statement.bind(2 * i + 2, pending_[i].second);
        }
        statement.run();
        rows_ = 0;
    }

    Database& db_;
    std::string insert_;
    Statement full_;
    std::pair<int64_t, int64_t> pending_[kRows];
    int rows_ = 0;
};

// The smallest box holding the entries'.
Entry Bounding(int64_t node, std::span<const Entry> entries) {
    Entry parent{node, {}};
    parent.box[0] = parent.box[2] = std::numeric_limits<float>::infinity();
    parent.box[1] = parent.box[3] = -std::numeric_limits<float>::infinity();
    for (const Entry& entry : entries) {
        parent.box[0] = std::min(parent.box[0], entry.box[0]);
        parent.box[1] = std::max(parent.box[1], entry.box[1]);
        parent.box[2] = std::min(parent.box[2], entry.box[2]);
        parent.box[3] = std::max(parent.box[3], entry.box[3]);
    }
    return parent;
}

// The fid column of a feature table: its integer primary key.
std::string FidColumn(Database& db, const std::string& table) {
    Statement columns = db.prepare("PRAGMA table_info(" + Quoted(table) + ")");
    while (columns.step()) {
        if (columns.integer(5) == 1) {
            return columns.text(1);
        }
    }
    throw Error("the layer " + table + " has no fid column");
}

// The fids and boxes of a layer's geometries, empty and null ones left out.
std::vector<Entry> ReadEntries(Database& db, const std::string& table, const std::string& fid,
                               const std::string& column) {
    std::vector<Entry> entries;
    Statement count = db.prepare("SELECT count(*) FROM " + Quoted(table));
    if (count.step()) {
        entries.reserve(static_cast<size_t>(count.integer(0)));
    }
    Statement rows =
        db.prepare("SELECT " + Quoted(fid) + ", " + Quoted(column) + " FROM " + Quoted(table));
    while (rows.step()) {
        if (rows.isNull(1)) {
            continue;
        }
        const std::optional<Box> box = BoxOf(rows.blob(1), table);
        if (!box) {
            continue;
        }
        Entry entry{rows.integer(0), {}};
        entry.box[0] = LowerBound(box->minX);
        entry.box[1] = UpperBound(box->maxX);
        entry.box[2] = LowerBound(box->minY);
        entry.box[3] = UpperBound(box->maxY);
        entries.push_back(entry);
    }
    return entries;
}

// Packs the entries into the R-tree's nodes, the root last, and records each feature's leaf
// and each node's parent.
void WriteTree(Database& db, const std::string& rtree, size_t nodeSize,
               std::vector<Entry>& entries) {
    const size_t perNode = (nodeSize - 4) / kCellBytes;
    NodeWriter nodes(db, rtree, nodeSize);
    std::vector<std::pair<int64_t, int64_t>> parents;  // node, its parent
    int depth = 0;
    if (entries.size() <= perNode) {
        nodes.writeRoot(entries, 0);
        for (Entry& entry : entries) {
            entry.leaf = 1;
        }
    } else {
        // The leaves, then each level above them until the root holds the top one.
        int64_t next = 2;
        std::vector<Entry> level;
        std::vector<size_t> starts = TileOrder(entries, perNode);
        level.reserve(starts.size() - 1);
        for (size_t i = 0; i + 1 < starts.size(); ++i) {
            const std::span<Entry> leaf(&entries[starts[i]], starts[i + 1] - starts[i]);
            nodes.write(next, leaf);
            level.push_back(Bounding(next, leaf));
            for (Entry& entry : leaf) {
                entry.leaf = next;
            }
            ++next;
        }
        depth = 1;
        while (level.size() > perNode) {
            std::vector<Entry> above;
            starts = TileOrder(level, perNode);
            above.reserve(starts.size() - 1);
            for (size_t i = 0; i + 1 < starts.size(); ++i) {
                const std::span<const Entry> node(&level[starts[i]], starts[i + 1] - starts[i]);
                nodes.write(next, node);
                above.push_back(Bounding(next, node));
                for (const Entry& child : node) {
                    parents.emplace_back(child.id, next);
                }
                ++next;
            }
            level = std::move(above);
            ++depth;
        }
        nodes.writeRoot(level, depth);
        for (const Entry& child : level) {
            parents.emplace_back(child.id, 1);
        }
    }

    // In ascending keys, so that SQLite appends to its tables. The fids of a layer GDAL wrote
    // run without a gap: each feature's leaf then goes straight to its fid's place.
    PairInserter rowids(db, rtree + "_rowid", "rowid, nodeno");
    int64_t first = std::numeric_limits<int64_t>::max(), last = 0;
    for (const Entry& entry : entries) {
        first = std::min(first, entry.id);
        last = std::max(last, entry.id);
    }
    if (!entries.empty() && first >= 0 && static_cast<uint64_t>(last - first) < entries.size()) {
        std::vector<int64_t> leafOf(entries.size());
        for (const Entry& entry : entries) {
            leafOf[static_cast<size_t>(entry.id - first)] = entry.leaf;
        }
        for (size_t i = 0; i < leafOf.size(); ++i) {
            rowids.add(first + static_cast<int64_t>(i), leafOf[i]);
        }
    } else {
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.id < b.id; });
        for (const Entry& entry : entries) {
            rowids.add(entry.id, entry.leaf);
        }
    }
    rowids.finish();
    std::sort(parents.begin(), parents.end());
    PairInserter parentRows(db, rtree + "_parent", "nodeno, parentnode");
    for (const auto& [node, above] : parents) {
        parentRows.add(node, above);
    }
    parentRows.finish();
}

// The triggers with which GDAL keeps a layer's R-tree up to date, in GDAL's words: a feature
// with a geometry that is not empty has its box in the R-tree, under its fid.
void CreateTriggers(Database& db, const std::string& table, const std::string& column,
                    const std::string& fid) {
    const std::string rtree = "rtree_" + table + "_" + column;
    const std::string t = Quoted(table), c = Quoted(column), f = Quoted(fid), r = Quoted(rtree);
    const std::string insertBox = "INSERT OR REPLACE INTO " + r + " VALUES (NEW." + f +
                                  ",ST_MinX(NEW." + c + "), ST_MaxX(NEW." + c + "),ST_MinY(NEW." +
                                  c + "), ST_MaxY(NEW." + c + "));";
    const std::string trigger = "CREATE TRIGGER ";
    db.execute(trigger + Quoted(rtree + "_insert") + " AFTER INSERT ON " + t + " WHEN (new." + c +
               " NOT NULL AND NOT ST_IsEmpty(NEW." + c + ")) BEGIN " + insertBox + " END");
    db.execute(trigger + Quoted(rtree + "_update1") + " AFTER UPDATE OF " + c + " ON " + t +
               " WHEN OLD." + f + " = NEW." + f + " AND (NEW." + c +
               " NOTNULL AND NOT ST_IsEmpty(NEW." + c + ")) BEGIN " + insertBox + " END");
    db.execute(trigger + Quoted(rtree + "_update2") + " AFTER UPDATE OF " + c + " ON " + t +
               " WHEN OLD." + f + " = NEW." + f + " AND (NEW." + c + " ISNULL OR ST_IsEmpty(NEW." +
               c + ")) BEGIN DELETE FROM " + r + " WHERE id = OLD." + f + "; END");
    db.execute(trigger + Quoted(rtree + "_update3") + " AFTER UPDATE ON " + t + " WHEN OLD." + f +
               " != NEW." + f + " AND (NEW." + c + " NOTNULL AND NOT ST_IsEmpty(NEW." + c +
               ")) BEGIN DELETE FROM " + r + " WHERE id = OLD." + f + "; " + insertBox + " END");
    db.execute(trigger + Quoted(rtree + "_update4") + " AFTER UPDATE ON " + t + " WHEN OLD." + f +
               " != NEW." + f + " AND (NEW." + c + " ISNULL OR ST_IsEmpty(NEW." + c +
               ")) BEGIN DELETE FROM " + r + " WHERE id IN (OLD." + f + ", NEW." + f + "); END");
    db.execute(trigger + Quoted(rtree + "_delete") + " AFTER DELETE ON " + t + " WHEN old." + c +
               " NOT NULL BEGIN DELETE FROM " + r + " WHERE id = OLD." + f + "; END");
}

bool HasTable(Database& db, const std::string& name) {
    Statement table = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    table.bind(1, name);
    return table.step();
}

void IndexLayer(Database& db, const std::string& table, const std::string& column) {
    const std::string fid = FidColumn(db, table);
    const std::string rtree = "rtree_" + table + "_" + column;
    db.execute("BEGIN");
    if (!HasTable(db, "gpkg_extensions")) {
        db.execute(
            "CREATE TABLE gpkg_extensions (table_name TEXT,column_name TEXT,extension_name TEXT "
            "NOT NULL,definition TEXT NOT NULL,scope TEXT NOT NULL,CONSTRAINT ge_tce UNIQUE "
            "(table_name, column_name, extension_name))");
    }
    Statement extension = db.prepare(
        "INSERT INTO gpkg_extensions (table_name,column_name,extension_name,definition,scope) "
        "VALUES (?1, ?2, 'gpkg_rtree_index', "
        "'http://www.geopackage.org/spec120/#extension_rtree', 'write-only')");
    extension.bind(1, table);
    extension.bind(2, column);
    extension.run();
    db.execute("CREATE VIRTUAL TABLE " + Quoted(rtree) +
               " USING rtree(id, minx, maxx, miny, maxy)");

    // SQLite made the root empty, in the node size every node of the tree has.
    Statement root =
        db.prepare("SELECT length(data) FROM " + Quoted(rtree + "_node") + " WHERE nodeno = 1");
    const int64_t nodeSize = root.step() ? root.integer(0) : 0;
    if (nodeSize < static_cast<int64_t>(4 + 3 * kCellBytes) || nodeSize > 65536) {
        throw Error("SQLite made the spatial index of " + table + " with nodes of " +
                    std::to_string(nodeSize) + " bytes");
    }
    std::vector<Entry> entries = ReadEntries(db, table, fid, column);
    WriteTree(db, rtree, static_cast<size_t>(nodeSize), entries);
    CreateTriggers(db, table, column, fid);
    db.execute("COMMIT");
}

}  // namespace

void AddGeoPackageSpatialIndexes(const std::string& path) {
    Database db(path);
    std::vector<std::pair<std::string, std::string>> layers;  // table, geometry column
    {
        Statement columns =
            db.prepare("SELECT table_name, column_name FROM gpkg_geometry_columns ORDER BY rowid");
        while (columns.step()) {
            layers.emplace_back(columns.text(0), columns.text(1));
        }
    }
    for (const auto& [table, column] : layers) {
        IndexLayer(db, table, column);
    }
    db.close();
}

}  // namespace plotaktar
