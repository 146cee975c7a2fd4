#pragma once

#include <QColor>
#include <QPen>
#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

#include "drawing/drawing.h"
#include "render/text_run.h"
#include "render/view_transform.h"

class QPainter;

namespace plotaktar {

class PdfContentWriter;
class RecordedPicture;

// What to leave out of a picture: layers by index, kinds by FeatureKind, point numbers.
struct RenderFilter {
    std::vector<bool> hiddenLayers;
    bool hiddenKinds[kFeatureKinds] = {};
    bool pointNumbers = true;

    // The filter that leaves out the layers whose "Açık/kapalı" switches them off, unless
    // `allLayers` asks for every layer.
    static RenderFilter LayersAsSwitched(const Drawing& drawing, bool allLayers = false) {
        RenderFilter filter;
        filter.hiddenLayers.resize(drawing.layers().size());
        for (size_t l = 0; l < drawing.layers().size(); ++l) {
            filter.hiddenLayers[l] = !allLayers && !drawing.layers()[l].on;
        }
        return filter;
    }

    bool shows(const Drawing& drawing, size_t feature) const {
        uint16_t layer = drawing.layer(feature);
        return !hiddenKinds[static_cast<int>(drawing.kind(feature))] &&
               (layer >= hiddenLayers.size() || !hiddenLayers[layer]);
    }
};

// Features drawn, and those in view left out because they would be smaller than a pixel or
// their text too small to read.
struct RenderStats {
    uint64_t drawn = 0;
    uint64_t leftOut = 0;
    bool cancelled = false;
};

// How a picture's surface relates to paper. A screen, and a picture without a scale, is paper at
// 96 dots an inch whose pens are at least one pixel wide and whose level of detail leaves out
// what is too small to see. A sheet is a record of the drawing: every feature is drawn, markers
// and texts are sized in millimetres, and pens are as thin as the layer says.
struct PaperUnits {
    double perMm = 96.0 / 25.4;  // surface units a millimetre of paper
    double thinnestPen = 1.0;    // in surface units
    bool sheet = false;

    static PaperUnits Sheet(double perMm, bool raster) { return {perMm, raster ? 1.0 : 0.0, true}; }
};

// The colour of a layer: its "Renk" number 1 to 255 from the AutoCAD colour index palette (7 is
// `foreground`), otherwise a colour derived from its name, the same on every run.
QColor LayerColour(const DrawingLayer& layer, QColor foreground = Qt::black);

// The pen of a layer on that surface: its colour, its "kalınlık" in millimetres (0.13 where it
// has none) and no thinner than the surface's thinnest pen, and its line type's pattern in
// millimetres of paper.
QPen LayerPen(const DrawingLayer& layer, const PaperUnits& paper);

// What a picture of `drawing` covers: its extent, and the labels that `filter` shows as their
// texts stand at their height and angle (a label larger than the drawing itself counts no
// further than the drawing's own size from its point).
Bounds DrawnExtent(const Drawing& drawing, const RenderFilter& filter);

// Paints the features that `view` touches onto `painter` (whose surface is view.width x
// view.height), without filling the background. Returns early, with `cancelled` set, as soon
// as `cancel` becomes true.
RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter = {},
                          const std::atomic<bool>* cancel = nullptr);
RenderStats RenderDrawing(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const PaperUnits& paper,
                          const std::atomic<bool>* cancel = nullptr);

// The fonts of the texts RecordDrawing gathers, loaded on the thread that paints the PDF: a
// font may be read only by the thread that loaded it, and the PDF engine reads the glyphs of
// every font it was given when it ends, when a recording thread may be gone.
struct RecordingFonts {
    explicit RecordingFonts(const PaperUnits& paper);
    TextRun names;
    TextRun labels;
};

// What RenderDrawing paints onto a PDF's painter, recorded into `picture` instead, on any
// thread, to be painted onto that painter later (RecordedPicture::paint), with `fonts` for
// its gathered texts.
RenderStats RecordDrawing(RecordedPicture& picture, const RecordingFonts& fonts,
                          const Drawing& drawing, const ViewTransform& view,
                          const RenderFilter& filter, const PaperUnits& paper,
                          const std::atomic<bool>* cancel = nullptr);

// The same written as a PDF page's content by `writer`, on any thread, its texts in `fonts`'
// glyphs (which must be of the writer's font).
RenderStats WritePdfDrawing(PdfContentWriter& writer, const RecordingFonts& fonts,
                            const Drawing& drawing, const ViewTransform& view,
                            const RenderFilter& filter, const PaperUnits& paper,
                            const std::atomic<bool>* cancel = nullptr);

}  // namespace plotaktar
