#include "app/file_filter.h"

#include <QComboBox>
#include <QFileDialog>

#include "app/qt_text.h"
#include "model/dialog_filter.h"

namespace plotaktar::app {

namespace {

// The non-native dialog's filter box.
QComboBox* FilterBox(const QFileDialog& dialog) {
    return dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

}  // namespace

QList<FilterEntry> ParseFilter(std::string_view filter) {
    QList<FilterEntry> entries;
    for (const DialogFilterEntry& entry : ParseDialogFilter(filter)) {
        QStringList patterns;
        for (const std::string& pattern : entry.patterns) {
            // On this system "*.*" would skip names without a dot.
            patterns << (pattern == "*.*" ? QStringLiteral("*") : FromCp1254(pattern));
        }
        entries.append({FromCp1254(entry.description), patterns.join(QLatin1Char(' '))});
    }
    return entries;
}

void SetDialogFilter(QFileDialog& dialog, const QList<FilterEntry>& entries) {
    QStringList dialogFilters;
    for (const FilterEntry& entry : entries) {
        dialogFilters << QLatin1Char('(') + entry.patterns + QLatin1Char(')');
    }
    dialog.setNameFilters(dialogFilters);
    if (QComboBox* box = FilterBox(dialog)) {
        for (qsizetype i = 0; i < entries.size() && i < box->count(); ++i) {
            box->setItemText(static_cast<int>(i), entries[i].description);
        }
    }
}

void SelectDialogFilter(QFileDialog& dialog, int index) {
    QComboBox* box = FilterBox(dialog);
    if (!box || box->count() == 0) {
        return;
    }
    if (index < 0 || index >= box->count()) {
        index = 0;
    }
    // The dialog applies an entry's patterns when it selects the entry by its visible text.
    dialog.selectNameFilter(box->itemText(index));
}

int SelectedDialogFilter(const QFileDialog& dialog) {
    const QComboBox* box = FilterBox(dialog);
    return box && box->currentIndex() > 0 ? box->currentIndex() : 0;
}

}  // namespace plotaktar::app
