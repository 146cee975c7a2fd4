#include "bench_table.h"

#include <cstdio>
#include <stdexcept>

namespace plotaktar::bench {

namespace {

// The command with its placeholders filled; nothing when one of them has no value.
bool Expand(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& values, std::vector<std::string>& args) {
    args.clear();
    for (std::string arg : command) {
        for (size_t open = arg.find('{'); open != std::string::npos; open = arg.find('{', open)) {
            const size_t close = arg.find('}', open);
            if (close == std::string::npos) {
                break;
            }
            auto value = values.find(arg.substr(open + 1, close - open - 1));
            if (value == values.end()) {
                ++open;  // a brace of the command's own ("${f%/*}")
                continue;
            }
            if (value->second.empty()) {
                return false;
            }
            arg.replace(open, close + 1 - open, value->second);
            open += value->second.size();
        }
        args.push_back(std::move(arg));
    }
    return true;
}

// The folder of the built GDAL read driver, for GDAL_DRIVER_PATH; none without it.
#ifdef PLOTAKTAR_GDAL_PLUGIN_DIR
constexpr const char* kGdalPlugins = PLOTAKTAR_GDAL_PLUGIN_DIR;
#else
constexpr const char* kGdalPlugins = "";
#endif

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A time in milliseconds (tenths below ten), or in seconds from ten seconds on.
std::string TimeText(double ms) {
    return ms >= 10000 ? Format("%.1f s", ms / 1000) : Format(ms < 10 ? "%.1f ms" : "%.0f ms", ms);
}

}  // namespace

void RunCommandRows(const Drawing& drawing, const std::string& cli, const std::string& scratch,
                    const std::string& archive, ProcessRunner& runner, int runs,
                    Measurements& figures) {
    const std::map<std::string, std::string> values = {
        {"cli", cli},         {"geometry", drawing.geometry}, {"labels", drawing.labels},
        {"scratch", scratch}, {"archive", archive},           {"gdal_plugins", kGdalPlugins}};
    const std::string log = scratch + "/row.log";
    std::vector<std::string> args;
    for (const Row& row : TableRows()) {
        if (row.command.empty() || !Expand(row.command, values, args)) {
            continue;
        }
        std::vector<Timing> times;
        std::vector<double> peaks;
        for (int i = 0; i < runs; ++i) {
            const ProcessRun run = runner.run(args, log);
            if (run.exitStatus != 0) {
                throw std::runtime_error(std::string(row.label) + ": " + args[0] + " exited with " +
                                         std::to_string(run.exitStatus) + ":\n" +
                                         ReadWholeFile(log));
            }
            times.push_back(run.time);
            peaks.push_back(run.peakResidentMiB);
        }
        figures.set(std::string(row.figure), MedianTiming(times), MedianOf(peaks));
    }
}

std::string TableText(const Measurements& figures, double inputMiB) {
    std::string text =
        "| | time | peak memory | ratio | target | peer |\n|---|---|---|---|---|---|\n";
    for (const Row& row : TableRows()) {
        const Measured* shown = figures.find(row.figure);
        if (shown == nullptr) {
            continue;
        }
        std::string peak, ratio, peer(row.peer);
        if (shown->peakMiB > 0) {
            peak = Format("%.1f MiB", shown->peakMiB) +
                   Format(" (%.2f × ",
                          shown->peakMiB / (shown->inputMiB > 0 ? shown->inputMiB : inputMiB)) +
                   shown->inputName + ")";
        }
        if (const Measured* base = row.base.empty() ? nullptr : figures.find(row.base)) {
            ratio =
                Format("%.2f × ", shown->time.wallMs / base->time.wallMs) + std::string(row.base);
            // On a busy machine the CPU times tell more than the wall times.
            if (shown->time.cpuMs > 0 && base->time.cpuMs > 0) {
                ratio += Format(" (CPU: %.2f ×)", shown->time.cpuMs / base->time.cpuMs);
            }
        }
        if (const Measured* other = row.peer.empty() ? nullptr : figures.find(row.peer)) {
            peer = std::string(row.peer) + ": " + TimeText(other->time.wallMs);
        }
        text += "| " + std::string(row.label) + " | " + TimeText(shown->time.wallMs) + " | " +
                peak + " | " + ratio + " | " + std::string(row.target) + " | " + peer + " |\n";
    }
    return text;
}

}  // namespace plotaktar::bench
