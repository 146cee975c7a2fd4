#include "cli/batch.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "cli/batch_child.h"
#include "cli/batch_drawings.h"
#include "cli/check_glance.h"
#include "cli/commands.h"
#include "cli/helper_launch.h"
#include "cli/session_ui.h"
#include "cli/state_dump.h"
#include "model/errors.h"
#include "model/message_text.h"
#include "model/messages.h"
#include "model/output_files.h"
#include "model/run_files.h"
#include "model/second_thread.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/large_pages.h"
#include "platform/program.h"
#include "platform/replacing_file.h"
#include "platform/stop_signals.h"

namespace plotaktar::cli {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The signal that first asked the batch to stop (SIGINT, SIGTERM, SIGHUP), 0 while none has.
std::atomic<int> gStopSignal{0};
// How hard the batch was asked to stop: see StopRequests.
std::atomic<int> gStopLevel{0};

bool StopAsked() {
    return gStopLevel.load() != 0;
}

int StopLevel() {
    return gStopLevel.load();
}

// While the batch runs, the first Ctrl+C stops starting drawings and lets the running ones
// finish; SIGTERM, SIGHUP or a second Ctrl+C also ends the running commands of export and
// check (their process groups get SIGTERM, and each cleans up after itself); one more ends the
// batch at once, its temporaries removed. `convert`, which runs no commands, finishes its
// running drawings (a moment each) on the first signal of any kind and ends at the second.
class StopRequests {
  public:
    explicit StopRequests(bool runsCommands)
        : handler_([runsCommands](int signal) {
              int expected = 0;
              gStopSignal.compare_exchange_strong(expected, signal);
              const int level = gStopLevel.load();
              if (level >= (runsCommands ? kStopChildren : kStopStarting)) {
                  return false;
              }
              gStopLevel.store(signal == SIGINT && level == 0 ? kStopStarting : kStopChildren);
              return true;
          }) {
        gStopSignal.store(0);
        gStopLevel.store(0);
    }

  private:
    platform::StopSignalHandler handler_;
};

enum class Status { Ok, Skipped, Failed, Findings, NotRun };

const char* StatusWord(Status status) {
    switch (status) {
        case Status::Ok:
            return "ok";
        case Status::Skipped:
            return "skipped";
        case Status::Findings:
            return "findings";
        case Status::NotRun:
            return "interrupted";
        case Status::Failed:
            break;
    }
    return "failed";
}

struct RecordFailure {
    uint64_t line;
    std::string word;  // windows-1254
};

// What one drawing came to.
struct DrawingResult {
    Status status = Status::Failed;
    bool outOfMemory = false;
    bool triedAlone = false;
    uint64_t records = 0;
    std::string counts;
    std::string messages;  // what the command said on standard error, as `convert` says it
    std::vector<RecordFailure> failures;
    std::string findings;  // check's standard output
    double seconds = 0;
};

// What a run writes on its standard error, collected in memory.
class MessageBuffer {
  public:
    MessageBuffer() : file_(open_memstream(&data_, &size_)) {
        if (file_ == nullptr) {
            throw std::bad_alloc();
        }
    }
    ~MessageBuffer() {
        std::fclose(file_);
        std::free(data_);
    }
    MessageBuffer(const MessageBuffer&) = delete;
    MessageBuffer& operator=(const MessageBuffer&) = delete;

    std::FILE* file() { return file_; }
    std::string text() {
        std::fflush(file_);
        return {data_, size_};
    }

  private:
    char* data_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

// `convert`'s observer that also keeps every failing record for the report.
class BatchObserver : public ConvertObserver {
  public:
    BatchObserver(const std::string& geometry, std::FILE* err, std::vector<RecordFailure>& failures)
        : ConvertObserver(geometry, err), failures_(failures) {}
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        failures_.push_back({lineNumber, std::string(word)});
        ConvertObserver::recordFailed(word, lineNumber);
    }

