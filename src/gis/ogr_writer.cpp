// GeoPackage, Shapefile and GeoJSON through GDAL/OGR. Each format is written into a
// temporary folder beside the target first, and put in place only once every file is complete:
// a single file through the platform's replacing file (so a target keeps its permissions and a
// failure leaves it as it was), a Shapefile's sets by renaming, the old files put back when a
// rename fails.

#include <cpl_error.h>
#include <fcntl.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>

#include "exchange/exchange_writer.h"
#include "exchange/layer_style.h"
#include "gis/geopackage_index.h"
#include "gis/geopackage_styles.h"
#include "gis/gis_writers.h"
#include "gis/ogr_records.h"
#include "gis/reprojection.h"
#include "model/cp1254.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "platform/temporaries.h"
#include "platform/test_hook.h"

namespace plotaktar {

namespace {

namespace fs = std::filesystem;

void RegisterDrivers() {
    static std::once_flag once;
    std::call_once(once, [] {
        KeepGdalQuiet();
        // Only the drivers the writers use: GDALAllRegister would also load every plugin,
        // our own read driver among them (installed among GDAL's plugins, or on
        // GDAL_DRIVER_PATH), which is for other programs.
        RegisterOGRGeoPackage();
        RegisterOGRShape();
        RegisterOGRGeoJSON();
        RegisterOGRKML();
    });
}

// A failure GDAL reported, with the system's error code as it stood then.
class GdalError : public Error {
  public:
    GdalError(const std::string& message, int systemError)
        : Error(message), systemError_(systemError) {}
    int systemError() const { return systemError_; }

