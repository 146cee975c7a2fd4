#include "viewer/viewer_window.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <cmath>

#include "compare/comparison.h"
#include "drawing/drawing_loader.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "qt/cp1254_text.h"
#include "qt/screen_fit.h"
#include "viewer/change_overlay.h"
#include "viewer/check_panel.h"
#include "viewer/comparison_panel.h"
#include "viewer/drawing_check.h"
#include "viewer/exchange_export.h"
#include "viewer/layer_panel.h"
#include "viewer/picture_export.h"
#include "viewer/recent_files.h"
#include "viewer/record_panel.h"
#include "viewer/sheet_print.h"
#include "viewer/system_texts.h"

namespace plotaktar::viewer {

namespace {

// A screen pixel, in metres, for the scale in the status bar (96 pixels an inch).
constexpr double kPixelMetres = 0.0254 / 96;
// How long a first reading that a change of its files overtook waits before it reads again.
constexpr int kRereadMs = 200;

class FailureCounter : public ImportObserver {
  public:
    void recordFailed(std::string_view word, uint64_t line) override {
        ++failed;
        failures.push_back({std::string(word), line});
    }
    void importWarning(const FileWarning& warning) override {
        if (warning.warning != ImportWarning::NoCarriageReturns) {
            return;  // the status bar tells only why a drawing is one long line
        }
        withoutCarriageReturns
            << QFileInfo(QFile::decodeName(QByteArray::fromStdString(warning.fileName))).fileName();
    }
    uint64_t failed = 0;
    std::vector<check::FailedRecord> failures;
    QStringList withoutCarriageReturns;
};

}  // namespace

// What a reading of the files gives back to the window.
struct ViewerWindow::LoadResult {
    std::shared_ptr<const LoadedDrawing> drawing;
    QString error;
    uint64_t failedRecords = 0;
    std::vector<check::FailedRecord> failures;
    QStringList withoutCarriageReturns;
    FileStates states;       // of the files as they were read
    bool overtaken = false;  // the files changed while they were read
};

ViewerWindow::ViewerWindow(QWidget* parent) : QMainWindow(parent) {
    canvas_ = new DrawingCanvas(this);
    setCentralWidget(canvas_);
    setAcceptDrops(true);
    resize(1200, 800);

    panel_ = new LayerPanel(*canvas_);
    auto* panelDock = new QDockWidget(QStringLiteral("Tabakalar ve türler"), this);
    panelDock->setObjectName(QStringLiteral("panelDock"));
    panelDock->setWidget(panel_);
    addDockWidget(Qt::LeftDockWidgetArea, panelDock);

    record_ = new RecordPanel;
    auto* recordDock = new QDockWidget(QStringLiteral("Kayıt"), this);
    recordDock->setObjectName(QStringLiteral("recordDock"));
    recordDock->setWidget(record_);
    addDockWidget(Qt::LeftDockWidgetArea, recordDock);

    checkPanel_ = new CheckPanel;
    auto* checkDock = new QDockWidget(QStringLiteral("Denetim"), this);
    checkDock->setObjectName(QStringLiteral("checkDock"));
    checkDock->setWidget(checkPanel_);
    addDockWidget(Qt::BottomDockWidgetArea, checkDock);
    connect(checkPanel_, &CheckPanel::findingChosen, this, &ViewerWindow::showFinding);

    comparisonPanel_ = new ComparisonPanel;
    auto* comparisonDock = new QDockWidget(QStringLiteral("Değişiklikler"), this);
    comparisonDock->setObjectName(QStringLiteral("comparisonDock"));
    comparisonDock->setWidget(comparisonPanel_);
    addDockWidget(Qt::BottomDockWidgetArea, comparisonDock);
    // Beside "Denetim", in front while a comparison is shown.
    tabifyDockWidget(checkDock, comparisonDock);
    checkDock->raise();
    connect(comparisonPanel_, &ComparisonPanel::changeChosen, this, &ViewerWindow::showChange);
    connect(this, &ViewerWindow::comparisonFinished, comparisonDock, &QDockWidget::raise);

    cursorLabel_ = new QLabel;
    scaleLabel_ = new QLabel;
    scaleLabel_->setObjectName(QStringLiteral("scale"));
    countsLabel_ = new QLabel;
    staleLabel_ = new QLabel;
    staleLabel_->setObjectName(QStringLiteral("stale"));
    staleLabel_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    staleLabel_->hide();
    statusBar()->addWidget(cursorLabel_, 1);
    checkLabel_ = new QLabel;
    checkLabel_->setObjectName(QStringLiteral("checkCounts"));
    statusBar()->addPermanentWidget(staleLabel_);
    statusBar()->addPermanentWidget(checkLabel_);
    changesLabel_ = new QLabel;
    changesLabel_->setObjectName(QStringLiteral("changeCounts"));
    statusBar()->addPermanentWidget(changesLabel_);
    statusBar()->addPermanentWidget(scaleLabel_);
    statusBar()->addPermanentWidget(countsLabel_);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Dosya"));
    QAction* open = file->addAction(QStringLiteral("&Aç…"), this, &ViewerWindow::chooseFiles);
    open->setShortcut(QKeySequence::Open);
    file->addAction(QStringLiteral("Karşılaştır…"), this, &ViewerWindow::chooseOld);
    file->addAction(QStringLiteral("Karşılaştırmayı durdur"), this,
                    [this] { compareWith(DrawingFiles()); });
    QMenu* recentMenu = file->addMenu(QStringLiteral("Son açılanlar"));
    recent_ = new RecentFiles(*recentMenu, this);
    connect(recent_, &RecentFiles::chosen, this, &ViewerWindow::open);
    file->addSeparator();
    file->addAction(QStringLiteral("Görünümü dışa aktar…"), this, [this] { exportPicture(false); });
    file->addAction(QStringLiteral("Bütün çizimi dışa aktar…"), this,
                    [this] { exportPicture(true); });
    file->addAction(QStringLiteral("Dışa aktar…"), this, [this] {
        const QString written = ExportExchange(this, canvas_->drawing(), files_);
        if (!written.isEmpty()) {
            statusBar()->showMessage(QStringLiteral("Yazıldı: %1").arg(written), 5000);
        }
    });
    file->addSeparator();
    sheets_ = new SheetPrint(*this, *canvas_);
    QAction* print =
        file->addAction(QStringLiteral("Yazdır…"), this, [this] { sheets_->print(files_); });
    print->setShortcut(QKeySequence::Print);
    file->addAction(QStringLiteral("Baskı önizlemesi…"), this,
                    [this] { sheets_->preview(QFileInfo(files_.main).fileName()); });
    file->addAction(QStringLiteral("Pafta olarak dışa aktar (PDF)…"), this,
                    [this] { sheets_->exportPdf(files_); });
    connect(sheets_, &SheetPrint::finished, this, [this](const QString& path, const QString&) {
        if (!path.isEmpty()) {
            statusBar()->showMessage(
                QStringLiteral("Paftalar yazıldı: ") + QDir::toNativeSeparators(path), 8000);
        }
    });
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Çı&kış"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Görünüm"));
    QAction* zoomIn =
        view->addAction(QStringLiteral("Yakınlaştır"), this, [this] { canvas_->zoomBy(1.5); });
    zoomIn->setShortcuts(
        {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal), QKeySequence::ZoomIn});
    QAction* zoomOut =
        view->addAction(QStringLiteral("Uzaklaştır"), this, [this] { canvas_->zoomBy(1 / 1.5); });
    zoomOut->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence::ZoomOut});
    QAction* fit =
        view->addAction(QStringLiteral("Bütün çizimi sığdır"), this, [this] { canvas_->fitAll(); });
    fit->setShortcut(QKeySequence(Qt::Key_Home));
    view->addSeparator();
    view->addAction(panelDock->toggleViewAction());
    view->addAction(recordDock->toggleViewAction());
    view->addAction(checkDock->toggleViewAction());
    view->addAction(comparisonDock->toggleViewAction());

    connect(canvas_, &DrawingCanvas::cursorMoved, this, &ViewerWindow::showCursor);
    connect(canvas_, &DrawingCanvas::viewChanged, this, &ViewerWindow::showCounts);
    connect(canvas_, &DrawingCanvas::pictureReady, this, &ViewerWindow::showCounts);
    connect(canvas_, &DrawingCanvas::featureClicked, this, [this](std::optional<uint32_t> f) {
        record_->showRecord(canvas_->drawing().get(), f);
    });

    connect(&watch_, &FileWatch::reloadWanted, this, [this] { load(files_, true); });
    connect(&watch_, &FileWatch::unavailable, this, &ViewerWindow::setStale);
    connect(&watch_, &FileWatch::current, this, [this] { setStale({}); });

    // The old revision read anew: the comparison is made again.
    connect(&oldWatch_, &QFileSystemWatcher::fileChanged, this,
            [this] { QTimer::singleShot(kRereadMs, this, &ViewerWindow::startComparison); });

    loader_.setMaxThreadCount(1);
    checker_.setMaxThreadCount(1);
    comparer_.setMaxThreadCount(1);
    updateTitle();
    showCounts();
}

