// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/write_notice.h"

#include <mutex>
#include <set>

namespace zm::settings {
namespace {

struct Notice {
    std::mutex lock;
    std::function<void(const WriteProblem&)> handler;
    std::set<std::string> reported;
};

Notice& TheNotice() {
    static Notice notice;
    return notice;
}

}  // namespace

std::string DescribeWriteProblem(const WriteProblem& problem) {
    if (problem.readOnly) {
        return "The settings file " + problem.path +
               " is read-only: it is left as it is, and settings changed in this run are not "
               "saved.";
    }
    return "The settings could not be saved in " + problem.path + " (" + problem.reason +
           "): settings changed in this run may be lost.";
}

void SetWriteProblemHandler(std::function<void(const WriteProblem&)> handler) {
    Notice& notice = TheNotice();
    std::lock_guard<std::mutex> guard(notice.lock);
    notice.handler = std::move(handler);
    notice.reported.clear();
}

void ReportWriteProblem(const WriteProblem& problem) {
    Notice& notice = TheNotice();
    std::function<void(const WriteProblem&)> handler;
    {
        std::lock_guard<std::mutex> guard(notice.lock);
        if (!notice.handler || !notice.reported.insert(problem.path).second) return;
        handler = notice.handler;
    }
    handler(problem);  // outside the lock: a message box runs an event loop
}

}  // namespace zm::settings
