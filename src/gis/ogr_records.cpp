#include "gis/ogr_records.h"

#include <memory>

namespace plotaktar {

OGRFieldType OgrTypeOf(FieldType type) {
    switch (type) {
        case FieldType::Real:
            return OFTReal;
        case FieldType::Integer:
            return OFTInteger;
        default:
            return OFTString;
    }
}

OGRwkbGeometryType OgrGeometryOf(ExportKind kind) {
    switch (kind) {
        case ExportKind::Line:
            return wkbLineString;
        case ExportKind::Parcel:
            return wkbPolygon;
        default:
            return wkbPoint;
    }
}

void FillOgrFeature(OGRFeature& feature, const FeatureRecord& record) {
    const std::vector<ExportField>& fields = FieldsOf(record.kind);
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldValue& value = record.values[i];
        if (value.null) {
            continue;
        }
        const int index = feature.GetFieldIndex(fields[i].name);
        if (index < 0) {
            continue;
        }
        switch (fields[i].type) {
            case FieldType::Text:
                feature.SetField(index, value.text.c_str());
                break;
            case FieldType::Real:
                feature.SetField(index, value.real);
                break;
            case FieldType::Integer:
                feature.SetField(index, static_cast<GIntBig>(value.integer));
                break;
        }
    }
    const std::vector<Position>& shape = record.shape;
    switch (OgrGeometryOf(record.kind)) {
        case wkbLineString: {
            auto line = std::make_unique<OGRLineString>();
            for (const Position& p : shape) {
                line->addPoint(p.east, p.north);
            }
            feature.SetGeometryDirectly(line.release());
            break;
        }
        case wkbPolygon: {
            auto ring = std::make_unique<OGRLinearRing>();
            for (const Position& p : shape) {
                ring->addPoint(p.east, p.north);
            }
            ring->closeRings();
            auto polygon = std::make_unique<OGRPolygon>();
            polygon->addRingDirectly(ring.release());
            feature.SetGeometryDirectly(polygon.release());
            break;
        }
        default:
            feature.SetGeometryDirectly(new OGRPoint(shape.at(0).east, shape.at(0).north));
            break;
    }
    if (!record.style.empty()) {
        feature.SetStyleString(record.style.c_str());
    }
}

}  // namespace plotaktar
