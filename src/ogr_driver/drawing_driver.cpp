// The GDAL vector driver "PLOTAKTAR": ogrinfo, ogr2ogr and QGIS open a geometry file (.gplt)
// with the labels beside it, or a plot file (.plt), directly, read-only, as the layers, fields
// and geometries that `plotaktar-cli export` writes from it: the features are filled by the
// same code (ExportFeatures, FeatureRecords, FillOgrFeature). The drawing is read once on
// opening, in one walk that gives each layer its count and extent; a layer fills an OGR feature
// from its record when it is asked for. The features' boxes and a grid of them are made on the
// first spatial filter only, so that listing the layers holds nothing per feature.

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing_loader.h"
#include "drawing/spatial_grid.h"
#include "drawing/survey_model.h"
#include "exchange/coordinate_step.h"
#include "exchange/feature_fields.h"
#include "exchange/note_lines.h"
#include "gis/ogr_records.h"
#include "import/import_files.h"
#include "model/cp1254.h"
#include "model/crs_names.h"
#include "model/export_kinds.h"
#include "model/file_names.h"
#include "model/record_kinds.h"
#include "model/workspace.h"
#include "platform/error.h"
#include "plotfile/plot_reader.h"

namespace plotaktar {
namespace {

constexpr const char* kDriverName = "PLOTAKTAR";
// How many of the header's lines may come before the first record.
constexpr int kIdentifyLines = 16;

bool EndsWithIgnoringCase(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), name.end() - ending.size(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// A geometry file: one of its first lines starts with a record kind and a blank.
bool LooksLikeDrawing(std::string_view header) {
    int lines = 0;
    size_t start = 0;
    while (start < header.size() && lines < kIdentifyLines) {
        size_t end = header.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = header.size();
        }
        const std::string_view line = header.substr(start, end - start);
        for (const KindEntry& kind : kKinds) {
            if (!kind.code.empty() && line.size() > kind.code.size() &&
                line.starts_with(kind.code) && line[kind.code.size()] == ' ') {
                return true;
            }
        }
        ++lines;
        start = end + 1;
        if (start < header.size() && header[end] == '\r' && header[start] == '\n') {
            ++start;
        }
    }
    return false;
}

// A plot file: its first line is one of the records this program writes ("TA ", "PN  && ",
// ...), so that an HP-GL file of the same extension ("IN;", "PU...") is another driver's.
bool LooksLikePlotFile(std::string_view header) {
    return plot::RecordTypeOf(header.substr(0, header.find_first_of("\r\n"))) !=
           plot::RecordType::Other;
}

enum class FileKind { Drawing, Plot, Other };

FileKind KindOfFile(const GDALOpenInfo* info) {
    if (info->fpL == nullptr || info->nHeaderBytes == 0) {
        return FileKind::Other;
    }
    const std::string_view header(reinterpret_cast<const char*>(info->pabyHeader),
                                  static_cast<size_t>(info->nHeaderBytes));
    if (EndsWithIgnoringCase(info->pszFilename, ".gplt")) {
        return LooksLikeDrawing(header) ? FileKind::Drawing : FileKind::Other;
    }
    if (EndsWithIgnoringCase(info->pszFilename, ".plt")) {
        return LooksLikePlotFile(header) ? FileKind::Plot : FileKind::Other;
    }
    return FileKind::Other;
}

int Identify(GDALOpenInfo* info) {
    return KindOfFile(info) != FileKind::Other ? TRUE : FALSE;
}

// The record kinds of each layer, in the order the export writes them.
constexpr std::pair<Kind, ExportKind> kLayerKinds[] = {
    {Kind::Nirengi, ExportKind::Point}, {Kind::Poligon, ExportKind::Point},
    {Kind::Nokta, ExportKind::Point},   {Kind::Hat, ExportKind::Line},
    {Kind::Parsel, ExportKind::Parcel}, {Kind::Yazi, ExportKind::Label},
    {Kind::Sembol, ExportKind::Symbol},
};

// Failing records reach GDAL's error handler as warnings, FILE:LINE: WORD, as convert prints
// them; the import goes on.
class DriverObserver final : public ImportObserver {
  public:
    explicit DriverObserver(std::string geometry) : geometry_(std::move(geometry)) {}
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        CPLError(CE_Warning, CPLE_AppDefined, "%s:%llu: %s", geometry_.c_str(),
                 static_cast<unsigned long long>(lineNumber), Utf8FromCp1254(word).c_str());
    }

