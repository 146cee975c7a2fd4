#include "app/window_user_interface.h"
#include "ui/ui_texts.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QTreeView>

#include "app/error_box.h"
#include "app/file_filter.h"
#include "app/qt_text.h"
#include "model/form_design.h"
#include "model/form_names.h"

namespace plotaktar::app {

namespace {

constexpr int kProgressSteps = 1000;
constexpr int kRepaintIntervalMs = 50;
constexpr int kViewRefreshIntervalMs = 250;

// The core's paths are the system's bytes: UTF-8 on Windows too, where the core hands them to
// the system as UTF-16 (QFile::encodeName would give the ANSI code page there).
QString DecodeFileName(const std::string& name) {
#ifdef Q_OS_WIN
    return QString::fromStdString(name);
#else
    return QFile::decodeName(QByteArray::fromStdString(name));
#endif
}

std::string EncodeFileName(const QString& name) {
#ifdef Q_OS_WIN
    return name.toStdString();
#else
    return QFile::encodeName(name).toStdString();
#endif
}

// Large enough that the file list's name, size, type and date columns can be read, on a
// screen that has the room.
constexpr QSize kFileDialogSize(820, 520);

QFileDialog* CreateFileDialog(QWidget* window, const char* name, QFileDialog::AcceptMode mode,
                              std::string_view title) {
    auto* dialog = new QFileDialog(window);
    // Qt's own dialog, the same on every desktop; it also lets the filter list show our
    // descriptions. Its open mode has no read-only check box, so none is shown. Chosen first,
    // so that its file list exists when its columns are sized below.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setObjectName(QLatin1String(name));
    if (!title.empty()) {
        dialog->setWindowTitle(
            QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    }
    QSize size = kFileDialogSize;
    if (const QScreen* screen = window->screen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    dialog->resize(size);
    // The file list's size, type and date columns as wide as their texts usually are; the
    // name column takes the rest.
    if (auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = list->header();
        const QFontMetrics metrics(list->font());
        const int widths[] = {metrics.horizontalAdvance(QStringLiteral("999.99 KiB")),
                              metrics.horizontalAdvance(QStringLiteral("Gnuplot document xx")),
                              metrics.horizontalAdvance(QStringLiteral("31 Dec 2026 23:59:59"))};
        header->setStretchLastSection(false);
        for (int column = 1; column <= 3 && column < header->count(); ++column) {
            header->resizeSection(column, widths[column - 1] + 24);
        }
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog->setAcceptMode(mode);
    // A typed name is accepted whether or not the file or its folder exists.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, false);
    if (mode == QFileDialog::AcceptSave) {
        dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}

// Fills the dialog's name box with `fileName` (a full path opens its folder), or empties it.
void FillFileName(QFileDialog& dialog, const QString& fileName) {
    if (fileName.isEmpty()) {
        if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            edit->clear();
        }
        return;
    }
    dialog.selectFile(fileName);
}

// Uninterruptible progress: the import cannot be abandoned half way, so neither Escape nor
// the window's close button ends the dialog.
class ImportProgressDialog : public QProgressDialog {
  public:
    using QProgressDialog::QProgressDialog;
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

WindowUserInterface::WindowUserInterface(QWidget* window)
    : window_(window),
      openDialog1_(CreateFileDialog(window, OpenDialogName(OpenDialogId::Geometry),
                                    QFileDialog::AcceptOpen,
                                    form::OpenDialogTitle(OpenDialogId::Geometry))),
      openDialog2_(CreateFileDialog(window, OpenDialogName(OpenDialogId::Labels),
                                    QFileDialog::AcceptOpen,
                                    form::OpenDialogTitle(OpenDialogId::Labels))),
      // The save dialog keeps the platform's title.
      saveDialog1_(CreateFileDialog(window, "SaveDialog1", QFileDialog::AcceptSave, {})) {}

QFileDialog* WindowUserInterface::openDialog(OpenDialogId dialog) const {
    return dialog == OpenDialogId::Geometry ? openDialog1_ : openDialog2_;
}

bool WindowUserInterface::runOpenDialog(OpenDialogId id, std::string_view filter,
                                        OpenDialogState& state) {
    QFileDialog& dialog = *openDialog(id);
    SetDialogFilter(dialog, ParseFilter(filter));
    SelectDialogFilter(dialog, state.filterIndex);
    // A remembered name opens its own folder; without one the dialog opens where the user
    // last confirmed a file (for OpenDialog2, beside the geometry file just chosen).
    if (state.fileName.empty()) {
        openInLastFolder(dialog);
    }
    FillFileName(dialog, DecodeFileName(state.fileName));
    const bool confirmed = execFileDialog(dialog);
    if (confirmed) {
        state.fileName = EncodeFileName(dialog.selectedFiles().constFirst());
        state.filterIndex = SelectedDialogFilter(dialog);
    }
    return confirmed;
}

bool WindowUserInterface::runSaveDialog(std::string_view filter, std::string& fileName) {
    QFileDialog& dialog = *saveDialog1_;
    // Filter set anew each time; the default extension is the command's to append.
    SetDialogFilter(dialog, ParseFilter(filter));
    SelectDialogFilter(dialog, 0);
    dialog.setDefaultSuffix(QString());
    if (fileName.empty()) {
        openInLastFolder(dialog);
    }
    FillFileName(dialog, DecodeFileName(fileName));
    const bool confirmed = execFileDialog(dialog);
    if (confirmed) {
        fileName = EncodeFileName(dialog.selectedFiles().constFirst());
    }
    return confirmed;
}

bool WindowUserInterface::execFileDialog(QFileDialog& dialog) {
    const bool confirmed = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
        if (completer->popup() != nullptr) {
            completer->popup()->hide();
        }
    }
    if (confirmed) {
        noteConfirmed(dialog.selectedFiles().constFirst());
    }
    // The command goes on at once: let the window repaint where the dialog was.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    userReturned();
    return confirmed;
}

void WindowUserInterface::noteConfirmed(const QString& path) {
    lastFolder_ = QFileInfo(path).absolutePath();
}

void WindowUserInterface::openInLastFolder(QFileDialog& dialog) {
    if (!lastFolder_.isEmpty() && QDir(lastFolder_).exists()) {
        dialog.setDirectory(lastFolder_);
    }
}

void WindowUserInterface::prepareBox() {
    delete progress_;
    if (refreshViews_) {
        refreshViews_();
    }
}

void WindowUserInterface::showMessage(std::string_view text) {
    prepareBox();
    ExecMessageBox(window_, QMessageBox::NoIcon, FromCp1254(text));
    userReturned();
}

void WindowUserInterface::showWarnings(const std::vector<FileWarning>& warnings) {
    QStringList lines;
    for (const FileWarning& w : warnings) {
        const QString name = QFileInfo(DecodeFileName(w.fileName)).fileName();
        lines << QString::fromStdString(WarningLine(w, name.toStdString()));
    }
    prepareBox();
    ExecMessageBox(window_, QMessageBox::Warning, lines.join(QLatin1Char('\n')));
    userReturned();
}

void WindowUserInterface::exportProgress(std::string_view fileName, uint64_t written) {
    // The size of the plot file is not known ahead: the bar shows that work goes on.
    importProgress(fileName, written, 0);
}

void WindowUserInterface::importProgress(std::string_view fileName, uint64_t done, uint64_t total) {
    if (!workClock_.isValid()) {
        workClock_.start();
    }
    if (!progress_) {
        if (workClock_.elapsed() < kProgressDelayMs) {
            // Before the dialog appears, keep the window painting; input waits meanwhile, so
            // no second command can start.
            if (!repaintClock_.isValid() || repaintClock_.elapsed() >= kRepaintIntervalMs) {
                repaintClock_.start();
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            }
            return;
        }
        progress_ = new ImportProgressDialog(window_);
        progress_->setWindowTitle(ApplicationTitleText());
        progress_->setCancelButton(nullptr);
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(0);
        progress_->show();
        repaintClock_.invalidate();
    } else if (repaintClock_.isValid() && repaintClock_.elapsed() < kRepaintIntervalMs) {
        return;
    }
    repaintClock_.start();
    const QString name = DecodeFileName(std::string(fileName));
    const QString doneMb = QString::number(static_cast<double>(done) / 1e6, 'f', 1);
    progress_->setLabelText(
        total == 0
            ? QStringLiteral("%1\n%2 MB").arg(name, doneMb)
            : QStringLiteral("%1\n%2 / %3 MB")
                  .arg(name, doneMb, QString::number(static_cast<double>(total) / 1e6, 'f', 1)));
    if (total == 0) {
        progress_->setRange(0, 0);
    } else {
        progress_->setRange(0, kProgressSteps);
        progress_->setValue(static_cast<int>(std::min(done, total) * kProgressSteps / total));
    }
    // Behind the progress the tables grow as they are read.
    if (!viewClock_.isValid() || viewClock_.elapsed() >= kViewRefreshIntervalMs) {
        viewClock_.start();
        if (refreshViews_) {
            refreshViews_();
        }
    }
    // The progress dialog is modal, so this repaints the window without letting a click
    // start another command.
    QCoreApplication::processEvents();
}

void WindowUserInterface::beginCommand() {
    workClock_.invalidate();
    repaintClock_.invalidate();
    viewClock_.invalidate();
}

void WindowUserInterface::endCommand() {
    delete progress_;
    workClock_.invalidate();
}

}  // namespace plotaktar::app
