// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/monitor_log.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace zm::monitor {

std::string IsoTime(WallTime time) {
    using namespace std::chrono;
    const auto ms = floor<milliseconds>(time);
    const auto day = floor<days>(ms);
    const year_month_day date{day};
    const hh_mm_ss clock{ms - day};
    char text[32];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::array<CoreValue, kDisplayCores> CoreValues(const TickSample& sample, int coreCount) {
    std::array<CoreValue, kDisplayCores> values{};
    for (int group = 0; group < kCoreGroups; ++group) {
        const int core = GroupCore(group, coreCount);
        if (core < 0 || core >= coreCount || core >= kDisplayCores) continue;
        values[core] = {sample.groupUsage[group], sample.groupTemp[group]};
    }
    return values;
}

namespace {

int LoggedCores(int coreCount) {
    return coreCount < 1 ? 1 : coreCount > kDisplayCores ? kDisplayCores : coreCount;
}

std::string ErrorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// One line onto the end of the file. The file is opened for each row and never created here,
// so a file or folder removed under the log shows up as an error instead of a fresh file
// without a header, and a full drive shows up when the line is flushed or the file closed.
std::string AppendLine(const std::filesystem::path& file, const std::string& line) {
    std::FILE* f = std::fopen(file.string().c_str(), "r+b");
    if (!f) return ErrorText(errno);
    // A pipe or a terminal (`--csv /dev/stdout | gzip`) has no end to seek to: it is written
    // where it stands.
    bool ok = std::fseek(f, 0, SEEK_END) == 0 || errno == ESPIPE;
    ok = ok && std::fwrite(line.data(), 1, line.size(), f) == line.size() && std::fflush(f) == 0;
    int error = ok ? 0 : errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        error = errno;
    }
    return ok ? std::string() : ErrorText(error != 0 ? error : EIO);
}

}  // namespace

std::string LogHeader(int coreCount) {
    std::string header = "time (ISO 8601 UTC),usage (%),highest temperature (°C)";
    for (int core = 0; core < LoggedCores(coreCount); ++core) {
        const std::string name = "core " + std::to_string(core);
        header += "," + name + " usage (%)," + name + " temperature (°C)";
    }
    header +=
        ",CPU clock (MHz),RAM clock (MHz),used memory (MB),memory load (%),page file use (%)\n";
    return header;
}

std::string LogRow(WallTime time, const TickSample& s, int coreCount) {
    std::string row = IsoTime(time);
    auto add = [&row](long long value) {
        row += ',';
        row += std::to_string(value);
    };
    add(s.averageUsage);
    add(s.highestTemp);
    const auto cores = CoreValues(s, coreCount);
    for (int core = 0; core < LoggedCores(coreCount); ++core) {
        add(cores[core].usage);
        add(cores[core].temperature);
    }
    add(s.cpuMhz);
    add(s.memoryMhz);
    add(s.usedMb);
    add(s.memoryLoad);
    add(s.pageFileUse);
    row += '\n';
    return row;
}

std::string SampleLine(WallTime time, const TickSample& s, int coreCount) {
    std::string line = IsoTime(time) + "  usage " + std::to_string(s.averageUsage) + " %  " +
                       std::to_string(s.highestTemp) + " °C  cores";
    const auto cores = CoreValues(s, coreCount);
    for (int core = 0; core < LoggedCores(coreCount); ++core)
        line +=
            " " + std::to_string(cores[core].usage) + "/" + std::to_string(cores[core].temperature);
    line += "  CPU " + std::to_string(s.cpuMhz) + " MHz  RAM " + std::to_string(s.memoryMhz) +
            " MHz  memory " + std::to_string(s.usedMb) + " MB (" + std::to_string(s.memoryLoad) +
            " %)  page file " + std::to_string(s.pageFileUse) + " %\n";
    return line;
}

std::filesystem::path DefaultLogFolder() {
#ifdef _WIN32
    if (const char* local = std::getenv("LOCALAPPDATA"); local && *local)
        return std::filesystem::path(local) / "Zentrimo" / "logs";
#else
    // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::filesystem::path(data) / "zentrimo" / "logs";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "zentrimo" / "logs";
#endif
    return {};
}

std::string DefaultLogName(WallTime start) {
    std::string iso = IsoTime(start);  // 2026-12-08T07:30:01.250Z
    std::string name = "monitor-";
    for (char c : iso.substr(0, 19))
        if (c != '-' && c != ':') name += c == 'T' ? '-' : c;
    return name + ".csv";
}