ViewerWindow::~ViewerWindow() {
    cancelCheck();
    cancelComparison();
    loader_.waitForDone();
    checker_.waitForDone();
    comparer_.waitForDone();
}

void ViewerWindow::closeEvent(QCloseEvent* event) {
    cancelCheck();
    cancelComparison();
    QMainWindow::closeEvent(event);
}

void ViewerWindow::cancelCheck() {
    if (checkCancel_) {
        *checkCancel_ = true;
    }
}

void ViewerWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FitOnScreenWhenShown(*this);
    }
}

void ViewerWindow::open(const DrawingFiles& files) {
    if (!files.empty()) {
        load(files, false);
    }
}

void ViewerWindow::load(const DrawingFiles& files, bool reload) {
    const quint64 generation = ++loadGeneration_;
    statusBar()->showMessage(QStringLiteral("Okunuyor: %1").arg(QFileInfo(files.main).fileName()));
    loader_.start([this, generation, files, reload] {
        auto result = std::make_shared<LoadResult>();
        const QStringList watched = files.watched();
        result->states = StatesOf(watched);
        FailureCounter failures;
        try {
            result->drawing = std::make_shared<const LoadedDrawing>(
                LoadDrawing(Native(files.main), Native(files.labels), failures));
        } catch (const std::exception& e) {
            result->error = TurkishCause(FromCp1254(MessageOf(e)));
        }
        result->overtaken = StatesOf(watched) != result->states;
        result->failedRecords = failures.failed;
        result->failures = std::move(failures.failures);
        result->withoutCarriageReturns = failures.withoutCarriageReturns;
        QMetaObject::invokeMethod(
            this, [=, this] { loaded(generation, files, reload, result); }, Qt::QueuedConnection);
    });
}

