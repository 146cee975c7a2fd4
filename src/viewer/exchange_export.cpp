#include "viewer/exchange_export.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLibrary>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <charconv>
#include <limits>
#include <optional>

#include "drawing/drawing_loader.h"
#include "exchange/note_lines.h"
#include "model/cp1254.h"
#include "model/crs_names.h"
#include "model/file_names.h"
#include "model/output_files.h"
#include "model/output_formats.h"
#include "viewer/drawing_files.h"
#include "viewer/gis_module.h"
#include "viewer/output_guard.h"
#include "viewer/system_texts.h"

namespace plotaktar::viewer {

namespace {

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The central meridian of a transverse Mercator zone named by its meridian ("TM30") or of a
// northern UTM zone ("UTM35"), in degrees east; nothing for another name.
std::optional<int> CentralMeridian(std::string_view zone, bool utm) {
    int number = 0;
    const auto [end, ec] = std::from_chars(zone.data(), zone.data() + zone.size(), number);
    if (ec != std::errc() || end != zone.data() + zone.size()) {
        return std::nullopt;
    }
    return utm ? number * 6 - 183 : number;
}

}  // namespace

QString FormatName(const OutputFormatInfo& format) {
    if (format.name == "dxf") {
        return QStringLiteral("DXF çizimi");
    }
    if (format.name == "shp") {
        return QStringLiteral("Shapefile (tür başına bir takım)");
    }
    return Text(format.description);  // GeoPackage, GeoJSON, KML: names in every language
}

QString SystemName(const CrsName& system) {
    // The short names say it all: "TM30" is TUREF's zone, "ED50-TM30" and "ED50-UTM35" ED50's.
    std::string_view name = system.name;
    QString datum = QStringLiteral("TUREF");
    if (name.starts_with("ED50-")) {
        datum = QStringLiteral("ED50");
        name.remove_prefix(5);
    }
    QString zone;
    if (name.starts_with("UTM")) {
        if (const std::optional<int> meridian = CentralMeridian(name.substr(3), true)) {
            zone = QStringLiteral("UTM %1. dilim (6°, orta meridyen %2° D)")
                       .arg(Text(name.substr(3)))
                       .arg(*meridian);
        }
    } else if (name.starts_with("TM")) {
        if (const std::optional<int> meridian = CentralMeridian(name.substr(2), false)) {
            zone =
                QStringLiteral("%1 (3° dilim, orta meridyen %2° D)").arg(Text(name)).arg(*meridian);
        }
    }
    if (zone.isEmpty()) {
        return QStringLiteral("%1 (EPSG:%2)").arg(Text(system.name)).arg(system.epsg);
    }
    return QStringLiteral("%1 — %2 / %3 (EPSG:%4)")
        .arg(Text(system.name), datum, zone)
        .arg(system.epsg);
}

namespace {

QSettings Settings() {
    return QSettings(QStringLiteral("plotaktar"), QStringLiteral("plotaktar-view"));
}

// The format and coordinate system, asked for in one small dialog. False when cancelled.
bool AskFormatAndSystem(QWidget* parent, const OutputFormatInfo*& format, int& epsg) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Dışa aktar"));
    auto* formats = new QComboBox(&dialog);
    auto* systems = new QComboBox(&dialog);
    QSettings settings = Settings();
    for (const OutputFormatInfo& f : OutputFormats()) {
        if (f.program == kExportProgram) {
            formats->addItem(QStringLiteral("%1 (*%2)").arg(FormatName(f), Text(f.extensions[0])),
                             Text(f.name));
        }
    }
    formats->setCurrentIndex(
        std::max(0, formats->findData(settings.value(QStringLiteral("export/format")))));
    systems->addItem(QStringLiteral("Belirtilmemiş"), 0);
    for (const CrsName& crs : kCrsNames) {
        systems->addItem(SystemName(crs), crs.epsg);
    }
    systems->setCurrentIndex(
        std::max(0, systems->findData(settings.value(QStringLiteral("export/crs")).toInt())));
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Biçim:"), formats);
    form->addRow(QStringLiteral("Koordinat sistemi:"), systems);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    while (true) {
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        format = OutputFormatNamed(formats->currentData().toString().toStdString());
        epsg = systems->currentData().toInt();
        if (format->needsCoordinateSystem && epsg == 0) {
            QMessageBox::warning(parent, QStringLiteral("plotaktar-view"),
                                 QStringLiteral("%1 her zaman WGS 84 boylam ve enlemindedir: "
                                                "çizimin koordinat sistemini seçin.")
                                     .arg(FormatName(*format)));
            continue;
        }
        settings.setValue(QStringLiteral("export/format"), formats->currentData());
        settings.setValue(QStringLiteral("export/crs"), epsg);
        return true;
    }
}

// The GIS writers, from their module: loaded the first time, and kept for the life of the
// process, since the writers and the steps they make live in it. Null, with `problem` saying
// why, when the module cannot be loaded.
const GisModule* LoadGisModule(QString& problem) {
    static const GisModule* module = nullptr;
    if (module != nullptr) {
        return module;
    }
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& path : {folder + QStringLiteral("/plotaktar-view-gis.so"),
                                folder + QStringLiteral("/" PLOTAKTAR_VIEW_GIS_FROM_BINDIR)}) {
        if (!QFileInfo::exists(path)) {
            continue;
        }
        QLibrary library(path);
        if (auto entry = reinterpret_cast<GisModuleEntry>(library.resolve(kGisModuleEntry))) {
            module = entry();
            return module;
        }
        problem = library.errorString();
        return nullptr;
    }
    problem = QStringLiteral("%1 bulunamadı (kurulum eksik)")
                  .arg(QDir::toNativeSeparators(
                      folder + QStringLiteral("/" PLOTAKTAR_VIEW_GIS_FROM_BINDIR)));
    return nullptr;
}

}  // namespace

