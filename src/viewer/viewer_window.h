#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <vector>

#include "check/check_workspace.h"
#include "compare/change.h"

#include "viewer/drawing_canvas.h"
#include "viewer/drawing_files.h"
#include "viewer/file_watch.h"

class QLabel;

namespace plotaktar::viewer {

class CheckPanel;
class ComparisonPanel;
struct DrawingCheck;
class LayerPanel;
class RecentFiles;
class RecordPanel;
class SheetPrint;

// plotaktar-view's window: the drawing, a side panel of layers and kinds, the record of the
// feature last clicked, and a status bar with the cursor's Y and X, the scale and the counts.
// It follows the drawing's files on disk: a complete new version replaces the drawing, and
// while the files cannot be read the last good drawing stays, with the title and the status
// bar saying that it is older than the files and why. Files that cannot be opened while
// nothing is on screen stay watched too, and open once they are there.
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
    // Why the drawing on screen is older than its files, or why the files wait to be opened;
    // empty while they do not.
    const QString& staleReason() const { return staleReason_; }
    CheckPanel& checkPanel() { return *checkPanel_; }
    // Compares the drawing on screen with `old`, its old revision, on a worker thread: the
    // "Değişiklikler" panel, the canvas and the status bar show what changed, again whenever
    // either side is read anew. Empty files end the comparison.
    void compareWith(const DrawingFiles& old);
    ComparisonPanel& comparisonPanel() { return *comparisonPanel_; }
    const std::shared_ptr<const compare::Comparison>& changes() const { return changes_; }

  signals:
    // A drawing is read and set on the canvas (after open() or a reload).
    void drawingLoaded();
    // The drawing on screen became older than its files, or current again.
    void staleChanged();
    // The check of the drawing on screen ended and its findings are shown.
    void checkFinished();
    // The comparison with the old revision ended and its changes are shown.
    void comparisonFinished();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    struct LoadResult;
    // Reads `files`; a reload is one the file watch asked for, with the view kept.
    void load(const DrawingFiles& files, bool reload);
    void loaded(quint64 generation, const DrawingFiles& files, bool reload,
                const std::shared_ptr<LoadResult>& result);
    void chooseFiles();
    void exportPicture(bool wholeDrawing);
    void showCursor(double east, double north);
    void showCounts();
    void setStale(const QString& reason);
    void updateTitle();
    // Starts the check of the drawing on screen on a worker thread; the findings fill the
    // "Denetim" panel, the marks and the status bar when it ends.
    void startCheck(const DrawingFiles& files, std::vector<check::FailedRecord> failures);
    void checked(quint64 generation, std::shared_ptr<const DrawingCheck> check);
    // Stops the check that runs or waits to run, if any: its findings are no longer wanted.
    void cancelCheck();
    void showFinding(size_t finding);
    void chooseOld();
    // Starts the comparison of the drawing on screen with oldFiles_, stopping one under way.
    void startComparison();
    void compared(quint64 generation, std::shared_ptr<const compare::Comparison> changes,
                  const QString& error);
    void cancelComparison();
    void showChange(size_t change);
    // Shows `around` with some of its surroundings; nothing for an empty box.
    void zoomTo(Bounds around);

    DrawingCanvas* canvas_;
    LayerPanel* panel_;
    RecordPanel* record_;
    RecentFiles* recent_;
    SheetPrint* sheets_;
    QLabel* cursorLabel_;
    QLabel* scaleLabel_;
    QLabel* countsLabel_;
    QLabel* staleLabel_;
    QLabel* checkLabel_;
    CheckPanel* checkPanel_;
    std::shared_ptr<const DrawingCheck> check_;
    quint64 checkGeneration_ = 0;
    std::shared_ptr<std::atomic<bool>> checkCancel_;  // of the last check started
    DrawingFiles files_;
    QString staleReason_;
    quint64 loadGeneration_ = 0;
    uint64_t failedRecords_ = 0;
    FileWatch watch_;
    QThreadPool loader_;   // reads drawings; the window waits for it before it goes
    QThreadPool checker_;  // checks them, one at a time
    ComparisonPanel* comparisonPanel_;
    QLabel* changesLabel_;
    DrawingFiles oldFiles_;  // the old revision the drawing on screen is compared with
    QFileSystemWatcher oldWatch_;
    std::shared_ptr<const compare::Comparison> changes_;
    quint64 compareGeneration_ = 0;
    std::shared_ptr<std::atomic<bool>> compareCancel_;
    QThreadPool comparer_;  // compares, one at a time
    bool remembersRecent_ = true;
    bool shown_ = false;
};

}  // namespace plotaktar::viewer
