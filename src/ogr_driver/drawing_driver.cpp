// The GDAL vector driver "PLOTAKTAR": ogrinfo, ogr2ogr and QGIS open a geometry file (.gplt)
// with the labels beside it directly, read-only, as the layers, fields and geometries that
// `plotaktar-cli export` writes: the features are filled by the same code (ExportFeatures,
// FeatureRecords, FillOgrFeature). The drawing is imported once on opening; each layer keeps
// the rows of its features and their boxes, and fills an OGR feature when it is asked for.

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

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

int Identify(GDALOpenInfo* info) {
    if (info->fpL == nullptr || info->nHeaderBytes == 0 ||
        !EndsWithIgnoringCase(info->pszFilename, ".gplt")) {
        return FALSE;
    }
    return LooksLikeDrawing(std::string_view(reinterpret_cast<const char*>(info->pabyHeader),
                                             static_cast<size_t>(info->nHeaderBytes)))
               ? TRUE
               : FALSE;
}

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
// filter's first test never misses a feature (the exact test follows).
struct Box {
    float minX, minY, maxX, maxY;
};

float Below(double value) {
    const auto f = static_cast<float>(value);
    return static_cast<double>(f) <= value ? f : std::nextafter(f, -HUGE_VALF);
}

float Above(double value) {
    const auto f = static_cast<float>(value);
    return static_cast<double>(f) >= value ? f : std::nextafter(f, HUGE_VALF);
}

// One kind's features: the row each came from (its FID is its place here, from 1) and its box.
struct KindIndex {
    std::vector<FeatureSource> sources;
    std::vector<Box> boxes;
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;  // exact
};

// Remembers each feature's row and box on the walk made on opening.
class IndexingSink final : public FeatureSink {
  public:
    explicit IndexingSink(KindIndex (&kinds)[kExportKinds]) : kinds_(kinds) {}
    void point(const PointFeature& f) override { add(ExportKind::Point, f.source, {&f.at, 1}); }
    void line(const LineFeature& f) override {
        const Position ends[2] = {f.a, f.b};
        add(ExportKind::Line, f.source, ends);
    }
    void parcel(const ParcelFeature& f) override { add(ExportKind::Parcel, f.source, f.corners); }
    void label(const LabelFeature& f) override { add(ExportKind::Label, f.source, {&f.at, 1}); }
    void symbol(const SymbolFeature& f) override { add(ExportKind::Symbol, f.source, {&f.at, 1}); }

  private:
    void add(ExportKind kind, FeatureSource source, std::span<const Position> shape) {
        double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
        for (const Position& p : shape) {
            minX = std::min(minX, p.east);
            minY = std::min(minY, p.north);
            maxX = std::max(maxX, p.east);
            maxY = std::max(maxY, p.north);
        }
        KindIndex& index = kinds_[static_cast<int>(kind)];
        index.minX = std::min(index.minX, minX);
        index.minY = std::min(index.minY, minY);
        index.maxX = std::max(index.maxX, maxX);
        index.maxY = std::max(index.maxY, maxY);
        const Box box{Below(minX), Below(minY), Above(maxX), Above(maxY)};
        index.sources.push_back(source);
        index.boxes.push_back(box);
    }
    KindIndex (&kinds_)[kExportKinds];
};

// Fills one OGR feature from the record the features hand on.
class OneFeature final : public FeatureRecords {
  public:
    explicit OneFeature(OGRFeature& feature) : feature_(feature) {}

  protected:
    void record(const FeatureRecord& record) override {
        FillOgrFeature(feature_, record);
        // Points, lines, parcels and symbols drawn in their layer's colour and pen.
        if (record.style.empty() && !record.layerStyle.empty()) {
            feature_.SetStyleString(record.layerStyle.c_str());
        }
    }

  private:
    OGRFeature& feature_;
};

class DrawingLayer final : public OGRLayer {
  public:
    DrawingLayer(ExportFeatures& features, ExportKind kind, KindIndex index,
                 OGRSpatialReference* system)
        : features_(features), kind_(kind), index_(std::move(index)) {
        defn_ = new OGRFeatureDefn(kExportKindRows[static_cast<int>(kind)].layerName.data());
        SetDescription(defn_->GetName());
        defn_->Reference();
        defn_->SetGeomType(OgrGeometryOf(kind));
        defn_->GetGeomFieldDefn(0)->SetSpatialRef(system);
        for (const ExportField& wanted : FieldsOf(kind)) {
            OGRFieldDefn field(wanted.name, OgrTypeOf(wanted.type));
            defn_->AddFieldDefn(&field);
        }
        extent_.MinX = index_.minX;
        extent_.MinY = index_.minY;
        extent_.MaxX = index_.maxX;
        extent_.MaxY = index_.maxY;
    }
    ~DrawingLayer() override { defn_->Release(); }

    OGRFeatureDefn* GetLayerDefn() override { return defn_; }
    void ResetReading() override { next_ = 0; }

