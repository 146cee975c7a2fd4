#pragma once

#include <QList>
#include <QString>
#include <string_view>

class QFileDialog;

namespace plotaktar::app {

// One entry of a dialog's file filter: the description shown to the user, exactly as the
// command gave it, and the patterns that select the files, blank-separated.
struct FilterEntry {
    QString description;
    QString patterns;
};

// The entries of a command's filter (ParseDialogFilter), decoded from windows-1254, each
// entry's patterns blank-separated. "*.*" means every file, as it does in the dialogs this
// filter was written for, so it becomes "*" (on this system "*.*" would skip names without a
// dot).
QList<FilterEntry> ParseFilter(std::string_view filter);

// Sets the entries as the dialog's filter list. The list shows each description exactly as
// given, while the dialog filters by the entry's patterns. QFileDialog takes the patterns of an
// entry from a trailing "(...)" of its text, which our descriptions do not always end with
// ("Geçici plt Dosyaları (*.gplt) " ends in a blank), so the dialog gets "(patterns)" texts and
// its filter box then shows the descriptions in their place.
void SetDialogFilter(QFileDialog& dialog, const QList<FilterEntry>& entries);

// Selects entry `index` (0-based) and filters by it; an index outside the list selects the
// first entry.
void SelectDialogFilter(QFileDialog& dialog, int index);

// The 0-based index of the entry selected in the dialog.
int SelectedDialogFilter(const QFileDialog& dialog);

}  // namespace plotaktar::app