  private:
    int systemError_;
};

[[noreturn]] void ThrowGdal(const std::string& what) {
    const int systemError = errno;
    std::string message = what;
    const char* detail = CPLGetLastErrorMsg();
    if (detail != nullptr && *detail != '\0') {
        message += ": ";
        message += detail;
    }
    throw GdalError(message, systemError);
}

// The words of a GDAL or SQLite message that say a write found no room.
bool SaysNoRoom(std::string_view message) {
    for (const char* sign : {"database or disk is full", "No space left on device",
                             "Disk quota exceeded", "File too large"}) {
        if (message.find(sign) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool IsNoRoom(int systemError) {
    return systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG;
}

// Hears every error GDAL reports on this thread while it lives (keeping GDAL quiet, as
// KeepGdalQuiet does) and remembers whether one came from a write that found no room: GDAL
// often goes on after it and fails later for what the lost write left out.
class NoRoomWatch {
  public:
    NoRoomWatch() { CPLPushErrorHandlerEx(&NoRoomWatch::heard, this); }
    ~NoRoomWatch() { CPLPopErrorHandler(); }
    NoRoomWatch(const NoRoomWatch&) = delete;
    NoRoomWatch& operator=(const NoRoomWatch&) = delete;
    bool heardNoRoom() const { return heardNoRoom_; }

  private:
    static void CPL_STDCALL heard(CPLErr, CPLErrorNum, const char* message) {
        const int systemError = errno;
        auto* self = static_cast<NoRoomWatch*>(CPLGetErrorHandlerUserData());
        if (self != nullptr &&
            (IsNoRoom(systemError) || (message != nullptr && SaysNoRoom(message)))) {
            self->heardNoRoom_ = true;
        }
    }
    bool heardNoRoom_ = false;
};

// How a finished file of these drivers ends, after any white space: GDAL's GeoJSON writer does
// not check its writes, so a file cut short by a full disk shows only here.
std::string_view LastWordOf(std::string_view driver) {
    return driver == "GeoJSON" ? "}" : "";
}

// True when the file at `path` ends in `word` (white space after it aside).
bool EndsInWord(const std::string& path, std::string_view word) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!in || std::fseek(in.get(), 0, SEEK_END) != 0) {
        return false;
    }
    const long size = std::ftell(in.get());
    const long tail = size < 256 ? size : 256;
    std::string bytes(static_cast<size_t>(tail), '\0');
    if (tail <= 0 || std::fseek(in.get(), size - tail, SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size()) {
        return false;
    }
    while (!bytes.empty() && std::isspace(static_cast<unsigned char>(bytes.back()))) {
        bytes.pop_back();
    }
    return bytes.ends_with(word);
}

// Free space below this on the temporary's file system means GDAL's failure was the disk being
// full: a page or a record GDAL could not write is smaller.
constexpr uint64_t kNearlyFull = 256 * 1024;

// True when a GDAL failure while writing into `folder` came from a full disk. GDAL words it
// after what it could no longer read back ("no such table: gpkg_geometry_columns", ".shp file
// is unreadable, or corrupt"); the system's code, SQLite's own text for SQLITE_FULL or the free
// space left on the folder's file system tell the cause (what GDAL said before: NoRoomWatch).
bool FailedForSpace(const GdalError& failure, const std::string& folder) {
    if (IsNoRoom(failure.systemError()) || SaysNoRoom(failure.message())) {
        return true;
    }
    struct statvfs space;
    if (statvfs(folder.c_str(), &space) != 0) {
        return false;
    }
    const uint64_t blocks = geteuid() == 0 ? space.f_bfree : space.f_bavail;
    return blocks * space.f_frsize < kNearlyFull;
}

[[noreturn]] void ThrowFile(int error, const std::string& path) {
    (void)path;
    throw FileError(platform::FileErrorMessage(error), error);
}

// The name of a single-file dataset in the temporary folder: the target's, cut at its front so
// that the names SQLite makes beside it while writing (NAME-journal) fit the 255 bytes that a
// file system takes, as the target's own name does.
std::string DatasetNameInFolder(const std::string& targetName) {
    constexpr size_t kLongestName = 255;
    constexpr size_t kLongestSuffix = std::string_view("-journal").size();
    return targetName.size() + kLongestSuffix <= kLongestName
               ? targetName
               : targetName.substr(targetName.size() - (kLongestName - kLongestSuffix));
}

// A folder beside the target, named after it (`.NAME` + `infix` + six letters); listed among
// what an early end cleans up while this owns it.
class FolderBeside {
  public:
    FolderBeside(const std::string& target, std::string_view infix) {
        const fs::path path(target);
        const std::string name =
            path.filename().string().substr(0, platform::kMostOutputNameInTemporary);
        const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
        for (int attempt = 0;; ++attempt) {
            std::string candidate =
                folder / ("." + name + std::string(infix) + platform::TemporaryLetters());
            // Listed before it exists: killed at any moment, this program leaves nothing that
            // the one which started it does not know of.
            platform::LeftBehind listing(candidate);
            platform::TestHookAt("folder-listed");
            if (mkdir(candidate.c_str(), 0700) == 0) {
                path_ = std::move(candidate);
                listed_ = std::move(listing);
                platform::TestHookAt("folder-created");
                return;
            }
            if ((errno != EEXIST && errno != EINTR) || attempt == 100) {
                ThrowFile(errno, target);
            }
        }
    }
    FolderBeside(const FolderBeside&) = delete;
    FolderBeside& operator=(const FolderBeside&) = delete;
    const std::string& path() const { return path_; }

  protected:
    std::string path_;
    platform::LeftBehind listed_;
};

// A folder that holds the new files until they are complete; removed with whatever is left in
// it.
class TemporaryFolder : public FolderBeside {
  public:
    explicit TemporaryFolder(const std::string& target)
        : FolderBeside(target, platform::kTemporaryInfix) {}
    // Removed and taken off the list as one step: a stop signal's clean-up removing the same
    // folder at the same time would make both removals fail half-way and leave a part behind.
    ~TemporaryFolder() {
        const platform::OutputStep step;
        std::error_code ignored;
        fs::remove_all(path_, ignored);
        listed_.release();
    }
};

// A folder that holds the old files of a set while the new ones are moved into place. Should
// the program end before the set is complete, the old files are put back from it, by this
// program or by the one that started it: it lies apart from the temporary folder, which is
// simply removed.
class AsideFolder : public FolderBeside {
  public:
    explicit AsideFolder(const std::string& target) : FolderBeside(target, platform::kAsideInfix) {}
    // Puts the old files back (a move failed).
    ~AsideFolder() {
        if (!done_) {
            try {
                platform::CleanUpLeftBehind(path_);
            } catch (...) {  // out of memory: the old files stay in the folder, never lost
            }
        }
    }
    // The new set is complete: the old files go with the temporary folder.
    void discardInto(const std::string& temporaryFolder) {
        if (std::rename(path_.c_str(), (temporaryFolder + "/old").c_str()) != 0) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
        done_ = true;
        listed_.release();
    }

  private:
    bool done_ = false;
};

// A target must be writable where it exists: a read-only file is never replaced.
void CheckWritable(const std::string& target) {
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ThrowFile(EISDIR, target);
        }
        if (access(target.c_str(), W_OK) != 0) {
            ThrowFile(errno, target);
        }
    }
}

// Writes `text` as the file at `path`, which does not exist yet.
void WriteWhole(const std::string& path, const std::string& text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(platform::OpenForWriting(path),
                                                        std::fclose);
    if (!out) {
        ThrowFile(errno, path);
    }
    if (std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() ||
        std::fflush(out.get()) != 0) {
        ThrowFile(errno, path);
    }
    if (std::fclose(out.release()) != 0) {
        ThrowFile(errno, path);
    }
}

// Copies a finished file over the target through the replacing file.
void PutInPlace(const std::string& finished, const std::string& target) {
    platform::ReplacingFile file(target);
    std::FILE* in = std::fopen(finished.c_str(), "rb");
    if (in == nullptr) {
        ThrowFile(errno, finished);
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closing(in, std::fclose);
    std::string chunk(1 << 20, '\0');
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
        file.write(std::string_view(chunk.data(), n));
        platform::TestHookAt("copying-into-place");
    }
    if (std::ferror(in)) {
        ThrowFile(EIO, finished);
    }
    file.commit();
}

// Moves every finished file into place, all or none: the old files are moved aside first (a
// marker where there was none) and put back when a move fails.
void MoveAllInPlace(const std::vector<std::pair<std::string, std::string>>& moves,
                    const std::string& temporaryFolder, const std::string& target) {
    for (const auto& move : moves) {
        CheckWritable(move.second);
    }
    // A stop signal's clean-up waits for the moves, so it finds the old set or the new one.
    const platform::OutputStep step;
    AsideFolder aside(target);
    for (const auto& [finished, place] : moves) {
        const std::string kept = aside.path() + "/" + fs::path(place).filename().string();
        if (access(place.c_str(), F_OK) == 0) {
            if (std::rename(place.c_str(), kept.c_str()) != 0) {
                ThrowFile(errno, place);
            }
            platform::TestHookAt("shapefile-moving-aside");
        } else {
            const int marker = open((kept + std::string(platform::kNoOldFileEnding)).c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (marker < 0) {
                ThrowFile(errno, place);
            }
            close(marker);
        }
    }
    platform::TestHookAt("shapefile-moved-aside");
    for (const auto& [finished, place] : moves) {
        if (std::rename(finished.c_str(), place.c_str()) != 0) {
            ThrowFile(errno, place);
        }
        platform::TestHookAt("shapefile-placing");
    }
    aside.discardInto(temporaryFolder);
}

// The most bytes a .dbf text field holds.
constexpr size_t kDbfTextLimit = 254;

struct GdalDatasetClose {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, GdalDatasetClose>;

// How a format lays its kinds out.
enum class Layout {
    LayerPerKind,  // GeoPackage layers
    OneLayer,      // a GeoJSON FeatureCollection, every field of every kind
    FilePerKind,   // a Shapefile set per kind
};

// The sink that turns features into OGR features of the layers of one or more datasets.
class OgrFeatures final : public FeatureRecords {
  public:
    // `textLimit`: the most bytes a text field holds (0: no limit); a longer text is cut by
    // the format and told to `note`.
    OgrFeatures(std::function<OGRLayer*(ExportKind)> layerOf, size_t textLimit,
                std::function<void(FeatureNote)> note)
        : layerOf_(std::move(layerOf)), textLimit_(textLimit), note_(std::move(note)) {}

  protected:
    void record(const FeatureRecord& record) override {
        OGRLayer* layer = layerOf_(record.kind);
        OGRFeature feature(layer->GetLayerDefn());
        FillOgrFeature(feature, record);
        if (textLimit_ > 0) {
            for (int i = 0; i < feature.GetFieldCount(); ++i) {
                if (feature.GetFieldDefnRef(i)->GetType() != OFTString || !feature.IsFieldSet(i)) {
                    continue;
                }
                const size_t length = std::strlen(feature.GetFieldAsString(i));
                if (length > textLimit_) {
                    note_({record.source, false,
                           std::string("cut: ") + feature.GetFieldDefnRef(i)->GetNameRef() +
                               " holds " + std::to_string(length) + " bytes, a .dbf at most " +
                               std::to_string(textLimit_)});
                }
            }
        }
        if (layer->CreateFeature(&feature) != OGRERR_NONE) {
            ThrowGdal("cannot write a feature");
        }
    }

  private:
    // The layer of a kind's features, made when the first of them comes.
    std::function<OGRLayer*(ExportKind)> layerOf_;
    size_t textLimit_;
    std::function<void(FeatureNote)> note_;
};

class OgrWriter final : public GisExchangeWriter {
  public:
    OgrWriter(std::string_view formatName, const char* driver, Layout layout, int fixed,
              std::vector<const char*> datasetOptions, std::vector<const char*> layerOptions)
        : formatName_(formatName),
          driver_(driver),
          layout_(layout),
          fixed_(fixed),
          datasetOptions_(std::move(datasetOptions)),
          layerOptions_(std::move(layerOptions)) {
        datasetOptions_.push_back(nullptr);
        layerOptions_.push_back(nullptr);
    }

    const OutputFormatInfo& format() const override { return *OutputFormatNamed(formatName_); }

    int fixedTarget() const override { return fixed_; }

  protected:
    std::vector<std::string> writeFeatures(
        ExportFeatures& features, const CoordinateStep& step, const ExportSettings&,
        const std::string& path, const std::function<bool(uint64_t)>& progress) const override {
        // GisExchangeWriter::coordinateStep() made it.
        const auto& systems = static_cast<const Reprojection&>(step);
        RegisterDrivers();
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driver_);
        if (driver == nullptr) {
            throw Error(std::string("GDAL has no ") + driver_ + " driver");
        }
        CheckWritable(path);
        TemporaryFolder folder(path);
        const NoRoomWatch watch;
        try {
            return writeInFolder(features, systems, path, progress, driver, folder, watch);
        } catch (const GdalError& failure) {
            if (watch.heardNoRoom() || FailedForSpace(failure, folder.path())) {
                ThrowFile(ENOSPC, path);
            }
            throw;
        }
    }

  private:
    // Writes the datasets into `folder` and moves the finished files over their targets.
    std::vector<std::string> writeInFolder(ExportFeatures& features, const Reprojection& systems,
                                           const std::string& path,
                                           const std::function<bool(uint64_t)>& progress,
                                           GDALDriver* driver, const TemporaryFolder& folder,
                                           const NoRoomWatch& watch) const {
        const fs::path target(path);
        // The finished files and where each goes.
        std::vector<std::pair<std::string, std::string>> moves;
        std::vector<DatasetPtr> datasets;
        auto create = [&](const std::string& name) {
            const std::string file = folder.path() + "/" + name;
            DatasetPtr dataset(driver->Create(file.c_str(), 0, 0, 0, GDT_Unknown,
                                              const_cast<char**>(datasetOptions_.data())));
            if (!dataset) {
                ThrowGdal("cannot create " + path);
            }
            datasets.push_back(std::move(dataset));
            return datasets.back().get();
        };
        // A GeoPackage without a system is marked "Undefined Cartesian SRS" (srs_id -1): with
        // none at all GDAL marks it geographic (srs_id 0), and QGIS takes its metres for degrees.
        OGRSpatialReference undefinedCartesian;
        const OGRSpatialReference* system = systems.target();
        if (system == nullptr && std::string_view(driver_) == "GPKG") {
            undefinedCartesian.SetLocalCS("Undefined cartesian SRS");
            system = &undefinedCartesian;
        }
        auto layer = [&](GDALDataset* dataset, const char* name, OGRwkbGeometryType geometry,
                         const std::vector<ExportField>& fields) {
            OGRLayer* created =
                dataset->CreateLayer(name, const_cast<OGRSpatialReference*>(system), geometry,
                                     const_cast<char**>(layerOptions_.data()));
            if (created == nullptr) {
                ThrowGdal("cannot create the layer " + std::string(name));
            }
            for (const ExportField& wanted : fields) {
                OGRFieldDefn field(wanted.name, OgrTypeOf(wanted.type));
                if (wanted.type == FieldType::Text && layout_ == Layout::FilePerKind) {
                    // A .dbf text field is 80 characters unless told otherwise; 254 is the
                    // most it holds.
                    field.SetWidth(static_cast<int>(kDbfTextLimit));
                }
                if (created->CreateField(&field) != OGRERR_NONE) {
                    ThrowGdal("cannot create the field " + std::string(wanted.name));
                }
            }
            return created;
        };

        // One dataset, or one a kind for a Shapefile.
        const std::string stem = target.stem().string();
        if (layout_ == Layout::FilePerKind) {
            for (const ExportKindEntry& kind : kExportKindRows) {
                create(ShapefileSetPath(target.filename().string(), kind));
            }
        } else {
            const std::string name = DatasetNameInFolder(target.filename().string());
            create(name);
            moves.emplace_back(folder.path() + "/" + name, path);
        }
        std::vector<ExportField> allFields;  // a GeoJSON collection's: every kind's
        for (const ExportKindEntry& kind : kExportKindRows) {
            for (const ExportField& wanted : FieldsOf(kind.kind)) {
                bool known = false;
                for (const ExportField& have : allFields) {
                    known = known || std::string_view(have.name) == wanted.name;
                }
                if (!known) {
                    allFields.push_back(wanted);
                }
            }
        }
        OGRLayer* layers[kExportKinds] = {};
        auto layerOf = [&](ExportKind kind) {
            const auto k = static_cast<size_t>(kind);
            if (layers[k] == nullptr) {
                switch (layout_) {
                    case Layout::LayerPerKind:
                        layers[k] = layer(datasets[0].get(), kExportKindRows[k].layerName.data(),
                                          OgrGeometryOf(kind), FieldsOf(kind));
                        break;
                    case Layout::OneLayer:
                        if (layers[0] == nullptr) {
                            layers[0] =
                                layer(datasets[0].get(), stem.c_str(), wkbUnknown, allFields);
                        }
                        layers[k] = layers[0];
                        break;
                    case Layout::FilePerKind:
                        layers[k] =
                            layer(datasets[k].get(),
                                  (stem + "-" + std::string(kExportKindRows[k].layerName)).c_str(),
                                  OgrGeometryOf(kind), FieldsOf(kind));
                        break;
                }
            }
            return layers[k];
        };

        for (auto& dataset : datasets) {
            if (dataset->TestCapability(ODsCTransactions)) {
                dataset->StartTransaction();
            }
        }
        OgrFeatures sink(layerOf, layout_ == Layout::FilePerKind ? kDbfTextLimit : 0,
                         [&](FeatureNote note) { features.addNote(std::move(note)); });
        if (!features.visit(sink, progress)) {
            throw ExportCancelled();
        }
        // Every kind has its layer, empty where the drawing has none of it.
        for (const ExportKindEntry& kind : kExportKindRows) {
            (void)layerOf(kind.kind);
        }
        // Each layer's QGIS style, so that QGIS draws it as the viewer does on opening: inside
        // a GeoPackage, beside each Shapefile set (QGIS loads NAME-KIND.qml with NAME-KIND.shp).
        if (std::string_view(driver_) == "GPKG") {
            // GDAL failing to make the styles' table on a full disk shows only as the table
            // missing ("no such table: layer_styles"): judged as GDAL's other failures are.
            try {
                AddGeoPackageStyles(*datasets[0], features.layers());
            } catch (const GdalError&) {
                throw;
            } catch (const Error& e) {
                throw GdalError(e.message(), errno);
            }
        } else if (layout_ == Layout::FilePerKind) {
            for (const ExportKindEntry& kind : kExportKindRows) {
                const fs::path set(ShapefileSetPath(target.filename().string(), kind));
                WriteWhole(folder.path() + "/" + set.stem().string() + ".qml",
                           LayerStyleQml(kind.kind, features.layers()));
            }
        }
        for (auto& dataset : datasets) {
            if (dataset->TestCapability(ODsCTransactions) &&
                dataset->CommitTransaction() != OGRERR_NONE) {
                ThrowGdal("cannot write " + path);
            }
            dataset->FlushCache();
        }
        // Closed: every file complete, unless closing failed (a full disk).
        CPLErrorReset();
        datasets.clear();
        if (CPLGetLastErrorType() == CE_Failure) {
            ThrowGdal("cannot write " + path);
        }
        // A write that found no room, though GDAL went on, or a file cut short: never put in place.
        if (const std::string_view word = LastWordOf(driver_);
            watch.heardNoRoom() || (!word.empty() && !EndsInWord(moves[0].first, word))) {
            ThrowFile(ENOSPC, path);
        }
        // GDAL wrote the layers without spatial indexes: each is built in bulk, many times
        // faster than GDAL fills one feature by feature.
        if (std::string_view(driver_) == "GPKG") {
            AddGeoPackageSpatialIndexes(moves[0].first);
        }

        // The last moment to cancel: after it the target is replaced.
        if (!progress(features.rowCount())) {
            throw ExportCancelled();
        }
        std::vector<std::string> written;
        if (layout_ == Layout::FilePerKind) {
            for (const fs::directory_entry& entry : fs::directory_iterator(folder.path())) {
                const fs::path where = target.parent_path() / entry.path().filename();
                moves.emplace_back(entry.path().string(), where.string());
            }
            std::sort(moves.begin(), moves.end());
            MoveAllInPlace(moves, folder.path(), path);
            for (const auto& move : moves) {
                written.push_back(move.second);
            }
            return written;
        }
        PutInPlace(moves[0].first, path);
        return {path};
    }

    std::string_view formatName_;
    const char* driver_;
    Layout layout_;
    int fixed_;
    std::vector<const char*> datasetOptions_;
    std::vector<const char*> layerOptions_;
};

}  // namespace

const ExchangeWriter* GisExchangeWriterFor(std::string_view formatName) {
    for (const ExchangeWriter* writer :
         {&DxfExchangeWriter(), &GeoPackageExchangeWriter(), &ShapefileExchangeWriter(),
          &GeoJsonExchangeWriter(), &KmlExchangeWriter()}) {
        if (writer->format().name == formatName) {
            return writer;
        }
    }
    return nullptr;
}

std::unique_ptr<CoordinateStep> GisExchangeWriter::coordinateStep(const ExportSettings& settings,
                                                                  int targetEpsg) const {
    return std::make_unique<Reprojection>(settings.sourceEpsg, targetEpsg);
}

const ExchangeWriter& GeoPackageExchangeWriter() {
    static const OgrWriter writer("gpkg", "GPKG", Layout::LayerPerKind, 0, {},
                                  {"SPATIAL_INDEX=NO"});
    return writer;
}

const ExchangeWriter& ShapefileExchangeWriter() {
    static const OgrWriter writer("shp", "ESRI Shapefile", Layout::FilePerKind, 0, {},
                                  {"ENCODING=UTF-8"});
    return writer;
}

const ExchangeWriter& GeoJsonExchangeWriter() {
    static const OgrWriter writer("geojson", "GeoJSON", Layout::OneLayer, kWgs84, {},
                                  {"RFC7946=YES", "WRITE_NAME=NO"});
    return writer;
}

}  // namespace plotaktar
