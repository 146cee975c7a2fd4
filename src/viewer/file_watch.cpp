#include "viewer/file_watch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace plotaktar::viewer {

namespace {

// How long the system's reports of changes must be quiet before the files are looked at: an
// editor's save or a copy is several changes in a row.
constexpr int kQuietMs = 200;
constexpr int kPollMs = 1000;

FileState StateOf(const QString& path) {
    FileState state;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return state;
    }
    state.type = S_ISREG(info.st_mode)   ? FileState::Type::Regular
                 : S_ISDIR(info.st_mode) ? FileState::Type::Directory
                                         : FileState::Type::Other;
    state.size = static_cast<qint64>(info.st_size);
    state.modifiedNs = static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    state.device = static_cast<quint64>(info.st_dev);
    state.fileNumber = static_cast<quint64>(info.st_ino);
#else
    QFileInfo info(path);
    info.setCaching(false);
    if (!info.exists()) {
        return state;
    }
    state.type = info.isDir()    ? FileState::Type::Directory
                 : info.isFile() ? FileState::Type::Regular
                                 : FileState::Type::Other;
    state.size = info.size();
    state.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
#endif
    if (state.type == FileState::Type::Regular && state.size > 0) {
        QFile file(path);
        char last = 0;
        state.endsLine = file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) &&
                         file.seek(state.size - 1) && file.getChar(&last) && last == '\n';
    }
    return state;
}

QString NameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

FileStates StatesOf(const QStringList& paths) {
    FileStates states;
    states.reserve(paths.size());
    for (const QString& path : paths) {
        states << StateOf(path);
    }
    return states;
}

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietMs);
    auto changed = [this] { quiet_.start(); };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(&quiet_, &QTimer::timeout, this, &FileWatch::check);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &FileWatch::check);
}

void FileWatch::watch(const QStringList& paths, qsizetype required, const FileStates& shown) {
    paths_ = paths;
    required_ = required;
    shown_ = shown;
    lastSeen_ = shown;
    requested_.clear();
    rewatch();
    poll_.start();
}

void FileWatch::retry() {
    requested_.clear();
    quiet_.start();
}

void FileWatch::rewatch() {
    if (!watcher_.files().isEmpty()) {
        watcher_.removePaths(watcher_.files());
    }
    if (!watcher_.directories().isEmpty()) {
        watcher_.removePaths(watcher_.directories());
    }
    QStringList files;
    QStringList folders;
    for (const QString& path : paths_) {
        const QFileInfo info(path);
        if (info.isFile()) {
            files << path;
        }
        const QString folder = info.absolutePath();
        if (!folders.contains(folder) && QFileInfo(folder).isDir()) {
            folders << folder;
        }
    }
    if (!files.isEmpty()) {
        watcher_.addPaths(files);
    }
    if (!folders.isEmpty()) {
        watcher_.addPaths(folders);
    }
}

std::optional<QString> FileWatch::unfit(const FileStates& states) const {
    for (qsizetype i = 0; i < states.size(); ++i) {
        const FileState& state = states[i];
        const QString name = NameOf(paths_[i]);
        const bool requiredFile = i < required_;
        switch (state.type) {
            case FileState::Type::Missing:
                if (requiredFile) {
                    return QStringLiteral("%1 bulunamadı (silinmiş ya da taşınmış)").arg(name);
                }
                break;
            case FileState::Type::Directory:
                return QStringLiteral("%1 şu an bir klasör").arg(name);
            case FileState::Type::Other:
                return QStringLiteral("%1 düzenli bir dosya değil").arg(name);
            case FileState::Type::Regular: {
                const bool shownRegular =
                    i < shown_.size() && shown_[i].type == FileState::Type::Regular;
                if (state.size == 0 && shownRegular && shown_[i].size > 0) {
                    return QStringLiteral("%1 boş").arg(name);
                }
                if (state.size > 0 && !state.endsLine && (!shownRegular || shown_[i].endsLine)) {
                    return QStringLiteral("%1 eksik: son satırı bitmemiş (yazılıyor olabilir)")
                        .arg(name);
                }
                break;
            }
        }
    }
    return std::nullopt;
}

void FileWatch::check() {
    if (paths_.isEmpty()) {
        return;
    }
    const FileStates states = StatesOf(paths_);
    if (states != lastSeen_) {
        // A file replaced or created again is another file to the system's watch.
        lastSeen_ = states;
        rewatch();
    }
    if (states == shown_) {
        requested_.clear();
        emit current();
        return;
    }
    if (const auto reason = unfit(states)) {
        emit unavailable(*reason);
        return;
    }
    if (states == requested_) {
        return;
    }
    requested_ = states;
    emit reloadWanted();
}

}  // namespace plotaktar::viewer
