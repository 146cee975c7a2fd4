#include "model/output_formats.h"

#include <array>
#include <vector>

#include "model/text.h"
#include "platform/files.h"

namespace plotaktar {

namespace {

constexpr std::string_view kPlotExtensions[] = {".plt"};
constexpr std::string_view kPngExtensions[] = {".png"};
constexpr std::string_view kSvgExtensions[] = {".svg"};
constexpr std::string_view kPdfExtensions[] = {".pdf"};
constexpr OutputOption kPictureOptions[] = {{"--size", "WxH"}};
constexpr std::string_view kDxfExtensions[] = {".dxf"};
constexpr std::string_view kGpkgExtensions[] = {".gpkg"};
constexpr std::string_view kShpExtensions[] = {".shp"};
// Every file of one Shapefile set: GDAL's geometry, index, attributes, coordinate system and
// the attributes' encoding, and the layer's QGIS style.
constexpr std::string_view kShpSetExtensions[] = {".shp", ".shx", ".dbf", ".prj", ".cpg", ".qml"};
constexpr std::string_view kGeoJsonExtensions[] = {".geojson"};
constexpr std::string_view kKmlExtensions[] = {".kml"};
constexpr OutputOption kExchangeOptions[] = {{"--crs", "CRS"}, {"--to", "CRS"}};

constexpr std::array<OutputFormatInfo, 9> kFormats = {{
    {"plt", "plot file", kPlotExtensions, {}, kCliProgram, false},
    {"png", "PNG picture", kPngExtensions, kPictureOptions, kRenderProgram, false, {}, true},
    {"svg", "SVG picture", kSvgExtensions, kPictureOptions, kRenderProgram, false, {}, true},
    {"pdf", "PDF picture", kPdfExtensions, kPictureOptions, kRenderProgram, false},
    {"dxf", "DXF drawing", kDxfExtensions, kExchangeOptions, kExportProgram, false},
    {"gpkg",
     "GeoPackage",
     kGpkgExtensions,
     kExchangeOptions,
     kExportProgram,
     false,
     {},
     false,
     false},
    {"shp", "Shapefile", kShpExtensions, kExchangeOptions, kExportProgram, false, kShpSetExtensions,
     false, false},
    {"geojson",
     "GeoJSON",
     kGeoJsonExtensions,
     kExchangeOptions,
     kExportProgram,
     true,
     {},
     false,
     false},
    {"kml", "KML", kKmlExtensions, kExchangeOptions, kExportProgram, true, {}, false, false},
}};

}  // namespace

std::string NonFileRefusal(std::string_view what, const std::string& path) {
    const std::string kind = platform::NonFileKind(path);
    return kind.empty() ? std::string()
                        : "is " + kind + "; " + std::string(what) + " can only be written to files";
}

std::span<const OutputFormatInfo> OutputFormats() {
    return kFormats;
}

const OutputFormatInfo* OutputFormatForPath(std::string_view path) {
    for (const OutputFormatInfo& format : kFormats) {
        for (std::string_view extension : format.extensions) {
            if (EndsWithNoCase(path, extension)) {
                return &format;
            }
        }
    }
    return nullptr;
}

const OutputFormatInfo* OutputFormatNamed(std::string_view name) {
    for (const OutputFormatInfo& format : kFormats) {
        if (format.name == name) {
            return &format;
        }
    }
    return nullptr;
}

std::string ExtensionsWrittenBy(std::string_view program) {
    std::vector<std::string_view> extensions;
    for (const OutputFormatInfo& format : kFormats) {
        if (format.program == program) {
            extensions.insert(extensions.end(), format.extensions.begin(), format.extensions.end());
        }
    }
    std::string text;
    for (size_t i = 0; i < extensions.size(); ++i) {
        if (i > 0) {
            text += i + 1 == extensions.size() ? " or " : ", ";
        }
        text += extensions[i];
    }
    return text;
}

}  // namespace plotaktar
