// `plotaktar-cli diff -o PICTURE`: the changes drawn over the new revision, in the render
// helper (Qt): unchanged elements grey, removed red, added green, moved as an arrow from the
// old place to the new.

#include <QGuiApplication>
#include <cmath>
#include <memory>

#include "cli/commands.h"
#include "cli/diff_run.h"
#include "cli/render_command.h"
#include "cli/session_ui.h"
#include "drawing/drawing_loader.h"
#include "drawing/sheet_layout.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "render/render_file.h"

namespace plotaktar::cli {

namespace {

void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "plotaktar-cli: %s\n", message.toLocal8Bit().constData());
    }
}

// A label's angle that writes it along the easting: grads clockwise from grid north.
constexpr double kHorizontal = 100;

// The layers of the picture, by their AutoCAD colour index: grey, red, green, blue.
struct PictureLayers {
    uint16_t unchanged, removed, added, moved;
};

PictureLayers AddPictureLayers(Drawing& picture) {
    auto layer = [&](const char* name, int colour) {
        DrawingLayer pen;
        pen.colour = colour;
        pen.thickness = 0.25f;
        return picture.layerIndex(Cp1254FromUtf8(name), pen);
    };
    return {layer("DEĞİŞMEDİ", 8), layer("SİLİNDİ", 1), layer("EKLENDİ", 3), layer("KAYDI", 5)};
}

// The new revision as it is drawn, every feature on the grey layer.
void AddUnchanged(Drawing& picture, const Drawing& drawing, uint16_t layer) {
    for (size_t i = 0; i < drawing.size(); ++i) {
        if (drawing.kind(i) == FeatureKind::Symbol) {
            picture.addSymbol(layer, drawing.sourceRow(i), drawing.vertices(i)[0], drawing.text(i),
                              drawing.scaleX(i), drawing.scaleY(i), drawing.angle(i));
        } else {
            picture.add(drawing.kind(i), layer, drawing.sourceRow(i), drawing.vertices(i),
                        drawing.text(i), drawing.height(i), drawing.angle(i), drawing.centred(i));
        }
    }
}

// The shape of one side of a change, as the element it is.
void AddShape(Drawing& picture, const compare::Change& change, const compare::ChangeSide& side,
              uint16_t layer, double labelHeight) {
    if (side.shape.empty()) {
        return;
    }
    std::string name;
    for (const auto& [key, value] : change.texts) {
        if (key == "number" || key == "parcel" || key == "text") {
            name = Cp1254FromUtf8(value);
        }
    }
    switch (change.element) {
        case compare::Element::Point:
            picture.add(FeatureKind::Detail, layer, 0, {&side.shape[0], 1}, name);
            break;
        case compare::Element::Line:
            picture.add(FeatureKind::Line, layer, 0, side.shape, {});
            break;
        case compare::Element::Parcel: {
            // A divided parcel's parts, or the merged parcels, each as a parcel of its own.
            size_t start = 0;
            for (size_t k = 0; k <= side.rings.size(); ++k) {
                const size_t end = k < side.rings.size() ? side.rings[k] : side.shape.size();
                picture.add(FeatureKind::Parcel, layer, 0,
                            std::span(side.shape).subspan(start, end - start),
                            side.rings.empty() ? name : std::string());
                start = end;
            }
            break;
        }
        case compare::Element::Label:
            picture.add(FeatureKind::Label, layer, 0, {&side.shape[0], 1}, name, labelHeight,
                        kHorizontal);
            break;
        default:
            break;
    }
}

// An arrow from `from` to `to`, its head `mm` ground units a millimetre of paper long times
// two; one shorter than a millimetre on paper is marked with a square around its end, so that
// it can be found.
void AddArrow(Drawing& picture, Vertex from, Vertex to, double mm, uint16_t layer) {
    auto line = [&](Vertex a, Vertex b) {
        const Vertex ends[2] = {a, b};
        picture.add(FeatureKind::Line, layer, 0, ends, {});
    };
    const double length = std::hypot(to.east - from.east, to.north - from.north);
    if (length < mm) {
        const double h = 1.5 * mm;
        const Vertex c[4] = {{to.east - h, to.north - h},
                             {to.east + h, to.north - h},
                             {to.east + h, to.north + h},
                             {to.east - h, to.north + h}};
        for (int k = 0; k < 4; ++k) {
            line(c[k], c[(k + 1) % 4]);
        }
        if (length == 0) {
            return;
        }
    }
    line(from, to);
    const double head = std::min(2 * mm, length / 2);
    const double ux = (to.east - from.east) / length, uy = (to.north - from.north) / length;
    for (double side : {-1.0, 1.0}) {
        const double c = std::cos(0.45), s = std::sin(0.45) * side;
        line(to, {to.east - head * (ux * c - uy * s), to.north - head * (uy * c + ux * s)});
    }
}

// The counts the title block or the legend shows.
struct PictureCounts {
    size_t removed = 0, added = 0, moved = 0, changed = 0;
};

PictureCounts CountLooks(const compare::Comparison& comparison) {
    PictureCounts counts;
    for (const compare::Change& change : comparison.changes) {
        switch (change.look) {
            case compare::Look::Removed:
                ++counts.removed;
                break;
            case compare::Look::Added:
                ++counts.added;
                break;
            case compare::Look::Moved:
                ++counts.moved;
                break;
            case compare::Look::Changed:
                ++counts.changed;
                break;
        }
    }
    return counts;
}

}  // namespace

