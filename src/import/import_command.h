#pragma once

#include "model/session.h"

namespace plotaktar {

// The open command (the window's open button): runs the geometry and the label file's open
// dialogs, imports the geometry file, the label file and its companion that they name
// (ImportFiles), and ends with the message "dosya açıldı". Failures of records and files are
// handled inside (one message per failing record; the warnings about the files together before that
// message); running out of memory escapes (std::bad_alloc) before that message.
void RunOpenCommand(Session& session, UserInterface& ui);

}  // namespace plotaktar