void ViewerWindow::loaded(quint64 generation, const DrawingFiles& files, bool reload,
                          const std::shared_ptr<LoadResult>& result) {
    if (generation != loadGeneration_) {
        return;
    }
    statusBar()->clearMessage();
    if (result->overtaken) {
        // What was read may be half of one version and half of the next: read the files again
        // once they are complete.
        if (reload) {
            watch_.retry();
        } else {
            QTimer::singleShot(kRereadMs, this, [this, files, generation] {
                if (generation == loadGeneration_) {
                    load(files, false);
                }
            });
        }
        return;
    }
    if (!result->drawing) {
        // The drawing on screen stays, and so does the watch on its files.
        if (reload) {
            setStale(QStringLiteral("%1 okunamadı: %2")
                         .arg(QFileInfo(files.main).fileName(), result->error));
        } else {
            QMessageBox::warning(this, QStringLiteral("plotaktar-view"),
                                 QStringLiteral("%1 açılamadı: %2")
                                     .arg(QDir::toNativeSeparators(files.main), result->error));
            if (canvas_->drawing()) {
                // A reload of the drawing on screen that this opening overtook is done again.
                watch_.retry();
            } else {
                // With nothing on screen the names stay watched, and the drawing opens once
                // its files are there and complete (one that a converter is still writing).
                files_ = files;
                watch_.watch(files.watched(), files.labels.isEmpty() ? 1 : 2, FileStates());
                setStale(result->error);
                updateTitle();
            }
        }
        return;
    }
    const bool firstDrawing = !canvas_->drawing();
    const bool sameFiles = files == files_;
    files_ = files;
    failedRecords_ = result->failedRecords;
    canvas_->setDrawing(result->drawing, reload && sameFiles && !firstDrawing);
    panel_->fill(failedRecords_);
    record_->showRecord(nullptr, std::nullopt);
    watch_.watch(files.watched(), files.labels.isEmpty() ? 1 : 2, result->states);
    setStale({});
    updateTitle();
    startCheck(files, std::move(result->failures));
    startComparison();
    if (remembersRecent_ && (!reload || firstDrawing)) {
        recent_->remember(files);
    }
    if (!files.labelsDifferingInCase.isEmpty()) {
        // Which of them holds the labels is not for the viewer to guess: say why none show.
        statusBar()->showMessage(
            QStringLiteral("%1: adı büyük/küçük harf farkıyla aynı olan %2 yazı dosyası var (%3); "
                           "yazılar okunmadı")
                .arg(QFileInfo(files.main).fileName())
                .arg(files.labelsDifferingInCase.size())
                .arg(files.labelsDifferingInCase.join(QStringLiteral(", "))));
    } else if (!result->withoutCarriageReturns.isEmpty()) {
        // The file is one long line by the rules of these files: say why the drawing is empty.
        statusBar()->showMessage(
            QStringLiteral("%1: satır başı karakteri (CR) yok, dosya tek satır olarak okundu; "
                           "unix2dos ile dönüştürün")
                .arg(result->withoutCarriageReturns.join(QStringLiteral(", "))));
    } else if (const uint64_t skipped = canvas_->drawing()->drawing.counts().skippedLines) {
        statusBar()->showMessage(
            QStringLiteral("%1 satır atlandı: çizim dosyasının kaydı değil").arg(skipped));
    } else if (canvas_->drawing()->drawing.size() == 0) {
        statusBar()->showMessage(QStringLiteral("Boş çizim"));
    }
    emit drawingLoaded();
}

