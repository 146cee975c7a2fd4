#pragma once

#include "model/session.h"

namespace plotaktar {

// The open button's command: runs OpenDialog1 and OpenDialog2, imports the geometry file, the
// label file and its companion that they name (ImportFiles), and ends with the message
// "dosya açıldı". Failures of records and files are handled inside (one message per failing
// record; file problems are silent); running out of memory escapes (std::bad_alloc) before
// that message.
void BitBtn1Click(Session& session, UserInterface& ui);

// The companion label file's name for a label file path: the path without its last four
// characters, followed by ".yfn" (".yfn" alone for a path of four characters or fewer).
std::string CompanionFileName(std::string_view labelPath);

// The label file that goes with a geometry file wherever a command takes GEOMETRY [LABELS]
// (the viewer, convert, render): its path with the extension replaced by ".yaz" (or ".YAZ")
// when such a file can be read; otherwise the empty text. Never a file of the current folder
// for another folder's geometry.
std::string LabelFileBeside(const std::string& geometry);

}  // namespace plotaktar
