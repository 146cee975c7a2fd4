#include "gis/geopackage_styles.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <ctime>
#include <string>

#include "exchange/layer_style.h"
#include "model/export_kinds.h"
#include "platform/error.h"

namespace plotaktar {

namespace {

[[noreturn]] void Refused(const std::string& what) {
    std::string message = "cannot write the layers' styles: " + what;
    const char* detail = CPLGetLastErrorMsg();
    if (detail != nullptr && *detail != '\0') {
        message += ": ";
        message += detail;
    }
    throw Error(message);
}

// The table's columns as QGIS creates them (its `id` is the table's key).
struct StyleColumn {
    const char* name;
    OGRFieldType type;
    OGRFieldSubType subType = OFSTNone;
};
constexpr StyleColumn kColumns[] = {
    {"f_table_catalog", OFTString},
    {"f_table_schema", OFTString},
    {"f_table_name", OFTString},
    {"f_geometry_column", OFTString},
    {"styleName", OFTString},
    {"styleQML", OFTString},
    {"styleSLD", OFTString},
    {"useAsDefault", OFTInteger, OFSTBoolean},
    {"description", OFTString},
    {"owner", OFTString},
    {"ui", OFTString},
    {"update_time", OFTDateTime},
};

}  // namespace

void AddGeoPackageStyles(GDALDataset& dataset, std::span<const ExportLayer> layers) {
    const char* options[] = {"FID=id", nullptr};
    OGRLayer* table =
        dataset.CreateLayer("layer_styles", nullptr, wkbNone, const_cast<char**>(options));
    if (table == nullptr) {
        Refused("no table layer_styles");
    }
    for (const StyleColumn& column : kColumns) {
        OGRFieldDefn field(column.name, column.type);
        field.SetSubType(column.subType);
        if (table->CreateField(&field) != OGRERR_NONE) {
            Refused(std::string("no column ") + column.name);
        }
    }
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    for (const ExportKindEntry& kind : kExportKindRows) {
        OGRLayer* layer = dataset.GetLayerByName(kind.layerName.data());
        if (layer == nullptr) {
            continue;
        }
        OGRFeature feature(table->GetLayerDefn());
        const std::string name(kind.layerName);
        feature.SetField("f_table_catalog", "");
        feature.SetField("f_table_schema", "");
        feature.SetField("f_table_name", name.c_str());
        feature.SetField("f_geometry_column", layer->GetGeometryColumn());
        feature.SetField("styleName", name.c_str());
        feature.SetField("styleQML", LayerStyleQml(kind.kind, layers).c_str());
        feature.SetField("styleSLD", "");
        feature.SetField("useAsDefault", 1);
        feature.SetField("description", "plotaktar");
        feature.SetField("owner", "");
        feature.SetField("ui", "");
        feature.SetField("update_time", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                         utc.tm_hour, utc.tm_min, static_cast<float>(utc.tm_sec), 100);
        if (table->CreateFeature(&feature) != OGRERR_NONE) {
            Refused("no style of " + name);
        }
    }
}

}  // namespace plotaktar
