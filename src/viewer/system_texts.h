#pragma once

#include <QString>

namespace plotaktar::viewer {

// A failure's message as the viewer shows it: the causes the system words in English ("No such
// file or directory", "Permission denied", "Out of memory", ...) in Turkish, wherever they end
// the message (after a path and ": " too); any other message as it is.
QString TurkishCause(const QString& message);

}  // namespace plotaktar::viewer
