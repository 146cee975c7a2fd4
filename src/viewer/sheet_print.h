#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class QWidget;
class QPrinter;

namespace plotaktar::viewer {

class DrawingCanvas;
struct DrawingFiles;

// Sheets of the canvas's drawing at a map scale, with the layers and kinds the canvas shows:
// printed through Qt's print dialog (its "Pafta" page holds the scale, title and sheet name),
// shown in Qt's print preview, or exported as a PDF. The preview and the printer paint with the
// same sheet painter as `plotaktar-cli render --scale`. Printing and the export run beside the
// window, with a progress dialog that can cancel them.
class SheetPrint : public QObject {
    Q_OBJECT

  public:
    SheetPrint(QWidget& window, const DrawingCanvas& canvas);
    ~SheetPrint() override;

    // `title` is the drawing's main file's name, the title block's title at first. Printing
    // to a file and the PDF export write over none of the drawing's `files`.
    void print(const DrawingFiles& files);
    void preview(const QString& title);
    void exportPdf(const DrawingFiles& files);
    // True while a print or export runs.
    bool busy() const { return running_ != nullptr; }

    // What the user chose for the sheets; kept between runs.
    struct Options;

  signals:
    // A print or export ended: with the path written, or an empty path and why not (empty
    // when cancelled).
    void finished(const QString& path, const QString& problem);

  private:
    struct Running;
    bool askOptions(Options& options, bool paper);
    void runInBackground(const std::shared_ptr<Running>& job, const QString& label);

    QWidget& window_;
    const DrawingCanvas& canvas_;
    std::unique_ptr<Options> options_;
    std::shared_ptr<Running> running_;
};

}  // namespace plotaktar::viewer