  private:
    std::string geometry_;
};

// A feature's box in floats, rounded outwards: half the memory of doubles, and a spatial
// filter's first test never misses a feature (the exact test follows). A FID without a feature
// has a box of NaNs, which no test passes.
struct Box {
    float minX, minY, maxX, maxY;
};

// A double beyond the floats' range goes to the float beyond it (or the largest below it); a NaN
// to the widest box.
float Below(double value) {
    if (!(std::fabs(value) <= std::numeric_limits<float>::max())) {
        return value > 0 ? std::numeric_limits<float>::max() : -HUGE_VALF;
    }
    const auto f = static_cast<float>(value);
    return static_cast<double>(f) <= value ? f : std::nextafter(f, -HUGE_VALF);
}

float Above(double value) {
    if (!(std::fabs(value) <= std::numeric_limits<float>::max())) {
        return value < 0 ? -std::numeric_limits<float>::max() : HUGE_VALF;
    }
    const auto f = static_cast<float>(value);
    return static_cast<double>(f) >= value ? f : std::nextafter(f, HUGE_VALF);
}

constexpr float kNoBox = std::numeric_limits<float>::quiet_NaN();

// A plot file's record: where its line begins and its number, as the walk on opening met it.
struct PlotRecord {
    uint64_t offset;
    uint32_t line;
};

// How a layer finds its features by FID (from 1).
//
// Over a workspace a FID is the feature's data row counted on through its kind's tables in
// order (the triangulation, traverse and detail points make one layer), so that nothing is held
// per feature for it; a row that cannot be exported is a FID without a feature. Over a plot
// file a FID is the feature's place among its kind's records, each record's line remembered.
class FeatureIds {
  public:
    // The tables of `kind` and their data rows, from the survey model.
    void addTable(TableId table, uint64_t rows) { tables_.push_back({table, rows}); }
    void addPlotRecord(const PlotRecord& record) { plotRecords_.push_back(record); }
    void reservePlotRecords(uint64_t records) { plotRecords_.reserve(records); }

    // FIDs 1 to size() may name a feature.
    uint64_t size() const {
        if (!tables_.empty()) {
            uint64_t rows = 0;
            for (const TableRows& t : tables_) {
                rows += t.rows;
            }
            return rows;
        }
        return plotRecords_.size();
    }

    // The record a FID names; nothing beyond size().
    std::optional<ElementSource> sourceOf(uint64_t fid) const {
        if (fid < 1 || fid > size()) {
            return std::nullopt;
        }
        if (tables_.empty()) {
            const PlotRecord& r = plotRecords_[fid - 1];
            return ElementSource{std::nullopt, r.line, r.offset};
        }
        uint64_t row = fid;
        for (const TableRows& t : tables_) {
            if (row <= t.rows) {
                return ElementSource{t.table, static_cast<uint32_t>(row), 0};
            }
            row -= t.rows;
        }
        return std::nullopt;
    }

    // The FID of a workspace's row; nothing for a table not of this layer.
    std::optional<uint64_t> fidOfRow(TableId table, uint64_t row) const {
        uint64_t before = 0;
        for (const TableRows& t : tables_) {
            if (t.table == table) {
                return before + row;
            }
            before += t.rows;
        }
        return std::nullopt;
    }

  private:
    struct TableRows {
        TableId table;
        uint64_t rows;
    };
    std::vector<TableRows> tables_;
    std::vector<PlotRecord> plotRecords_;
};

// Receives each feature as its kind, where it came from and its positions.
class ShapeSink : public FeatureSink {
  public:
    void point(const PointFeature& f) override { add(ExportKind::Point, f.source, {&f.at, 1}); }
    void line(const LineFeature& f) override {
        const Position ends[2] = {f.a, f.b};
        add(ExportKind::Line, f.source, ends);
    }
    void parcel(const ParcelFeature& f) override { add(ExportKind::Parcel, f.source, f.corners); }
    void label(const LabelFeature& f) override { add(ExportKind::Label, f.source, {&f.at, 1}); }
    void symbol(const SymbolFeature& f) override { add(ExportKind::Symbol, f.source, {&f.at, 1}); }

  protected:
    virtual void add(ExportKind kind, const FeatureSource& source,
                     std::span<const Position> shape) = 0;
};

// What the walk on opening keeps of each kind: its exact extent, and a plot file's records.
class OpeningSink final : public ShapeSink {
  public:
    OpeningSink(std::array<Bounds, kExportKinds>& extents, FeatureIds* ids)
        : extents_(extents), ids_(ids) {}

