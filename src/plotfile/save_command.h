#pragma once

#include <string>
#include <string_view>

#include "model/session.h"
#include "plotfile/plot_file.h"
#include "plotfile/plot_writer.h"

namespace plotaktar {

// The save command (the window's save button): runs the save dialog and writes the plot file, then
// shows "kayıt bitti". A cancel does nothing. A file or conversion failure throws Error (the
// general error handler shows it) and leaves the chosen path exactly as it was.
void RunSaveCommand(Session& session, UserInterface& ui);

// The name with ".plt" appended when the part after its last folder separator ("/", and also
// "\" on Windows) has no dot.
std::string WithDefaultExtension(std::string_view fileName);

}  // namespace plotaktar