struct MonitorLog::Shared {
    std::filesystem::path file;
    int coreCount = 1;
    ProblemHandler onProblem;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<WallTime, TickSample>> queue;
    bool writing = false;  // a row is off the queue and not yet in the file
    bool closing = false;
    bool finished = false;
    bool stopped = false;
    std::size_t rows = 0;
    std::thread writer;

    // Stops the log and says so once (outside the lock: the handler may take its time).
    void Fail(std::unique_lock<std::mutex>& lock, const std::string& text) {
        stopped = true;
        queue.clear();
        ProblemHandler handler = onProblem;
        lock.unlock();
        if (handler) handler(text);
        lock.lock();
    }

    static void Run(std::shared_ptr<Shared> s) {
        std::unique_lock lock(s->mutex);
        while (!s->stopped) {
            s->changed.wait(lock, [&] { return !s->queue.empty() || s->closing; });
            if (s->queue.empty()) break;
            const auto [time, sample] = s->queue.front();
            s->queue.pop_front();
            s->writing = true;
            lock.unlock();
            const std::string error = AppendLine(s->file, LogRow(time, sample, s->coreCount));
            lock.lock();
            s->writing = false;
            if (error.empty()) {
                ++s->rows;
            } else if (!s->stopped) {  // an overflow may have stopped the log meanwhile
                s->Fail(lock, "The Monitor log " + s->file.string() + " could not be written (" +
                                  error + "); logging has stopped.");
            }
            s->changed.notify_all();
        }
        s->finished = true;
        s->changed.notify_all();
    }
};

MonitorLog::MonitorLog(std::filesystem::path file, int coreCount, ProblemHandler onProblem)
    : file_(std::move(file)), shared_(std::make_shared<Shared>()) {
    shared_->file = file_;
    shared_->coreCount = LoggedCores(coreCount);
    shared_->onProblem = std::move(onProblem);
}

std::unique_ptr<MonitorLog> MonitorLog::Open(const std::filesystem::path& file, int coreCount,
                                             ProblemHandler onProblem, std::string& error) {
    error.clear();
    std::FILE* f = std::fopen(file.string().c_str(), "wb");
    if (!f) {
        error = file.string() + ": " + ErrorText(errno);
        return nullptr;
    }
    const std::string header = LogHeader(coreCount);
    bool ok =
        std::fwrite(header.data(), 1, header.size(), f) == header.size() && std::fflush(f) == 0;
    int writeError = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        writeError = errno;  // a full drive may show only when the file is closed
    }
    if (!ok) {
        error = file.string() + ": " + ErrorText(writeError != 0 ? writeError : EIO);
        return nullptr;
    }
    std::unique_ptr<MonitorLog> log(new MonitorLog(file, coreCount, std::move(onProblem)));
    log->shared_->writer = std::thread(&Shared::Run, log->shared_);
    return log;
}

MonitorLog::~MonitorLog() {
    Close();
}

void MonitorLog::Append(WallTime time, const TickSample& sample) {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    if (s.stopped || s.closing) return;
    if (s.queue.size() >= kMaxQueued) {
        // The writer is stuck on a drive that takes nothing: give up on the log, not on the
        // samples (the writer, if it ever comes back, finds the log stopped).
        s.stopped = true;
        s.queue.clear();
        ProblemHandler handler = s.onProblem;
        lock.unlock();
        s.changed.notify_all();
        if (handler)
            handler("The Monitor log " + s.file.string() +
                    " is not being written (the drive does not answer); logging has stopped.");
        return;
    }
    s.queue.emplace_back(time, sample);
    lock.unlock();
    s.changed.notify_one();
}

bool MonitorLog::WaitWritten(std::chrono::milliseconds timeout) {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(
        lock, timeout, [&] { return s.stopped || s.finished || (s.queue.empty() && !s.writing); });
}

bool MonitorLog::Close(std::chrono::milliseconds timeout) {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    if (!s.writer.joinable()) return true;
    s.closing = true;
    s.changed.notify_all();
    const bool done = s.changed.wait_for(lock, timeout, [&] { return s.finished; });
    if (!done) s.onProblem = nullptr;  // nobody to tell any more
    std::thread writer = std::move(s.writer);
    lock.unlock();
    if (done)
        writer.join();
    else
        writer.detach();  // holds its own share of the state
    return done;
}

bool MonitorLog::Stopped() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->stopped;
}

std::size_t MonitorLog::Rows() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->rows;
}

}  // namespace zm::monitor