  private:
    void add(ExportKind kind, const FeatureSource& source,
             std::span<const Position> shape) override {
        Bounds& extent = extents_[static_cast<size_t>(kind)];
        for (const Position& p : shape) {
            extent.add(p.east, p.north);
        }
        if (ids_ != nullptr) {
            ids_[static_cast<size_t>(kind)].addPlotRecord(
                {source.offset, static_cast<uint32_t>(source.row)});
        }
    }
    std::array<Bounds, kExportKinds>& extents_;
    FeatureIds* ids_;
};

// Fills one OGR feature from the record the features hand on.
class OneFeature final : public FeatureRecords {
  public:
    explicit OneFeature(OGRFeature& feature) : feature_(feature) {}

  protected:
    void record(const FeatureRecord& record) override {
        FillOgrFeature(feature_, record);
        // A field the record has no value for is null, as a GeoPackage that export wrote reads.
        for (int i = 0; i < feature_.GetFieldCount(); ++i) {
            if (!feature_.IsFieldSet(i)) {
                feature_.SetFieldNull(i);
            }
        }
        // Points, lines, parcels and symbols drawn in their layer's colour and pen.
        if (record.style.empty() && !record.layerStyle.empty()) {
            feature_.SetStyleString(record.layerStyle.c_str());
        }
    }

  private:
    OGRFeature& feature_;
};

class DrawingDataset;

class DrawingLayer final : public OGRLayer {
  public:
    DrawingLayer(DrawingDataset& dataset, ExportKind kind, FeatureIds ids, uint64_t count,
                 const Bounds& extent, OGRSpatialReference* system);
    ~DrawingLayer() override { defn_->Release(); }

    OGRFeatureDefn* GetLayerDefn() override { return defn_; }
    void ResetReading() override {
        next_ = 0;
        candidates_.reset();
    }

    OGRFeature* GetNextFeature() override;

    OGRFeature* GetFeature(GIntBig fid) override {
        bool failed = false;
        return fid < 1 ? nullptr : featureAt(static_cast<uint64_t>(fid), failed);
    }

    GIntBig GetFeatureCount(int force) override {
        if (m_poFilterGeom == nullptr && m_poAttrQuery == nullptr) {
            return static_cast<GIntBig>(count_);
        }
        return OGRLayer::GetFeatureCount(force);
    }

    OGRErr GetExtent(OGREnvelope* extent, int) override {
        if (extent_.empty()) {
            return OGRERR_FAILURE;
        }
        extent->MinX = extent_.minEast;
        extent->MinY = extent_.minNorth;
        extent->MaxX = extent_.maxEast;
        extent->MaxY = extent_.maxNorth;
        return OGRERR_NONE;
    }
    OGRErr GetExtent(int geometryField, OGREnvelope* extent, int force) override {
        return geometryField == 0 ? GetExtent(extent, force) : OGRERR_FAILURE;
    }

    int TestCapability(const char* capability) override {
        return EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCFastGetExtent) ||
               EQUAL(capability, OLCStringsAsUTF8) || EQUAL(capability, OLCFastSpatialFilter) ||
               (EQUAL(capability, OLCFastFeatureCount) && m_poFilterGeom == nullptr &&
                m_poAttrQuery == nullptr);
    }

    ExportKind kind() const { return kind_; }
    const FeatureIds& ids() const { return ids_; }
    // Each FID's box (kNoBox for a FID without a feature), set by the dataset's walk before the
    // first spatial filter.
    std::vector<Box>& boxes() { return boxes_; }

  private:
    // The FIDs whose grid cells the filter's envelope touches and whose boxes it meets, in
    // order: the grid and the boxes are made on the first spatial filter.
    std::vector<uint32_t> filterCandidates();
    // The feature of a FID; null for a FID without one, and (`failed`) when memory ran out.
    OGRFeature* featureAt(uint64_t fid, bool& failed);

    DrawingDataset& dataset_;
    ExportKind kind_;
    FeatureIds ids_;
    uint64_t count_;
    Bounds extent_;
    OGRFeatureDefn* defn_ = nullptr;
    uint64_t next_ = 0;  // a walk's place: the next FID - 1, or the next candidate's index
    std::optional<std::vector<uint32_t>> candidates_;
    std::vector<Box> boxes_;
    std::optional<SpatialGrid> grid_;
};

