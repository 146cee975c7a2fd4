#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "bench_support.h"
#include "model/session.h"
#include "process_runner.h"

namespace plotaktar::bench {

// Reads the three files into fresh memory and counts their lines (one memchr scan for CR per
// file): the least any importer has to do. `lines` receives the count.
Timing ReadFloorOnce(const Drawing& drawing, uint64_t& lines);

// The I/O floor of a conversion: reads the three files as ReadFloorOnce does, then writes
// `outputBytes` of them to `scratch`, syncs and closes it (the file is removed afterwards,
// outside the time).
Timing FloorOnce(const Drawing& drawing, uint64_t outputBytes, const std::string& scratch);

// One import click into `session` with both dialogs confirmed.
Timing ImportOnce(Session& session, const Drawing& drawing, ScriptedUi& ui);

// One save click writing `path`.
Timing ExportOnce(Session& session, const std::string& path, ScriptedUi& ui);

// `plotaktar-cli convert GEOMETRY LABELS -o OUTPUT` as a child process, its standard output
// and error going to `log`.
ProcessRun ConvertOnce(ProcessRunner& runner, const std::string& cli, const Drawing& drawing,
                       const std::string& output, const std::string& log);

// Bytes of memory the thirteen tables hold of their own (cell references and arenas; the
// shared input buffers not counted).
uint64_t TablesMemory(const Session& session);

// The number of the record table with the most rows, and that count.
int BiggestGrid(const Session& session, int& rows);

}  // namespace plotaktar::bench