int RunDiffPicture(const DiffArgs& args, std::FILE* out, std::FILE* err) {
    RenderArgs render = ParseRender(DiffRenderLine(args));
    DiffSides sides;
    int status = kExitFailed;
    const std::optional<compare::Comparison> comparison =
        CompareRevisions(args, err, status, &sides);
    if (!comparison) {
        return status;
    }
    WriteComparison(*comparison, args.json, out);
    RunFiles files;
    AddDrawingInputs(files, args.oldPath, sides.labels[0]);
    AddDrawingInputs(files, args.newPath, sides.labels[1]);
    files.addOutput(args.output);
    if (!NoOutputIsInput(files, err)) {
        return kExitUsage;
    }

    qInstallMessageHandler(QuietMessages);
    static int argc = 3;
    static char name[] = "plotaktar-cli", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    QGuiApplication application(argc, argv);
    Drawing picture;
    try {
        // Its failing records were reported by the comparison already.
        ImportObserver quiet;
        LoadedDrawing loaded = LoadDrawing(args.newPath, sides.labels[1], quiet);
        loaded.workspace.reset();
        const PictureLayers layers = AddPictureLayers(picture);
        AddUnchanged(picture, loaded.drawing, layers.unchanged);
        // The extent of both revisions, for the scale and the legend.
        Bounds extent = loaded.drawing.extent();
        for (const compare::Change& change : comparison->changes) {
            for (const Vertex& v : change.old.shape) {
                extent.add(v.east, v.north);
            }
        }
        const PictureCounts counts = CountLooks(*comparison);
        // Ground units a millimetre of paper.
        double mm = 0;
        ViewTransform view;
        if (render.sheet) {
            const Paper paper = *PaperNamed(render.paper);
            const Orientation orientation = render.orientation == 1   ? Orientation::Landscape
                                            : render.orientation == 2 ? Orientation::Portrait
                                                                      : Orientation::Auto;
            if (render.scale == 0) {
                render.scale = AutoScale(extent, paper, orientation);
                std::fprintf(err, "plotaktar-cli: --scale auto: 1/%d\n", render.scale);
            }
            mm = render.scale / 1000.0;
        } else {
            view = ViewTransform::fit(extent, render.width, render.height, render.width / 50);
            mm = 96.0 / 25.4 / view.scale;
        }
        for (const compare::Change& change : comparison->changes) {
            switch (change.look) {
                case compare::Look::Removed:
                    AddShape(picture, change, change.old, layers.removed, 3 * mm);
                    break;
                case compare::Look::Added:
                    AddShape(picture, change, change.now, layers.added, 3 * mm);
                    break;
                case compare::Look::Moved:
                    if (!change.old.shape.empty() && !change.now.shape.empty()) {
                        AddArrow(picture, compare::ShapeCentre(change.old.shape),
                                 compare::ShapeCentre(change.now.shape), mm, layers.moved);
                    }
                    break;
                case compare::Look::Changed:
                    // A parcel divided or merged: what went in red, what came in green.
                    if (change.code == "parcel-divided" || change.code == "parcel-merged") {
                        AddShape(picture, change, change.old, layers.removed, 3 * mm);
                        AddShape(picture, change, change.now, layers.added, 3 * mm);
                    }
                    break;
            }
        }
        const std::string countText = std::to_string(counts.removed) + " silindi, " +
                                      std::to_string(counts.added) + " eklendi, " +
                                      std::to_string(counts.moved) + " kaydı, " +
                                      std::to_string(counts.changed) + " değişti";
        if (render.sheet) {
            // The counts stand in the title block, after the drawing's name.
            if (render.title.empty()) {
                render.title = args.newPath.substr(args.newPath.find_last_of('/') + 1);
            }
            render.title += " — " + countText;
        } else {
            // A legend in the top left corner, a line a kind of change in its colour.
            const double line = 16 / view.scale;
            const Bounds area = view.visibleArea();
            const std::pair<std::string, uint16_t> entries[] = {
                {"değişmedi", layers.unchanged},
                {std::to_string(counts.removed) + " silindi", layers.removed},
                {std::to_string(counts.added) + " eklendi", layers.added},
                {std::to_string(counts.moved) + " kaydı", layers.moved},
                {std::to_string(counts.changed) + " değişti", layers.unchanged}};
            for (size_t k = 0; k < std::size(entries); ++k) {
                const Vertex at{area.minEast + line,
                                area.maxNorth - line * static_cast<double>(k + 1)};
                picture.add(FeatureKind::Label, entries[k].second, 0, {&at, 1},
                            Cp1254FromUtf8(entries[k].first), 0.7 * line, kHorizontal);
            }
        }
        picture.finish();
        if (picture.size() == 0) {
            PrintProblem(err, args.newPath, "empty drawings: there is nothing to draw");
            return kExitUsage;
        }
        const RenderFilter filter = RenderFilter::LayersAsSwitched(picture, true);
        if (render.sheet) {
            // The sheets' summary goes with the other messages: standard output holds the
            // changes.
            const int sheets = RunSheets(render, sides.labels[1], picture, filter, {}, err, err);
            return sheets == kExitOk ? status : sheets;
        }
        if (std::string problem = SavePicture(picture, view, filter, args.output);
            !problem.empty()) {
            PrintProblem(err, args.output, problem);
            return kExitFailed;
        }
    } catch (const Error& e) {
        PrintProblem(err, args.newPath, Utf8FromCp1254(e.message()));
        return kExitFailed;
    } catch (const std::exception& e) {
        PrintProblem(err, args.output, Utf8FromCp1254(MessageOf(e)));
        return kExitFailed;
    }
    return status;
}

}  // namespace plotaktar::cli