// Remembers each feature's box by its FID on the walk before the first spatial filter.
class BoxingSink final : public ShapeSink {
  public:
    explicit BoxingSink(std::span<DrawingLayer* const> layers) : layers_(layers) {}

  private:
    void add(ExportKind kind, const FeatureSource& source,
             std::span<const Position> shape) override {
        DrawingLayer* layer = nullptr;
        for (DrawingLayer* l : layers_) {
            if (l->kind() == kind) {
                layer = l;
            }
        }
        if (layer == nullptr) {
            return;  // a kind the drawing's file has no layer for
        }
        // A plot file's features come in the order of their FIDs, a workspace's by their rows.
        uint64_t& placed = placed_[static_cast<size_t>(kind)];
        const std::optional<uint64_t> fid =
            source.table ? layer->ids().fidOfRow(*source.table, static_cast<uint64_t>(source.row))
                         : std::optional<uint64_t>(++placed);
        std::vector<Box>& boxes = layer->boxes();
        if (!fid || *fid < 1 || *fid > boxes.size()) {
            return;
        }
        Bounds b;
        for (const Position& p : shape) {
            b.add(p.east, p.north);
        }
        boxes[*fid - 1] = {Below(b.minEast), Below(b.minNorth), Above(b.maxEast),
                           Above(b.maxNorth)};
    }
    std::span<DrawingLayer* const> layers_;
    std::array<uint64_t, kExportKinds> placed_{};
};

class DrawingDataset final : public GDALDataset {
  public:
    ~DrawingDataset() override {
        layers_.clear();
        features_.reset();
        model_.reset();
        if (system_ != nullptr) {
            system_->Release();
        }
    }

    static GDALDataset* Open(GDALOpenInfo* info);

    int GetLayerCount() override { return static_cast<int>(layers_.size()); }
    OGRLayer* GetLayer(int i) override {
        return i >= 0 && i < GetLayerCount() ? layers_[static_cast<size_t>(i)].get() : nullptr;
    }
    int TestCapability(const char*) override { return FALSE; }

    ExportFeatures& features() { return *features_; }

    // Gives every layer the boxes of its features by FID, in one walk: made once, on the first
    // spatial filter of any layer.
    void boxLayers() {
        if (boxed_) {
            return;
        }
        std::vector<DrawingLayer*> layers;
        for (const std::unique_ptr<DrawingLayer>& layer : layers_) {
            layer->boxes().assign(layer->ids().size(), Box{kNoBox, kNoBox, kNoBox, kNoBox});
            layers.push_back(layer.get());
        }
        BoxingSink boxing(layers);
        const std::function<bool(uint64_t)> always = [](uint64_t) { return true; };
        features_->visit(boxing, always);
        boxed_ = true;
    }

  private:
    Workspace workspace_;
    SharedBytes plotBytes_;
    std::unique_ptr<SurveyModel> model_;
    PassThroughStep step_{0, 0};
    std::unique_ptr<ExportFeatures> features_;
    OGRSpatialReference* system_ = nullptr;
    std::vector<std::unique_ptr<DrawingLayer>> layers_;
    bool boxed_ = false;
};

DrawingLayer::DrawingLayer(DrawingDataset& dataset, ExportKind kind, FeatureIds ids, uint64_t count,
                           const Bounds& extent, OGRSpatialReference* system)
    : dataset_(dataset), kind_(kind), ids_(std::move(ids)), count_(count), extent_(extent) {
    defn_ = new OGRFeatureDefn(kExportKindRows[static_cast<int>(kind)].layerName.data());
    SetDescription(defn_->GetName());
    defn_->Reference();
    defn_->SetGeomType(OgrGeometryOf(kind));
    defn_->GetGeomFieldDefn(0)->SetSpatialRef(system);
    for (const ExportField& wanted : FieldsOf(kind)) {
        OGRFieldDefn field(wanted.name, OgrTypeOf(wanted.type));
        defn_->AddFieldDefn(&field);
    }
}

