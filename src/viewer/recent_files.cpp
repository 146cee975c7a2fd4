#include "viewer/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace plotaktar::viewer {

namespace {

constexpr int kRecentCount = 8;
const char kKey[] = "recentFiles";

QSettings Settings() {
    return QSettings(QStringLiteral("plotaktar"), QStringLiteral("plotaktar-view"));
}

// One drawing as stored: the main file, then the label file on a line of its own.
QString EntryOf(const DrawingFiles& files) {
    return files.labels.isEmpty() ? files.main : files.main + '\n' + files.labels;
}

}  // namespace

RecentFiles::RecentFiles(QMenu& menu, QObject* parent) : QObject(parent), menu_(menu) {
    menu_.setToolTipsVisible(true);
    fillMenu();
}

QList<DrawingFiles> RecentFiles::entries() const {
    QList<DrawingFiles> entries;
    for (const QString& entry : Settings().value(QLatin1String(kKey)).toStringList()) {
        const QStringList parts = entry.split('\n');
        DrawingFiles files{parts.value(0), parts.value(1), {}};
        // Entries stored by earlier versions hold relative paths, which meant the folder the
        // viewer was started in; nothing tells which, so they are dropped.
        if (QDir::isAbsolutePath(files.main) &&
            (files.labels.isEmpty() || QDir::isAbsolutePath(files.labels))) {
            entries << files;
        }
    }
    return entries;
}

void RecentFiles::remember(const DrawingFiles& files) {
    QList<DrawingFiles> list = entries();
    list.removeAll(files);
    list.prepend(files);
    QStringList stored;
    for (const DrawingFiles& entry : list.mid(0, kRecentCount)) {
        stored << EntryOf(entry);
    }
    Settings().setValue(QLatin1String(kKey), stored);
    fillMenu();
}

void RecentFiles::fillMenu() {
    menu_.clear();
    const QList<DrawingFiles> list = entries();
    for (const DrawingFiles& files : list) {
        const QFileInfo main(files.main);
        QString names = main.fileName();
        QString tip = QDir::toNativeSeparators(files.main);
        if (!files.labels.isEmpty()) {
            const QFileInfo labels(files.labels);
            // The label file's folder is named only where it is not the main file's.
            names += QStringLiteral(" + ") + (labels.absolutePath() == main.absolutePath()
                                                  ? labels.fileName()
                                                  : QDir::toNativeSeparators(files.labels));
            tip += '\n' + QDir::toNativeSeparators(files.labels);
        }
        QString text =
            QStringLiteral("%1 — %2").arg(names, QDir::toNativeSeparators(main.absolutePath()));
        QAction* action = menu_.addAction(text.replace('&', QLatin1String("&&")));
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, [this, files] { emit chosen(files); });
    }
    menu_.setEnabled(!list.isEmpty());
}

}  // namespace plotaktar::viewer