void ViewerWindow::startCheck(const DrawingFiles& files,
                              std::vector<check::FailedRecord> failures) {
    const quint64 generation = ++checkGeneration_;
    // One check at a time: the one of the drawing no longer on screen stops first.
    cancelCheck();
    checkCancel_ = std::make_shared<std::atomic<bool>>(false);
    check_.reset();
    canvas_->setMarks(nullptr);
    const std::shared_ptr<const LoadedDrawing> drawing = canvas_->drawing();
    if (!drawing || !drawing->workspace) {
        checkPanel_->setCheck(nullptr);
        checkLabel_->clear();
        return;
    }
    checkPanel_->setRunning();
    checkLabel_->setText(QStringLiteral("Denetleniyor…"));
    const std::string labels = Native(files.labels);
    const ImportPaths paths{Native(files.main), labels,
                            labels.empty() ? std::string() : CompanionFileBeside(labels)};
    checker_.start(
        [this, generation, drawing, paths, failures = std::move(failures), cancel = checkCancel_] {
            std::shared_ptr<const DrawingCheck> check;
            try {
                check = CheckDrawing(*drawing, paths, failures, cancel.get());
            } catch (const check::CheckCancelled&) {
                return;  // the window went, or shows another drawing
            } catch (const std::exception&) {
                // Out of memory: the drawing stays on screen without its findings.
            }
            QMetaObject::invokeMethod(
                this, [=, this] { checked(generation, check); }, Qt::QueuedConnection);
        });
}

void ViewerWindow::checked(quint64 generation, std::shared_ptr<const DrawingCheck> check) {
    if (generation != checkGeneration_) {
        return;  // a newer drawing is on screen
    }
    check_ = check;
    if (!check) {
        checkPanel_->setCheck(nullptr);
        checkLabel_->setText(QStringLiteral("Denetim yapılamadı: bellek yetmedi"));
        return;
    }
    canvas_->setMarks(check->marks);
    checkPanel_->setCheck(check);
    checkLabel_->setText(
        QStringLiteral("Denetim: %1 hata, %2 uyarı").arg(check->errors).arg(check->warnings));
    emit checkFinished();
}