OGRFeature* DrawingLayer::GetNextFeature() {
    try {
        if (m_poFilterGeom != nullptr && !candidates_) {
            candidates_ = filterCandidates();
            next_ = 0;
        }
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Out of memory");
        return nullptr;
    }
    const uint64_t end = candidates_ ? candidates_->size() : ids_.size();
    while (next_ < end) {
        const uint64_t fid = candidates_ ? uint64_t{(*candidates_)[next_]} + 1 : next_ + 1;
        ++next_;
        bool failed = false;
        std::unique_ptr<OGRFeature> feature(featureAt(fid, failed));
        if (failed) {
            return nullptr;
        }
        if (feature == nullptr) {
            continue;  // a row left out
        }
        if (FilterGeometry(feature->GetGeometryRef()) &&
            (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(feature.get()))) {
            return feature.release();
        }
    }
    return nullptr;
}

std::vector<uint32_t> DrawingLayer::filterCandidates() {
    dataset_.boxLayers();
    if (!grid_) {
        grid_.emplace();
        grid_->build(extent_, static_cast<uint32_t>(boxes_.size()), [this](uint32_t i) {
            const Box& b = boxes_[i];
            Bounds bounds;
            if (!std::isnan(b.minX)) {
                bounds.add(b.minX, b.minY);
                bounds.add(b.maxX, b.maxY);
            }
            return bounds;
        });
    }
    const OGREnvelope& want = m_sFilterEnvelope;
    Bounds area;
    area.add(want.MinX, want.MinY);
    area.add(want.MaxX, want.MaxY);
    std::vector<uint32_t> found;
    grid_->query(area, [&](uint32_t i) {
        const Box& b = boxes_[i];
        if (b.maxX >= want.MinX && b.minX <= want.MaxX && b.maxY >= want.MinY &&
            b.minY <= want.MaxY) {
            found.push_back(i);
        }
        return true;
    });
    std::sort(found.begin(), found.end());
    return found;
}

OGRFeature* DrawingLayer::featureAt(uint64_t fid, bool& failed) {
    const std::optional<ElementSource> source = ids_.sourceOf(fid);
    if (!source) {
        return nullptr;
    }
    try {
        auto feature = std::make_unique<OGRFeature>(defn_);
        OneFeature fill(*feature);
        if (!dataset_.features().visitRecord(*source, fill)) {
            return nullptr;  // a FID without a feature: its row is left out
        }
        feature->SetFID(static_cast<GIntBig>(fid));
        return feature.release();
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "Out of memory");
        failed = true;
        return nullptr;
    }
}

