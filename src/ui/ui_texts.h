#pragma once

// Texts that the programs show the user around the commands, the same in the window and in
// plotaktar-cli.

#include <string>
#include <string_view>

#include "model/import_observer.h"

namespace plotaktar {

// The general error handler's text: the message with a full stop appended when its last
// character has a code above that of the full stop.
std::string ErrorBoxText(std::string_view message);

// The application title derived from the program file's path: the name after the last "/",
// cut before its first dot, first character upper case and the rest lower case.
std::string ApplicationTitle(std::string_view programPath);

// The window's line for one warning about an input file, in UTF-8; `shownName` is the file's
// name as the window shows it (UTF-8, without its folder).
std::string WarningLine(const FileWarning& warning, std::string_view shownName);

}  // namespace plotaktar
