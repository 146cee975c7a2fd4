#include "viewer/sheet_print.h"

#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <optional>

#include "model/cp1254.h"
#include "model/errors.h"
#include "render/sheet_file.h"
#include "viewer/drawing_canvas.h"
#include "viewer/drawing_files.h"
#include "viewer/output_guard.h"
#include "viewer/system_texts.h"

namespace plotaktar::viewer {

namespace {

const QString kTitle = QStringLiteral("plotaktar-view");

// The scale a combo box's text names: 0 for "Otomatik", nothing for a text that is no scale.
std::optional<int> ScaleOf(const QString& text) {
    if (text == QStringLiteral("Otomatik")) {
        return 0;
    }
    QString digits = text;
    digits.remove(QStringLiteral("1/"));
    bool ok = false;
    const int scale = digits.trimmed().toInt(&ok);
    return ok && scale >= 1 && scale <= kMostScale ? std::optional<int>(scale) : std::nullopt;
}

}  // namespace

struct SheetPrint::Options {
    int scale = 0;  // 0: the first of the usual scales at which the drawing fits one sheet
    QString title;
    QString sheetName;
    int paper = 1;        // index into kPapers (A3)
    int orientation = 0;  // 0 either, 1 landscape, 2 portrait
};

struct SheetPrint::Running {
    std::shared_ptr<const LoadedDrawing> drawing;
    RenderFilter filter;
    SheetPlan plan;
    SheetTexts texts;
    std::atomic<bool> cancel{false};
    std::atomic<int> pagesDone{0};
    std::function<QString(Running&)> work;  // returns why it failed, empty when it did not
    QString path;
    QString problem;
};

namespace {

// The "Pafta" page: scale, title and sheet name; with `paper` the paper and orientation too.
class OptionsPage : public QWidget {
  public:
    OptionsPage(const SheetPrint::Options& options, bool paper) {
        setWindowTitle(QStringLiteral("Pafta"));
        auto* form = new QFormLayout(this);
        scale_ = new QComboBox;
        scale_->setEditable(true);
        scale_->addItem(QStringLiteral("Otomatik"));
        for (int s : kAutoScales) {
            scale_->addItem(QStringLiteral("1/%1").arg(s));
        }
        scale_->setCurrentText(options.scale == 0 ? QStringLiteral("Otomatik")
                                                  : QStringLiteral("1/%1").arg(options.scale));
        form->addRow(QStringLiteral("Ölçek:"), scale_);
        if (paper) {
            paper_ = new QComboBox;
            for (const Paper& p : kPapers) {
                paper_->addItem(QString::fromLatin1(p.name.data(), p.name.size()));
            }
            paper_->setCurrentIndex(options.paper);
            form->addRow(QStringLiteral("Kağıt:"), paper_);
            orientation_ = new QComboBox;
            orientation_->addItems(
                {QStringLiteral("Otomatik"), QStringLiteral("Yatay"), QStringLiteral("Dikey")});
            orientation_->setCurrentIndex(options.orientation);
            form->addRow(QStringLiteral("Yön:"), orientation_);
        }
        title_ = new QLineEdit(options.title);
        form->addRow(QStringLiteral("Başlık:"), title_);
        sheet_ = new QLineEdit(options.sheetName);
        form->addRow(QStringLiteral("Pafta adı:"), sheet_);
    }

    // Reads the page into `options`; false when the scale is no scale.
    bool read(SheetPrint::Options& options) const {
        const std::optional<int> scale = ScaleOf(scale_->currentText());
        if (!scale) {
            return false;
        }
        options.scale = *scale;
        options.title = title_->text();
        options.sheetName = sheet_->text();
        if (paper_ != nullptr) {
            options.paper = paper_->currentIndex();
            options.orientation = orientation_->currentIndex();
        }
        return true;
    }

