#pragma once

#include <QString>
#include <string_view>

namespace plotaktar::app {

// The text of windows-1254 bytes (cell texts, the program's messages) for display.
QString FromCp1254(std::string_view bytes);

// The application title of this process: the program file's name after its last "/", cut
// before its first dot, first character upper case, the rest lower case ("Plotaktar").
// Captions every message box of the window.
QString ApplicationTitleText();

}  // namespace plotaktar::app
