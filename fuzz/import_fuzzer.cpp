// Several imports in a row into one session, each of a geometry file, a label file and a
// companion made of arbitrary bytes, then an export into memory and, now and then, into a file.
// The input files are held in memory (platform::MemoryFiles) and read through the same reading
// as files on disk; saves go to a folder in /dev/shm, a tmpfs, so that they cost no disk sync.
//
// Input: one control byte, then the files, separated by kSeparator, three per import (geometry,
// label, companion), at most four imports. Control bits: 0-1 imports - 1; 2 cancel OpenDialog1
// after the first import; 3 cancel OpenDialog2 after the first import; 4 no companion file;
// 5 save through the save command as well.
//
// Checked after every import: it ends with "dosya açıldı", every other message is a reader's
// word, every flag is "0" or "1", every table has at least one row and column. Checked after
// every export: the bytes are whole CR LF lines and do not depend on how they were handed to
// the sink; a saved file holds exactly those bytes, and a failed save leaves the old file and
// no temporary behind.
#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_command.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/messages.h"
#include "model/session.h"
#include "platform/memory_files.h"
#include "plotfile/plot_writer.h"
#include "plotfile/save_command.h"
#include "testing/scripted_ui.h"

namespace {

using namespace plotaktar;

constexpr std::string_view kSeparator = "\x1E\x1E\x1E";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

void Check(bool ok, const std::string& what) {
    if (!ok) {
        Fail(what);
    }
}

class ChunkSink : public PlotSink {
  public:
    void write(std::string_view bytes) override {
        Check(bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n",
              "a chunk that does not end with a whole line");
        received.append(bytes);
    }
    std::string received;
};

// The folder that saves go to, removed when the fuzzer exits: on tmpfs where there is one.
char g_workDirectory[64];

std::string WorkDirectory() {
    if (g_workDirectory[0] == '\0') {
        std::snprintf(g_workDirectory, sizeof g_workDirectory, "/dev/shm/plotaktar-fuzz-XXXXXX");
        if (mkdtemp(g_workDirectory) == nullptr) {
            std::fprintf(stderr, "no /dev/shm: saves go to /tmp, at the speed of its disk\n");
            std::snprintf(g_workDirectory, sizeof g_workDirectory, "/tmp/plotaktar-fuzz-XXXXXX");
            if (mkdtemp(g_workDirectory) == nullptr) {
                Fail("no work directory");
            }
        }
        std::atexit([] {
            char command[96];
            std::snprintf(command, sizeof command, "rm -rf '%s'", g_workDirectory);
            (void)std::system(command);
        });
    }
    return g_workDirectory;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            names.insert(e->d_name);
        }
        closedir(d);
    }
    return names;
}

std::vector<std::string_view> Split(std::string_view data) {
    std::vector<std::string_view> parts;
    for (;;) {
        size_t at = data.find(kSeparator);
        if (at == std::string_view::npos) {
            parts.push_back(data);
            return parts;
        }
        parts.push_back(data.substr(0, at));
        data.remove_prefix(at + kSeparator.size());
    }
}

void CheckImport(const Session& session, const ScriptedUi& ui, size_t firstMessage) {
    static const std::set<std::string> words = {"nirengi", "poligon", "nokta",
                                                "tabaka",  "hat",     "sembol",
                                                "parsel",  "bina",    Cp1254FromUtf8("şev")};
    Check(ui.messages.size() > firstMessage && ui.messages.back() == kFileOpenedMessage,
          "an import that does not end with its message");
    for (const auto& failure : ui.failures) {
        Check(failure.second >= 1, "a failing record without a line number");
    }
    for (size_t i = firstMessage; i + 1 < ui.messages.size(); ++i) {
        Check(words.count(ui.messages[i]) == 1, "an unknown message: " + ui.messages[i]);
    }
    for (const auto& [name, value] : session.workspace.flags.named()) {
        Check(*value == "0" || *value == "1", "flag " + std::string(name) + " = " + *value);
    }
    for (int g = 1; g <= kTableCount; ++g) {
        const Table& t = session.workspace.grid(g);
        Check(t.rowCount() >= 1 && t.colCount() >= 1, "a table without rows or columns");
    }
}

void CheckExport(Session& session, ScriptedUi& ui, bool save) {
    std::string bytes;
    std::string error;
    try {
        bytes = PlotFileBytes(session.workspace);
    } catch (const Error& e) {
        error = e.what();
        Check(!error.empty(), "an export error without a message");
    }
    if (error.empty()) {
        Check(bytes.empty() || bytes.substr(bytes.size() - 2) == "\r\n",
              "a plot file whose last line has no line end");
        ChunkSink sink;
        WritePlotFile(session.workspace, sink);
        Check(sink.received == bytes, "the file depends on how it reaches the sink");
    }
    if (!save) {
        return;
    }
    const std::string dir = WorkDirectory();
    const std::string target = dir + "/out.plt";
    WriteFile(target, "OLD\r\n");
    const std::set<std::string> before = Entries(dir);
    ui.answerSave(target);
    std::string saveError;
    size_t messages = ui.messages.size();
    try {
        RunSaveCommand(session, ui);
    } catch (const Error& e) {
        saveError = e.what();
    }
    Check(saveError == error, "the save command fails unlike the writer: " + saveError);
    Check(ReadWhole(target) == (error.empty() ? bytes : "OLD\r\n"), "the saved file differs");
    Check(Entries(dir) == before, "the save left a file behind");
    Check(ui.messages.size() == messages + (error.empty() ? 1 : 0), "wrong save messages");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    std::vector<std::string_view> parts =
        Split(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const int imports = 1 + (control & 3);

    // The import reads these paths as it reads files on disk; no other file exists for it.
    platform::MemoryFiles files;
    Session session;
    ScriptedUi ui;
    for (int run = 0; run < imports; ++run) {
        auto part = [&](int role) {
            size_t i = static_cast<size_t>(run * 3 + role);
            return i < parts.size() ? parts[i] : std::string_view();
        };
        const std::string stem = "d" + std::to_string(run);
        const std::string geometry = stem + ".gplt";
        const std::string labels = stem + ".yaz";
        files.put(geometry, part(0));
        files.put(labels, part(1));
        // A cancelled label dialog makes the companion ".yfn" of the current directory.
        files.remove(stem + ".yfn");
        files.remove(".yfn");
        if ((control & 16) == 0) {
            files.put(stem + ".yfn", part(2));
            files.put(".yfn", part(2));
        }
        const bool cancelOpen1 = run > 0 && (control & 4) != 0;
        const bool cancelOpen2 = run > 0 && (control & 8) != 0;
        ui.answerOpen(cancelOpen1 ? std::nullopt : std::optional<std::string>(geometry),
                      cancelOpen2 ? std::nullopt : std::optional<std::string>(labels));
        size_t firstMessage = ui.messages.size();
        RunOpenCommand(session, ui);
        CheckImport(session, ui, firstMessage);
        CheckExport(session, ui, (control & 32) != 0 && run == imports - 1);
    }
    return 0;
}
