#pragma once

#include <string_view>

class QWidget;

namespace plotaktar::app {

// The general error handler's box: a modal critical message box with the failure's message
// (windows-1254 bytes) after the full-stop rule, an OK button, and the application title as
// its caption.
void ShowErrorBox(QWidget* parent, std::string_view message);

}  // namespace plotaktar::app