void ViewerWindow::showFinding(size_t finding) {
    if (!check_ || finding >= check_->findings.size()) {
        return;
    }
    const std::optional<uint32_t> feature = check_->features[finding];
    const std::optional<Vertex> place = check_->places[finding];
    Bounds around;
    if (feature) {
        around = canvas_->drawing()->drawing.bounds(*feature);
    }
    if (place) {
        around.add(place->east, place->north);
    }
    zoomTo(around);
    canvas_->pick(feature);
}

void ViewerWindow::chooseOld() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Eski çizimi seç"),
        QFileInfo(oldFiles_.empty() ? files_.main : oldFiles_.main).absolutePath(),
        QStringLiteral("Çizimler (*.gplt *.plt *.yaz);;Geçici plt Dosyaları (*.gplt);;"
                       "plt Dosyaları (*.plt);;Bütün dosyalar (*)"));
    if (!paths.isEmpty()) {
        compareWith(FilesFor(paths));
    }
}

void ViewerWindow::compareWith(const DrawingFiles& old) {
    oldFiles_ = old;
    if (!oldWatch_.files().isEmpty()) {
        oldWatch_.removePaths(oldWatch_.files());
    }
    for (const QString& path : old.watched()) {
        if (!path.isEmpty() && QFileInfo::exists(path)) {
            oldWatch_.addPath(path);
        }
    }
    startComparison();
}

void ViewerWindow::cancelComparison() {
    if (compareCancel_) {
        *compareCancel_ = true;
    }
}

void ViewerWindow::startComparison() {
    const quint64 generation = ++compareGeneration_;
    cancelComparison();
    changes_.reset();
    canvas_->setChanges(nullptr);
    if (oldFiles_.empty() || files_.empty()) {
        comparisonPanel_->setNote(
            QStringLiteral("Karşılaştırma yok: Dosya ▸ Karşılaştır… eski "
                           "bir çizim açar"));
        changesLabel_->clear();
        return;
    }
    compareCancel_ = std::make_shared<std::atomic<bool>>(false);
    comparisonPanel_->setNote(
        QStringLiteral("Karşılaştırılıyor: %1 → %2")
            .arg(QFileInfo(oldFiles_.main).fileName(), QFileInfo(files_.main).fileName()));
    changesLabel_->setText(QStringLiteral("Karşılaştırılıyor…"));
    const DrawingFiles old = oldFiles_, now = files_;
    comparer_.start([this, generation, old, now, cancel = compareCancel_] {
        std::shared_ptr<const compare::Comparison> changes;
        QString error;
        try {
            // Both revisions are read for the comparison from their files, with their lines.
            ImportObserver quiet;
            const compare::ComparedDrawing before =
                compare::ReadComparedDrawing(Native(old.main), Native(old.labels), quiet);
            if (*cancel) {
                return;
            }
            const compare::ComparedDrawing after =
                compare::ReadComparedDrawing(Native(now.main), Native(now.labels), quiet);
            compare::CompareOptions options;
            options.stop = cancel.get();
            changes = std::make_shared<const compare::Comparison>(
                compare::Compare(before, after, options));
        } catch (const compare::ComparisonStopped&) {
            return;  // another comparison, or none, is wanted now
        } catch (const std::exception& e) {
            error = TurkishCause(FromCp1254(MessageOf(e)));
        }
        QMetaObject::invokeMethod(
            this, [=, this] { compared(generation, changes, error); }, Qt::QueuedConnection);
    });
}

void ViewerWindow::compared(quint64 generation, std::shared_ptr<const compare::Comparison> changes,
                            const QString& error) {
    if (generation != compareGeneration_) {
        return;  // a newer comparison is under way
    }
    if (!changes) {
        comparisonPanel_->setNote(QStringLiteral("Karşılaştırılamadı: %1").arg(error));
        changesLabel_->setText(QStringLiteral("Karşılaştırılamadı"));
        return;
    }
    changes_ = changes;
    canvas_->setChanges(changes);
    comparisonPanel_->setComparison(changes);
    size_t removed = 0, added = 0, moved = 0;
    for (const compare::Change& change : changes->changes) {
        removed += change.look == compare::Look::Removed ? 1 : 0;
        added += change.look == compare::Look::Added ? 1 : 0;
        moved += change.look == compare::Look::Moved ? 1 : 0;
    }
    changesLabel_->setText(
        QStringLiteral("Değişiklik: %1 (%2 silindi, %3 eklendi, %4 kaydı, %5 değişti)")
            .arg(changes->changes.size())
            .arg(removed)
            .arg(added)
            .arg(moved)
            .arg(changes->changes.size() - removed - added - moved));
    emit comparisonFinished();
}

