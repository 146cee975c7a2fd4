#include "app/file_filter.h"

#include <QComboBox>
#include <QFileDialog>

#include "app/qt_text.h"

namespace plotaktar::app {

namespace {

// The non-native dialog's filter box.
QComboBox* FilterBox(const QFileDialog& dialog) {
    return dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

QString DialogPatterns(const QString& pattern) {
    QStringList patterns;
    for (const QString& part : QString(pattern)
                                   .replace(QLatin1Char(';'), QLatin1Char(' '))
                                   .split(u' ', Qt::SkipEmptyParts)) {
        patterns << (part == QLatin1String("*.*") ? QStringLiteral("*") : part);
    }
    return patterns.join(QLatin1Char(' '));
}

}  // namespace

QList<FilterEntry> ParseFilter(std::string_view filter) {
    const QStringList parts = FromCp1254(filter).split(QLatin1Char('|'));
    QList<FilterEntry> entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (parts[i].isEmpty() && pattern.trimmed().isEmpty()) {
            continue;
        }
        entries.append({parts[i], DialogPatterns(pattern)});
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
