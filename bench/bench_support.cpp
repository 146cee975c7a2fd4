#include "bench_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace plotaktar::bench {

namespace {

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    return static_cast<uint64_t>(st.st_size);
}

}  // namespace

Drawing::Drawing(const std::string& base)
    : geometry(base + ".gplt"), labels(base + ".yaz"), companion(base + ".yfn") {
    inputBytes = FileSize(geometry) + FileSize(labels) + FileSize(companion);
    std::string bytes = ReadWholeFile(geometry);
    geometryLines = static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), '\r'));
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

namespace {

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

}  // namespace

Stopwatch::Stopwatch() : wall_(std::chrono::steady_clock::now()), cpuMs_(ProcessCpuMs()) {}

Timing Stopwatch::elapsed() const {
    return {Milliseconds(std::chrono::steady_clock::now() - wall_), ProcessCpuMs() - cpuMs_};
}

Timing MedianTiming(const std::vector<Timing>& runs) {
    std::vector<double> wall, cpu;
    for (const Timing& t : runs) {
        wall.push_back(t.wallMs);
        cpu.push_back(t.cpuMs);
    }
    return {MedianOf(wall), MedianOf(cpu)};
}

double MedianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

ScratchDir::ScratchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "plotaktar-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(path + ": cannot be read");
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string MachineText() {
    std::string model = "unknown processor";
    std::ifstream cpu("/proc/cpuinfo");
    for (std::string line; std::getline(cpu, line);) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ifstream memory("/proc/meminfo");
    std::string key;
    double kib = 0;
    memory >> key >> kib;
    std::string system;
    std::ifstream release("/etc/os-release");
    for (std::string line; std::getline(release, line);) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            system = line.substr(13, line.size() - 14);
        }
    }
    char text[512];
    std::snprintf(text, sizeof text, "Machine: %s, %u cores, %.1f GiB, %s; load average now %s",
                  model.c_str(), std::thread::hardware_concurrency(), kib / (1024.0 * 1024.0),
                  system.c_str(), LoadAverage().c_str());
    return text;
}

}  // namespace plotaktar::bench