  private:
    std::vector<RecordFailure>& failures_;
};

void AppendJsonPath(std::string& json, const std::string& path) {
    if (path.empty()) {
        json += "null";
    } else {
        // A name in windows-1254 bytes is decoded, as messages show it.
        AppendJsonString(json, FileNameText(path));
    }
}

// A JSON text as one line: line breaks between its tokens become blanks (inside its strings
// they are escaped already).
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

std::string ReportLine(const BatchDrawing& drawing, const DrawingResult& result, bool check) {
    std::string json = "{\"geometry\":";
    AppendJsonPath(json, drawing.geometry);
    json += ",\"labels\":";
    AppendJsonPath(json, drawing.labels);
    json += ",\"companion\":";
    AppendJsonPath(json, drawing.companion);
    json += ",\"output\":";
    AppendJsonPath(json, drawing.output);
    json += ",\"status\":\"";
    json += StatusWord(result.status);
    json += "\",\"records\":" + std::to_string(result.records);
    json += ",\"counts\":";
    AppendJsonString(json, result.counts);
    json += ",\"failures\":[";
    for (size_t i = 0; i < result.failures.size(); ++i) {
        json += i == 0 ? "{\"line\":" : ",{\"line\":";
        json += std::to_string(result.failures[i].line) + ",\"word\":\"";
        AppendJsonStringBody(json, result.failures[i].word);
        json += "\"}";
    }
    json += "],\"messages\":[";
    std::string_view messages = result.messages;
    for (bool first = true; !messages.empty(); first = false) {
        const size_t end = messages.find('\n');
        json += first ? "" : ",";
        AppendJsonString(json, messages.substr(0, end));
        messages.remove_prefix(end == std::string_view::npos ? messages.size() : end + 1);
    }
    json += "]";
    if (check) {
        const std::string findings = OneLine(result.findings);
        if (!findings.empty() && findings.front() == '{' && findings.back() == '}') {
            json += ",\"findings\":" + findings;
        } else if (!findings.empty()) {
            json += ",\"check_output\":";
            AppendJsonString(json, result.findings);
        }
    }
    if (result.triedAlone) {
        json += ",\"tried_alone\":true";
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", result.seconds);
    json += ",\"seconds\":";
    json += seconds;
    json += "}\n";
    return json;
}

std::string Grouped(uint64_t n) {
    std::string digits = std::to_string(n);
    for (size_t i = digits.size(); i > 3; i -= 3) {
        digits.insert(i - 3, ",");
    }
    return digits;
}

// A written plot file on its way into place, with the drawing it belongs to.
struct Placing {
    size_t index;
    DrawingResult result;
    std::unique_ptr<PlotFileOutput> file;
    Clock::time_point started;
};

// Threads that sync and rename the written files.
constexpr int kPlacers = 4;

// Files waiting to be placed at most; a worker that finds the queue full waits, so open
// files stay few.
constexpr size_t kMostWaitingFiles = 64;
// The findings of a drawing shown on a terminal; the report holds all of them.
constexpr size_t kFindingsShown = 3;

// Where --report goes. A regular file (or a new one) is written into a temporary beside it and
// put in place only once complete, so that a report cut short (a full disk) leaves the old one
// as it was; a device or a pipe takes each line as its drawing ends.
class ReportSink {
  public:
    // Throws FileError when the report cannot be begun.
    explicit ReportSink(const std::string& path) {
        if (platform::NonFileKind(path).empty()) {
            file_ = std::make_unique<platform::ReplacingFile>(path);
            return;
        }
        stream_.reset(platform::OpenForWriting(path));
        if (!stream_) {
            throw FileError(std::strerror(errno), errno);
        }
    }

    // A line that cannot be written is kept in mind: the report is then incomplete.
    void write(std::string_view line) {
        if (error_ != 0) {
            return;
        }
        if (file_) {
            try {
                file_->write(line);
            } catch (const FileError& e) {
                error_ = e.errorNumber();
            }
        } else if (std::fwrite(line.data(), 1, line.size(), stream_.get()) != line.size() ||
                   std::fflush(stream_.get()) != 0) {
            error_ = errno != 0 ? errno : EIO;
        }
    }

    // Puts the report in place; the system's error of the first failure, 0 when it is complete.
    int close() {
        if (file_) {
            try {
                if (error_ == 0) {
                    file_->commit();
                }
            } catch (const FileError& e) {
                error_ = e.errorNumber();
            }
            file_.reset();
        } else if (stream_) {
            if (std::fclose(stream_.release()) != 0 && error_ == 0) {
                error_ = errno;
            }
        }
        return error_;
    }

  private:
    std::unique_ptr<platform::ReplacingFile> file_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream_{nullptr, std::fclose};
    int error_ = 0;
};

class Batch {
  public:
    Batch(const BatchArgs& args, std::vector<BatchDrawing> drawings, std::FILE* out, std::FILE* err,
          ReportSink* report)
        : args_(args),
          drawings_(std::move(drawings)),
          out_(out),
          err_(err),
          report_(report),
          bar_(isatty(fileno(out)) && isatty(fileno(err))),
          own_(OwnExecutable()) {
        for (const BatchDrawing& drawing : drawings_) {
            totalBytes_ += drawing.inputBytes;
        }
    }

    int run();

  private:
    bool converting() const { return args_.command == BatchArgs::Command::Convert; }
    void work();
    void runOne(size_t index, bool alone);
    DrawingResult convert(const BatchDrawing& drawing, std::unique_ptr<PlotFileOutput>& unplaced);
    DrawingResult runCommand(const BatchDrawing& drawing);
    void placeAll();
    void place(Placing& placing);
    void finish(size_t index, DrawingResult result);
    void showProgress();
    int summarise();

    const BatchArgs& args_;
    std::vector<BatchDrawing> drawings_;
    std::FILE* out_;
    std::FILE* err_;
    ReportSink* report_;
    const bool bar_;
    const std::string own_;
    Clock::time_point start_ = Clock::now();

    std::vector<size_t> order_;  // the drawings to run, biggest first
    std::atomic<size_t> next_{0};
    std::vector<bool> finished_;

    std::mutex placingMutex_;
    std::condition_variable placingChanged_;
    std::deque<Placing> placing_;
    bool placingClosed_ = false;
    bool placeAtOnce_ = false;  // no placer thread: each worker places its own files

    std::mutex mutex_;  // what follows, and the output streams
    std::condition_variable progressed_;
    int workersRunning_ = 0;
    std::vector<size_t> retry_;
    std::vector<std::string> failedNames_;
    size_t done_ = 0, ok_ = 0, skipped_ = 0, failed_ = 0, findings_ = 0, withoutLabels_ = 0;
    uint64_t records_ = 0, bytesDone_ = 0, totalBytes_ = 0;
    bool barShown_ = false;
};

int Batch::run() {
    finished_.assign(drawings_.size(), false);
    for (size_t i = 0; i < drawings_.size(); ++i) {
        const BatchDrawing& drawing = drawings_[i];
        if (!drawing.problem.empty()) {
            DrawingResult result;
            result.messages =
                "plotaktar-cli: " + MessageName(drawing.geometry) + ": " + drawing.problem + "\n";
            finish(i, std::move(result));
        } else if (!drawing.skipped.empty()) {
            DrawingResult result;
            result.status = Status::Skipped;
            finish(i, std::move(result));
        } else {
            order_.push_back(i);
        }
    }
    // The biggest first, so that the last drawings to start are small and no worker is left
    // alone with a big one at the end.
    std::stable_sort(order_.begin(), order_.end(), [&](size_t a, size_t b) {
        return drawings_[a].inputBytes > drawings_[b].inputBytes;
    });
    unsigned jobs = args_.jobs > 0 ? static_cast<unsigned>(args_.jobs) : platform::UsableCores();
    jobs = std::max<unsigned>(1, std::min<size_t>(jobs, order_.size()));

    // Threads that cannot be started (an address-space limit) leave their work to others:
    // without placers each file is placed by its worker, without workers this thread converts.
    std::vector<std::thread> placers;
    for (int i = 0; converting() && i < kPlacers; ++i) {
        try {
            placers.emplace_back([this] { placeAll(); });
        } catch (const std::system_error&) {
            break;
        }
    }
    placeAtOnce_ = placers.empty();
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < jobs; ++i) {
        std::lock_guard lock(mutex_);
        try {
            workers.emplace_back([this] { work(); });
            ++workersRunning_;
        } catch (const std::system_error&) {
            break;
        }
    }
    if (workers.empty()) {
        workersRunning_ = 1;
        work();
    }
    {
        std::unique_lock lock(mutex_);
        while (workersRunning_ > 0) {
            progressed_.wait_for(lock, std::chrono::milliseconds(200));
            if (bar_) {
                showProgress();
            }
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    {
        std::lock_guard lock(placingMutex_);
        placingClosed_ = true;
    }
    placingChanged_.notify_all();
    for (std::thread& placer : placers) {
        placer.join();
    }
    // Drawings that ran out of memory beside others, once more with the machine to themselves.
    std::vector<size_t> retry;
    {
        std::lock_guard lock(mutex_);
        retry.swap(retry_);
    }
    for (size_t index : retry) {
        if (!StopAsked()) {
            runOne(index, true);
        }
    }
    return summarise();
}

void Batch::work() {
    for (;;) {
        const size_t slot = next_.fetch_add(1);
        if (slot >= order_.size() || StopAsked()) {
            break;
        }
        runOne(order_[slot], false);
    }
    std::lock_guard lock(mutex_);
    --workersRunning_;
    progressed_.notify_all();
}

void Batch::runOne(size_t index, bool alone) {
    const BatchDrawing& drawing = drawings_[index];
    const Clock::time_point started = Clock::now();
    std::unique_ptr<PlotFileOutput> unplaced;
    DrawingResult result;
    try {
        result = converting() ? convert(drawing, unplaced) : runCommand(drawing);
    } catch (const std::bad_alloc&) {
        result = DrawingResult();
        result.outOfMemory = true;
        result.messages = "plotaktar-cli: " + MessageName(drawing.geometry) + ": Out of memory.\n";
    }
    result.triedAlone = alone;
    if (result.outOfMemory && !alone) {
        std::lock_guard lock(mutex_);
        retry_.push_back(index);
        return;
    }
    if (unplaced) {
        Placing placing{index, std::move(result), std::move(unplaced), started};
        if (alone || placeAtOnce_) {
            place(placing);
            return;
        }
        std::unique_lock lock(placingMutex_);
        placingChanged_.wait(lock, [&] { return placing_.size() < kMostWaitingFiles; });
        placing_.push_back(std::move(placing));
        placingChanged_.notify_all();
        return;
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    finish(index, std::move(result));
}

DrawingResult Batch::convert(const BatchDrawing& drawing,
                             std::unique_ptr<PlotFileOutput>& unplaced) {
    DrawingResult result;
    MessageBuffer messages;
    std::error_code ec;
    const fs::path folder = fs::path(drawing.output).parent_path();
    if (args_.outputFolder && !folder.empty() && !fs::create_directories(folder, ec) && ec) {
        PrintProblem(messages.file(), folder.string(), ec.message());
    } else {
        if (!drawing.severalLabelFiles.empty()) {
            const std::string warning =
                SeveralLabelFilesText(drawing.geometry, drawing.severalLabelFiles);
            std::fwrite(warning.data(), 1, warning.size(), messages.file());
        }
        if (CheckConversionFiles(drawing.geometry, drawing.labels, drawing.output,
                                 messages.file())) {
            BatchObserver observer(drawing.geometry, messages.file(), result.failures);
            const Conversion done =
                ConvertFiles({drawing.geometry, drawing.labels, drawing.companion}, drawing.output,
                             observer, messages.file(), &unplaced);
            result.status = done.status == kExitOk ? Status::Ok : Status::Failed;
            result.outOfMemory = done.outOfMemory;
            result.records = done.records;
            result.counts = done.counts;
        }
    }
    result.messages = messages.text();
    return result;
}

DrawingResult Batch::runCommand(const BatchDrawing& drawing) {
    DrawingResult result;
    const bool check = args_.command == BatchArgs::Command::Check;
    std::vector<std::string> argv = {own_, BatchCommandName(args_.command)};
    if (args_.noLabels) {
        argv.push_back("--no-labels");
    }
    if (!check) {
        argv.push_back("-o");
        argv.push_back(drawing.output);
        std::error_code ec;
        const fs::path folder = fs::path(drawing.output).parent_path();
        if (args_.outputFolder && !folder.empty() && !fs::create_directories(folder, ec) && ec) {
            result.messages = "plotaktar-cli: " + folder.string() + ": " + ec.message() + "\n";
            return result;
        }
    }
    argv.insert(argv.end(), args_.commandOptions.begin(), args_.commandOptions.end());
    if (check && args_.format.empty()) {
        argv.push_back("--format");
        argv.push_back("json");
    }
    // After the options, so that a drawing named "-a.gplt" is a drawing, not an option.
    argv.push_back("--");
    argv.push_back(drawing.geometry);
    ChildRun run = RunChild(argv, StopLevel);
    result.messages = std::move(run.err);
    if (!run.started) {
        result.messages += "plotaktar-cli: cannot start " + own_ + " (" + run.cause + ")\n";
    } else if (run.signal != 0) {
        result.messages += "plotaktar-cli: " + MessageName(drawing.geometry) + ": " + argv[1] +
                           " ended abnormally (signal " + std::to_string(run.signal) + ", " +
                           strsignal(run.signal) + ")\n";
        result.outOfMemory = run.signal == SIGKILL;
    } else {
        result.status = run.status == kExitOk                  ? Status::Ok
                        : check && run.status == kExitFindings ? Status::Findings
                                                               : Status::Failed;
        result.outOfMemory = result.status == Status::Failed &&
                             result.messages.find(kOutOfMemoryMessage) != std::string::npos;
    }
    if (check) {
        result.findings = std::move(run.out);
    } else {
        result.messages += run.out;
    }
    return result;
}

// A placer: takes the written files one at a time, syncs each and renames it over its output,
// while the workers go on with the next drawings. Several placers sync at once, so that the
// file system commits their syncs together (on this machine 0.9 ms a file with four instead of
// 3.5 ms with one); each file is still renamed only once its own bytes are on disk.
void Batch::placeAll() {
    std::unique_lock lock(placingMutex_);
    for (;;) {
        placingChanged_.wait(lock, [&] { return !placing_.empty() || placingClosed_; });
        if (placing_.empty()) {
            return;
        }
        Placing placing = std::move(placing_.front());
        placing_.pop_front();
        placingChanged_.notify_all();
        lock.unlock();
        place(placing);
        placing.file.reset();
        lock.lock();
    }
}

void Batch::place(Placing& placing) {
    DrawingResult& result = placing.result;
    try {
        placing.file->commit();
    } catch (const std::exception& e) {
        const auto* fileError = dynamic_cast<const FileError*>(&e);
        const std::string& output = drawings_[placing.index].output;
        result.messages +=
            "plotaktar-cli: " + MessageName(output) + ": " +
            ExportProblem(MessageOf(e), fileError ? fileError->errorNumber() : 0, output) + "\n";
        result.status = Status::Failed;
    }
    placing.file.reset();
    result.seconds = std::chrono::duration<double>(Clock::now() - placing.started).count();
    finish(placing.index, std::move(result));
}

void Batch::finish(size_t index, DrawingResult result) {
    const BatchDrawing& drawing = drawings_[index];
    // Names as every message shows them: decoded when not UTF-8, control characters escaped.
    const std::string geometry = MessageName(drawing.geometry);
    std::string line = StatusWord(result.status);
    line += ' ';
    line += geometry;
    const std::optional<CheckGlance> glance =
        args_.command == BatchArgs::Command::Check && !result.findings.empty()
            ? GlanceAtCheck(result.findings, kFindingsShown)
            : std::nullopt;
    if (result.status == Status::Skipped) {
        line += ": " + drawing.skipped;
    } else {
        if (result.status == Status::Ok && !drawing.output.empty()) {
            line += " -> " + MessageName(drawing.output);
        }
        if (glance) {
            line += ": " + glance->summary;
        }
        char time[32];
        std::snprintf(time, sizeof time, "%.2f s", result.seconds);
        line += converting() && result.status == Status::Ok
                    ? " (" + Grouped(result.records) + " records, " + time + ")"
                    : std::string(" (") + time + ")";
    }
    line += '\n';
    // On a terminal, where the bar stands for these lines, a drawing with findings is named
    // with its counts and its first findings; the report keeps them all.
    std::string glimpse;
    if (bar_ && glance && glance->findings > 0) {
        glimpse = geometry + ": " + glance->summary + "\n";
        for (const std::string& finding : glance->first) {
            glimpse += "  " + finding + "\n";
        }
        if (glance->findings > glance->first.size()) {
            glimpse +=
                "  ... " + std::to_string(glance->findings - glance->first.size()) + " more\n";
        }
    }
    const std::string report =
        report_ ? ReportLine(drawing, result, args_.command == BatchArgs::Command::Check)
                : std::string();

    std::lock_guard lock(mutex_);
    finished_[index] = true;
    ++done_;
    // Drawings without label files are the usual case in some archives: counted, not named.
    withoutLabels_ +=
        drawing.noLabelFile && drawing.problem.empty() && result.status != Status::Skipped;
    bytesDone_ += drawing.inputBytes;
    records_ += result.records;
    switch (result.status) {
        case Status::Ok:
            ++ok_;
            break;
        case Status::Skipped:
            ++skipped_;
            break;
        case Status::Findings:
            ++findings_;
            failedNames_.push_back("error findings: " + geometry);
            break;
        case Status::Failed:
        case Status::NotRun:
            ++failed_;
            failedNames_.push_back("failed: " + geometry);
            break;
    }
    if (barShown_ && (!result.messages.empty() || !glimpse.empty())) {
        std::fputs("\r\033[K", err_);
        std::fflush(err_);
        barShown_ = false;
    }
    std::fwrite(result.messages.data(), 1, result.messages.size(), err_);
    if (!glimpse.empty()) {
        std::fflush(err_);
        std::fwrite(glimpse.data(), 1, glimpse.size(), out_);
        std::fflush(out_);
    }
    if (!bar_) {
        std::fwrite(line.data(), 1, line.size(), out_);
        std::fflush(out_);
    }
    if (report_) {
        report_->write(report);
    }
    progressed_.notify_all();
}

// "[######.......]  812/2000 drawings, 3 failed, 412,345 records/s, 0:31 left" on one line.
void Batch::showProgress() {
    constexpr int kWidth = 30;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    const size_t total = drawings_.size();
    const int filled = total == 0 ? kWidth : static_cast<int>(kWidth * done_ / total);
    std::string bar = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kWidth - filled), '.') + "] " +
                      std::to_string(done_) + "/" + std::to_string(total) + " drawings, " +
                      std::to_string(failed_) + " failed";
    if (elapsed > 0 && records_ > 0) {
        bar += ", " + Grouped(static_cast<uint64_t>(static_cast<double>(records_) / elapsed)) +
               " records/s";
    }
    if (bytesDone_ > 0 && totalBytes_ > bytesDone_) {
        const auto left =
            static_cast<uint64_t>(elapsed * static_cast<double>(totalBytes_ - bytesDone_) /
                                  static_cast<double>(bytesDone_));
        char time[32];
        std::snprintf(time, sizeof time, ", %llu:%02llu left",
                      static_cast<unsigned long long>(left / 60),
                      static_cast<unsigned long long>(left % 60));
        bar += time;
    }
    bar += "\033[K";
    std::fputs(bar.c_str(), err_);
    std::fflush(err_);
    barShown_ = true;
}

int Batch::summarise() {
    size_t notRun = 0;
    for (size_t i = 0; i < drawings_.size(); ++i) {
        if (!finished_[i]) {
            ++notRun;
            if (report_) {
                DrawingResult result;
                result.status = Status::NotRun;
                report_->write(
                    ReportLine(drawings_[i], result, args_.command == BatchArgs::Command::Check));
            }
        }
    }
    if (bar_ && barShown_) {
        showProgress();
        std::fputs("\n", err_);
    }
    for (const std::string& name : failedNames_) {
        std::fprintf(err_, "plotaktar-cli: %s\n", name.c_str());
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    std::string summary = std::string("batch ") + BatchCommandName(args_.command) + ": " +
                          std::to_string(drawings_.size()) +
                          (drawings_.size() == 1 ? " drawing, " : " drawings, ") +
                          std::to_string(ok_) + " ok, " + std::to_string(skipped_) + " skipped, " +
                          std::to_string(failed_) + " failed";
    if (args_.command == BatchArgs::Command::Check) {
        summary += ", " + std::to_string(findings_) + " with error findings";
    }
    if (withoutLabels_ > 0) {
        summary += ", " + std::to_string(withoutLabels_) + " without label files";
    }
    if (notRun > 0) {
        summary += ", " + std::to_string(notRun) + " not run (interrupted)";
    }
    char time[64];
    std::snprintf(time, sizeof time, " in %.2f s", elapsed);
    summary += time;
    if (records_ > 0 && elapsed > 0) {
        summary += " (" + Grouped(records_) + " records, " +
                   Grouped(static_cast<uint64_t>(static_cast<double>(records_) / elapsed)) +
                   " records/s)";
    }
    summary += "\n";
    std::fwrite(summary.data(), 1, summary.size(), out_);
    if (StopAsked()) {
        return 128 + gStopSignal.load();
    }
    if (failed_ > 0) {
        return kExitFailed;
    }
    return findings_ > 0 ? kExitFindings : kExitOk;
}

// An OUTDIR that cannot take files stops the batch before anything runs.
bool OutputFolderUsable(const std::string& folder, std::FILE* err) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!ec && !fs::is_directory(folder, ec)) {
        ec = std::make_error_code(std::errc::not_a_directory);
    }
    if (!ec && access(folder.c_str(), W_OK | X_OK) != 0) {
        ec = std::error_code(errno, std::generic_category());
    }
    if (ec) {
        PrintProblem(err, folder, "cannot hold the outputs (" + ec.message() + ")");
        return false;
    }
    return true;
}

// Every file the drawings that will run write: their outputs, each file of a Shapefile's sets.
std::vector<std::string> OutputsOfRun(const BatchArgs& args,
                                      const std::vector<BatchDrawing>& drawings) {
    std::vector<std::string> outputs;
    const OutputFormatInfo* format =
        args.command == BatchArgs::Command::Export ? OutputFormatNamed(args.format) : nullptr;
    for (const BatchDrawing& drawing : drawings) {
        if (drawing.output.empty() || !drawing.problem.empty() || !drawing.skipped.empty()) {
            continue;
        }
        if (format != nullptr) {
            const std::vector<std::string> files = FilesWritten(*format, drawing.output);
            outputs.insert(outputs.end(), files.begin(), files.end());
        } else {
            outputs.push_back(drawing.output);
        }
    }
    return outputs;
}

// Before anything is written: no output of the run (the report included) is an input of any
// drawing, and the report is none of the outputs, which would replace it or be written into.
bool FilesOfRunUsable(const BatchArgs& args, const std::vector<BatchDrawing>& drawings,
                      std::FILE* err) {
    const std::vector<std::string> outputs = OutputsOfRun(args, drawings);
    RunFiles files;
    for (const BatchDrawing& drawing : drawings) {
        files.addInput(drawing.geometry);
        files.addInput(drawing.labels);
        files.addInput(drawing.companion);
    }
    files.addOutputs(outputs);
    if (args.report) {
        files.addOutput(*args.report);
    }
    if (!NoOutputIsInput(files, err)) {
        return false;
    }
    if (!args.report) {
        return true;
    }
    // Compared as the places they name; only outputs of the report's file name can be it.
    std::error_code ec;
    const fs::path report = fs::weakly_canonical(*args.report, ec);
    const fs::path name = fs::path(*args.report).filename();
    for (const std::string& output : outputs) {
        std::error_code outputError;
        if (!ec && fs::path(output).filename() == name &&
            fs::weakly_canonical(output, outputError) == report && !outputError) {
            PrintProblem(err, *args.report, "is also an output of this batch; not written");
            return false;
        }
    }
    return true;
}

// Export's coordinate systems, checked once before any drawing: a system every drawing would
// refuse (unknown to PROJ, or of a kind an export cannot use) stops the batch at its first
// refusal, with nothing opened.
bool ExportSystemsUsable(const BatchArgs& args, std::FILE* err) {
    if (args.command != BatchArgs::Command::Export) {
        return true;
    }
    std::vector<std::string> argv = {OwnExecutable(), "export", "--systems-only"};
    argv.insert(argv.end(), args.commandOptions.begin(), args.commandOptions.end());
    ChildRun run = RunChild(argv, [] { return 0; });
    if (!run.started) {
        // Each drawing's run says why it cannot start.
        return true;
    }
    // Only a refusal stops the batch: a check that could not run (out of memory, killed)
    // leaves the systems to each drawing's run, which tries again alone when memory ran out.
    if (run.signal != 0 || run.status != kExitUsage) {
        return true;
    }
    std::fwrite(run.err.data(), 1, run.err.size(), err);
    return false;
}

// The helper every drawing's run would start, found before the first drawing: a missing
// installation is said once, as a single command says it, not once a drawing.
bool HelperOfRunInstalled(const BatchArgs& args, std::FILE* err) {
    std::optional<HelperProgram> helper;
#ifdef PLOTAKTAR_EXPORT_FROM_BINDIR
    if (args.command == BatchArgs::Command::Export) {
        helper = ExportHelper();
    }
#endif
#ifdef PLOTAKTAR_CHECK_FROM_BINDIR
    if (args.command == BatchArgs::Command::Check) {
        helper = CheckHelper();
    }
#endif
    if (!helper) {
        return true;
    }
    const std::string line = HelperCannotStart(*helper);
    std::fwrite(line.data(), 1, line.size(), err);
    return line.empty();
}

}  // namespace

