// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/backends/linux/proc_files.h"

#include <fstream>
#include <map>
#include <sstream>

namespace zm::hw::linux_host {

namespace {
constexpr std::uint64_t kHundredNsPerSecond = 10'000'000;
}

std::vector<os::ProcessorTimes> ParseProcStat(const std::string& text, long ticksPerSecond) {
    std::vector<os::ProcessorTimes> times;
    if (ticksPerSecond <= 0) return times;
    const std::uint64_t unit = kHundredNsPerSecond / static_cast<std::uint64_t>(ticksPerSecond);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // "cpu" alone is the total; "cpu0", "cpu1", ... are the processors.
        if (line.size() < 4 || line.compare(0, 3, "cpu") != 0 || line[3] < '0' || line[3] > '9') {
            continue;
        }
        std::istringstream fields(line.substr(3));
        unsigned index = 0;
        std::uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
        if (!(fields >> index >> user >> nice >> system >> idle)) continue;
        fields >> iowait >> irq >> softirq;  // absent on very old kernels
        if (index >= 4096) continue;
        if (times.size() <= index) times.resize(index + 1);
        os::ProcessorTimes& t = times[index];
        t.idle = (idle + iowait) * unit;
        t.user = (user + nice) * unit;
        t.kernel = (system + irq + softirq) * unit + t.idle;
    }
    return times;
}

std::optional<os::MemoryStatus> ParseMeminfo(const std::string& text) {
    std::map<std::string, std::uint64_t> kib;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::istringstream value(line.substr(colon + 1));
        std::uint64_t n = 0;
        if (value >> n) kib[line.substr(0, colon)] = n;
    }
    if (!kib.count("MemTotal") || kib["MemTotal"] == 0) return std::nullopt;
    const std::uint64_t total = kib["MemTotal"];
    std::uint64_t avail = kib.count("MemAvailable")
                              ? kib["MemAvailable"]
                              : kib["MemFree"] + kib["Buffers"] + kib["Cached"];
    if (avail > total) avail = total;
    const std::uint64_t swapTotal = kib["SwapTotal"];
    std::uint64_t swapFree = kib["SwapFree"];
    if (swapFree > swapTotal) swapFree = swapTotal;

    os::MemoryStatus status;
    status.totalPhys = total * 1024;
    status.availPhys = avail * 1024;
    status.memoryLoad = static_cast<std::uint32_t>((total - avail) * 100 / total);
    status.totalPageFile = (total + swapTotal) * 1024;
    status.availPageFile = (avail + swapFree) * 1024;
    return status;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace zm::hw::linux_host
