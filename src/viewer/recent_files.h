#pragma once

#include <QObject>

#include "viewer/drawing_files.h"

class QMenu;

namespace plotaktar::viewer {

// The drawings opened last, kept in the viewer's settings as absolute paths, newest first, and
// offered in a menu: each entry names its files and their folder, its tooltip gives the full
// paths.
class RecentFiles : public QObject {
    Q_OBJECT

  public:
    explicit RecentFiles(QMenu& menu, QObject* parent = nullptr);

    // Puts `files` first in the list and the menu.
    void remember(const DrawingFiles& files);
    // The list as stored, newest first.
    QList<DrawingFiles> entries() const;

  signals:
    void chosen(const DrawingFiles& files);

  private:
    void fillMenu();

    QMenu& menu_;
};

}  // namespace plotaktar::viewer