  private:
    QComboBox* scale_;
    QComboBox* paper_ = nullptr;
    QComboBox* orientation_ = nullptr;
    QLineEdit* title_;
    QLineEdit* sheet_;
};

// The plan of the options on a paper of that size in millimetres, turned as given.
std::optional<SheetPlan> PlanFor(const Drawing& drawing, const RenderFilter& filter,
                                 const SheetPrint::Options& options, const Paper& paper,
                                 Orientation orientation) {
    return PlanDrawingSheets(drawing, filter, options.scale, paper, orientation);
}

SheetTexts TextsOf(const SheetPrint::Options& options) {
    SheetTexts texts;
    texts.title = options.title;
    texts.sheetName = options.sheetName;
    texts.date = QDate::currentDate();
    return texts;
}

// The printer's paper as a Paper and its orientation; `name` keeps the paper's name.
Paper PrinterPaper(const QPrinter& printer, std::string& name, Orientation& orientation) {
    const QSizeF size = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    name = printer.pageLayout().pageSize().name().toStdString();
    orientation = size.width() >= size.height() ? Orientation::Landscape : Orientation::Portrait;
    return {name, std::min(size.width(), size.height()), std::max(size.width(), size.height())};
}

// Paints every page of `plan` on the printer; false when cancelled.
bool PaintPages(QPrinter& printer, const Drawing& drawing, const SheetPlan& plan,
                const RenderFilter& filter, const SheetTexts& texts,
                const std::atomic<bool>* cancel, std::atomic<int>* pagesDone) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw Error("the printer could not be started");
    }
    const double perMm = printer.resolution() / 25.4;
    for (int p = 0; p < plan.pageCount(); ++p) {
        if (p > 0) {
            printer.newPage();
        }
        if (PaintSheetPage(painter, drawing, plan, p, perMm, false, filter, texts, cancel)
                .cancelled) {
            printer.abort();
            return false;
        }
        if (pagesDone != nullptr) {
            ++*pagesDone;
        }
    }
    painter.end();
    return true;
}

// Whether `drawing` may be drawn on sheets; says why not in a box when it may not.
bool DrawableOnSheets(QWidget& window, const Drawing& drawing) {
    if (!FeatureBeyondSheets(drawing)) {
        return true;
    }
    QMessageBox::warning(&window, kTitle,
                         QStringLiteral("Pafta çizilemez: koordinatlar ±100.000 km'yi aşıyor."));
    return false;
}

}  // namespace

SheetPrint::SheetPrint(QWidget& window, const DrawingCanvas& canvas)
    : QObject(&window), window_(window), canvas_(canvas), options_(std::make_unique<Options>()) {}

SheetPrint::~SheetPrint() {
    if (running_) {
        running_->cancel = true;
    }
    for (QThread* thread : findChildren<QThread*>()) {
        thread->wait();
    }
}

bool SheetPrint::askOptions(Options& options, bool paper) {
    QDialog dialog(&window_);
    dialog.setWindowTitle(QStringLiteral("Pafta"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* page = new OptionsPage(options, paper);
    layout->addWidget(page);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    while (dialog.exec() == QDialog::Accepted) {
        if (page->read(options)) {
            return true;
        }
        QMessageBox::warning(&window_, kTitle,
                             QStringLiteral("Ölçek 1/1 ile 1/1000000 arasında olmalı."));
    }
    return false;
}

void SheetPrint::print(const DrawingFiles& files) {
    const auto drawing = canvas_.drawing();
    if (!drawing || busy() || !DrawableOnSheets(window_, drawing->drawing)) {
        return;
    }
    const QString title = QFileInfo(files.main).fileName();
    options_->title = title;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setFullPage(true);
    printer->setPageSize(QPageSize(QPageSize::A3));
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setDocName(title);
    QPrintDialog dialog(printer.get(), &window_);
    auto* page = new OptionsPage(*options_, false);
    dialog.setOptionTabs({page});
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!page->read(*options_)) {
        QMessageBox::warning(&window_, kTitle,
                             QStringLiteral("Ölçek 1/1 ile 1/1000000 arasında olmalı."));
        return;
    }
    if (!printer->outputFileName().isEmpty() &&
        WritesOverDrawing(&window_, files, {Native(printer->outputFileName())})) {
        return;
    }
    auto job = std::make_shared<Running>();
    job->drawing = drawing;
    job->filter = canvas_.filter();
    job->texts = TextsOf(*options_);
    std::string paperName;
    Orientation orientation;
    const Paper paper = PrinterPaper(*printer, paperName, orientation);
    std::optional<SheetPlan> plan =
        PlanFor(drawing->drawing, job->filter, *options_, paper, orientation);
    if (!plan || plan->sheets.empty()) {
        QMessageBox::warning(&window_, kTitle,
                             QStringLiteral("Bu ölçekte basılacak pafta yok ya da çok fazla."));
        return;
    }
    job->plan = *plan;
    job->work = [printer](Running& run) {
        PaintPages(*printer, run.drawing->drawing, run.plan, run.filter, run.texts, &run.cancel,
                   &run.pagesDone);
        return QString();
    };
    runInBackground(job, QStringLiteral("Paftalar yazdırılıyor…"));
}

void SheetPrint::preview(const QString& title) {
    const auto drawing = canvas_.drawing();
    if (!drawing || !DrawableOnSheets(window_, drawing->drawing)) {
        return;
    }
    options_->title = title;
    if (!askOptions(*options_, false)) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, &window_);
    dialog.setWindowTitle(QStringLiteral("Baskı önizlemesi"));
    const RenderFilter filter = canvas_.filter();
    const SheetTexts texts = TextsOf(*options_);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
        std::string paperName;
        Orientation orientation;
        const Paper paper = PrinterPaper(*target, paperName, orientation);
        const std::optional<SheetPlan> plan =
            PlanFor(drawing->drawing, filter, *options_, paper, orientation);
        if (plan && !plan->sheets.empty()) {
            PaintPages(*target, drawing->drawing, *plan, filter, texts, nullptr, nullptr);
        }
    });
    dialog.exec();
}

