#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <memory>

#include "viewer/drawing_canvas.h"

class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace plotaktar::viewer {

// The files of one drawing: a geometry file with its label file (and the label file's
// companion), or a plot file.
struct DrawingFiles {
    QString main;
    QString labels;

    bool empty() const { return main.isEmpty(); }
    // The files whose change on disk calls for a reload.
    QStringList watched() const;
};

// The files to open for a list of paths (a file argument, a drop, the open dialog): the first
// plot or geometry file, with a label file from the list or else the .yaz beside it.
DrawingFiles FilesFor(const QStringList& paths);

// plotaktar-view's window: the drawing, a side panel of layers and kinds, the record of the
// feature last clicked, and a status bar with the cursor's Y and X, the scale and the counts.
class ViewerWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit ViewerWindow(QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Opens the files in the background; the window shows them when they are read.
    void open(const DrawingFiles& files);
    DrawingCanvas& canvas() { return *canvas_; }
    // Whether opened drawings go to the recent files (on by default; scripts turn it off).
    void setRemembersRecent(bool remember) { remembersRecent_ = remember; }

  signals:
    // The drawing of the last open() is read and set on the canvas.
    void drawingLoaded();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void load(const DrawingFiles& files, bool keepView);
    void loaded(quint64 generation, const DrawingFiles& files, bool keepView,
                std::shared_ptr<const LoadedDrawing> drawing, uint64_t failedRecords,
                const QString& error, const QStringList& withoutCarriageReturns);
    // Watches the files of the drawing for changes on disk, and no others.
    void watch(const DrawingFiles& files);
    void chooseFiles();
    void exportPicture(bool wholeDrawing);
    void fillPanel();
    void panelChanged(QTreeWidgetItem* item);
    void showRecord(std::optional<uint32_t> feature);
    void showCursor(double east, double north);
    void showCounts();
    void rememberRecent(const DrawingFiles& files);
    void fillRecentMenu();
    void updateTitle();

    DrawingCanvas* canvas_;
    QTreeWidget* panel_;
    QTreeWidget* record_;
    QLabel* cursorLabel_;
    QLabel* scaleLabel_;
    QLabel* countsLabel_;
    QMenu* recentMenu_;
    DrawingFiles files_;
    quint64 loadGeneration_ = 0;
    uint64_t failedRecords_ = 0;
    QThreadPool loader_;  // reads drawings; the window waits for it before it goes
    QFileSystemWatcher watcher_;
    QTimer reload_;
    bool fillingPanel_ = false;
    bool remembersRecent_ = true;
};

}  // namespace plotaktar::viewer
