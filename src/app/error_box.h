#pragma once

#include <QMessageBox>
#include <string_view>

class QWidget;

namespace plotaktar::app {

// Shows a modal message box with `text`, an OK button and the application title as its
// caption, wide enough that the title bar shows the caption whole; returns when it is closed.
void ExecMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text);

// The general error handler's box: a modal critical message box with the failure's message
// (windows-1254 bytes) after the full-stop rule, an OK button, and the application title as
// its caption.
void ShowErrorBox(QWidget* parent, std::string_view message);

}  // namespace plotaktar::app