int RunBatch(const BatchArgs& args, std::FILE* in, std::FILE* out, std::FILE* err) {
    if (!HelperOfRunInstalled(args, err) || !ExportSystemsUsable(args, err)) {
        return kExitUsage;
    }
    std::vector<std::string> paths = args.paths;
    if (args.fromStandardInput) {
        std::vector<std::string> read = ReadPaths(in, args.nulSeparated);
        paths.insert(paths.end(), read.begin(), read.end());
    }
    // Every drawing of the run is found before anything is written, and the files it will
    // write compared with its inputs and with each other.
    std::vector<BatchDrawing> drawings = FindDrawings(args, paths);
    if (!FilesOfRunUsable(args, drawings, err)) {
        return kExitUsage;
    }
    if (args.outputFolder && !OutputFolderUsable(*args.outputFolder, err)) {
        return kExitUsage;
    }
    std::unique_ptr<ReportSink> report;
    if (args.report) {
        try {
            report = std::make_unique<ReportSink>(*args.report);
        } catch (const FileError& e) {
            PrintProblem(err, *args.report,
                         platform::WriteFailureText(e.message(), e.errorNumber(), *args.report));
            return kExitUsage;
        }
    }
    StopRequests stopRequests(args.command != BatchArgs::Command::Convert);
    // The workers are what uses the cores: each drawing is converted on its worker's thread
    // alone, so that -j N means N threads converting.
    AllowSecondThread(false);
    // Each drawing's file pages and tables are taken from the heap and given back to it: an
    // unmapping interrupts the other workers' cores to flush their address translations (about
    // a third of the batch's system time; more with more workers).
    platform::KeepFreedBuffers();
    Batch batch(args, std::move(drawings), out, err, report.get());
    int status = batch.run();
    if (report) {
        if (const int error = report->close(); error != 0) {
            PrintProblem(err, *args.report,
                         std::string("the report could not be written completely (") +
                             std::strerror(error) + ")" +
                             (platform::IsExistingRegularFile(*args.report)
                                  ? "; " + *args.report + " left as it was"
                                  : std::string()));
            status = kExitUsage;
        }
    }
    return status;
}

}  // namespace plotaktar::cli