void SheetPrint::exportPdf(const DrawingFiles& files) {
    const auto drawing = canvas_.drawing();
    if (!drawing || busy() || !DrawableOnSheets(window_, drawing->drawing)) {
        return;
    }
    const QFileInfo info(files.main);
    options_->title = info.fileName();
    if (!askOptions(*options_, true)) {
        return;
    }
    QString path = QFileDialog::getSaveFileName(
        &window_, QStringLiteral("Pafta olarak dışa aktar (PDF)"),
        info.absolutePath() + '/' + info.completeBaseName() + QStringLiteral("-pafta.pdf"),
        QStringLiteral("PDF belgesi (*.pdf)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".pdf");
    }
    if (WritesOverDrawing(&window_, files, {Native(path)})) {
        return;
    }
    auto job = std::make_shared<Running>();
    job->drawing = drawing;
    job->filter = canvas_.filter();
    job->texts = TextsOf(*options_);
    job->path = path;
    const Paper& paper = kPapers.at(static_cast<size_t>(options_->paper));
    const Orientation orientation = options_->orientation == 1   ? Orientation::Landscape
                                    : options_->orientation == 2 ? Orientation::Portrait
                                                                 : Orientation::Auto;
    std::optional<SheetPlan> plan =
        PlanFor(drawing->drawing, job->filter, *options_, paper, orientation);
    if (!plan || plan->sheets.empty()) {
        QMessageBox::warning(&window_, kTitle,
                             QStringLiteral("Bu ölçekte basılacak pafta yok ya da çok fazla."));
        return;
    }
    job->plan = *plan;
    job->work = [](Running& run) {
        try {
            WriteSheets(run.drawing->drawing, run.plan, run.texts, run.filter, PictureFormat::Pdf,
                        300, Native(run.path), {}, &run.cancel, [&](int) { ++run.pagesDone; });
        } catch (const FileError& e) {
            return QString::fromStdString(Utf8FromCp1254(e.message()));
        }
        return QString();
    };
    runInBackground(job, QStringLiteral("Paftalar PDF olarak yazılıyor…"));
}

void SheetPrint::runInBackground(const std::shared_ptr<Running>& job, const QString& label) {
    running_ = job;
    auto* progress =
        new QProgressDialog(label, QStringLiteral("İptal"), 0, job->plan.pageCount(), &window_);
    progress->setWindowModality(Qt::NonModal);
    progress->setMinimumDuration(300);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, this, [job] { job->cancel = true; });
    QThread* thread = QThread::create([job] {
        try {
            job->problem = job->work(*job);
        } catch (const std::exception& e) {
            job->problem = QString::fromStdString(Utf8FromCp1254(MessageOf(e)));
        }
    });
    thread->setParent(this);
    auto* ticker = new QTimer(progress);
    connect(ticker, &QTimer::timeout, progress,
            [progress, job] { progress->setValue(job->pagesDone.load()); });
    ticker->start(100);
    connect(thread, &QThread::finished, this, [this, thread, progress, job] {
        thread->deleteLater();
        progress->close();
        running_.reset();
        if (job->cancel) {
            emit finished({}, {});
        } else if (!job->problem.isEmpty()) {
            QMessageBox::warning(
                &window_, kTitle,
                QStringLiteral("Paftalar yazılamadı: %1").arg(TurkishCause(job->problem)));
            emit finished({}, job->problem);
        } else {
            emit finished(job->path, {});
        }
    });
    thread->start();
}

}  // namespace plotaktar::viewer
