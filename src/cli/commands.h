#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"

namespace plotaktar::cli {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// One import of GEOMETRY and LABELS and one export, as the window's two buttons do them.
// Input files that cannot be read are refused before anything runs (status 2); an export
// error is reported on `err` (status 1); on success one summary line goes to `out`.
int RunConvert(const ConvertArgs& args, std::FILE* out, std::FILE* err);

// Replays `steps` on one session; message boxes go to `out` as "mesaj:"/"hata:" lines.
// Status 1 when a step reached the error handler or a dump could not be written.
int RunSession(const std::vector<Step>& steps, std::FILE* out, std::FILE* err);

// The default plot file of a geometry path: its extension (the part of the file name from its
// last dot, unless the name begins there) replaced by ".plt", or ".plt" appended.
std::string DefaultOutputName(std::string_view geometry);

}  // namespace plotaktar::cli