    OGRFeature* GetNextFeature() override {
        while (next_ < index_.sources.size()) {
            const size_t at = next_++;
            if (m_poFilterGeom != nullptr && !inFilter(index_.boxes[at])) {
                continue;
            }
            std::unique_ptr<OGRFeature> feature(featureAt(at));
            if (feature == nullptr) {
                return nullptr;
            }
            if (FilterGeometry(feature->GetGeometryRef()) &&
                (m_poAttrQuery == nullptr || m_poAttrQuery->Evaluate(feature.get()))) {
                return feature.release();
            }
        }
        return nullptr;
    }

    OGRFeature* GetFeature(GIntBig fid) override {
        if (fid < 1 || static_cast<uint64_t>(fid) > index_.sources.size()) {
            return nullptr;
        }
        return featureAt(static_cast<size_t>(fid - 1));
    }

    GIntBig GetFeatureCount(int force) override {
        if (m_poFilterGeom == nullptr && m_poAttrQuery == nullptr) {
            return static_cast<GIntBig>(index_.sources.size());
        }
        return OGRLayer::GetFeatureCount(force);
    }

    OGRErr GetExtent(OGREnvelope* extent, int) override {
        if (index_.boxes.empty()) {
            return OGRERR_FAILURE;
        }
        *extent = extent_;
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

  private:
    bool inFilter(const Box& box) const {
        return box.maxX >= m_sFilterEnvelope.MinX && box.minX <= m_sFilterEnvelope.MaxX &&
               box.maxY >= m_sFilterEnvelope.MinY && box.minY <= m_sFilterEnvelope.MaxY;
    }

    OGRFeature* featureAt(size_t at) {
        try {
            auto feature = std::make_unique<OGRFeature>(defn_);
            OneFeature fill(*feature);
            if (!features_.visitRow(index_.sources[at], fill)) {
                CPLError(CE_Failure, CPLE_AppDefined, "%s: feature %llu is no longer readable",
                         defn_->GetName(), static_cast<unsigned long long>(at + 1));
                return nullptr;
            }
            feature->SetFID(static_cast<GIntBig>(at + 1));
            return feature.release();
        } catch (const std::bad_alloc&) {
            CPLError(CE_Failure, CPLE_OutOfMemory, "Out of memory");
            return nullptr;
        }
    }

    ExportFeatures& features_;
    ExportKind kind_;
    KindIndex index_;
    OGRFeatureDefn* defn_ = nullptr;
    OGREnvelope extent_;
    size_t next_ = 0;
};

class DrawingDataset final : public GDALDataset {
  public:
    ~DrawingDataset() override {
        layers_.clear();
        features_.reset();
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

  private:
    Workspace workspace_;
    PassThroughStep step_{0, 0};
    std::unique_ptr<ExportFeatures> features_;
    OGRSpatialReference* system_ = nullptr;
    std::vector<std::unique_ptr<DrawingLayer>> layers_;
};

GDALDataset* DrawingDataset::Open(GDALOpenInfo* info) {
    if (!Identify(info)) {
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
    std::string labels;
    const char* labelsOption = CSLFetchNameValue(info->papszOpenOptions, "LABELS");
    if (labelsOption == nullptr || *labelsOption == '\0') {
        labels = LabelFileBeside(geometry);
    } else if (!EQUAL(labelsOption, "NONE")) {
        labels = labelsOption;
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
        DriverObserver observer(geometry);
        ImportFiles(dataset->workspace_, paths, observer);
        dataset->features_ = std::make_unique<ExportFeatures>(dataset->workspace_, &dataset->step_);
        KindIndex kinds[kExportKinds];
        IndexingSink indexing(kinds);
        const std::function<bool(uint64_t)> always = [](uint64_t) { return true; };
        dataset->features_->visit(indexing, always);
        // Records left out or on no layer, FILE:LINE: as export names them.
        const std::vector<FeatureNote>& notes = dataset->features_->notes();
        const std::vector<std::optional<SourceLine>> lines = NoteLines(paths, notes);
        for (size_t i = 0; i < notes.size(); ++i) {
            const std::string where =
                lines[i] ? lines[i]->fileName + ":" + std::to_string(lines[i]->lineNumber)
                         : geometry;
            CPLError(CE_Warning, CPLE_AppDefined, "%s: %s", where.c_str(), notes[i].what.c_str());
        }
        for (const ExportKindEntry& kind : kExportKindRows) {
            dataset->layers_.push_back(std::make_unique<DrawingLayer>(
                *dataset->features_, kind.kind, std::move(kinds[static_cast<int>(kind.kind)]),
                dataset->system_));
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
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Plotaktar survey drawing (.gplt)");
    driver->SetMetadataItem(GDAL_DMD_EXTENSION, "gplt");
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "NO");
    driver->SetMetadataItem(
        GDAL_DMD_OPENOPTIONLIST,
        "<OpenOptionList>"
        "  <Option name='CRS' type='string' description='The drawing&apos;s coordinate system: "
        "TM27..TM45, ED50-TM27..ED50-TM45, ED50-UTM35..ED50-UTM38 or EPSG:n'/>"
        "  <Option name='LABELS' type='string' description='The label file (.yaz), or NONE; "
        "by default the .yaz of the same name beside the drawing'/>"
        "</OpenOptionList>");
    driver->pfnIdentify = plotaktar::Identify;
    driver->pfnOpen = plotaktar::DrawingDataset::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}
