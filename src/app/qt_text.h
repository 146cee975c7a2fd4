#pragma once

#include <QString>
#include <string_view>

#include "qt/cp1254_text.h"
#include "ui/ui_texts.h"

namespace plotaktar::app {

using plotaktar::FromCp1254;

// The application title of this process: the program file's name after its last "/", cut
// before its first dot, first character upper case, the rest lower case ("Plotaktar").
// Captions every message box of the window.
QString ApplicationTitleText();

}  // namespace plotaktar::app