GDALDataset* DrawingDataset::Open(GDALOpenInfo* info) {
    const FileKind kind = KindOfFile(info);
    if (kind == FileKind::Other) {
        return nullptr;
    }
    if (info->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "%s: the %s driver opens drawings read-only",
                 info->pszFilename, kDriverName);
        return nullptr;
    }
    const std::string geometry = info->pszFilename;
    const char* crs = CSLFetchNameValue(info->papszOpenOptions, "CRS");
    int epsg = 0;
    if (crs != nullptr && *crs != '\0') {
        const std::optional<int> known = EpsgOfCrsText(crs);
        if (!known) {
            CPLError(CE_Failure, CPLE_IllegalArg,
                     "%s: CRS=%s is no coordinate system; give EPSG:n or one of TM27..TM45, "
                     "ED50-TM27..ED50-TM45, ED50-UTM35..ED50-UTM38",
                     geometry.c_str(), crs);
            return nullptr;
        }
        epsg = *known;
    }
    // A plot file is read as it is: it has no label file.
    std::string labels;
    const char* labelsOption = CSLFetchNameValue(info->papszOpenOptions, "LABELS");
    if (kind == FileKind::Drawing) {
        if (labelsOption == nullptr || *labelsOption == '\0') {
            labels = LabelFileBeside(geometry);
        } else if (!EQUAL(labelsOption, "NONE")) {
            labels = labelsOption;
        }
    }
    try {
        auto dataset = std::make_unique<DrawingDataset>();
        if (epsg != 0) {
            dataset->system_ = new OGRSpatialReference();
            dataset->system_->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
            if (dataset->system_->importFromEPSG(epsg) != OGRERR_NONE) {
                CPLError(CE_Failure, CPLE_IllegalArg,
                         "%s: EPSG:%d is not a coordinate system PROJ knows", geometry.c_str(),
                         epsg);
                return nullptr;
            }
        }
        const ImportPaths paths{geometry, labels,
                                labels.empty() ? std::string() : CompanionFileBeside(labels)};
        // The files' bytes, which the tables hold: their lines are found in them for the notes.
        ImportedBytes imported;
        if (kind == FileKind::Plot) {
            dataset->plotBytes_ = ReadPlotFile(geometry);
            dataset->model_ = std::make_unique<SurveyModel>(dataset->plotBytes_->view());
            const SurveyModel::PlotLineCounts lines = dataset->model_->plotLineCounts();
            CheckPlotRecords(lines.records, lines.skipped);
        } else {
            DriverObserver observer(geometry);
            ImportFiles(dataset->workspace_, paths, observer, &imported);
            dataset->model_ = std::make_unique<SurveyModel>(dataset->workspace_);
        }
        SurveyModel& model = *dataset->model_;
        dataset->features_ = std::make_unique<ExportFeatures>(model, &dataset->step_);

        // A plot file has no symbols: no layer of them.
        std::vector<ExportKind> kinds;
        for (const ExportKindEntry& entry : kExportKindRows) {
            if (kind == FileKind::Drawing || entry.kind != ExportKind::Symbol) {
                kinds.push_back(entry.kind);
            }
        }
        std::array<FeatureIds, kExportKinds> ids;
        for (const auto& [record, into] : kLayerKinds) {
            FeatureIds& of = ids[static_cast<size_t>(into)];
            if (kind == FileKind::Drawing) {
                of.addTable(KindOf(record).table, model.count(record));
            } else {
                of.reservePlotRecords(model.count(record));
            }
        }

        // One walk for the counts and the extents, and a plot file's records by FID.
        std::array<Bounds, kExportKinds> extents;
        OpeningSink opening(extents, kind == FileKind::Plot ? ids.data() : nullptr);
        const std::function<bool(uint64_t)> always = [](uint64_t) { return true; };
        dataset->features_->visit(opening, always);
        const ExportCounts counts = dataset->features_->counts();
        // Records left out or on no layer, FILE:LINE: as export names them.
        const std::vector<FeatureNote>& notes = dataset->features_->notes();
        const std::vector<std::optional<SourceLine>> lines =
            NoteLines(paths, notes, kind == FileKind::Drawing ? &imported : nullptr);
        imported = {};
        for (size_t i = 0; i < notes.size(); ++i) {
            const std::string where =
                lines[i] ? lines[i]->fileName + ":" + std::to_string(lines[i]->lineNumber)
                         : geometry;
            CPLError(CE_Warning, CPLE_AppDefined, "%s: %s", where.c_str(), notes[i].what.c_str());
        }
        for (ExportKind k : kinds) {
            const auto at = static_cast<size_t>(k);
            dataset->layers_.push_back(
                std::make_unique<DrawingLayer>(*dataset, k, std::move(ids[at]), counts.written[at],
                                               extents[at], dataset->system_));
        }
        dataset->SetDescription(geometry.c_str());
        return dataset.release();
    } catch (const InputReadError& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s", Utf8FromCp1254(e.message()).c_str());
    } catch (const Error& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s: %s", geometry.c_str(),
                 Utf8FromCp1254(e.message()).c_str());
    } catch (const std::bad_alloc&) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "%s: Out of memory", geometry.c_str());
    } catch (const std::exception& e) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s: %s", geometry.c_str(), e.what());
    }
    return nullptr;
}

}  // namespace
}  // namespace plotaktar

extern "C" __attribute__((visibility("default"))) void GDALRegister_PLOTAKTAR() {
    if (!GDAL_CHECK_VERSION(plotaktar::kDriverName)) {
        return;
    }
    if (GDALGetDriverByName(plotaktar::kDriverName) != nullptr) {
        return;
    }
    auto* driver = new GDALDriver();
    driver->SetDescription(plotaktar::kDriverName);
    driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Plotaktar survey drawing (.gplt, .plt)");
    driver->SetMetadataItem(GDAL_DMD_EXTENSION, "gplt");
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "gplt plt");
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "NO");
    driver->SetMetadataItem(
        GDAL_DMD_OPENOPTIONLIST,
        "<OpenOptionList>"
        "  <Option name='CRS' type='string' description='The drawing&apos;s coordinate system: "
        "TM27..TM45, ED50-TM27..ED50-TM45, ED50-UTM35..ED50-UTM38 or EPSG:n'/>"
        "  <Option name='LABELS' type='string' description='The label file (.yaz), or NONE; "
        "by default the .yaz of the same name beside the geometry file (a plot file has "
        "none)'/>"
        "</OpenOptionList>");
    driver->pfnIdentify = plotaktar::Identify;
    driver->pfnOpen = plotaktar::DrawingDataset::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}
