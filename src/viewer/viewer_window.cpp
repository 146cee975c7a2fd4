#include "viewer/viewer_window.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QThreadPool>
#include <QTreeWidget>
#include <cmath>

#include "drawing/pick.h"
#include "drawing/record_fields.h"
#include "import/import_command.h"
#include "model/errors.h"
#include "qt/cp1254_text.h"
#include "render/render_file.h"

namespace plotaktar::viewer {

namespace {

constexpr int kRecentCount = 8;
// A screen pixel, in metres, for the scale in the status bar (96 pixels an inch).
constexpr double kPixelMetres = 0.0254 / 96;

enum PanelRole { kLayerRole = Qt::UserRole + 1, kKindRole, kNumbersRole };

const char* const kKindNames[kFeatureKinds] = {"Nirengi", "Poligon",    "Nokta",
                                               "Hat",     "Ada Parsel", "Yazı"};

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

bool HasSuffix(const QString& path, const char* suffix) {
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

class FailureCounter : public ImportObserver {
  public:
    void recordFailed(std::string_view, uint64_t) override { ++failed; }
    void importWarning(std::string_view fileName, ImportWarning warning, uint64_t) override {
        if (warning != ImportWarning::NoCarriageReturns) {
            return;  // the status bar tells only why a drawing is one long line
        }
        withoutCarriageReturns << QFileInfo(QFile::decodeName(QByteArray(
                                                fileName.data(),
                                                static_cast<qsizetype>(fileName.size()))))
                                      .fileName();
    }
    uint64_t failed = 0;
    QStringList withoutCarriageReturns;
};

QIcon ColourIcon(const QColor& colour) {
    QPixmap pixmap(14, 14);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

}  // namespace

QStringList DrawingFiles::watched() const {
    QStringList files{main};
    if (!labels.isEmpty()) {
        files << labels << QFile::decodeName(CompanionFileName(Native(labels)).c_str());
    }
    return files;
}

DrawingFiles FilesFor(const QStringList& paths) {
    DrawingFiles files;
    for (const QString& path : paths) {
        if (files.main.isEmpty() && !HasSuffix(path, "yaz") && !HasSuffix(path, "yfn")) {
            files.main = path;
        } else if (files.labels.isEmpty() && HasSuffix(path, "yaz")) {
            files.labels = path;
        }
    }
    if (files.main.isEmpty()) {
        return {};
    }
    if (IsPlotFilePath(Native(files.main))) {
        files.labels.clear();
    } else if (files.labels.isEmpty()) {
        files.labels = QFile::decodeName(LabelFileBeside(Native(files.main)).c_str());
    }
    return files;
}

ViewerWindow::ViewerWindow(QWidget* parent) : QMainWindow(parent) {
    canvas_ = new DrawingCanvas(this);
    setCentralWidget(canvas_);
    setAcceptDrops(true);
    resize(1200, 800);

    panel_ = new QTreeWidget;
    panel_->setObjectName(QStringLiteral("panel"));
    panel_->setColumnCount(2);
    panel_->setHeaderLabels({QStringLiteral("Ad"), QStringLiteral("Sayı")});
    panel_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    panel_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    panel_->header()->setStretchLastSection(false);
    auto* panelDock = new QDockWidget(QStringLiteral("Tabakalar ve türler"), this);
    panelDock->setObjectName(QStringLiteral("panelDock"));
    panelDock->setWidget(panel_);
    addDockWidget(Qt::LeftDockWidgetArea, panelDock);

    record_ = new QTreeWidget;
    record_->setObjectName(QStringLiteral("record"));
    record_->setColumnCount(2);
    record_->setHeaderLabels({QStringLiteral("Alan"), QStringLiteral("Değer")});
    record_->setRootIsDecorated(false);
    auto* recordDock = new QDockWidget(QStringLiteral("Kayıt"), this);
    recordDock->setObjectName(QStringLiteral("recordDock"));
    recordDock->setWidget(record_);
    addDockWidget(Qt::LeftDockWidgetArea, recordDock);

    cursorLabel_ = new QLabel;
    scaleLabel_ = new QLabel;
    countsLabel_ = new QLabel;
    statusBar()->addWidget(cursorLabel_, 1);
    statusBar()->addPermanentWidget(scaleLabel_);
    statusBar()->addPermanentWidget(countsLabel_);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Dosya"));
    QAction* open = file->addAction(QStringLiteral("&Aç…"), this, &ViewerWindow::chooseFiles);
    open->setShortcut(QKeySequence::Open);
    recentMenu_ = file->addMenu(QStringLiteral("Son açılanlar"));
    file->addSeparator();
    file->addAction(QStringLiteral("Görünümü dışa aktar…"), this, [this] { exportPicture(false); });
    file->addAction(QStringLiteral("Bütün çizimi dışa aktar…"), this,
                    [this] { exportPicture(true); });
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

    connect(canvas_, &DrawingCanvas::cursorMoved, this, &ViewerWindow::showCursor);
    connect(canvas_, &DrawingCanvas::viewChanged, this, &ViewerWindow::showCounts);
    connect(canvas_, &DrawingCanvas::pictureReady, this, &ViewerWindow::showCounts);
    connect(canvas_, &DrawingCanvas::featureClicked, this, &ViewerWindow::showRecord);
    connect(panel_, &QTreeWidget::itemChanged, this, &ViewerWindow::panelChanged);

    loader_.setMaxThreadCount(1);
    reload_.setSingleShot(true);
    reload_.setInterval(300);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &reload_,
            static_cast<void (QTimer::*)()>(&QTimer::start));
    connect(&reload_, &QTimer::timeout, this, [this] {
        if (!files_.empty()) {
            load(files_, true);
        }
    });
    fillRecentMenu();
    updateTitle();
    showCounts();
}

ViewerWindow::~ViewerWindow() {
    loader_.waitForDone();
}

void ViewerWindow::open(const DrawingFiles& files) {
    if (!files.empty()) {
        load(files, false);
    }
}

void ViewerWindow::load(const DrawingFiles& files, bool keepView) {
    const quint64 generation = ++loadGeneration_;
    statusBar()->showMessage(QStringLiteral("Okunuyor: %1").arg(QFileInfo(files.main).fileName()));
    loader_.start([this, generation, files, keepView] {
        FailureCounter failures;
        std::shared_ptr<const LoadedDrawing> drawing;
        QString error;
        try {
            drawing = std::make_shared<const LoadedDrawing>(
                LoadDrawing(Native(files.main), Native(files.labels), failures));
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("Bellek yetmedi");
        } catch (const std::exception& e) {
            error = FromCp1254(MessageOf(e));
        }
        QMetaObject::invokeMethod(
            this,
            [=, this] {
                loaded(generation, files, keepView, drawing, failures.failed, error,
                       failures.withoutCarriageReturns);
            },
            Qt::QueuedConnection);
    });
}

void ViewerWindow::loaded(quint64 generation, const DrawingFiles& files, bool keepView,
                          std::shared_ptr<const LoadedDrawing> drawing, uint64_t failedRecords,
                          const QString& error, const QStringList& withoutCarriageReturns) {
    if (generation != loadGeneration_) {
        return;
    }
    statusBar()->clearMessage();
    if (!drawing) {
        // The drawing on screen stays, and so does the watch on its files (a file that an
        // editor replaces drops out of the watch).
        watch(files_);
        QMessageBox::warning(this, QStringLiteral("plotaktar-view"),
                             QStringLiteral("%1 açılamadı: %2").arg(files.main, error));
        return;
    }
    const bool sameFiles = files.main == files_.main && files.labels == files_.labels;
    files_ = files;
    failedRecords_ = failedRecords;
    canvas_->setDrawing(std::move(drawing), keepView && sameFiles);
    fillPanel();
    showRecord(std::nullopt);
    updateTitle();
    if (remembersRecent_) {
        rememberRecent(files);
    }
    watch(files);
    if (!withoutCarriageReturns.isEmpty()) {
        // The file is one long line by the rules of these files: say why the drawing is empty.
        statusBar()->showMessage(
            QStringLiteral("%1: satır başı karakteri (CR) yok, dosya tek satır olarak okundu; "
                           "unix2dos ile dönüştürün")
                .arg(withoutCarriageReturns.join(QStringLiteral(", "))));
    } else if (const uint64_t skipped = canvas_->drawing()->drawing.counts().skippedLines) {
        statusBar()->showMessage(
            QStringLiteral("%1 satır atlandı: çizim dosyasının kaydı değil").arg(skipped));
    } else if (canvas_->drawing()->drawing.size() == 0) {
        statusBar()->showMessage(QStringLiteral("Boş çizim"));
    }
    emit drawingLoaded();
}

void ViewerWindow::watch(const DrawingFiles& files) {
    if (!watcher_.files().isEmpty()) {
        watcher_.removePaths(watcher_.files());
    }
    for (const QString& path : files.watched()) {
        if (QFileInfo::exists(path)) {
            watcher_.addPath(path);
        }
    }
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
    const auto& drawing = canvas_->drawing();
    if (!drawing) {
        return;
    }
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        this,
        wholeDrawing ? QStringLiteral("Bütün çizimi dışa aktar")
                     : QStringLiteral("Görünümü dışa aktar"),
        QFileInfo(files_.main).absolutePath() + '/' + QFileInfo(files_.main).completeBaseName() +
            QStringLiteral(".png"),
        QStringLiteral("PNG resmi (*.png);;SVG çizimi (*.svg);;PDF belgesi (*.pdf)"), &selected);
    if (path.isEmpty()) {
        return;
    }
    PictureFormat format;
    if (!PictureFormatOf(path, format)) {
        path += selected.contains(QLatin1String("svg"))   ? QStringLiteral(".svg")
                : selected.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf")
                                                          : QStringLiteral(".png");
    }
    ViewTransform view = canvas_->view();
    if (wholeDrawing) {
        view = ViewTransform::fit(drawing->drawing.extent(), 1600, 1000, 32);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string problem =
        SavePicture(drawing->drawing, view, canvas_->filter(), Native(path));
    QApplication::restoreOverrideCursor();
    if (!problem.empty()) {
        QMessageBox::warning(
            this, QStringLiteral("plotaktar-view"),
            QStringLiteral("%1 yazılamadı: %2").arg(path, QString::fromStdString(problem)));
    } else {
        statusBar()->showMessage(QStringLiteral("Yazıldı: %1").arg(path), 5000);
    }
}

void ViewerWindow::fillPanel() {
    fillingPanel_ = true;
    panel_->clear();
    const auto& loaded = canvas_->drawing();
    if (loaded) {
        const Drawing& drawing = loaded->drawing;
        const RenderFilter& filter = canvas_->filter();
        auto* layers = new QTreeWidgetItem(panel_, {QStringLiteral("Tabakalar")});
        for (size_t l = 0; l < drawing.layers().size(); ++l) {
            const DrawingLayer& layer = drawing.layers()[l];
            QString name = FromCp1254(layer.name);
            auto* item =
                new QTreeWidgetItem(layers, {name.isEmpty() ? QStringLiteral("(adsız)") : name,
                                             QString::number(layer.features)});
            item->setIcon(0, ColourIcon(LayerColour(layer)));
            item->setData(0, kLayerRole, static_cast<int>(l));
            item->setCheckState(0, l < filter.hiddenLayers.size() && filter.hiddenLayers[l]
                                       ? Qt::Unchecked
                                       : Qt::Checked);
        }
        auto* kinds = new QTreeWidgetItem(panel_, {QStringLiteral("Türler")});
        auto addKind = [&](const QString& name, uint64_t count, int role, int value, bool shown) {
            auto* item = new QTreeWidgetItem(kinds, {name, QString::number(count)});
            item->setData(0, role, value);
            item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
        };
        for (int k = 0; k < kFeatureKinds; ++k) {
            addKind(QString::fromUtf8(kKindNames[k]),
                    drawing.kindCount(static_cast<FeatureKind>(k)), kKindRole, k,
                    !filter.hiddenKinds[k]);
            if (k == static_cast<int>(FeatureKind::Detail)) {
                addKind(QStringLiteral("Nokta numaraları"),
                        drawing.kindCount(FeatureKind::Triangulation) +
                            drawing.kindCount(FeatureKind::Traverse) +
                            drawing.kindCount(FeatureKind::Detail),
                        kNumbersRole, 1, filter.pointNumbers);
            }
        }
        auto* missing = new QTreeWidgetItem(panel_, {QStringLiteral("Çizilmeyenler")});
        const DrawingCounts& counts = drawing.counts();
        const std::pair<const char*, uint64_t> rows[] = {
            {"Sembol", counts.symbols},       {"Bina", counts.buildings},
            {"Şev", counts.slopes},           {"Koordinatı sayı olmayan", counts.unreadable},
            {"Hatalı kayıt", failedRecords_}, {"Atlanan satır", counts.skippedLines},
        };
        for (const auto& [name, count] : rows) {
            new QTreeWidgetItem(missing, {QString::fromUtf8(name), QString::number(count)});
        }
        panel_->expandAll();
    }
    fillingPanel_ = false;
}

void ViewerWindow::panelChanged(QTreeWidgetItem* item) {
    if (fillingPanel_) {
        return;
    }
    RenderFilter filter = canvas_->filter();
    const bool shown = item->checkState(0) == Qt::Checked;
    if (QVariant layer = item->data(0, kLayerRole); layer.isValid()) {
        const size_t l = static_cast<size_t>(layer.toInt());
        if (l < filter.hiddenLayers.size()) {
            filter.hiddenLayers[l] = !shown;
        }
    } else if (QVariant kind = item->data(0, kKindRole); kind.isValid()) {
        filter.hiddenKinds[kind.toInt()] = !shown;
    } else if (item->data(0, kNumbersRole).isValid()) {
        filter.pointNumbers = shown;
    } else {
        return;
    }
    canvas_->setFilter(filter);
}

void ViewerWindow::showRecord(std::optional<uint32_t> feature) {
    record_->clear();
    const auto& loaded = canvas_->drawing();
    if (!feature || !loaded) {
        return;
    }
    const Drawing& drawing = loaded->drawing;
    auto add = [&](const QString& name, const QString& value) {
        new QTreeWidgetItem(record_, {name, value});
    };
    add(QStringLiteral("Tür"),
        QString::fromUtf8(kKindNames[static_cast<int>(drawing.kind(*feature))]));
    if (drawing.sourceTable(*feature) != 0) {
        add(QStringLiteral("Tablo"),
            QStringLiteral("StringGrid%1").arg(drawing.sourceTable(*feature)));
        add(QStringLiteral("Satır"), QString::number(drawing.sourceRow(*feature)));
    } else {
        add(QStringLiteral("Dosya satırı"), QString::number(drawing.sourceRow(*feature)));
    }
    const DrawingLayer& layer = drawing.layers()[drawing.layer(*feature)];
    add(QStringLiteral("Tabaka"), FromCp1254(layer.name));
    const bool parcel = drawing.kind(*feature) == FeatureKind::Parcel;
    const QString area = QString::number(ShoelaceArea(drawing.vertices(*feature)), 'f', 2);
    bool areaShown = false;
    for (const RecordField& field : RecordFields(*loaded, *feature)) {
        const QString name = FromCp1254(field.name);
        add(name, FromCp1254(field.value));
        // The area from the corners stands right under the recorded one.
        if (parcel && name == QLatin1String("Alan")) {
            add(QStringLiteral("Köşelerden alan"), area);
            areaShown = true;
        }
    }
    if (parcel && !areaShown) {
        add(QStringLiteral("Köşelerden alan"), area);
    }
    record_->resizeColumnToContents(0);
}

void ViewerWindow::showCursor(double east, double north) {
    cursorLabel_->setText(QStringLiteral("Y %1   X %2")
                              .arg(QString::number(east, 'f', 2), QString::number(north, 'f', 2)));
}

void ViewerWindow::showCounts() {
    const double scale = canvas_->view().scale;
    if (scale > 0 && std::isfinite(scale)) {
        scaleLabel_->setText(
            QStringLiteral("Ölçek 1:%1").arg(std::llround(1.0 / (scale * kPixelMetres))));
    }
    const RenderStats& stats = canvas_->stats();
    countsLabel_->setText(QStringLiteral("Çizilen %1, dışarıda bırakılan %2%3")
                              .arg(stats.drawn)
                              .arg(stats.leftOut)
                              .arg(canvas_->pictureCurrent() ? QString() : QStringLiteral(" …")));
}

void ViewerWindow::rememberRecent(const DrawingFiles& files) {
    QSettings settings(QStringLiteral("plotaktar"), QStringLiteral("plotaktar-view"));
    QStringList recent = settings.value(QStringLiteral("recentFiles")).toStringList();
    const QString entry = files.labels.isEmpty() ? files.main : files.main + '\n' + files.labels;
    recent.removeAll(entry);
    recent.prepend(entry);
    while (recent.size() > kRecentCount) {
        recent.removeLast();
    }
    settings.setValue(QStringLiteral("recentFiles"), recent);
    fillRecentMenu();
}

void ViewerWindow::fillRecentMenu() {
    recentMenu_->clear();
    QSettings settings(QStringLiteral("plotaktar"), QStringLiteral("plotaktar-view"));
    const QStringList recent = settings.value(QStringLiteral("recentFiles")).toStringList();
    for (const QString& entry : recent) {
        const QStringList parts = entry.split('\n');
        DrawingFiles files{parts.value(0), parts.value(1)};
        recentMenu_->addAction(
            QFileInfo(files.main).fileName() +
                (files.labels.isEmpty()
                     ? QString()
                     : QStringLiteral(" + ") + QFileInfo(files.labels).fileName()),
            this, [this, files] { open(files); });
    }
    recentMenu_->setEnabled(!recent.isEmpty());
}

void ViewerWindow::updateTitle() {
    QStringList names;
    for (const QString& path : files_.watched()) {
        if (!path.isEmpty() && (path == files_.main || QFileInfo::exists(path))) {
            names << QFileInfo(path).fileName();
        }
    }
    setWindowTitle(files_.empty()
                       ? QStringLiteral("plotaktar-view")
                       : names.join(QStringLiteral(", ")) + QStringLiteral(" — plotaktar-view"));
}

}  // namespace plotaktar::viewer
