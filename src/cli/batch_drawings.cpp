#include "cli/batch_drawings.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "cli/commands.h"
#include "model/export_kinds.h"
#include "model/file_names.h"
#include "model/output_formats.h"
#include "platform/program.h"

namespace plotaktar::cli {

namespace fs = std::filesystem;

namespace {

bool IsGeometryName(const fs::path& path) {
    const std::string extension = path.extension().string();
    return extension == ".gplt" || extension == ".GPLT";
}

// Where a drawing named by itself goes under OUTDIR.
fs::path MirroredPlace(const std::string& path) {
    const fs::path normal = fs::path(path).lexically_normal();
    if (normal.is_absolute() || normal.empty() || *normal.begin() == "..") {
        return normal.filename();
    }
    return normal;
}

// The output of a drawing: its name with the command's extension, under OUTDIR or beside it.
std::string OutputOf(const BatchArgs& args, const std::string& geometry, const fs::path& place) {
    if (args.command == BatchArgs::Command::Check) {
        return {};
    }
    std::string name = DefaultOutputName(
        args.outputFolder ? (fs::path(*args.outputFolder) / place).string() : geometry);
    if (args.command == BatchArgs::Command::Export) {
        name.resize(name.size() - 3);  // "plt"
        name += args.format;
    }
    return name;
}

// The files that make up `output`: a Shapefile target is written as one set a kind, each with
// its style.
std::vector<std::string> WrittenFiles(const std::string& output) {
    const OutputFormatInfo* format = OutputFormatForPath(output);
    if (format == nullptr || format->name != "shp") {
        return {output};
    }
    std::vector<std::string> files;
    for (const ExportKindEntry& kind : kExportKindRows) {
        const std::string set = ShapefileSetPath(output, kind);
        files.push_back(set);
        // The set's QGIS style, written with it: a set without it is written again.
        files.push_back(set.substr(0, set.size() - std::string_view(".shp").size()) + ".qml");
    }
    return files;
}

// True when every file of the drawing's output exists and was written after every input file
// that exists.
bool NewerThanInputs(const BatchDrawing& drawing, const std::vector<std::string>& files) {
    std::error_code ec;
    fs::file_time_type written = fs::file_time_type::max();
    for (const std::string& file : files) {
        const fs::file_time_type time = fs::last_write_time(file, ec);
        if (ec || !fs::is_regular_file(file, ec)) {
            return false;
        }
        written = std::min(written, time);
    }
    for (const std::string& input : {drawing.geometry, drawing.labels, drawing.companion}) {
        if (input.empty()) {
            continue;
        }
        const fs::file_time_type changed = fs::last_write_time(input, ec);
        if (!ec && changed >= written) {
            return false;
        }
    }
    return true;
}

// Every geometry file under `root` with its place under it, and every folder or geometry file
// under it that cannot be read, with why, so that nothing under a given path is passed over
// unsaid. Links to folders are not followed, as a recursive listing does not.
struct Found {
    std::string geometry;
    fs::path place;
    std::string problem;
};

void FindUnder(const std::string& root, std::vector<Found>& found) {
    std::vector<Found> under;
    std::vector<fs::path> folders = {fs::path(root)};
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            // The entry's own type as the listing gave it: no question to the file system for
            // each of an archive's thousands of files (one only where the listing gives none).
            std::error_code entryError;
            const bool isFolder = !it->is_symlink(entryError) && !entryError &&
                                  it->is_directory(entryError) && !entryError;
            if (isFolder) {
                folders.push_back(it->path());
            } else if (IsGeometryName(it->path())) {
                if (it->is_regular_file(entryError)) {
                    under.push_back({it->path().string(), it->path().lexically_relative(root), {}});
                } else if (entryError || !fs::is_directory(it->status(entryError))) {
                    under.push_back(
                        {it->path().string(), it->path().lexically_relative(root),
                         entryError ? entryError.message() : std::string("not a regular file")});
                }
            }
        }
        if (ec) {
            under.push_back({folder.string(), folder.lexically_relative(root),
                             ec.message() + " (a folder that cannot be read; its drawings are "
                                            "not found)"});
        }
    }
    std::sort(under.begin(), under.end(),
              [](const Found& a, const Found& b) { return a.geometry < b.geometry; });
    found.insert(found.end(), under.begin(), under.end());
}

