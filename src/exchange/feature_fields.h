#pragma once

// The fields of the GIS formats, the same for every writer through GDAL and for the read
// driver that opens a drawing in GDAL's programs: a table of each kind's fields, and a sink that
// fills one record of them for every feature.

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/export_features.h"

namespace plotaktar {

enum class FieldType { Text, Real, Integer };

struct ExportField {
    const char* name;
    FieldType type;
};

// The fields of each kind's layer; "kind" first in every one.
const std::vector<ExportField>& FieldsOf(ExportKind kind);

// A field's value: null, or of its field's type (texts UTF-8).
struct FieldValue {
    bool null = true;
    std::string text;
    double real = 0;
    int64_t integer = 0;
};

// One feature as the GIS formats hold it.
struct FeatureRecord {
    ExportKind kind = ExportKind::Point;
    FeatureSource source{};
    std::vector<FieldValue> values;  // by FieldsOf(kind)
    // A point's place, a line's two ends, or a parcel's corners (the ring not closed), placed
    // in the written system.
    std::vector<Position> shape;
    std::string style;  // the OGR style string, empty when it has none
    // The pen of the feature's layer as an OGR style string (PEN, BRUSH or SYMBOL in the
    // layer's colour), for readers that take a feature's style (the read driver); empty for a
    // feature on no layer.
    std::string layerStyle;
};

// Fills a record for each feature and hands it to record(); the record is valid during the
// call only.
class FeatureRecords : public FeatureSink {
  public:
    void point(const PointFeature& feature) override;
    void line(const LineFeature& feature) override;
    void parcel(const ParcelFeature& feature) override;
    void label(const LabelFeature& feature) override;
    void symbol(const SymbolFeature& feature) override;

  protected:
    virtual void record(const FeatureRecord& record) = 0;

  private:
    FeatureRecord& start(ExportKind kind, FeatureSource source, std::string_view kindName,
                         const LayerOf& layer);
    void setText(const char* field, std::string_view cp1254);
    void setUtf8(const char* field, std::string text);
    void setReal(const char* field, double value);
    void setInteger(const char* field, int64_t value);
    FieldValue& value(const char* field);

    FeatureRecord record_;
};

}  // namespace plotaktar