void ViewerWindow::zoomTo(Bounds around) {
    if (around.empty()) {
        return;
    }
    // At least 40 m across, so that a point or a short line is seen among its neighbours.
    const double east = (around.minEast + around.maxEast) / 2;
    const double north = (around.minNorth + around.maxNorth) / 2;
    around.add(east - 20, north - 20);
    around.add(east + 20, north + 20);
    canvas_->setView(ViewTransform::fit(around, canvas_->width(), canvas_->height(), 60));
}

void ViewerWindow::showChange(size_t index) {
    if (!changes_ || index >= changes_->changes.size()) {
        return;
    }
    const compare::Change& change = changes_->changes[index];
    zoomTo(ChangeBounds(change));
    record_->showChange(*changes_, index);
}

void ViewerWindow::setStale(const QString& reason) {
    if (reason == staleReason_) {
        return;
    }
    staleReason_ = reason;
    staleLabel_->setText((canvas_->drawing() ? QStringLiteral("Gösterilen çizim dosyadan eski: %1")
                                             : QStringLiteral("Açılmayı bekliyor: %1"))
                             .arg(reason));
    staleLabel_->setVisible(!reason.isEmpty());
    updateTitle();
    emit staleChanged();
}

void ViewerWindow::chooseFiles() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Çizim aç"), QFileInfo(files_.main).absolutePath(),
        QStringLiteral("Çizimler (*.gplt *.plt *.yaz);;Geçici plt Dosyaları (*.gplt);;"
                       "plt Dosyaları (*.plt);;Bütün dosyalar (*)"));
    open(FilesFor(paths));
}

void ViewerWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void ViewerWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    open(FilesFor(paths));
    event->acceptProposedAction();
}

void ViewerWindow::exportPicture(bool wholeDrawing) {
    const QString written = ExportPicture(this, *canvas_, files_, wholeDrawing);
    if (!written.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Yazıldı: %1").arg(written), 5000);
    }
}

void ViewerWindow::showCursor(double east, double north) {
    cursorLabel_->setText(QStringLiteral("Y %1   X %2")
                              .arg(QString::number(east, 'f', 2), QString::number(north, 'f', 2)));
}

void ViewerWindow::showCounts() {
    const double scale = canvas_->view().scale;
    if (scale > 0 && std::isfinite(scale)) {
        // Zoomed in beyond nature's size the picture is an enlargement, said as one (265:1),
        // never as a scale of 1:0.
        const double ground = 1.0 / (scale * kPixelMetres);
        scaleLabel_->setText(ground >= 0.5
                                 ? QStringLiteral("Ölçek 1:%1").arg(std::llround(ground))
                                 : QStringLiteral("Ölçek %1:1").arg(std::llround(1.0 / ground)));
    }
    const RenderStats& stats = canvas_->stats();
    countsLabel_->setText(QStringLiteral("Çizilen %1, dışarıda bırakılan %2%3")
                              .arg(stats.drawn)
                              .arg(stats.leftOut)
                              .arg(canvas_->pictureCurrent() ? QString() : QStringLiteral(" …")));
}

void ViewerWindow::updateTitle() {
    QStringList names;
    for (const QString& path : files_.watched()) {
        if (!path.isEmpty() && (path == files_.main || QFileInfo::exists(path))) {
            names << QFileInfo(path).fileName();
        }
    }
    QString title = names.join(QStringLiteral(", "));
    if (!staleReason_.isEmpty() && canvas_->drawing()) {
        title += QStringLiteral(" [dosyadan eski]");
    }
    setWindowTitle(files_.empty() ? QStringLiteral("plotaktar-view")
                                  : title + QStringLiteral(" — plotaktar-view"));
}

}  // namespace plotaktar::viewer