QString ExportExchange(QWidget* parent, std::shared_ptr<const LoadedDrawing> drawing,
                       const DrawingFiles& files) {
    if (!drawing) {
        return {};
    }
    if (!drawing->workspace) {
        QMessageBox::information(parent, QStringLiteral("plotaktar-view"),
                                 QStringLiteral("Bir çizim dosyası (.plt) kayıtların bütün "
                                                "alanlarını tutmaz; dışa aktarmak için geometri "
                                                "dosyasını (.gplt) açın."));
        return {};
    }
    const OutputFormatInfo* format = nullptr;
    int epsg = 0;
    if (!AskFormatAndSystem(parent, format, epsg)) {
        return {};
    }
    const QString extension = Text(format->extensions[0]);
    QString path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Dışa aktar"),
        QFileInfo(files.main).absolutePath() + '/' + QFileInfo(files.main).completeBaseName() +
            extension,
        QStringLiteral("%1 (*%2)").arg(FormatName(*format), extension));
    if (path.isEmpty()) {
        return {};
    }
    if (!path.endsWith(extension, Qt::CaseInsensitive)) {
        path += extension;
    }

    if (WritesOverDrawing(parent, files, FilesWritten(*format, Native(path)))) {
        return {};
    }

    QString problem;
    const GisModule* gis = LoadGisModule(problem);
    if (gis == nullptr) {
        QMessageBox::warning(
            parent, QStringLiteral("plotaktar-view"),
            QStringLiteral("%1 yazılamadı: %2").arg(QDir::toNativeSeparators(path), problem));
        return {};
    }
    // The writing runs on a worker thread; the dialog polls its progress and may cancel it.
    const ExchangeWriter* writer = gis->writerFor(format->name);
    std::atomic<uint64_t> done{0}, total{1};
    std::atomic<bool> cancel{false};
    bool cancelled = false;  // the writer stopped on the cancel; a cancel too late to stop it
                             // still leaves a complete file, which is then reported
    ExportResult result;
    const std::string target = Native(path);
    QThread* worker = QThread::create([&] {
        ExportSettings settings;
        settings.sourceEpsg = epsg;
        settings.coordinates = gis->coordinates;
        settings.progress = [&](uint64_t d, uint64_t t) {
            done = d;
            total = std::max<uint64_t>(t, 1);
            return !cancel.load();
        };
        try {
            result = writer->exportWorkspace(*drawing->workspace, settings, target);
        } catch (const ExportCancelled&) {
            cancelled = true;
        } catch (const FileError& e) {
            problem = TurkishCause(Text(Utf8FromCp1254(e.message())));
        } catch (const std::exception& e) {
            problem = Text(Utf8FromCp1254(e.what()));
        }
    });
    QProgressDialog progress(QStringLiteral("%1 yazılıyor…").arg(QDir::toNativeSeparators(path)),
                             QStringLiteral("İptal"), 0, 1000, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // Shown once the writing takes longer than a blink; a small drawing is written without it.
    progress.setMinimumDuration(std::numeric_limits<int>::max());
    progress.setValue(0);
    QTimer::singleShot(300, &progress, [&] { progress.show(); });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        progress.setValue(static_cast<int>(1000 * done.load() / total.load()));
    });
    // The dialog stays until the writer has stopped and put everything back, so that nothing
    // else starts meanwhile.
    QObject::connect(&progress, &QProgressDialog::canceled, [&] {
        cancel = true;
        progress.setLabelText(QStringLiteral("İptal ediliyor…"));
        progress.show();
    });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    poll.start(100);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    progress.reset();
    if (cancelled) {
        return {};
    }
    if (!problem.isEmpty()) {
        QMessageBox::warning(
            parent, QStringLiteral("plotaktar-view"),
            QStringLiteral("%1 yazılamadı: %2").arg(QDir::toNativeSeparators(path), problem));
        return {};
    }
    if (!result.notes.empty() || !result.warnings.empty()) {
        const std::string labels = Native(files.labels);
        const ImportPaths paths{Native(files.main), labels,
                                labels.empty() ? std::string() : CompanionFileBeside(labels)};
        const auto lines = NoteLines(paths, result.notes);
        QString details;
        for (size_t i = 0; i < result.notes.size(); ++i) {
            details += lines[i] ? QStringLiteral("%1:%2: ")
                                      .arg(QString::fromLocal8Bit(lines[i]->fileName.c_str()))
                                      .arg(lines[i]->lineNumber)
                                : QString();
            details += Text(result.notes[i].what) + '\n';
        }
        // About the file as a whole (a view too large for its numbers, for one).
        for (const std::string& warning : result.warnings) {
            details += QStringLiteral("%1: warning: %2\n")
                           .arg(QString::fromLocal8Bit(paths.geometry.c_str()), Text(warning));
        }
        QMessageBox box(QMessageBox::Information, QStringLiteral("plotaktar-view"),
                        QStringLiteral("%1 yazıldı: %2 nesne; %3 kayıt dışarıda bırakıldı, "
                                       "ayrıntılar aşağıda.")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(result.counts.total())
                            .arg(result.counts.leftOut),
                        QMessageBox::Ok, parent);
        box.setDetailedText(details);
        box.exec();
    }
    return path;
}

}  // namespace plotaktar::viewer
