#pragma once

class QCoreApplication;

namespace plotaktar {

// Installs Qt's own Turkish translation (qtbase_tr from Qt's translations folder) in `app`,
// whatever the user's locale, so that the file dialogs and message boxes read Turkish. Returns
// false, and leaves Qt's English texts, when the translation is not installed.
bool LoadQtTurkish(QCoreApplication& app);

}  // namespace plotaktar