// What the file system says of one drawing: whether it exists, its label file and companion,
// its inputs' size, and (without --force) whether its output is newer than its inputs. Touches
// nothing but `drawing`, so that drawings can be looked at on several threads.
void LookAt(const BatchArgs& args, BatchDrawing& drawing, bool& newer) {
    std::error_code ec;
    if (!fs::exists(drawing.geometry, ec)) {
        drawing.problem = "No such file or directory";
        return;
    }
    if (!args.noLabels) {
        drawing.labels = LabelFileBeside(drawing.geometry, &drawing.severalLabelFiles);
        drawing.noLabelFile = drawing.labels.empty() && drawing.severalLabelFiles.empty();
    }
    drawing.companion =
        drawing.labels.empty() ? std::string() : CompanionFileBeside(drawing.labels);
    for (const std::string& input : {drawing.geometry, drawing.labels, drawing.companion}) {
        const uintmax_t size = input.empty() ? 0 : fs::file_size(input, ec);
        drawing.inputBytes += ec ? 0 : size;
    }
    newer = !drawing.output.empty() && !args.force &&
            NewerThanInputs(drawing, WrittenFiles(drawing.output));
}

// LookAt for every drawing without a problem, on as many threads as the batch has workers: an
// archive of thousands of drawings asks the file system a few questions a drawing, and nothing
// else can start before the answers are in.
void LookAtAll(const BatchArgs& args, std::vector<BatchDrawing>& drawings,
               std::vector<char>& newer) {
    newer.assign(drawings.size(), 0);
    std::atomic<size_t> next{0};
    // The first failure (out of memory) ends every thread's looking and reaches the caller.
    std::mutex failedMutex;
    std::exception_ptr failed;
    auto work = [&] {
        try {
            for (size_t i; (i = next.fetch_add(1)) < drawings.size();) {
                if (drawings[i].problem.empty()) {
                    bool isNewer = false;
                    LookAt(args, drawings[i], isNewer);
                    newer[i] = isNewer;
                }
            }
        } catch (...) {
            next = drawings.size();
            std::lock_guard lock(failedMutex);
            if (!failed) {
                failed = std::current_exception();
            }
        }
    };
    // A thread a hundred drawings at most: starting one costs more than a few questions.
    const size_t wanted =
        std::min<size_t>(args.jobs > 0 ? static_cast<size_t>(args.jobs) : platform::UsableCores(),
                         drawings.size() / 100);
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < wanted; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // this thread looks at what the others leave
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (failed) {
        std::rethrow_exception(failed);
    }
}

}  // namespace

std::vector<BatchDrawing> FindDrawings(const BatchArgs& args,
                                       const std::vector<std::string>& paths) {
    std::vector<Found> found;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            FindUnder(path, found);
        } else {
            found.push_back({path, MirroredPlace(path), {}});
        }
    }

    std::vector<BatchDrawing> drawings;
    std::set<std::string> seen;
    for (const auto& [geometry, place, problem] : found) {
        if (!seen.insert(fs::path(geometry).lexically_normal().string()).second) {
            continue;
        }
        BatchDrawing drawing;
        drawing.geometry = geometry;
        drawing.problem = problem;
        if (problem.empty()) {
            drawing.output = OutputOf(args, geometry, place);
        }
        drawings.push_back(std::move(drawing));
    }
    std::vector<char> newer;
    LookAtAll(args, drawings, newer);

    std::map<std::string, std::string> outputs;  // output -> the drawing that writes it
    for (size_t i = 0; i < drawings.size(); ++i) {
        BatchDrawing& drawing = drawings[i];
        if (drawing.output.empty()) {
            continue;
        }
        auto [it, inserted] = outputs.emplace(drawing.output, drawing.geometry);
        if (!inserted && drawing.problem.empty()) {
            drawing.problem = "its output " + MessageName(drawing.output) + " is also that of " +
                              MessageName(it->second) + "; not converted";
        }
        if (drawing.problem.empty() && newer[i]) {
            // A Shapefile's sets are named together.
            const std::string written =
                WrittenFiles(drawing.output).size() == 1
                    ? MessageName(drawing.output) + " is"
                    : MessageName(fs::path(drawing.output).replace_extension().string()) +
                          "-*.shp are";
            drawing.skipped = written + " newer than its inputs (--force runs it)";
        }
    }
    return drawings;
}

std::vector<std::string> ReadPaths(std::FILE* in, bool nulSeparated) {
    std::vector<std::string> paths;
    std::string path;
    const int end = nulSeparated ? '\0' : '\n';
    for (int c; (c = std::fgetc(in)) != EOF;) {
        if (c == end) {
            if (!path.empty()) {
                paths.push_back(std::move(path));
            }
            path.clear();
        } else {
            path += static_cast<char>(c);
        }
    }
    if (!path.empty()) {
        paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace plotaktar::cli
