#pragma once

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <optional>

namespace plotaktar::viewer {

// What a reload needs to know of a file on disk: what it is, and enough to tell another version
// of it (a new file renamed over it has another file number, a rewrite another time or size).
struct FileState {
    enum class Type : uint8_t { Missing, Directory, Other, Regular };
    Type type = Type::Missing;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 fileNumber = 0;
    bool endsLine = false;  // its last byte is a line feed

    bool operator==(const FileState&) const = default;
};
using FileStates = QList<FileState>;

// The states of `paths` now. Safe on any thread.
FileStates StatesOf(const QStringList& paths);

// Follows the files of the drawing on screen by their names, whatever happens to them: removed
// and created again, replaced by a rename, a folder for a moment. Changes the system reports
// are looked at after a short quiet time, and the files are looked at every second besides, so
// that no change goes unseen. A version of the files is reported fit for reading only when it
// is complete: every file that must be there is a regular file, none that held data is empty,
// and none ends in the middle of a line (unless its shown version did too: a half-written
// last line would be read as a wrong record).
class FileWatch : public QObject {
    Q_OBJECT

  public:
    explicit FileWatch(QObject* parent = nullptr);

    // Follows `paths` from now on; the first `required` of them must be regular files to be
    // read. `shown` are their states when the drawing on screen was read.
    void watch(const QStringList& paths, qsizetype required, const FileStates& shown);
    // Looks at the files again although they were reported fit already (the last read of them
    // was overtaken by a change).
    void retry();
    // Looks at the files now.
    void check();

  signals:
    // The files differ from the drawing on screen and are complete: read them again.
    void reloadWanted();
    // The files differ from the drawing on screen but cannot be read as they are; `reason`
    // says why, in Turkish.
    void unavailable(const QString& reason);
    // The files are again as they were when the drawing on screen was read.
    void current();

  private:
    // Watches the names again: the files that exist now, and the folders they are in.
    void rewatch();
    // Why the files as they are now cannot be read, if they cannot.
    std::optional<QString> unfit(const FileStates& states) const;

    QStringList paths_;
    qsizetype required_ = 0;
    FileStates shown_;
    FileStates lastSeen_;
    FileStates requested_;  // the version last reported fit, while it is read or failed
    QFileSystemWatcher watcher_;
    QTimer quiet_;
    QTimer poll_;
};

}  // namespace plotaktar::viewer
